// The whole versefind dialogue, in-process and as a built program.
#include "search_driver.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "scratch_dir.h"
#include "sonnet_text.h"
#include "word_index.h"

namespace {

const char* const PROMPT = "Please enter the order value of B-Tree:";
const char* const REFUSAL = "The order must be a whole number from 2 to 10000.\n";

const char* const TEXT =
    "Bright stars, fade -- and  Time's away!\n"
    "the stars are bright and fair\n"
    "\n"
    "AND THE NIGHT IS LONG\n";

DialogueRun runDriver(const std::string& input) {
  return runDialogue(runSearchDriver, input);
}

// Splits what follows the prompt into the trial lines and the total line.
std::vector<std::string> trialLines(const std::string& afterPrompt) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (afterPrompt.compare(at, 2, "\n\n") == 0) {
    const std::size_t next = afterPrompt.find("\n\n", at + 2);
    lines.push_back(afterPrompt.substr(at + 2, next == std::string::npos
                                                    ? std::string::npos
                                                    : next - at - 2));
    if (next == std::string::npos) break;
    at = next;
  }
  return lines;
}

// Checks one trial line against the text itself: a hit lists exactly the
// places of its word, a miss names a place whose word is empty.
void checkTrial(const std::string& trial, const BTree& reference) {
  static const std::regex miss(R"(There are no word in the \((\d+),([1-8])\) place in the sonnet )");
  static const std::regex hit(R"((\S+) is placed in: ((?:\(\d+,\d+\)  )+))");
  std::smatch m;
  if (std::regex_match(trial, m, miss)) {
    const int line = std::stoi(m[1]);
    EXPECT_GE(line, 1);
    EXPECT_LE(line, 4);
    EXPECT_EQ(reference.wordAt("sonnets.txt", line, std::stoi(m[2])), "") << trial;
    return;
  }
  ASSERT_TRUE(std::regex_match(trial, m, hit)) << trial;
  const WordEntry entry = reference.search(reference.root, m[1]);
  std::string places;
  for (int p = 0; p < entry.placeCount; ++p) places += entry.places[p] + "  ";
  EXPECT_EQ(m[2].str(), places) << trial;
}

TEST(SearchDriver, RunsTwentyNineTrialsAndPrintsTheTotal) {
  ScratchDir scratch;
  writeFile("sonnets.txt", TEXT);
  const DialogueRun run = runDriver("3\n");
  EXPECT_EQ(run.status, 0);
  ASSERT_EQ(run.output.rfind(PROMPT, 0), 0u);

  const std::vector<std::string> lines = trialLines(run.output.substr(std::string(PROMPT).size()));
  ASSERT_EQ(lines.size(), static_cast<std::size_t>(TRIALS + 1));
  EXPECT_TRUE(std::regex_match(lines.back(),
                               std::regex(R"(Total time of searching: [0-9.e+-]+ second)")))
      << lines.back();

  BTree reference(2);
  ASSERT_EQ(reference.buildIndex("sonnets.txt"), 5);
  for (int trial = 0; trial < TRIALS; ++trial) checkTrial(lines[trial], reference);
  EXPECT_EQ(readFile("output.txt"),
            "bright stars fade  and  times away \nthe stars are bright and fair \n"
            " \nand the night is long \n \n");
}

TEST(SearchDriver, RefusesOrdersOutsideTheRangeAndAsksAgain) {
  struct Case {
    const char* input;
    int refusals;
  };
  const Case cases[] = {
      {"2\n", 0},          {"10000\n", 0},     {"  7 extra\n", 0},
      {"abc\n5\n", 1},     {"0\n5\n", 1},      {"1\n5\n", 1},
      {"-4\n5\n", 1},      {"10001\n5\n", 1},  {"99999999999\n5\n", 1},
      {"x y z\n1\n4\n", 2}, {"\n\n 3\n", 0},     {"3.5\n5\n", 1},
      {"3rd\n5\n", 1},      {"12", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    ScratchDir scratch;
    writeFile("sonnets.txt", TEXT);
    const DialogueRun run = runDriver(c.input);
    EXPECT_EQ(run.status, 0);
    std::string expectedStart;
    for (int r = 0; r < c.refusals; ++r) expectedStart += std::string(PROMPT) + REFUSAL;
    expectedStart += std::string(PROMPT) + "\n\n";
    EXPECT_EQ(run.output.substr(0, expectedStart.size()), expectedStart);
    EXPECT_NE(run.output.find("Total time of searching: "), std::string::npos);
  }
}

TEST(SearchDriver, EndsWithStatusOneWithoutAnOrderOrAnIndex) {
  struct Case {
    const char* name;
    const char* input;
    bool makeText;
    bool folderForText;
    bool folderForListing;
    std::string output;
  };
  const std::string noOrder = "\nNo order value was entered.\n";
  const std::string noIndex =
      std::string(PROMPT) +
      "\n\nThe index could not be built: sonnets.txt could not be read or "
      "output.txt could not be written.\n";
  const std::vector<Case> cases = {
      {"empty input", "", true, false, false, PROMPT + noOrder},
      {"blank input", "  \n\n", true, false, false, PROMPT + noOrder},
      {"refused, then end", "1", true, false, false,
       PROMPT + std::string(REFUSAL) + PROMPT + noOrder},
      {"no text", "3\n", false, false, false, noIndex},
      {"a folder for the text", "3\n", false, true, false, noIndex},
      {"a folder for the listing", "3\n", true, false, true, noIndex},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDir scratch;
    if (c.makeText) writeFile("sonnets.txt", TEXT);
    if (c.folderForText) std::filesystem::create_directory("sonnets.txt");
    if (c.folderForListing) std::filesystem::create_directory("output.txt");
    const DialogueRun run = runDriver(c.input);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output, c.output);
  }
}

TEST(SearchDriver, DrawsLineOneFromATextOfOneLine) {
  ScratchDir scratch;
  writeFile("sonnets.txt", "alone");
  const DialogueRun run = runDriver("2\n");
  EXPECT_EQ(run.status, 0);
  const std::vector<std::string> lines = trialLines(run.output.substr(std::string(PROMPT).size()));
  ASSERT_EQ(lines.size(), static_cast<std::size_t>(TRIALS + 1));
  for (int trial = 0; trial < TRIALS; ++trial) {
    const std::string& line = lines[trial];
    EXPECT_TRUE(line == "alone is placed in: (1,1)  " ||
                std::regex_match(line, std::regex(R"(There are no word in the \(1,[2-8]\) place in the sonnet )")))
        << line;
  }
}

TEST(SearchDriver, BuiltProgramRunsWithPipedInput) {
  ScratchDir scratch;
  writeFile("sonnets.txt", TEXT);
  std::string output;
  EXPECT_EQ(runProgram(VERSEFIND_PROGRAM, "4\n", output), 0);
  EXPECT_EQ(output.rfind(PROMPT, 0), 0u);
  EXPECT_EQ(trialLines(output.substr(std::string(PROMPT).size())).size(),
            static_cast<std::size_t>(TRIALS + 1));
  EXPECT_EQ(output.substr(output.size() - 7), " second");

  // No standard input at all: the dialogue ends instead of waiting.
  EXPECT_EQ(runProgram(VERSEFIND_PROGRAM, "", output), 1);
}

}  // namespace
