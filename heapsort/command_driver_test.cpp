// The whole heapsort dialogue, in-process and as a built program.
#include "command_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstddef>
#include <limits>
#include <new>
#include <ctime>
#include <random>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "dialogue_run.h"
#include "heap.h"
#include "out_of_memory.h"
#include "program_run.h"
#include "step_page.h"
#include "scratch_dir.h"
#include "test_files.h"
#include "unfinished_file.h"
#include "xml_check.h"

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#endif

namespace {

const std::string CYCLE =
    "\nCommand Example for sorting the numbers: heapsort -i initdata1.txt -t s\n"
    "Command Example for building a heap: heapsort -i initdata1.txt -t b\n\n"
    "Please write a command: ";
const std::string LAYOUT =
    "The command must follow the layout of the examples, with a 13-character "
    "file name.\n";
const std::string NO_COMMAND = "\nNo command was given.\n";
const std::string NUMBERS = "4 1 3 2 16 9 10 14 8 7\n";
const std::string SORTED = "1\n2\n3\n4\n7\n8\n9\n10\n14\n16\n";
const std::string HEAP = "16\n14\n10\n8\n7\n9\n3\n2\n4\n1\n";

// The clock of the in-process runs: the six readings of a sort, one per
// call, in ticks. Reading takes 12.99 hundredths of a second, sorting 25 and
// writing 7, so each phase shows its own time, cut to whole hundredths.
constexpr std::clock_t HUNDREDTH = CLOCKS_PER_SEC / 100;
const std::clock_t READINGS[] = {5 * HUNDREDTH, 18 * HUNDREDTH - 1, 20 * HUNDREDTH,
                                 45 * HUNDREDTH, 45 * HUNDREDTH,    52 * HUNDREDTH};
const std::string TIMES = "\t12\t25\t7\n";
int clockReadings = 0;
std::clock_t steppingClock() { return READINGS[clockReadings++ % 6]; }

DialogueRun runDriver(const std::string& input, const std::vector<std::string>& arguments = {}) {
  clockReadings = 0;
  return runDialogue(
      [](const std::vector<std::string>& a, std::istream& in, std::ostream& out,
         std::ostream& errors) { return runCommandDriver(a, in, out, errors, steppingClock); },
      input, arguments);
}

// Runs the driver as runDriver does, with every write that would make a file
// longer than one byte failing, as the writes of a full disk fail. POSIX
// only (the process's file size limit).
DialogueRun runDriverWithFullFiles(const std::string& input) {
#ifdef _WIN32
  return runDriver(input);
#else
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit tiny = saved;
  tiny.rlim_cur = 1;
  const auto signalWas = std::signal(SIGXFSZ, SIG_IGN);  // the write fails instead
  setrlimit(RLIMIT_FSIZE, &tiny);
  const DialogueRun run = runDriver(input);
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, signalWas);
  return run;
#endif
}

