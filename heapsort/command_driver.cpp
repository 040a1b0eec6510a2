#include "command_driver.h"

#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "external_sort.h"
#include "heap.h"
#include "heap_trace.h"
#include "number_files.h"
#include "out_of_memory.h"

namespace {

// Names what the run spends its memory on from now on ("the command", the
// number file), as the line of a run that runs out of it shows it.
// REQUIRES: `what` has its control bytes escaped.
void nameMemoryUse(const std::string& what) { setMemoryTask("heapsort: " + what + ": not enough memory"); }

// A typed command holds the file name and the type letter at fixed
// positions, as in the examples; it is usable when it reaches the type
// letter.
constexpr std::size_t FILE_NAME_INDEX = 12;
constexpr std::size_t FILE_NAME_LENGTH = 13;
constexpr std::size_t TYPE_INDEX = 29;
// The longest typed command read: no more of a longer line is read, so that
// endless input without a line break (/dev/zero) takes no endless memory.
constexpr std::size_t COMMAND_MOST = 4096;
const char* const NAME_MARKER = " -i ";
const char* const TYPE_MARKER = " -t ";

const char* const USAGE =
    "Usage: heapsort -i NAME -t TYPE\n"
    "       heapsort -i NAME -t TYPE --all [--memory SIZE] [--cost]\n"
    "       heapsort -i NAME -t TYPE --trace[=json|=html] | --cost\n"
    "       heapsort\n"
    "       heapsort -h | --help | --version\n"
    "\n"
    "Reads the whitespace-separated integers of input/NAME, up to the first\n"
    "item that is not an int. With TYPE b it arranges them as a max-heap;\n"
    "with TYPE s it sorts them in ascending order and appends the command and\n"
    "the reading, sorting and writing times (hundredths of a second) to\n"
    "output/time.txt. The result goes to output/BASE_b.txt or\n"
    "output/BASE_s.txt, one number per line; it replaces the earlier result\n"
    "only once it is whole. NAME is a file name inside input/, never a path.\n"
    "\n"
    "From the shell: -i NAME and -t TYPE in either order (also -iNAME, -tb);\n"
    "TYPE is b or s, and BASE is NAME without its last extension. NAME - reads\n"
    "standard input and writes the result to standard output, with no file and\n"
    "no time line.\n"
    "\n"
    "Without --all, heapsort holds at most 99,999 numbers and reads no further.\n"
    "  --all          every number, however many: with TYPE s, sorted in\n"
    "                 bounded memory, in sorted runs written to temporary files\n"
    "                 beside the result and merged; with TYPE b, one max-heap,\n"
    "                 when the numbers fit in the memory (status 1 otherwise)\n"
    "  --memory SIZE  the memory --all works in: a number of bytes, or with K,\n"
    "                 M or G (KiB, MiB, GiB); at least 64K, 256M unless given\n"
    "  --cost         with --all: the counts only (numbers, heap_capacity,\n"
    "                 runs, merge_passes, comparisons), one NAME TAB VALUE a\n"
    "                 line, and no result file\n"
    "\n"
    "Without arguments it shows two examples and asks for a command typed in\n"
    "their layout:\n"
    "  heapsort -i initdata1.txt -t s\n"
    "  heapsort -i initdata1.txt -t b\n"
    "NAME is then the 13 characters after \"heapsort -i \", TYPE the 30th\n"
    "character, which must be the one after \" -t \" (b builds, any other\n"
    "sorts), and BASE the first 9 characters of NAME; a name of another\n"
    "length is given at the shell. A typed command longer than 4096\n"
    "characters ends the run.\n"
    "\n"
    "Watching it work: these write no result file and no time line; they show\n"
    "on standard output how the build or the sort works on the numbers read.\n"
    "  --trace        each step in words for the first 31 numbers, and the heap\n"
    "                 drawn as a tree after each sift-down\n"
    "  --trace=json   the same steps as JSON lines: heapify, swap, extract\n"
    "  --trace=html   the same steps as one HTML page that plays them\n"
    "  --cost         the work on all the numbers: comparisons and swaps of the\n"
    "                 sift-down, beside the textbook bound\n"
    "\n"
    "  -h, --help     print this help and exit\n"
    "      --version  print the version and exit\n";

// One accepted command: the line the time log records, the file name, the
// type letter, how the result is named, and how a study run shows its work
// instead of writing a result.
struct Command {
  std::string line;
  std::string fileName;
  char type;
  Naming naming;
  Study study = Study::none;
  bool all = false;  // every number, not the fixed array's
  bool memoryGiven = false;
  std::size_t memory = DEFAULT_MEMORY;
};

// Reads a memory size: decimal digits, then K, M or G (KiB, MiB, GiB) or
// nothing (bytes). Returns false for anything else or more than 1 TiB.
bool parseMemory(const std::string& text, std::size_t& bytes) {
  constexpr unsigned long long MOST = 1ULL << 40;
  unsigned long long value = 0;
  std::size_t k = 0;
  for (; k < text.size() && text[k] >= '0' && text[k] <= '9'; ++k) {
    value = value * 10 + static_cast<unsigned long long>(text[k] - '0');
    if (value > MOST) return false;
  }
  if (k == 0 || text.size() - k > 1) return false;
  const char unit = k < text.size() ? text[k] : ' ';
  const int shift = unit == 'K' || unit == 'k' ? 10 : unit == 'M' || unit == 'm' ? 20
                    : unit == 'G' || unit == 'g' ? 30 : unit == ' ' ? 0 : -1;
  if (shift < 0 || value > (MOST >> shift)) return false;
  bytes = static_cast<std::size_t>(value << shift);
  return true;
}

// The study a --trace or --cost argument asks for, or Study::none.
Study studyOf(const std::string& argument) {
  if (argument == "--trace") return Study::words;
  if (argument == "--trace=json") return Study::json;
  if (argument == "--trace=html") return Study::page;
  if (argument == "--cost") return Study::cost;
  return Study::none;
}

// What a typed line lacks to be a command, or "".
std::string missingMarkers(const std::string& line) {
  const bool name = line.find(NAME_MARKER) != std::string::npos;
  const bool type = line.find(TYPE_MARKER) != std::string::npos;
  if (name && type) return "";
  if (!name && !type) return "\" -i \" and \" -t \" are missing";
  return std::string("\"") + (name ? TYPE_MARKER : NAME_MARKER) + "\" is missing";
}

// Whether the fixed cut takes the type typed after " -t ": it does for a
// file name of 13 characters typed first, as in the examples.
// REQUIRES: line holds " -t " and reaches the type letter.
bool cutTakesTypedType(const std::string& line) {
  const std::size_t typed = line.find(TYPE_MARKER) + 4;
  return typed < line.size() && line[typed] == line[TYPE_INDEX];
}

enum class Typed { line, tooLong, end };

// Reads one line into `line` without its line break, as std::getline does,
// but stops at a line longer than COMMAND_MOST characters, leaving the rest
// of it unread.
Typed readLine(std::istream& in, std::string& line) {
  line.clear();
  char c = 0;
  while (in.get(c)) {
    if (c == '\n') return Typed::line;
    if (line.size() == COMMAND_MOST) return Typed::tooLong;
    line += c;
  }
  return line.empty() || in.bad() ? Typed::end : Typed::line;
}

// Repeats the prompt cycle until a usable command is typed; a line that is
// not one is answered on `errors` (a line too short for the layout, on
// `out`). Returns Typed::line for a command; Typed::tooLong or Typed::end
// when there is none.
Typed readCommand(std::istream& in, std::ostream& out, std::ostream& errors, Command& command) {
  std::string& line = command.line;
  for (;;) {
    out << std::endl;
    out << "Command Example for sorting the numbers: heapsort -i initdata1.txt -t s"
        << std::endl;
    out << "Command Example for building a heap: heapsort -i initdata1.txt -t b"
        << std::endl
        << std::endl;
    out << "Please write a command: ";
    const Typed typed = readLine(in, line);
    if (typed != Typed::line) return typed;
    const std::string missing = missingMarkers(line);
    if (!missing.empty()) {
      errors << "heapsort: not a command: " << missing << std::endl;
      continue;
    }
    // The file name and the type letter are cut at fixed positions, so a
    // shorter line has nothing to cut there.
    if (line.size() <= TYPE_INDEX) {
      out << "The command must follow the layout of the examples, with a "
             "13-character file name."
          << std::endl;
      continue;
    }
    if (!cutTakesTypedType(line)) {
      errors << "heapsort: a typed command takes a file name of " << FILE_NAME_LENGTH
             << " characters, as in the examples; for any other name, run 'heapsort -i NAME "
                "-t s' from the shell"
             << std::endl;
      continue;
    }
    command.fileName = line.substr(FILE_NAME_INDEX, FILE_NAME_LENGTH);
    command.type = line[TYPE_INDEX];
    command.naming = Naming::firstNineCharacters;
    return Typed::line;
  }
}

enum class Request { command, help, version };

// Reads the arguments as a shell tool does: -i NAME and -t TYPE in either
// order, each also as one word (-iNAME, -tTYPE); or -h, --help, --version.
// Returns "" when they make a request (`request` is left as it is for a
// command), or the problem.
std::string parseArguments(const std::vector<std::string>& arguments, Request& request,
                           Command& command) {
  bool haveName = false;
  bool haveType = false;
  command.line = "heapsort";
  for (std::size_t k = 0; k < arguments.size(); ++k) {
    const std::string& argument = arguments[k];
    command.line += " " + argument;
    if (argument == "-h" || argument == "--help" || argument == "--version") {
      request = argument == "--version" ? Request::version : Request::help;
      return "";
    }
    const Study study = studyOf(argument);
    if (study != Study::none) {
      if (command.study != Study::none) {
        return "one of --trace, --trace=json, --trace=html and --cost at most";
      }
      command.study = study;
      continue;
    }
    if (argument == "--all") {
      command.all = true;
      continue;
    }
    if (argument == "--memory" || argument.rfind("--memory=", 0) == 0) {
      std::string size = argument.size() > 8 ? argument.substr(9) : "";
      if (argument.size() == 8 && k + 1 < arguments.size()) {
        size = arguments[++k];
        command.line += " " + size;
      }
      if (!parseMemory(size, command.memory) || command.memory < LEAST_MEMORY) {
        return "the memory is a size of at least 64K (K, M or G), not '" +
               escapeControlBytes(size) + "'";
      }
      command.memoryGiven = true;
      continue;
    }
    if (argument.rfind("--trace=", 0) == 0) {
      return "the trace is --trace, --trace=json or --trace=html, not '" +
             escapeControlBytes(argument) + "'";
    }
    const bool option = argument.size() >= 2 && argument[0] == '-';
    if (!option) return "extra argument '" + escapeControlBytes(argument) + "'";
    if (argument[1] != 'i' && argument[1] != 't') {
      return "unknown option '" + escapeControlBytes(argument) + "'";
    }
    const bool name = argument[1] == 'i';
    if (name ? haveName : haveType) return "option " + argument.substr(0, 2) + " is given twice";
    std::string value = argument.substr(2);
    if (value.empty() && k + 1 < arguments.size()) {
      value = arguments[++k];
      command.line += " " + value;
    }
    if (name) {
      if (value.empty()) return "option -i needs a file name";
      haveName = true;
      command.fileName = value;
    } else {
      if (value != "b" && value != "s") {
        return value.empty() ? "option -t needs a type, b or s"
                             : "the type is b or s, not '" + escapeControlBytes(value) + "'";
      }
      haveType = true;
      command.type = value[0];
    }
  }
  if (!haveName) return "option -i NAME is missing";
  if (!haveType) return "option -t TYPE is missing";
  if (command.memoryGiven && !command.all) return "--memory goes with --all";
  if (command.all && command.study != Study::none && command.study != Study::cost) {
    return "--all is watched with --cost only; a trace shows the first 31 numbers without it";
  }
  command.naming = Naming::withoutLastExtension;
  return "";
}

// Clock ticks between two readings, in hundredths of a second.
int hundredths(std::clock_t from, std::clock_t to) {
  return static_cast<int>((to - from) * 100 / CLOCKS_PER_SEC);
}

// Tells what a run wrote: the result of `count` numbers, and after a sort
// the time line.
void tellWritten(std::ostream& errors, const Command& command, bool timeLine,
                 long long count = numberCount) {
  errors << "heapsort: wrote " << count << (count == 1 ? " number" : " numbers")
         << " to " << escapeControlBytes(resultPath(command.fileName, command.naming))
         << (timeLine ? std::string(", and a time line to ") + TIME_LOG : "") << std::endl;
}

// The name standard input takes in place of a file name, and in messages.
const char* const PIPED = "-";
const char* const STANDARD_INPUT = "standard input";

// Where the runs of a sort of standard input go, which has no result file
// to stand beside: the system's folder for temporary files.
std::string pipedRunFolder() {
  std::error_code unknown;
  const std::filesystem::path folder = std::filesystem::temp_directory_path(unknown);
  return unknown || folder.empty() ? "." : folder.string();
}

// Every number, for a command with --all: sorted or built in bounded
// memory, then written, logged, or counted.
int runWhole(const Command& command, std::istream& in, std::ostream& out, std::ostream& errors,
             std::clock_t (*readClock)()) {
  const bool piped = command.fileName == PIPED;
  const bool cost = command.study == Study::cost;
  // Standard output carries the numbers or the counts, nothing else.
  std::ostream& console = piped || cost ? errors : out;
  buildMode = command.type == 'b';
  WholeJob job;
  std::ifstream infile;
  if (piped) {
    job.in = &in;
    job.inputName = STANDARD_INPUT;
  } else {
    if (!openInput(command.fileName, infile, console, errors)) return 1;
    job.in = &infile;
    job.inputName = inputPath(command.fileName);
  }
  nameMemoryUse(escapeControlBytes(job.inputName));
  job.memoryBytes = command.memory;
  job.build = buildMode;
  job.readClock = readClock;
  job.resultPath = piped ? "" : resultPath(command.fileName, command.naming);
  job.target = cost ? WholeJob::Target::none : piped ? WholeJob::Target::stream : WholeJob::Target::file;
  job.stream = &out;
  job.runFolder = piped ? pipedRunFolder() : folderOf(findReplacedFile(job.resultPath).path);
  const WholeOutcome outcome = sortWhole(job, console, errors);
  if (outcome.reading == WholeOutcome::Reading::failed) return 1;
  const bool ok = outcome.reading == WholeOutcome::Reading::whole;
  if (!outcome.written) return 1;
  if (cost) {
    out << "numbers\t" << outcome.numbers << "\nheap_capacity\t" << outcome.heapCapacity
        << "\nruns\t" << outcome.runs << "\nmerge_passes\t" << outcome.mergePasses
        << "\ncomparisons\t" << outcome.comparisons << std::endl;
    return ok ? 0 : 1;
  }
  if (piped) {
    out.flush();
    return ok ? 0 : 1;
  }
  const std::clock_t* const clocks = outcome.clocks;
  const bool logged = buildMode || logTimes(command.line, hundredths(clocks[0], clocks[1]),
                                            hundredths(clocks[2], clocks[3]),
                                            hundredths(clocks[4], clocks[5]), out, errors);
  tellWritten(errors, command, logged && !buildMode, outcome.numbers);
  return ok && logged ? 0 : 1;
}

// The fixed array's run on standard input: the result goes to standard
// output, one number a line, with no time line.
int runPiped(const Command& command, std::istream& in, std::ostream& out, std::ostream& errors) {
  nameMemoryUse(STANDARD_INPUT);
  std::vector<int> a(ARRAY_SIZE);
  const bool study = command.study != Study::none;
  const Reading reading = readNumbersFrom(in, STANDARD_INPUT, a.data(), errors, errors);
  if (reading == Reading::failed) return 1;
  const bool ok = reading == Reading::whole;
  if (study) {
    const int status = studyHeap(command.study, command.type != 'b', STANDARD_INPUT, a.data(), out, errors);
    return status != 0 ? status : ok ? 0 : 1;
  }
  if (command.type == 'b') {
    buildMaxHeap(a.data());
  } else {
    heapSortNumbers(a.data());
  }
  for (int i = 1; i <= numberCount; ++i) out << a[i] << '\n';
  out.flush();
  return ok ? 0 : 1;
}

// Reads, builds or sorts, writes and logs, for one accepted command.
int runCommand(const Command& command, std::istream& in, std::ostream& out, std::ostream& errors,
               std::clock_t (*readClock)()) {
  if (command.all) return runWhole(command, in, out, errors, readClock);
  if (command.naming == Naming::withoutLastExtension && command.fileName == PIPED) {
    return runPiped(command, in, out, errors);
  }
  const std::string& fileName = command.fileName;
  const std::size_t afterName = FILE_NAME_INDEX + FILE_NAME_LENGTH;
  if (command.naming == Naming::firstNineCharacters && command.line[afterName] != ' ' &&
      isFileName(fileName)) {
    errors << "heapsort: the file name is cut to " << FILE_NAME_LENGTH
           << " characters: reading " << escapeControlBytes(inputPath(fileName)) << std::endl;
  }

  // Should memory run out from here on, it ran out on this file's numbers.
  nameMemoryUse(escapeControlBytes(inputPath(fileName)));
  std::vector<int> a(ARRAY_SIZE);
  // A study run keeps standard output for what it shows.
  const bool study = command.study != Study::none;
  const std::clock_t readStart = readClock();
  const Reading reading = readNumbers(fileName, a.data(), study ? errors : out, errors);
  const std::clock_t readEnd = readClock();
  // Nothing was read, so nothing is written: a result from an earlier run
  // stays as it was, and no time line tells of a run that did nothing.
  if (reading == Reading::failed) return 1;
  const bool ok = reading == Reading::whole;
  if (study) {
    const int status =
        studyHeap(command.study, command.type != 'b', fileName, a.data(), out, errors);
    return status != 0 ? status : ok ? 0 : 1;
  }

  if (command.type == 'b') {
    buildMaxHeap(a.data());
    buildMode = true;
    const bool written = writeResult(fileName, command.naming, a.data(), out, errors);
    if (written) tellWritten(errors, command, false);
    return ok && written ? 0 : 1;
  }

  const std::clock_t sortStart = readClock();
  heapSortNumbers(a.data());
  const std::clock_t sortEnd = readClock();
  const std::clock_t writeStart = readClock();
  const bool written = writeResult(fileName, command.naming, a.data(), out, errors);
  const std::clock_t writeEnd = readClock();
  // A run whose result was not written is not logged as a run.
  const bool logged = written && logTimes(command.line, hundredths(readStart, readEnd),
                                          hundredths(sortStart, sortEnd),
                                          hundredths(writeStart, writeEnd), out, errors);
  if (written) tellWritten(errors, command, logged);
  return ok && written && logged ? 0 : 1;
}

}  // namespace

