#include "command_driver.h"

#include <ctime>
#include <string>
#include <vector>

#include "heap.h"
#include "number_files.h"

namespace {

// A command holds the file name and the type letter at fixed positions, as
// in the examples; it is usable when it reaches the type letter.
constexpr std::size_t FILE_NAME_INDEX = 12;
constexpr std::size_t FILE_NAME_LENGTH = 13;
constexpr std::size_t TYPE_INDEX = 29;

const char* const USAGE =
    "Usage: heapsort [-i NAME -t TYPE]\n"
    "       heapsort --help | --version\n"
    "\n"
    "Reads the whitespace-separated integers of input/NAME, up to the first\n"
    "item that is not an int. With TYPE b it arranges them as a max-heap; with\n"
    "any other TYPE it sorts them in ascending order and appends the command\n"
    "and the reading, sorting and writing times (hundredths of a second) to\n"
    "output/time.txt. The result goes to output/BASE_b.txt or output/BASE_s.txt,\n"
    "one number per line, where BASE is the first 9 characters of NAME; it\n"
    "replaces the earlier result only once it is whole. NAME is a file name\n"
    "inside input/, never a path.\n"
    "\n"
    "NAME is the 13 characters after \"heapsort -i \" and TYPE the character after\n"
    "the next \" -t \", as in:\n"
    "  heapsort -i initdata1.txt -t s\n"
    "  heapsort -i initdata1.txt -t b\n"
    "Without arguments it shows these examples and asks for the command.\n";

bool hasBothMarkers(const std::string& command) {
  return command.find(" -i ") != std::string::npos &&
         command.find(" -t ") != std::string::npos;
}

bool isUsable(const std::string& command) {
  return hasBothMarkers(command) && command.size() > TYPE_INDEX;
}

// Repeats the prompt cycle until a usable command is typed. Returns false
// at end of input.
bool readCommand(std::istream& in, std::ostream& out, std::string& command) {
  for (;;) {
    out << std::endl;
    out << "Command Example for sorting the numbers: heapsort -i initdata1.txt -t s"
        << std::endl;
    out << "Command Example for building a heap: heapsort -i initdata1.txt -t b"
        << std::endl
        << std::endl;
    out << "Please write a command: ";
    if (!std::getline(in, command)) return false;
    if (!hasBothMarkers(command)) continue;
    // The file name and the type letter are cut at fixed positions, so a
    // shorter line has nothing to cut there.
    if (isUsable(command)) return true;
    out << "The command must follow the layout of the examples, with a "
           "13-character file name."
        << std::endl;
  }
}

// Clock ticks between two readings, in hundredths of a second.
int hundredths(std::clock_t from, std::clock_t to) {
  return static_cast<int>((to - from) * 100 / CLOCKS_PER_SEC);
}

// Tells what a run wrote: the result of numberCount numbers, and after a
// sort the time line.
void tellWritten(std::ostream& errors, const std::string& fileName, bool timeLine) {
  errors << "heapsort: wrote " << numberCount << (numberCount == 1 ? " number" : " numbers")
         << " to " << resultPath(fileName)
         << (timeLine ? std::string(", and a time line to ") + TIME_LOG : "") << std::endl;
}

// Reads, builds or sorts, writes and logs, for one accepted command.
int runCommand(const std::string& command, std::ostream& out, std::ostream& errors,
               std::clock_t (*readClock)()) {
  const std::string fileName = command.substr(FILE_NAME_INDEX, FILE_NAME_LENGTH);
  const char type = command[TYPE_INDEX];
  const std::size_t afterName = FILE_NAME_INDEX + FILE_NAME_LENGTH;
  if (command[afterName] != ' ' && isFileName(fileName)) {
    errors << "heapsort: the file name is cut to " << FILE_NAME_LENGTH
           << " characters: reading " << inputPath(fileName) << std::endl;
  }

  std::vector<int> a(ARRAY_SIZE);
  const std::clock_t readStart = readClock();
  const Reading reading = readNumbers(fileName, a.data(), out, errors);
  const std::clock_t readEnd = readClock();
  // Nothing was read, so nothing is written: a result from an earlier run
  // stays as it was, and no time line tells of a run that did nothing.
  if (reading == Reading::failed) return 1;
  const bool ok = reading == Reading::whole;

  if (type == 'b') {
    buildMaxHeap(a.data());
    buildMode = true;
    const bool written = writeResult(fileName, a.data(), out, errors);
    if (written) tellWritten(errors, fileName, false);
    return ok && written ? 0 : 1;
  }

  const std::clock_t sortStart = readClock();
  heapSortNumbers(a.data());
  const std::clock_t sortEnd = readClock();
  const std::clock_t writeStart = readClock();
  const bool written = writeResult(fileName, a.data(), out, errors);
  const std::clock_t writeEnd = readClock();
  // A run whose result was not written is not logged as a run.
  const bool logged = written && logTimes(command, hundredths(readStart, readEnd),
                                          hundredths(sortStart, sortEnd),
                                          hundredths(writeStart, writeEnd), out, errors);
  if (written) tellWritten(errors, fileName, logged);
  return ok && written && logged ? 0 : 1;
}

}  // namespace

int runCommandDriver(const std::vector<std::string>& arguments, std::istream& in,
                     std::ostream& out, std::ostream& errors, std::clock_t (*readClock)()) {
  // Each run starts from the state the program starts in.
  numberCount = 0;
  heapSize = 0;
  buildMode = false;

  if (arguments.size() == 1 && (arguments[0] == "--help" || arguments[0] == "-h")) {
    out << USAGE;
    return 0;
  }
  if (arguments.size() == 1 && arguments[0] == "--version") {
    out << "heapsort " << PROGRAM_VERSION << std::endl;
    return 0;
  }

  std::string command;
  if (!arguments.empty()) {
    // Given at the shell, the command is the line that would have been typed.
    command = "heapsort";
    for (const std::string& argument : arguments) command += " " + argument;
    if (!isUsable(command)) {
      errors << "heapsort: not a command of the examples' layout: " << command << "\n\n"
             << USAGE;
      return 2;
    }
  } else if (!readCommand(in, out, command)) {
    out << std::endl << "No command was given." << std::endl;
    return 1;
  }
  return runCommand(command, out, errors, readClock);
}