std::vector<std::string> outputFiles() {
  std::vector<std::string> names;
  if (!std::filesystem::is_directory("output")) return names;
  for (const auto& entry : std::filesystem::directory_iterator("output")) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST(CommandDriver, CutsTheFileNameAndTheTypeAtFixedPositions) {
  struct Case {
    const char* typed;
    std::string resultFile;
    std::string result;
    bool logged;
  };
  const std::vector<Case> cases = {
      {"heapsort -i initdata1.txt -t s", "initdata1_s.txt", SORTED, true},
      {"heapsort -i initdata1.txt -t b", "initdata1_b.txt", HEAP, false},
      {"heapsort -i initdata1.txt -t x", "initdata1_s.txt", SORTED, true},
      {"heapsort -i initdata1.txt -t B", "initdata1_s.txt", SORTED, true},
      {"heapsort -i initdata1.txt -t b and more", "initdata1_b.txt", HEAP, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    ScratchDir scratch;
    std::filesystem::create_directory("input");
    writeFile("input/initdata1.txt", NUMBERS);
    const DialogueRun run = runDriver(std::string(c.typed) + "\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, CYCLE);
    EXPECT_EQ(readFile("output/" + c.resultFile), c.result);
    if (c.logged) {
      EXPECT_EQ(readFile("output/time.txt"), c.typed + TIMES);
    } else {
      EXPECT_FALSE(std::filesystem::exists("output/time.txt"));
    }
    EXPECT_EQ(outputFiles().size(), c.logged ? 2u : 1u);
  }
}

// A line that is no command, or whose type the fixed cut would not take
// from after " -t ", is answered on standard error and the prompt comes again.
TEST(CommandDriver, AsksAgainUntilACommandIsUsable) {
  struct Case {
    const char* name;
    std::string input;
    std::string console;
    std::string errors;  // before the line that tells what the run wrote
    int status;
  };
  const std::string accepted = "heapsort -i initdata1.txt -t b\n";
  const std::string noType = "heapsort: not a command: \" -t \" is missing\n";
  const std::string noMarkers = "heapsort: not a command: \" -i \" and \" -t \" are missing\n";
  const std::string mismatch =
      "heapsort: a typed command takes a file name of 13 characters, as in the examples; for "
      "any other name, run 'heapsort -i NAME -t s' from the shell\n";
  const std::vector<Case> cases = {
      {"no type marker", "heapsort -i initdata1.txt\n" + accepted, CYCLE + CYCLE, noType, 0},
      {"no name marker", "heapsort initdata1.txt -t b\n" + accepted, CYCLE + CYCLE,
       "heapsort: not a command: \" -i \" is missing\n", 0},
      {"marker without its blank", "heapsort -i initdata1.txt -t\n" + accepted,
       CYCLE + CYCLE, noType, 0},
      {"empty lines", "\n\n" + accepted, CYCLE + CYCLE + CYCLE, noMarkers + noMarkers, 0},
      {"both markers, too short", "x -i y -t z\n" + accepted,
       CYCLE + LAYOUT + CYCLE, "", 0},
      {"29 characters", "heapsort -i initdata1.txt -t \n" + accepted,
       CYCLE + LAYOUT + CYCLE, "", 0},
      {"a 14-character name", "heapsort -i initdata10.txt -t b\n" + accepted, CYCLE + CYCLE,
       mismatch, 0},
      {"the markers swapped", "heapsort -t initdata1.txt -i b\n" + accepted, CYCLE + CYCLE,
       mismatch, 0},
      {"nothing after the type marker, a NUL cut as the type",
       std::string("heapsort -i initdata1.txt now\0 -t \n", 35) + accepted, CYCLE + CYCLE,
       mismatch, 0},
      {"no input", "", CYCLE + NO_COMMAND, "", 1},
      {"input ends unaccepted", "heapsort\n -i  -t ",
       CYCLE + CYCLE + LAYOUT + CYCLE + NO_COMMAND, noMarkers, 1},
      {"last line without a line break", "heapsort -i initdata1.txt -t b", CYCLE, "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDir scratch;
    std::filesystem::create_directory("input");
    writeFile("input/initdata1.txt", NUMBERS);
    writeFile("input/initdata10.tx", NUMBERS);
    const DialogueRun run = runDriver(c.input);
    EXPECT_EQ(run.output, c.console);
    EXPECT_EQ(run.errors, c.errors + (c.status == 0 ? "heapsort: wrote 10 numbers to "
                                                      "output/initdata1_b.txt\n"
                                                    : ""));
    EXPECT_EQ(run.status, c.status);
    if (c.status == 0) {
      EXPECT_EQ(readFile("output/initdata1_b.txt"), HEAP);
      EXPECT_EQ(outputFiles().size(), 1u);  // the line refused wrote nothing
    }
  }
}

// Each row: what stands in the folder, the typed line, then standard output,
// standard error, the status, and the files of output/ afterwards. A run
// that reads nothing, or cannot write its result, leaves output/ as it was.
TEST(CommandDriver, SaysWhatHappenedOnStandardError) {
  const std::string sort = "heapsort -i initdata1.txt -t s";
  const std::string build = "heapsort -i initdata1.txt -t b";
  const std::string unable = "Unable to open file\n";
  const std::string notADirectory = ON_WINDOWS ? "No such file or directory" : "Not a directory";
  const std::string isADirectory = "Is a directory";
  const std::string kept = "earlier result\n";
  // fullDisk: every file fails its writes past the first byte; fullLog: the
  // time log fails every write.
  enum class Output { folder, file, fullDisk, fullLog, resultFolder };
  struct Case {
    const char* name;
    const char* numbers;  // input/initdata1.txt, or nullptr for no input folder
    Output output;
    std::string typed;
    std::string console;
    std::string errors;
    int status;
    std::string result;  // output/initdata1_s.txt or _b.txt afterwards
    int timeLines;
  };
  const std::vector<Case> cases = {
      {"a sort", "4 1 3 2 16 9 10 14 8 7", Output::folder, sort, "",
       "heapsort: wrote 10 numbers to output/initdata1_s.txt, and a time line to output/time.txt\n",
       0, SORTED, 2},
      {"a build of one number", "7", Output::folder, build, "",
       "heapsort: wrote 1 number to output/initdata1_b.txt\n", 0, "7\n", 1},
      {"no input folder", nullptr, Output::folder, sort, unable,
       "heapsort: input/initdata1.txt: No such file or directory\n", 1, kept, 1},
      {"a name cut at 13 characters, a blank for type", "1", Output::folder,
       "heapsort -i initdata12.txt -t  s", unable,
       "heapsort: the file name is cut to 13 characters: reading input/initdata12.tx\n"
       "heapsort: input/initdata12.tx: No such file or directory\n",
       1, kept, 1},
      {"a climbing name", "1", Output::folder, "heapsort -i ../in/nums.tx -t s", unable,
       "heapsort: ../in/nums.tx: a file name, not a path, is expected inside input/\n", 1, kept, 1},
      {"a word among the numbers", "5 3 9 apple 1 2", Output::folder, sort, "",
       "heapsort: input/initdata1.txt: stopped at item 4, \"apple\": not an integer; 3 numbers used\n"
       "heapsort: wrote 3 numbers to output/initdata1_s.txt, and a time line to output/time.txt\n",
       1, "3\n5\n9\n", 2},
      {"output is a file", "3 1 2", Output::file, sort, unable,
       "heapsort: output: " + notADirectory + "\n", 1, "", 0},
      {"output is a file, build", "3 1 2", Output::file, build, unable,
       "heapsort: output: " + notADirectory + "\n", 1, "", 0},
      {"the result is a folder", "3 1 2", Output::resultFolder, sort, unable,
       "heapsort: output/initdata1_s.txt: " + isADirectory + "\n", 1, "", 1},
      {"a result on a full disk", "3 1 2", Output::fullDisk, build, "",
       "heapsort: output/initdata1_b.txt: File too large\n", 1, kept, 1},
      {"a sort on a full disk", "3 1 2", Output::fullDisk, sort, "",
       "heapsort: output/initdata1_s.txt: File too large\n", 1, kept, 1},
      {"a time log on a full disk", "3 1 2", Output::fullLog, sort, "",
       "heapsort: output/time.txt: No space left on device\n"
       "heapsort: wrote 3 numbers to output/initdata1_s.txt\n",
       1, "1\n2\n3\n", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const bool full = c.output == Output::fullDisk || c.output == Output::fullLog;
    if (full && ON_WINDOWS) continue;  // no /dev/full there
    ScratchDir scratch;
    if (c.numbers != nullptr) {
      std::filesystem::create_directory("input");
      writeFile("input/initdata1.txt", c.numbers);
    }
    std::filesystem::create_directory("in");
    writeFile("in/nums.tx", "9 8 7");  // within reach of a climbing name
    const bool built = c.typed == build;
    const std::string result = built ? "output/initdata1_b.txt" : "output/initdata1_s.txt";
    const std::string other = built ? "output/initdata1_s.txt" : "output/initdata1_b.txt";
    if (c.output == Output::file) {
      writeFile("output", kept);
    } else {
      std::filesystem::create_directory("output");
      writeFile("output/time.txt", "earlier line\n");
      writeFile("output/initdata1_s.txt", kept);
      writeFile("output/initdata1_b.txt", kept);
    }
    if (c.output == Output::fullLog) {
      std::filesystem::remove("output/time.txt");
      std::filesystem::create_symlink("/dev/full", "output/time.txt");
    }
    if (c.output == Output::resultFolder) {
      std::filesystem::remove(result);
      std::filesystem::create_directory(result);
    }
    const DialogueRun run = c.output == Output::fullDisk ? runDriverWithFullFiles(c.typed + "\n")
                                                         : runDriver(c.typed + "\n");
    EXPECT_EQ(run.output, CYCLE + c.console);
    EXPECT_EQ(run.errors, c.errors);
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(outputFiles().size(), c.output == Output::file ? 0u : 3u);  // no temporary file
    if (c.output == Output::file) {
      EXPECT_EQ(readFile("output"), kept);
      continue;
    }
    if (c.output != Output::resultFolder) {
      EXPECT_EQ(readFile(result), c.result);
    }
    EXPECT_EQ(readFile(other), kept);
    if (c.output == Output::fullLog) continue;  // /dev/full reads without end
    const std::string log = readFile("output/time.txt");
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), c.timeLines) << log;
  }
}

TEST(CommandDriver, TwoSortsLogTwoLinesAndKeepTheLatestResult) {
  ScratchDir scratch;
  std::filesystem::create_directory("input");
  writeFile("input/initdata1.txt", NUMBERS);
  EXPECT_EQ(runDriver("heapsort -i initdata1.txt -t s\n").status, 0);
  writeFile("input/initdata1.txt", "9 8\n");
  EXPECT_EQ(runDriver("heapsort -i initdata1.txt -t s\n").status, 0);
  EXPECT_EQ(readFile("output/initdata1_s.txt"), "8\n9\n");
  const std::string log = readFile("output/time.txt");
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 2);
}

// From the shell: options as a shell tool takes them, without the prompt;
// the time log records the arguments as given.
TEST(CommandDriver, TakesTheCommandFromTheArgumentsAndAnswersHelp) {
  struct Case {
    std::vector<std::string> arguments;
    int status;
    std::string outputStart;  // standard output begins with it
    std::string errors;
    std::string resultFile;   // written by the run, or ""
  };
  const std::string usage = "Usage: heapsort -i NAME -t TYPE\n";
  const auto misuse = [](const std::string& problem) {
    return "heapsort: " + problem + "\nTry 'heapsort --help' for more information.\n";
  };
  const std::string sorted = "heapsort: wrote 10 numbers to output/initdata1_s.txt, and a time "
                             "line to output/time.txt\n";
  const std::string unable = "Unable to open file\n";
  const std::string climbing = ": a file name, not a path, is expected inside input/\n";
  // Windows takes no control byte in a file name.
  const std::string noFile = ON_WINDOWS ? "Invalid argument" : "No such file or directory";
  std::vector<Case> cases = {
      {{"-i", "initdata1.txt", "-t", "s"}, 0, "", sorted, "initdata1_s.txt"},
      {{"-t", "s", "-iinitdata1.txt"}, 0, "", sorted, "initdata1_s.txt"},
      {{"-tb", "-i", "data.v2.txt"}, 0, "", "heapsort: wrote 10 numbers to output/data.v2_b.txt\n",
       "data.v2_b.txt"},
      {{"-i", "initdata1.txt"}, 2, "", misuse("option -t TYPE is missing"), ""},
      {{"-t", "s"}, 2, "", misuse("option -i NAME is missing"), ""},
      {{"-i", "initdata1.txt", "-t"}, 2, "", misuse("option -t needs a type, b or s"), ""},
      {{"-t", "s", "-i", ""}, 2, "", misuse("option -i needs a file name"), ""},
      {{"-i", "initdata1.txt", "-t", "x"}, 2, "", misuse("the type is b or s, not 'x'"), ""},
      {{"-i", "a", "-t", "s", "-ib"}, 2, "", misuse("option -i is given twice"), ""},
      {{"-i", "initdata1.txt", "-t", "s", "extra"}, 2, "", misuse("extra argument 'extra'"), ""},
      {{"--sort"}, 2, "", misuse("unknown option '--sort'"), ""},
      {{"-"}, 2, "", misuse("extra argument '-'"), ""},
      {{"-i", "../in/nums.tx", "-t", "s"}, 1, unable, "heapsort: ../in/nums.tx" + climbing, ""},
      {{"-i", "..", "-t", "b"}, 1, unable, "heapsort: .." + climbing, ""},
      {{"-i", "in\\nums.tx", "-t", "b"}, 1, unable, "heapsort: in\\nums.tx" + climbing, ""},
      // Control bytes reach the terminal escaped; a tab as it is.
      {{"-i", "\x1B[31mred\x7F", "-t", "s"}, 1, unable,
       "heapsort: input/\\x1B[31mred\\x7F: " + noFile + "\n", ""},
      {{"-i", "a\tb\n", "-t", "s"}, 1, unable, "heapsort: input/a\tb\\x0A: " + noFile + "\n", ""},
      {{"-t\x01", "-i", "x"}, 2, "", misuse("the type is b or s, not '\\x01'"), ""},
      {{"-i", "x", "-t", "s", "\r"}, 2, "", misuse("extra argument '\\x0D'"), ""},
      {{"-\x1B"}, 2, "", misuse("unknown option '-\\x1B'"), ""},
      // So do a bidi or C1 control and a byte that is no UTF-8; other UTF-8 stays.
      {{"-i", "\xE2\x80\xAEtxt.\xC2\x9B\xE2\x81\xA6\xFF\xC3\xA9", "-t", "s"}, 1, unable,
       // No control byte: a name Windows takes, of a file it does not find.
       "heapsort: input/\\xE2\\x80\\xAEtxt.\\xC2\\x9B\\xE2\\x81\\xA6\\xFF\xC3\xA9: No such file or directory\n", ""},
      // The longest result name a file system takes, 255 bytes.
      {{"-t", "s", "-i", std::string(249, 'n') + ".txt"}, 0, "",
       "heapsort: wrote 10 numbers to output/" + std::string(249, 'n') +
           "_s.txt, and a time line to output/time.txt\n",
       std::string(249, 'n') + "_s.txt"},
      // Every number: the same result, heap and time line as the fixed array's.
      {{"-i", "initdata1.txt", "-t", "s", "--all"}, 0, "", sorted, "initdata1_s.txt"},
      {{"--all", "-tb", "--memory", "64K", "-i", "initdata1.txt"}, 0, "",
       "heapsort: wrote 10 numbers to output/initdata1_b.txt\n", "initdata1_b.txt"},
      {{"-i", "initdata1.txt", "-t", "s", "--all", "--memory=1g"}, 0, "", sorted, "initdata1_s.txt"},
      {{"-i", "x", "-t", "s", "--memory", "64K"}, 2, "", misuse("--memory goes with --all"), ""},
      {{"-i", "x", "-t", "s", "--all", "--memory=63K"}, 2, "",
       misuse("the memory is a size of at least 64K (K, M or G), not '63K'"), ""},
      {{"-i", "x", "-t", "s", "--all", "--memory", "64KB"}, 2, "",
       misuse("the memory is a size of at least 64K (K, M or G), not '64KB'"), ""},
      {{"-i", "x", "-t", "s", "--all", "--memory"}, 2, "",
       misuse("the memory is a size of at least 64K (K, M or G), not ''"), ""},
      {{"-i", "x", "-t", "s", "--all", "--memory", "99999999999999G"}, 2, "",
       misuse("the memory is a size of at least 64K (K, M or G), not '99999999999999G'"), ""},
      {{"-i", "x", "-t", "s", "--all", "--trace"}, 2, "",
       misuse("--all is watched with --cost only; a trace shows the first 31 numbers without it"), ""},
      {{"--help"}, 0, usage, "", ""},
      {{"-h"}, 0, usage, "", ""},
      {{"--version"}, 0, "heapsort ", "", ""},
  };
  if (!ON_WINDOWS) {
    cases.push_back({{"-tb", "-i", "\x02.txt"}, 0, "",
                     "heapsort: wrote 10 numbers to output/\\x02_b.txt\n", "\x02_b.txt"});
  }
  for (const Case& c : cases) {
    std::string line = "heapsort";
    for (const std::string& argument : c.arguments) line += " " + argument;
    SCOPED_TRACE(line);
    ScratchDir scratch;
    std::filesystem::create_directory("input");
    writeFile("input/initdata1.txt", NUMBERS);
    writeFile("input/data.v2.txt", NUMBERS);
    if (!ON_WINDOWS) writeFile("input/\x02.txt", NUMBERS);
    writeFile("input/" + std::string(249, 'n') + ".txt", NUMBERS);
    std::filesystem::create_directory("in");
    writeFile("in/nums.tx", NUMBERS);  // within reach of a climbing name
    const DialogueRun run = runDriver("heapsort -i initdata1.txt -t s\n", c.arguments);
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.output.substr(0, c.outputStart.size()), c.outputStart);
    EXPECT_EQ(run.errors, c.errors);
    EXPECT_EQ(run.output.empty(), c.outputStart.empty());  // never the prompt
    if (c.resultFile.empty()) {
      EXPECT_FALSE(std::filesystem::exists("output"));
      continue;
    }
    const bool sort = c.resultFile.find("_s.") != std::string::npos;
    EXPECT_EQ(readFile("output/" + c.resultFile), sort ? SORTED : HEAP);
    if (sort) {
      EXPECT_EQ(readFile("output/time.txt"), line + TIMES);
    }
  }
}

// Study runs show the work on standard output, in the form asked for, and
// write no result and no time line. (What they show is checked against the
// sift-down written out as exchanges in heap_test.cpp.)
TEST(CommandDriver, StudyRunsShowTheWorkAndWriteNothing) {
  const auto misuse = [](const std::string& problem) {
    return "heapsort: " + problem + "\nTry 'heapsort --help' for more information.\n";
  };
  std::string forty;  // a heap already: no swap
  std::string heapifies;
  for (int n = 40; n >= 1; --n) forty += std::to_string(n) + " ";
  for (int i = 15; i >= 1; --i) heapifies += "{\"event\":\"heapify\",\"i\":" + std::to_string(i) + "}\n";
  struct Case {
    std::vector<std::string> arguments;
    std::string numbers;
    int status;
    std::string output;
    std::string errors;
  };
  const std::vector<Case> cases = {
      {{"-tb", "-in.txt", "--cost"}, NUMBERS, 0,
       "numbers\t10\ncomparisons\t14\ncomparisons_bound\t20\nswaps\t7\n", ""},
      {{"-i", "n.txt", "-t", "s", "--cost"}, "5 3 x", 1,
       "numbers\t2\ncomparisons\t1\ncomparisons_bound\t4\nswaps\t0\n",
       "heapsort: input/n.txt: stopped at item 3, \"x\": not an integer; 2 numbers used\n"},
      {{"-i", "n.txt", "-t", "b", "--trace"}, "1 5 5", 0,  // the left child wins a tie
       "the array as read, 3 numbers: 1 5 5\n  [1] 1\n    [2] 5\n    [3] 5\n"
       "build a max-heap: heapify each node from 1 down to 1\n"
       "heapify 1: 1 against its children 5 and 5\nswap 1 and 2: 5 moves up, 1 moves down\n"
       "heapify 2: 1 has no child in the heap; it stays\n  [1] 5\n    [2] 1\n    [3] 5\n"
       "the max-heap: 5 1 5\n", ""},
      {{"-i", "n.txt", "-t", "b", "--trace=json"}, forty, 0, heapifies,
       "heapsort: tracing the first 31 of the 40 numbers read; --cost counts the work on all of them\n"},
      {{"-i", "none.txt", "-t", "s", "--trace=html"}, "", 1, "",
       "Unable to open file\nheapsort: input/none.txt: No such file or directory\n"},
      {{"-i", "n.txt", "-t", "s", "--trace=xml"}, NUMBERS, 2, "",
       misuse("the trace is --trace, --trace=json or --trace=html, not '--trace=xml'")},
      {{"--trace", "--cost", "-i", "n.txt", "-t", "s"}, NUMBERS, 2, "",
       misuse("one of --trace, --trace=json, --trace=html and --cost at most")},
      {{"--trace"}, NUMBERS, 2, "", misuse("option -i NAME is missing")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.arguments));
    ScratchDir scratch;
    std::filesystem::create_directory("input");
    writeFile("input/n.txt", c.numbers);
    const DialogueRun run = runDriver("", c.arguments);
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.output, c.output);
    EXPECT_EQ(run.errors, c.errors);
    EXPECT_FALSE(std::filesystem::exists("output"));
  }
  // The page, well-formed: each step draws every node of the tree and every
  // cell of the array.
  ScratchDir scratch;
  std::filesystem::create_directory("input");
  writeFile("input/n.txt", "1 5 5");
  const DialogueRun page = runDriver("", {"-i", "n.txt", "-t", "s", "--trace=html"});
  EXPECT_EQ(page.status, 0);
  EXPECT_EQ(findMarkupFault(page.output, Markup::html), "");
  const std::string drawn = page.output.substr(page.output.find("<template"));
  const std::size_t steps = occurrences(drawn, "<template class=\"step\">");
  EXPECT_EQ(steps, 8U);  // the array as read, then one an event: 3 to build, 2 for each of 2 ends
  EXPECT_EQ(occurrences(drawn, "<g class=\"node"), 3 * steps);
  EXPECT_EQ(occurrences(drawn, "<g class=\"cell"), 3 * steps);
}

