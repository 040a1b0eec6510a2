// The whole heapsort dialogue, in-process and as a built program.
#include "command_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>
#include <filesystem>
#include <string>
#include <vector>

#include "heap.h"
#include "scratch_dir.h"

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

DialogueRun runDriver(const std::string& input) {
  return runDialogue(runCommandDriver, input);
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
      {"heapsort -t initdata1.txt -i b", "initdata1_b.txt", HEAP, false},
      {"heapsort -i initdata1.txt -t b and more", "initdata1_b.txt", HEAP, false},
      {"heapsort -i initdata10.txt -t b", "initdata1_s.txt", SORTED, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    ScratchDir scratch;
    std::filesystem::create_directory("input");
    writeFile("input/initdata1.txt", NUMBERS);
    writeFile("input/initdata10.tx", NUMBERS);
    const DialogueRun run = runDriver(std::string(c.typed) + "\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, CYCLE);
    EXPECT_EQ(readFile("output/" + c.resultFile), c.result);
    const std::string log = readFile("output/time.txt");
    if (c.logged) {
      EXPECT_EQ(log.rfind(std::string(c.typed) + "\t", 0), 0u) << log;
      EXPECT_EQ(std::count(log.begin(), log.end(), '\t'), 3);
      EXPECT_EQ(log.back(), '\n');
    } else {
      EXPECT_FALSE(std::filesystem::exists("output/time.txt"));
    }
    EXPECT_EQ(outputFiles().size(), c.logged ? 2u : 1u);
  }
}

TEST(CommandDriver, AsksAgainUntilACommandIsUsable) {
  struct Case {
    const char* name;
    std::string input;
    std::string console;
    int status;
  };
  const std::string accepted = "heapsort -i initdata1.txt -t b\n";
  const std::vector<Case> cases = {
      {"no type marker", "heapsort -i initdata1.txt\n" + accepted, CYCLE + CYCLE, 0},
      {"marker without its blank", "heapsort -i initdata1.txt -t\n" + accepted,
       CYCLE + CYCLE, 0},
      {"empty lines", "\n\n" + accepted, CYCLE + CYCLE + CYCLE, 0},
      {"both markers, too short", "x -i y -t z\n" + accepted,
       CYCLE + LAYOUT + CYCLE, 0},
      {"29 characters", "heapsort -i initdata1.txt -t \n" + accepted,
       CYCLE + LAYOUT + CYCLE, 0},
      {"no input", "", CYCLE + NO_COMMAND, 1},
      {"input ends unaccepted", "heapsort\n -i  -t ", CYCLE + CYCLE + LAYOUT + CYCLE + NO_COMMAND, 1},
      {"last line without a line break", "heapsort -i initdata1.txt -t b", CYCLE, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDir scratch;
    std::filesystem::create_directory("input");
    writeFile("input/initdata1.txt", NUMBERS);
    const DialogueRun run = runDriver(c.input);
    EXPECT_EQ(run.output, c.console);
    EXPECT_EQ(run.status, c.status);
    if (c.status == 0) {
      EXPECT_EQ(readFile("output/initdata1_b.txt"), HEAP);
    }
  }
}

TEST(CommandDriver, GoesOnAfterFileTroubleButEndsWithStatusOne) {
  {
    ScratchDir scratch;  // no input folder: empty result, time line, status 1
    const DialogueRun run = runDriver("heapsort -i initdata1.txt -t s\n");
    EXPECT_EQ(run.output, CYCLE + "Unable to open file\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(readFile("output/initdata1_s.txt"), "");
    EXPECT_EQ(readFile("output/time.txt").rfind("heapsort -i initdata1.txt -t s\t", 0), 0u);
  }
  {
    ScratchDir scratch;  // "output" is a file: both writes fail
    std::filesystem::create_directory("input");
    writeFile("input/initdata1.txt", NUMBERS);
    writeFile("output", "");
    const DialogueRun run = runDriver("heapsort -i initdata1.txt -t s\n");
    EXPECT_EQ(run.output, CYCLE + "Unable to open file\nUnable to open file\n");
    EXPECT_EQ(run.status, 1);
  }
  {
    ScratchDir scratch;  // content that is not all numbers: used as read
    std::filesystem::create_directory("input");
    writeFile("input/initdata1.txt", "3 1 2 oops 0\n");
    const DialogueRun run = runDriver("heapsort -i initdata1.txt -t s\n");
    EXPECT_EQ(run.output, CYCLE);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(readFile("output/initdata1_s.txt"), "1\n2\n3\n");
  }
  {
    ScratchDir scratch;  // two sort runs: two time lines, the latest result
    std::filesystem::create_directory("input");
    writeFile("input/initdata1.txt", NUMBERS);
    EXPECT_EQ(runDriver("heapsort -i initdata1.txt -t s\n").status, 0);
    writeFile("input/initdata1.txt", "9 8\n");
    EXPECT_EQ(runDriver("heapsort -i initdata1.txt -t s\n").status, 0);
    EXPECT_EQ(readFile("output/initdata1_s.txt"), "8\n9\n");
    const std::string log = readFile("output/time.txt");
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 2);
  }
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
}

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
  std::mt19937 random(11);
  std::string anyBytes(20000, '\0');
  for (char& c : anyBytes) c = static_cast<char>(random() & 0xFF);
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
      {"output is a file", true, "3 1 2\n", command + "\n", true, CYCLE + unable + unable, 1},
      {"a typed line of 1 MB", true, "3 1 2\n", command + std::string(1 << 20, 'x') + "\n",
       false, CYCLE, 0},
      {"1 MB typed without the markers", true, "3 1 2\n", std::string(1 << 20, 'x') + "\n",
       false, CYCLE + CYCLE + NO_COMMAND, 1},
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
    if (c.console == CYCLE + CYCLE + NO_COMMAND) {
      EXPECT_FALSE(std::filesystem::exists("output"));
      continue;
    }
    std::vector<int> numbers = numbersOf(c.numberFile);
    if (numbers.size() > static_cast<std::size_t>(NUMBER_CAPACITY)) numbers.resize(NUMBER_CAPACITY);
    std::sort(numbers.begin(), numbers.end());
    EXPECT_EQ(readFile("output/initdata1_s.txt"), linesOf(numbers));  // whole, sorted
    const std::string log = readFile("output/time.txt");
    EXPECT_EQ(log.rfind(c.typed.substr(0, c.typed.size() - 1) + "\t", 0), 0u);
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1);
  }
}

}  // namespace
