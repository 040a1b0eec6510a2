// The whole heapsort dialogue, in-process and as a built program.
#include "command_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

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

}  // namespace