// What enters a page is escaped: markup characters, control bytes and
// bytes that are not valid UTF-8, while valid UTF-8 stays as it is.
TEST(CommandDriver, PagesEscapeWhatTheyShow) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"a<b>&\"c'.txt", "a&lt;b&gt;&amp;&quot;c&#39;.txt"},
      {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8E\xB5", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8E\xB5"},
      {"\xFF\xC3 \xC0\xAF \xED\xA0\x80 \xF4\x90\x80\x80 \x01\x7F",
       "\\xFF\\xC3 \\xC0\\xAF \\xED\\xA0\\x80 \\xF4\\x90\\x80\\x80 \\x01\\x7F"},
      {"\xE2\x82", "\\xE2\\x82"},
  };
  for (const auto& [text, escaped] : cases) EXPECT_EQ(escapeHtml(text), escaped) << text;
}

TEST(CommandDriver, BuiltProgramRunsWithPipedInput) {
  ScratchDir scratch;
  std::filesystem::create_directory("input");
  writeFile("input/initdata1.txt", NUMBERS);
  std::string console;
  EXPECT_EQ(runProgram(HEAPSORT_PROGRAM, "heapsort -i initdata1.txt -t s\n", console), 0);
  EXPECT_EQ(console, CYCLE);
  EXPECT_EQ(readFile("output/initdata1_s.txt"), SORTED);
  EXPECT_EQ(runProgram(HEAPSORT_PROGRAM, "", console), 1);
  EXPECT_EQ(console, CYCLE + NO_COMMAND);

  std::string errors;
  EXPECT_EQ(runProgram(HEAPSORT_PROGRAM, "", console, {"-i", "initdata1.txt", "-t", "b"}, &errors), 0);
  EXPECT_EQ(console, "");
  EXPECT_EQ(errors, "heapsort: wrote 10 numbers to output/initdata1_b.txt\n");
  EXPECT_EQ(readFile("output/initdata1_b.txt"), HEAP);
  EXPECT_EQ(runProgram(HEAPSORT_PROGRAM, "", console, {"--help"}), 0);
  EXPECT_EQ(console.rfind("Usage: heapsort", 0), 0u);
  EXPECT_EQ(runProgram(HEAPSORT_PROGRAM, "", console, {"-t", "b"}, &errors), 2);
  EXPECT_EQ(errors, "heapsort: option -i NAME is missing\n"
                    "Try 'heapsort --help' for more information.\n");

  // Standard output that cannot be written fails the run, with one line that
  // says so; a run with nothing to show there keeps its status.
  if (ON_WINDOWS) return;  // no /dev/full there
  const std::string full = "heapsort: standard output: No space left on device\n";
  for (const char* option : {"--help", "--version"}) {
    EXPECT_EQ(runProgramOnFullDevice(HEAPSORT_PROGRAM, {option}, errors), 1);
    EXPECT_EQ(errors, full);
  }
  const std::string sort = "heapsort -i initdata1.txt -t s\n";
  EXPECT_EQ(runProgramOnFullDevice(HEAPSORT_PROGRAM, {}, errors, sort), 1);
  EXPECT_EQ(errors, "heapsort: wrote 10 numbers to output/initdata1_s.txt, and a time line to "
                    "output/time.txt\n" + full);
  const std::vector<std::string> build = {"-i", "initdata1.txt", "-t", "b"};
  EXPECT_EQ(runProgramOnFullDevice(HEAPSORT_PROGRAM, build, errors), 0);  // nothing to show
}