int runCommandDriver(const std::vector<std::string>& arguments, std::istream& in,
                     std::ostream& out, std::ostream& errors, std::clock_t (*readClock)()) {
  // Each run starts from the state the program starts in.
  numberCount = 0;
  heapSize = 0;
  buildMode = false;

  Command command;
  nameMemoryUse("the command");
  if (arguments.empty()) {
    const Typed typed = readCommand(in, out, errors, command);
    if (typed == Typed::tooLong) {
      out << std::endl;
      errors << "heapsort: the command is longer than " << COMMAND_MOST << " characters"
             << std::endl;
      return 1;
    }
    if (typed == Typed::end) {
      out << std::endl << "No command was given." << std::endl;
      return 1;
    }
    return runCommand(command, in, out, errors, readClock);
  }

  Request request = Request::command;
  const std::string problem = parseArguments(arguments, request, command);
  if (!problem.empty()) {
    errors << "heapsort: " << problem << "\n"
           << "Try 'heapsort --help' for more information." << std::endl;
    return 2;
  }
  if (request == Request::help) {
    out << USAGE;
    return 0;
  }
  if (request == Request::version) {
    out << "heapsort " << PROGRAM_VERSION << std::endl;
    return 0;
  }
  return runCommand(command, in, out, errors, readClock);
}
