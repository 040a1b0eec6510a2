#include "command_driver.h"

#include <ctime>
#include <string>
#include <vector>

#include "heap.h"
#include "number_files.h"

namespace {

bool hasBothMarkers(const std::string& command) {
  return command.find(" -i ") != std::string::npos &&
         command.find(" -t ") != std::string::npos;
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
    if (command.size() > static_cast<std::size_t>(TYPE_INDEX)) return true;
    out << "The command must follow the layout of the examples, with a "
           "13-character file name."
        << std::endl;
  }
}

// Clock ticks between two readings, in hundredths of a second.
int hundredths(std::clock_t from, std::clock_t to) {
  return static_cast<int>((to - from) * 100 / CLOCKS_PER_SEC);
}

}  // namespace

int runCommandDriver(std::istream& in, std::ostream& out) {
  // Each run starts from the state the program starts in.
  numberCount = 0;
  heapSize = 0;
  buildMode = false;

  std::string command;
  if (!readCommand(in, out, command)) {
    out << std::endl << "No command was given." << std::endl;
    return 1;
  }
  const std::string fileName = command.substr(FILE_NAME_INDEX, FILE_NAME_LENGTH);
  const char type = command[TYPE_INDEX];

  std::vector<int> a(ARRAY_SIZE);
  const std::clock_t readStart = std::clock();
  bool ok = readNumbers(fileName, a.data(), out);
  const std::clock_t readEnd = std::clock();

  if (type == 'b') {
    buildMaxHeap(a.data());
    buildMode = true;
    ok = writeResult(fileName, a.data(), out) && ok;
  } else {
    const std::clock_t sortStart = std::clock();
    heapSortNumbers(a.data());
    const std::clock_t sortEnd = std::clock();
    const std::clock_t writeStart = std::clock();
    ok = writeResult(fileName, a.data(), out) && ok;
    const std::clock_t writeEnd = std::clock();
    ok = logTimes(command, hundredths(readStart, readEnd),
                  hundredths(sortStart, sortEnd),
                  hundredths(writeStart, writeEnd), out) &&
         ok;
  }
  return ok ? 0 : 1;
}