std::string linesOf(const std::vector<int>& numbers);

// "-" reads standard input and writes the result there, with no file and
// no time line, with the fixed array or with every number.
TEST(CommandDriver, BuiltProgramSortsAPipe) {
  ScratchDir scratch;
  std::vector<int> many(300000);
  std::mt19937 random(26);
  for (int& n : many) n = static_cast<int>(random());
  std::string manyText = linesOf(many);
  std::sort(many.begin(), many.end());
  struct Case {
    std::vector<std::string> arguments;
    std::string input;
    std::string output;
    int status;
    std::string errors;
  };
  const std::vector<Case> cases = {
      {{"-i", "-", "-t", "s"}, NUMBERS, SORTED, 0, ""},
      {{"-i", "-", "-t", "b"}, NUMBERS, HEAP, 0, ""},
      {{"-i", "-", "-t", "s", "--all"}, NUMBERS, SORTED, 0, ""},
      {{"-i", "-", "-t", "b", "--all"}, NUMBERS, HEAP, 0, ""},
      {{"-i", "-", "-t", "s", "--all"}, NUMBERS + "4.5\n", linesOf({1, 2, 3, 4, 4, 7, 8, 9, 10, 14, 16}),
       1, "heapsort: standard input: stopped at item 12, \".5\": not an integer; 11 numbers used\n"},
      {{"-i", "-", "-t", "s", "--all", "--memory", "64K"}, manyText, linesOf(many), 0, ""},
      {{"-i", "-", "-t", "b", "--all", "--memory", "64K"}, manyText, "", 1,
       "heapsort: standard input: more than 16384 numbers do not fit in the memory given; a "
       "larger --memory takes them\n"},
      {{"-i", "-", "-t", "s", "--all", "--cost", "--memory", "64K"}, NUMBERS,
       "numbers\t10\nheap_capacity\t16384\nruns\t1\nmerge_passes\t0\ncomparisons\t", 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments.size() + c.input.size());
    std::string output;
    std::string errors;
    EXPECT_EQ(runProgram(HEAPSORT_PROGRAM, c.input, output, c.arguments, &errors), c.status);
    EXPECT_EQ(output.substr(0, c.output.size()), asReadInTextMode(c.output));
    EXPECT_EQ(errors, c.errors);
    EXPECT_FALSE(std::filesystem::exists("output"));
  }
}

// What a run killed outright left (its unfinished file, named by its process
// number) is removed by the next run that writes there, on every system; a
// file of a process that still runs is left.
TEST(CommandDriver, BuiltProgramRemovesWhatRunsThatEndedLeft) {
  ScratchDir scratch;
  std::filesystem::create_directories("input");
  std::filesystem::create_directories("output");
  writeFile("input/nums.txt", "3 1 2");
  // No system gives a process a number this high.
  const std::string ended = "output/.heapsort-999999996-0.part";
  const std::string running = "output/.heapsort-" + std::to_string(thisProcess()) + "-0.part";
  writeFile(ended, "half");
  writeFile(running, "half");
  std::string output;
  EXPECT_EQ(runProgram(HEAPSORT_PROGRAM, "", output, {"-i", "nums.txt", "-t", "s", "--all"}), 0);
  EXPECT_FALSE(std::filesystem::exists(ended));
  EXPECT_TRUE(std::filesystem::exists(running));
  EXPECT_EQ(readFile("output/nums_s.txt"), "1\n2\n3\n");
}

#ifndef _WIN32  // links, FIFOs, modes, file-size limits and signals are POSIX
// A sort of every number that cannot finish leaves the earlier result whole
// and no run file: a full disk (a file-size limit), an output that is no
// folder, or a kill that gives no chance to clean up, whose leftovers the
// next run removes.
TEST(CommandDriver, BuiltProgramKeepsTheResultWholeWhenEveryNumberCannotBeSorted) {
  ScratchDir scratch;
  std::filesystem::create_directories("input");
  std::vector<int> numbers(400000);
  std::mt19937 random(7);
  for (int& n : numbers) n = static_cast<int>(random());
  writeFile("input/nums.txt", linesOf(numbers));
  std::sort(numbers.begin(), numbers.end());
  const std::vector<std::string> all = {"-i", "nums.txt", "-t", "s", "--all", "--memory", "64K"};

  writeFile("output", "a file in the way");
  std::string output;
  std::string errors;
  EXPECT_EQ(runProgram(HEAPSORT_PROGRAM, "", output, all, &errors), 1);
  EXPECT_EQ(output, "Unable to open file\n");
  EXPECT_EQ(errors, "heapsort: output: Not a directory\n");
  std::filesystem::remove("output");

  std::filesystem::create_directories("output");
  writeFile("output/nums_s.txt", "earlier\n");
  long process = startProgram(HEAPSORT_PROGRAM, all, 200000);
  EXPECT_EQ(waitForProgram(process), 1);
  EXPECT_EQ(readFile("program-errors.txt"),
            "heapsort: output: the sorted runs could not be written: File too large\n");
  EXPECT_EQ(outputFiles(), std::vector<std::string>({"nums_s.txt"}));
  EXPECT_EQ(readFile("output/nums_s.txt"), "earlier\n");

  process = startProgram(HEAPSORT_PROGRAM, all);
  ASSERT_TRUE(waitForFileIn("output", ".heapsort-"));
  kill(static_cast<pid_t>(process), SIGKILL);
  EXPECT_EQ(waitForProgram(process), 128 + SIGKILL);
  EXPECT_EQ(readFile("output/nums_s.txt"), "earlier\n");
  EXPECT_EQ(runProgram(HEAPSORT_PROGRAM, "", output, all, &errors), 0);
  EXPECT_EQ(outputFiles(), std::vector<std::string>({"nums_s.txt", "time.txt"}));
  EXPECT_EQ(readFile("output/nums_s.txt"), linesOf(numbers));
}


// Each row: what stands where the built program writes, and what it must
// leave there. A link stays a link, a read-only result is replaced but
// said, a FIFO is refused without waiting, the unfinished files of ended
// runs go while those of running ones stay, and a time line that does not
// fit under a file-size limit is taken back whole.
TEST(CommandDriver, BuiltProgramKeepsEveryFileWholeWhateverStandsInTheWay) {
  const std::string ended = ".heapsort-" + std::to_string(endedProcess()) + "-0.part";
  const std::string running = ".heapsort-" + std::to_string(getppid()) + "-0.part";
  struct Case {
    const char* name;
    std::function<void()> before;
    long fileSizeBytes;
    int status;
    std::string errors;  // a part of standard error
    std::function<void()> after;
  };
  const std::string result = "output/nums_s.txt";
  const std::string log(4095, 'x');
  const std::vector<Case> cases = {
      {"a dangling link", [&] { std::filesystem::create_symlink("../kept/nums_s.txt", result); }, 0, 0,
       "wrote 3 numbers",
       [&] {
         EXPECT_TRUE(std::filesystem::is_symlink(result));
         EXPECT_EQ(readFile("kept/nums_s.txt"), "1\n2\n3\n");
       }},
      {"a FIFO", [&] { ASSERT_EQ(mkfifo(result.c_str(), 0644), 0); }, 0, 1,
       "heapsort: output/nums_s.txt: is a FIFO or a socket; give the result a file or a device\n",
       [&] { EXPECT_TRUE(std::filesystem::is_fifo(result)); }},
      {"a read-only result",
       [&] {
         writeFile(result, "earlier\n");
         std::filesystem::permissions(result, std::filesystem::perms::owner_read);
       },
       0, 0, "heapsort: output/nums_s.txt: was read-only; replaced by the new result, read-only as before\n",
       [&] {
         EXPECT_EQ(readFile(result), "1\n2\n3\n");
         EXPECT_EQ(std::filesystem::status(result).permissions(), std::filesystem::perms::owner_read);
       }},
      {"files left by runs",
       [&] {
         writeFile("output/" + ended, "half");
         writeFile("output/" + running, "half");
       },
       0, 0, "wrote 3 numbers",
       [&] {
         EXPECT_FALSE(std::filesystem::exists("output/" + ended));
         EXPECT_TRUE(std::filesystem::exists("output/" + running));
       }},
      {"a time log at a file-size limit", [&] { writeFile("output/time.txt", log); }, 4100, 1,
       "heapsort: output/time.txt: File too large\n",
       [&] { EXPECT_EQ(readFile("output/time.txt"), log); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDir scratch;
    std::filesystem::create_directories("input");
    std::filesystem::create_directories("output");
    std::filesystem::create_directories("kept");
    writeFile("input/nums.txt", "3 1 2");
    c.before();
    const long process = startProgram(HEAPSORT_PROGRAM, {"-i", "nums.txt", "-t", "s"}, c.fileSizeBytes);
    EXPECT_EQ(waitForProgram(process), c.status);
    EXPECT_NE(readFile("program-errors.txt").find(c.errors), std::string::npos) << readFile("program-errors.txt");
    c.after();
  }
}

// SIGINT, SIGTERM and SIGHUP, sent while the result is being written, take
// its unfinished file away and end the run as the signal does.
TEST(CommandDriver, BuiltProgramLeavesNoUnfinishedFileWhenStopped) {
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(signal);
    ScratchDir scratch;
    std::filesystem::create_directories("input");
    std::filesystem::create_directories("output");
    std::string numbers;
    for (int n = NUMBER_CAPACITY; n > 0; --n) numbers += std::to_string(n) + "\n";
    writeFile("input/nums.txt", numbers);
    writeFile("output/nums_s.txt", "earlier\n");
    const long process = startProgram(HEAPSORT_PROGRAM, {"-i", "nums.txt", "-t", "s"});
    ASSERT_TRUE(waitForFileIn("output", ".heapsort-"));
    kill(static_cast<pid_t>(process), signal);
    EXPECT_EQ(waitForProgram(process), 128 + signal);
    EXPECT_FALSE(waitForFileIn("output", ".heapsort-", 0));
    EXPECT_EQ(readFile("output/nums_s.txt"), "earlier\n");
  }
}

#endif  // _WIN32

// What reading whitespace-separated ints from `text` must give, worked out
// on its own: the numbers before the first item that is not an int (a
// number may run straight into the item that stops the reading).
std::vector<int> numbersOf(const std::string& text) {
  std::vector<int> numbers;
  const auto isBlank = [](char c) { return std::string(" \t\n\v\f\r").find(c) != std::string::npos; };
  const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
  std::size_t i = 0;
  for (;;) {
    while (i < text.size() && isBlank(text[i])) ++i;
    if (i == text.size()) return numbers;
    const bool negative = text[i] == '-';
    if (text[i] == '-' || text[i] == '+') ++i;
    const std::size_t digits = i;
    long long value = 0;
    for (; i < text.size() && isDigit(text[i]); ++i) {
      value = std::min(value * 10 + (text[i] - '0'), 1LL << 40);
    }
    if (i == digits) return numbers;
    if (negative) value = -value;
    if (value < INT_MIN || value > INT_MAX) return numbers;
    numbers.push_back(static_cast<int>(value));
  }
}

std::string linesOf(const std::vector<int>& numbers) {
  std::string lines;
  for (const int n : numbers) lines += std::to_string(n) + "\n";
  return lines;
}

// The built program on every kind of input a user can hand it: each row
// gives the console, the status, and the result file (or that none is made).
TEST(CommandDriver, BuiltProgramAnswersEveryBadInput) {
  const std::string command = "heapsort -i initdata1.txt -t s";
  const std::string unable = "Unable to open file\n";
  const std::string anyBytes = randomBytes(20000, 11);
  std::mt19937 random(11);
  // Numbers in every form an int may take, between blanks of every kind,
  // then one past the int range, which ends the reading.
  const char* const forms[] = {"7", "-45", "+12", "0009", "-0", "2147483647", "-2147483648"};
  const char* const blanks[] = {" ", "\t", "\n", "\r\n", "\v", "\f", "  \n\n"};
  std::string numberForms;
  for (int n = 0; n < 3000; ++n) {
    numberForms += std::string(forms[random() % 7]) + blanks[random() % 7];
  }
  numberForms += "2147483648 5\n";
  std::string manyNumbers;
  for (int n = 0; n < 120000; ++n) manyNumbers += std::to_string(static_cast<int>(random())) + "\n";

  struct Case {
    const char* name;
    bool inputFolder;
    std::string numberFile;  // input/initdata1.txt
    std::string typed;
    bool outputIsFile;
    std::string console;
    int status;
  };
  const std::vector<Case> cases = {
      {"no input folder", false, "", command + "\n", false, CYCLE + unable, 1},
      {"a number file of any bytes", true, anyBytes, command + "\n", false, CYCLE, 1},
      {"numbers of every form, then an overflow", true, numberForms, command + "\n", false,
       CYCLE, 1},
      {"120,000 numbers", true, manyNumbers, command + "\n", false,
       CYCLE + "Only the first 99999 numbers were read.\n", 1},
      {"output is a file", true, "3 1 2\n", command + "\n", true, CYCLE + unable, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDir scratch;
    if (c.inputFolder) {
      std::filesystem::create_directory("input");
      writeFile("input/initdata1.txt", c.numberFile);
    }
    if (c.outputIsFile) writeFile("output", "kept");

    std::string console;
    EXPECT_EQ(runProgram(HEAPSORT_PROGRAM, c.typed, console), c.status);
    EXPECT_EQ(console, c.console);
    if (c.outputIsFile) {
      EXPECT_EQ(readFile("output"), "kept");
      continue;
    }
    if (!c.inputFolder) {
      EXPECT_FALSE(std::filesystem::exists("output"));  // nothing read, nothing written
      continue;
    }
    std::vector<int> numbers = numbersOf(c.numberFile);
    if (numbers.size() > static_cast<std::size_t>(NUMBER_CAPACITY)) numbers.resize(NUMBER_CAPACITY);
    std::sort(numbers.begin(), numbers.end());
    // Whole and sorted. Compared as a yes or no: a line-by-line diff of
    // 99999 lines takes a minute to print.
    EXPECT_TRUE(readFile("output/initdata1_s.txt") == linesOf(numbers));
    const std::string log = readFile("output/time.txt");
    EXPECT_EQ(log.rfind(c.typed.substr(0, c.typed.size() - 1) + "\t", 0), 0u);
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1);
  }
}

// Whether the tests run under AddressSanitizer, whose shadow memory takes
// more address space than any limit a test may set.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool UNDER_ASAN = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool UNDER_ASAN = true;
#else
constexpr bool UNDER_ASAN = false;
#endif
#else
constexpr bool UNDER_ASAN = false;
#endif

// A typed command is read up to 4096 characters and no further: a longer
// line is refused there, and endless input ends the run with little memory.
TEST(CommandDriver, RefusesACommandLongerThan4096Characters) {
  const std::string accepted = "heapsort -i initdata1.txt -t b";
  const std::string refused = "heapsort: the command is longer than 4096 characters\n";
  struct Case {
    const char* name;
    std::string typed;
    bool written;
  };
  const std::vector<Case> cases = {
      {"4096 characters", accepted + std::string(4096 - 30, 'x') + "\n", true},
      {"4097 characters", accepted + std::string(4097 - 30, 'x') + "\n" + accepted + "\n", false},
      {"1 MB without the markers", std::string(1 << 20, 'x') + "\n", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDir scratch;
    std::filesystem::create_directory("input");
    writeFile("input/initdata1.txt", NUMBERS);
    const DialogueRun run = runDriver(c.typed);
    EXPECT_EQ(run.status, c.written ? 0 : 1);
    EXPECT_EQ(run.output, CYCLE + (c.written ? "" : "\n"));
    EXPECT_EQ(run.errors, c.written ? "heapsort: wrote 10 numbers to output/initdata1_b.txt\n"
                                    : refused);
    EXPECT_EQ(readFile("output/initdata1_b.txt"), c.written ? HEAP : "");
  }

  // Endless input: 64 MB of address space is plenty (without the limit a
  // fault would take all memory), and the run ends.
  if (ON_WINDOWS) return;
  ScratchDir scratch;
  std::string console;
  std::string errors;
  EXPECT_EQ(runProgramLimited(HEAPSORT_PROGRAM, {}, "/dev/zero", UNDER_ASAN ? 0 : 65536, console,
                              errors),
            1);
  EXPECT_EQ(console, CYCLE + "\n");
  EXPECT_EQ(errors, refused);
}

// Out of memory, the run ends as a failure that says so, with what it wrote
// to standard output before. The limit is found as the least address space
// in which the program prints its version (and so has started); its sort
// needs 400 KB more for the number array.
TEST(CommandDriver, BuiltProgramEndsAFailureWhenMemoryRunsOut) {
  if (ON_WINDOWS || UNDER_ASAN) GTEST_SKIP() << "needs ulimit -v, and no sanitizer's shadow memory";
  ScratchDir scratch;
  std::filesystem::create_directory("input");
  writeFile("input/initdata1.txt", NUMBERS);
  writeFile("typed.txt", "heapsort -i initdata1.txt -t s\n");
  std::string console;
  std::string errors;
  long enough = 1 << 20;  // KiB: 1 GiB
  long tooLittle = 0;
  while (enough - tooLittle > 16) {
    const long middle = (enough + tooLittle) / 2;
    const int status = runProgramLimited(HEAPSORT_PROGRAM, {"--version"}, "typed.txt", middle,
                                         console, errors);
    (status == 0 ? enough : tooLittle) = middle;
  }
  EXPECT_EQ(runProgramLimited(HEAPSORT_PROGRAM, {}, "typed.txt", enough, console, errors), 1);
  EXPECT_EQ(console, CYCLE);
  EXPECT_EQ(errors, "heapsort: input/initdata1.txt: not enough memory\n");
  EXPECT_FALSE(std::filesystem::exists("output"));
}

// Memory that runs out while a result is written takes its unfinished file
// away with the run.
TEST(CommandDriver, EndsWithoutTheUnfinishedFileWhenMemoryRunsOut) {
  if (ON_WINDOWS || UNDER_ASAN) GTEST_SKIP() << "a death test, without the sanitizer's own allocator";
  ScratchDir scratch;
  EXPECT_EXIT(
      {
        endRunWhenOutOfMemory(std::cout, "heapsort: the command: not enough memory");
        UnfinishedFile unfinished("heapsort");
        int cause = 0;
        if (!unfinished.create(".", cause)) std::_Exit(2);
        void* volatile never = ::operator new(std::numeric_limits<std::size_t>::max() / 4);
        static_cast<void>(never);
      },
      ::testing::ExitedWithCode(1), "not enough memory");
  EXPECT_TRUE(std::filesystem::is_empty("."));
}

}  // namespace
