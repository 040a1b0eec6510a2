// The whole versefind dialogue, in-process and as a built program.
#include "app/search_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "dialogue_run.h"
#include "program_run.h"
#include "scratch_dir.h"
#include "text/sonnet_text.h"
#include "test_files.h"
#include "text_rules_model.h"
#include "index/word_index.h"
#include "word_rules_model.h"
#include "xml_check.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#endif

namespace {

const char* const PROMPT = "Please enter the order value of B-Tree:";
const char* const REFUSAL = "The order must be a whole number from 2 to 10000.\n";
const std::string NO_INDEX =
    std::string(PROMPT) +
    "\n\nThe index could not be built: sonnets.txt could not be read or "
    "output.txt could not be written.\n";

const char* const TEXT =
    "Bright stars, fade -- and  Time's away!\n"
    "the stars are bright and fair\n"
    "\n"
    "AND THE NIGHT IS LONG\n";

// The dialogue with a fixed seed, so that a failing run draws the same
// places when it is run again.
DialogueRun runDriver(const std::string& input) {
  return runDialogue(runSearchDriver, input, {"--seed", "1"});
}

// Runs versefind in-process with `arguments` and "3\n" typed, or, when
// `script` is not empty, runs it with /bin/sh and the built program as "$0".
DialogueRun runScriptOr(const std::string& script, const std::vector<std::string>& arguments) {
  if (script.empty()) return runDialogue(runSearchDriver, "3\n", arguments);
  DialogueRun run{};
  run.status = runProgram("/bin/sh", "", run.output, {"-c", script, VERSEFIND_PROGRAM}, &run.errors);
  return run;
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

// The words of each pass over a text, as the word rules make them.
using TextWords = std::vector<std::vector<std::string>>;

// Checks one trial line against the model of the text: a miss names a place
// of the draw range (lines 1 .. maxLine, words 1 .. 8) whose word is empty;
// a hit names a word standing in that range and lists its first places
// (at most MAX_PLACES) in reading order.
void checkTrial(const std::string& trial, const TextWords& text, int maxLine) {
  const auto wordAt = [&text](int line, int number) {
    const std::vector<std::string>& words = text[static_cast<std::size_t>(line - 1)];
    return number <= static_cast<int>(words.size()) ? words[number - 1] : std::string();
  };
  static const std::regex miss(R"(There are no word in the \((\d+),([1-8])\) place in the sonnet )");
  std::smatch m;
  if (std::regex_match(trial, m, miss)) {
    const int line = std::stoi(m[1]);
    ASSERT_GE(line, 1);
    ASSERT_LE(line, maxLine);
    EXPECT_EQ(wordAt(line, std::stoi(m[2])), "") << trial;
    return;
  }
  // A word holds no blank, so the first " is placed in: " ends it.
  const std::string marker = " is placed in: ";
  const std::size_t cut = trial.find(marker);
  ASSERT_NE(cut, std::string::npos) << trial;
  const std::string word = trial.substr(0, cut);
  ASSERT_FALSE(word.empty()) << trial;
  bool drawable = false;
  for (int line = 1; line <= maxLine && !drawable; ++line) {
    for (int number = 1; number <= 8 && !drawable; ++number) drawable = wordAt(line, number) == word;
  }
  EXPECT_TRUE(drawable) << trial;
  std::vector<std::string> places = placesInText(text, word);
  if (places.size() > static_cast<std::size_t>(MAX_PLACES)) places.resize(MAX_PLACES);
  std::string listed;
  for (const std::string& place : places) listed += place + "  ";
  EXPECT_EQ(trial.substr(cut + marker.size()), listed) << trial;
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

  const TextWords text = wordsByLine(TEXT);
  ASSERT_EQ(text.size(), 5u);
  for (int trial = 0; trial < TRIALS; ++trial) checkTrial(lines[trial], text, 4);
  EXPECT_EQ(readFile("output.txt"),
            "bright stars fade  and  times away \nthe stars are bright and fair \n"
            " \nand the night is long \n \n");
}

TEST(SearchDriver, RefusesOrdersOutsideTheRangeAndAsksAgain) {
  struct Case {
    std::string input;
    int refusals;
  };
  const Case cases[] = {
      {"2\n", 0},          {"10000\n", 0},     {"  7 extra\n", 0},
      {"abc\n5\n", 1},     {"0\n5\n", 1},      {"1\n5\n", 1},
      {"-4\n5\n", 1},      {"10001\n5\n", 1},  {"99999999999\n5\n", 1},
      {"x y z\n1\n4\n", 2}, {"\n\n 3\n", 0},     {"3.5\n5\n", 1},
      {"3rd\n5\n", 1},      {"12", 0},
      // A line is read whole up to 4096 characters.
      {std::string(4095, ' ') + "3\n", 0}, {std::string(4096, '7') + "\n5\n", 1},
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

// Standard output is the dialogue's own; standard error says which file// Standard output is the dialogue's own; standard error says which file
// failed, where, and why.
TEST(SearchDriver, EndsWithStatusOneWithoutAnOrderOrAnIndex) {
  struct Case {
    const char* name;
    const char* input;
    bool makeText;
    bool folderForText;
    bool folderForListing;
    std::string output;
    std::string errors;  // after "versefind: " and the folder
  };
  const std::string noOrder = "\nNo order value was entered.\n";
  const std::vector<Case> cases = {
      {"empty input", "", true, false, false, PROMPT + noOrder, ""},
      {"blank input", "  \n\n", true, false, false, PROMPT + noOrder, ""},
      {"refused, then end", "1", true, false, false,
       PROMPT + std::string(REFUSAL) + PROMPT + noOrder, ""},
      {"no text", "3\n", false, false, false, NO_INDEX, "sonnets.txt: No such file or directory\n"},
      {"a folder for the text", "3\n", false, true, false, NO_INDEX, "sonnets.txt: Is a directory\n"},
      {"a folder for the listing", "3\n", true, false, true, NO_INDEX, "output.txt: Is a directory\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDir scratch;
    if (c.makeText) writeFile("sonnets.txt", TEXT);
    if (c.folderForText) std::filesystem::create_directory("sonnets.txt");
    if (c.folderForListing) {
      std::filesystem::create_directory("output.txt");
    } else {
      writeFile("output.txt", "an earlier listing\n");
    }
    const DialogueRun run = runDriver(c.input);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.output, c.output);
    if (!c.folderForListing) {
      EXPECT_EQ(readFile("output.txt"), "an earlier listing\n");
    }
    const std::string folder = std::filesystem::current_path().string();
    const char separator = static_cast<char>(std::filesystem::path::preferred_separator);
    EXPECT_EQ(run.errors, c.errors.empty() ? "" : "versefind: " + folder + separator + c.errors);
  }
}

// From the shell: the order as the argument, no prompt and no key wait. A
// usage error is one line naming the problem, and where to find help.
TEST(SearchDriver, TakesTheOrderFromTheArgumentAndAnswersHelp) {
  struct Case {
    std::vector<std::string> arguments;
    int status;
    std::string outputStart;
    std::string errors;  // without the line that points to --help
  };
  const std::string usage =
      "Usage: versefind [OPTION]... [ORDER [WORD... | - | --words | --stats |\n"
      "                                     --dot | --cost]]\n";
  const std::string refused = "versefind: not an order from 2 to 10000: ";
  const std::string badSeed = "versefind: not a seed from 0 to 4294967295: ";
  const std::string badMax = "versefind: not a number of places from 1 to 999999999: ";
  const std::vector<Case> cases = {
      {{"3"}, 0, "\n\n", ""},
      {{"10000"}, 0, "\n\n", ""},
      {{"--seed", "7", "3"}, 0, "\n\n", ""},
      {{"3", "--seed", "4294967295"}, 0, "\n\n", ""},
      {{"1"}, 2, "", refused + "1\n"},
      {{"10001"}, 2, "", refused + "10001\n"},
      {{"Stars"}, 0, "stars: 2 places\n", ""},  // a query takes the default order
      {{"--words"}, 0, "and\t3\n", ""},
      {{"+03"}, 2, "", refused + "+03\n"},
      {{"-3"}, 2, "", refused + "-3\n"},
      {{""}, 2, "", refused + "\n"},
      {{"3", "--words", "4"}, 2, "", "versefind: option '--words' takes no word: 4\n"},
      {{"--dot"}, 2, "", "versefind: option '--dot' needs an order\n"},
      {{"3", "--stats", "--dot"}, 2, "", "versefind: more than one of --words, --stats, --dot, --explain and --cost\n"},
      {{"3", "--trace=xml"}, 2, "", "versefind: not text, json or html: --trace=xml\n"},
      {{"--trace", "a"}, 2, "", refused + "a\n"},
      {{"--trace"}, 2, "", "versefind: option '--trace' needs an order\n"},
      {{"3", "--explain"}, 2, "", "versefind: option '--explain' needs a word\n"},
      {{"3", "--explain", "--trace=html", "a"}, 2, "", "versefind: option '--explain' writes text or JSON lines, not html\n"},
      {{"3", "--cost", "a"}, 2, "", "versefind: option '--cost' takes no word: a\n"},
      {{"3", "--cost", "--trace"}, 2, "", "versefind: option '--trace' goes with no other of --words, --stats, --dot and --cost\n"},
      {{"3", "--cost"}, 0, "keys\t", ""},
      {{"--memory", "64M", "love"}, 2, "", "versefind: option '--memory' goes with --save or --ngrams\n"},
      {{"3", "--save", "i", "--memory=12Q"}, 2, "", "versefind: not a memory size of at least 64K (a number of bytes, or with K, M or G): 12Q\n"},
      {{"3", "--save", "i", "--memory", "63K"}, 2, "", "versefind: not a memory size of at least 64K (a number of bytes, or with K, M or G): 63K\n"},
      {{"3", "-", "x"}, 2, "", "versefind: '-' reads the words from standard input, and takes no other word\n"},
      {{"--width", "x", "3"}, 2, "", "versefind: not a width from 0 to 100000: x\n"},
      {{"--color=sometimes", "3"}, 2, "", "versefind: not auto, always or never: --color=sometimes\n"},
      {{"3", "--text"}, 2, "", "versefind: option '--text' needs a file name\n"},
      {{"3", "--dot"}, 0, "digraph btree {\n", ""},
      {{"--stats", "3"}, 0, "order                 3", ""},
      {{"--order"}, 2, "", "versefind: unknown option: --order\n"},
      {{"3", "--seed"}, 2, "", "versefind: option '--seed' needs a number\n"},
      {{"--seed", "4294967296", "3"}, 2, "", badSeed + "4294967296\n"},
      {{"--seed", "-1", "3"}, 2, "", badSeed + "-1\n"},
      {{"--seed", "7x", "3"}, 2, "", badSeed + "7x\n"},
      {{"3", "love", "--max", "0"}, 2, "", badMax + "0\n"},
      {{"3", "love", "--max", "-4"}, 2, "", badMax + "-4\n"},
      {{"--max=ten", "3", "love"}, 2, "", badMax + "ten\n"},
      {{"3", "love", "--max"}, 2, "", "versefind: option '--max' needs a number\n"},
      {{"3", "--sort=middle", "love"}, 2, "", "versefind: not an order of place lines (place, right or left): middle\n"},
      {{"3", "--plot", "--words"}, 2, "", "versefind: options '--plot' and '--words' cannot go together\n"},
      {{"3", "--count"}, 2, "", "versefind: option '--count' needs a word, or '-'\n"},
      {{"3", "--count", "--sort", "left", "love"}, 2, "", "versefind: options '--count' and '--sort' cannot go together\n"},
      {{"3", "--by-count", "love"}, 2, "", "versefind: option '--by-count' orders the list of --words, and goes with it alone\n"},
      {{"3", "--max", "2", "--words"}, 2, "", "versefind: option '--max' limits the place lines of WORD... or '-'\n"},
      {{"--help"}, 0, usage, ""},
      {{"-h"}, 0, usage, ""},
      {{"--version"}, 0, "versefind ", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments.front());
    ScratchDir scratch;
    writeFile("sonnets.txt", TEXT);
    const DialogueRun run = runDialogue(runSearchDriver, "5\n", c.arguments);
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.output.substr(0, c.outputStart.size()), c.outputStart);
    EXPECT_EQ(run.errors, c.errors.empty() ? ""
                                           : c.errors + "Try 'versefind --help' for more information.\n");
    EXPECT_EQ(run.output.find(PROMPT), std::string::npos);
    if (c.outputStart == usage) {  // the help fits a terminal of 80 columns
      std::istringstream help(run.output);
      for (std::string line; std::getline(help, line);) EXPECT_LE(line.size(), 79u) << line;
    }
    if (c.outputStart == "\n\n") {
      const std::vector<std::string> lines = trialLines(run.output);
      ASSERT_EQ(lines.size(), static_cast<std::size_t>(TRIALS + 1));
      EXPECT_EQ(lines.back().substr(lines.back().size() - 8), " second\n");
    } else {
      EXPECT_FALSE(std::filesystem::exists("output.txt"));
    }
  }
}

// The run's settings: a clock whose look-up k (from 0) takes 4k + 3 ticks,
// and the caller's seed.
RunSettings fixedSettings;
int clockCalls = 0;

// With the clock and the seed fixed a run is exact: the places are those the
// C library's generator draws from the seed (--seed before the caller's),
// and the total adds up every look-up.
TEST(SearchDriver, DrawsFromTheSeedAndAddsUpEveryLookUp) {
  std::string text;  // every place holds a word that names it
  for (int line = 1; line <= 6; ++line) {
    for (int word = 1; word <= 8; ++word) {
      text += "l" + std::to_string(line) + "w" + std::to_string(word) + (word < 8 ? " " : "\n");
    }
  }
  struct Case {
    std::vector<std::string> arguments;
    const char* input;
    unsigned callersSeed;
    unsigned drawnSeed;
  };
  const Case cases[] = {
      {{}, "3\n", 7, 7},
      {{"--seed", "7"}, "3\n", 99, 7},
      {{"3", "--seed", "4294967295"}, "", 1, 4294967295u},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.drawnSeed);
    ScratchDir scratch;
    writeFile("sonnets.txt", text);
    fixedSettings = {[] {
                       ++clockCalls;
                       return static_cast<std::clock_t>(clockCalls * clockCalls);
                     },
                     1000.0, c.callersSeed};
    clockCalls = 0;
    const DialogueRun run = runDialogue(
        [](const std::vector<std::string>& arguments, std::istream& in, std::ostream& out,
           std::ostream& errors) { return runSearchDriver(arguments, in, out, errors, fixedSettings); },
        c.input, c.arguments);

    const bool fromShell = *c.input == '\0';
    std::string expected = fromShell ? "" : PROMPT;
    std::srand(c.drawnSeed);  // NOLINT(cert-msc32-c,cert-msc51-cpp)
    for (int trial = 0; trial < TRIALS; ++trial) {
      const std::string word = std::to_string(std::rand() % 8 + 1);  // NOLINT(cert-msc30-c,cert-msc50-cpp)
      const std::string line = std::to_string(std::rand() % 6 + 1);  // NOLINT(cert-msc30-c,cert-msc50-cpp)
      expected += "\n\nl" + line + "w" + word + " is placed in: (" + word + "," + line + ")  ";
    }
    expected += "\n\nTotal time of searching: 1.711 second";
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, expected + (fromShell ? "\n" : ""));
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
  EXPECT_EQ(runProgram(VERSEFIND_PROGRAM, "4\n", output, {"--seed", "2"}), 0);
  EXPECT_EQ(output.rfind(PROMPT, 0), 0u);
  EXPECT_EQ(trialLines(output.substr(std::string(PROMPT).size())).size(),
            static_cast<std::size_t>(TRIALS + 1));
  EXPECT_EQ(output.substr(output.size() - 7), " second");

  // No standard input at all: the dialogue ends instead of waiting.
  EXPECT_EQ(runProgram(VERSEFIND_PROGRAM, "", output), 1);

  // Words outside ASCII arrive whole as arguments, on every system.
  writeFile("sonnets.txt", "Le café, Страницы\n");
  EXPECT_EQ(runProgram(VERSEFIND_PROGRAM, "", output, {"3", "--count", "CAFÉ", "страницы", "le café"}), 0);
  EXPECT_EQ(output, "café\t1\nстраницы\t1\nle café\t1\n");
}

// Standard output on a device where every write fails: the output is lost,
// and the run says so and fails.
TEST(SearchDriver, BuiltProgramFailsWhenStandardOutputIsLost) {
  if (ON_WINDOWS) GTEST_SKIP() << "no /dev/full there";
  ScratchDir scratch;
  writeFile("sonnets.txt", TEXT);
  for (const char* argument : {"3", "--help", "--version"}) {
    SCOPED_TRACE(argument);
    std::string errors;
    EXPECT_EQ(runProgramOnFullDevice(VERSEFIND_PROGRAM, {argument}, errors), 1);
    EXPECT_EQ(errors, "versefind: standard output: No space left on device\n");
  }
}

// Standard input that cannot be read: the words asked are lost, so the run
// fails instead of answering nothing with success.
TEST(SearchDriver, BuiltProgramFailsWhenStandardInputCannotBeRead) {
  if (ON_WINDOWS) GTEST_SKIP() << "a folder as standard input is a POSIX shell's";
  ScratchDir scratch;
  writeFile("sonnets.txt", TEXT);
  const std::string command =
      "'" + std::string(VERSEFIND_PROGRAM) + "' 3 - < . 2> errors.txt; echo $? > status.txt";
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(readFile("status.txt"), "1\n");
  EXPECT_EQ(readFile("errors.txt"), "versefind: standard input: could not be read\n");
}

// The dialogue and the trials write the listing and read the text again for
// every look-up: a text that is the listing, however named, or that cannot
// be read again is refused before the prompt and anything written, without
// waiting on a FIFO. The modes that answer words take such texts.
TEST(SearchDriver, RefusesATextThatIsTheListingOrCannotBeReadAgain) {
  const std::string listing = ": is the listing this run would write; name another text\n";
  const std::string again = ": the trials read the text again for each look-up; give a file\n";
  // A script, or "" for the arguments in-process; errors, or "" for a run that answers.
  struct Case { std::string script; std::vector<std::string> arguments; std::string errors; };
  const std::vector<Case> cases = {
      {"", {"--text", "output.txt", "3"}, "output.txt" + listing},
      {"", {"--text", "./output.txt"}, "./output.txt" + listing},
      {"", {"--text", "soft.txt", "3"}, "soft.txt" + listing},
      {"", {"--text", "hard.txt", "3"}, "hard.txt" + listing},
      {"", {"--text", "output.txt", "3", "stars"}, ""},
      {"echo stars | \"$0\" --text /dev/stdin 3", {}, "/dev/stdin" + again},
      {"echo 3 | timeout 10 \"$0\" --text fifo", {}, "fifo" + again},
      {"echo stars | \"$0\" --text /dev/stdin 3 stars", {}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script + (c.arguments.empty() ? "" : c.arguments[1]));
    if (ON_WINDOWS && !c.script.empty()) continue;  // no pipes as files, no FIFOs
    ScratchDir scratch;
    writeFile("output.txt", "stars\n");
    std::error_code noLink;  // Windows makes symbolic links only when allowed to
    std::filesystem::create_symlink("output.txt", "soft.txt", noLink);
    if (noLink && c.errors.rfind("soft.txt", 0) == 0) continue;
    std::filesystem::create_hard_link("output.txt", "hard.txt");
    ASSERT_EQ(ON_WINDOWS || std::system("mkfifo fifo") == 0, true);
    const DialogueRun run = runScriptOr(c.script, c.arguments);
    EXPECT_EQ(run.status, c.errors.empty() ? 0 : 1);
    EXPECT_EQ(run.errors, c.errors.empty() ? "" : "versefind: " + c.errors);
    EXPECT_EQ(run.output, c.errors.empty() ? "stars: 1 place\n1:1  stars\n\n" : "");
    EXPECT_EQ(readFile("output.txt"), "stars\n");
  }
}

// The listing is written beside the earlier one and replaces it only when
// whole: a text that fails to read, or a disk that fills, leaves the earlier
// listing and no other file. A listing that is a symbolic link stays one.
TEST(SearchDriver, ReplacesTheListingOnlyWhenWhole) {
  std::string big;  // a listing of 40 kB
  for (int n = 0; n < 1000; ++n) big += "Bright stars, fade -- and  Time's away!\n";
  // A script, or "" for the trials in-process; the text, or "" for one that
  // fails at its first read; the end of standard error.
  struct Case { std::string script, text, errors; };
  const std::vector<Case> cases = {
      {"", "", "Input/output error\n"},
      {"trap \"\" XFSZ; ulimit -f 8; \"$0\" 3 2>&1", big, "File too large\n"},
      {"", "stars\n", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.errors);
    const std::string text = c.text.empty() ? unreadableFile() : "sonnets.txt";
    if (text.empty() || (ON_WINDOWS && !c.script.empty())) continue;
    ScratchDir scratch;
    writeFile("earlier.txt", "an earlier listing\n");
    std::error_code noLink;  // Windows makes symbolic links only when allowed to
    std::filesystem::create_symlink("earlier.txt", "output.txt", noLink);
    if (noLink) continue;
    writeFile("sonnets.txt", c.text);
    const DialogueRun run = runScriptOr(c.script, {"--text", text, "3"});
    const std::string errors = c.script.empty() ? run.errors : run.output;
    EXPECT_EQ(run.status, c.errors.empty() ? 0 : 1);
    EXPECT_EQ(errors.empty() ? "" : errors.substr(errors.rfind(": ") + 2), c.errors);
    EXPECT_TRUE(std::filesystem::is_symlink("output.txt"));
    EXPECT_EQ(readFile("earlier.txt"), c.errors.empty() ? "stars \n \n" : "an earlier listing\n");
    // No other file: the three of the test, the three of a program run.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."), {}), c.script.empty() ? 3 : 6);
  }
}

#ifndef _WIN32  // links, FIFOs, modes, file-size limits and signals are POSIX
// Each row: what stands where the listing goes, and what the built program
// must leave there. A dangling link stays a link to the new listing, a FIFO
// is refused before anything waits on it, a read-only listing is replaced
// but said, the unfinished files of ended runs go while those of running
// ones stay, and a file-size limit fails the run instead of killing it.
TEST(SearchDriver, BuiltProgramKeepsTheListingWholeWhateverStandsInTheWay) {
  const std::string ended = ".versefind-" + std::to_string(endedProcess()) + "-0.part";
  const std::string running = ".versefind-" + std::to_string(getppid()) + "-0.part";
  std::string big;  // a listing of 40 kB
  for (int n = 0; n < 1000; ++n) big += "Bright stars, fade -- and  Time's away!\n";
  struct Case {
    const char* name;
    std::function<void()> before;
    long fileSizeBytes;
    int status;
    std::string errors;  // a part of standard error
    std::function<void()> after;
  };
  const std::vector<Case> cases = {
      {"a dangling link", [] { std::filesystem::create_symlink("kept/listing.txt", "output.txt"); }, 0, 0,
       "", [] {
         EXPECT_TRUE(std::filesystem::is_symlink("output.txt"));
         EXPECT_EQ(readFile("kept/listing.txt").substr(0, 7), "bright ");
       }},
      {"a link into a missing folder", [] { std::filesystem::create_symlink("gone/listing.txt", "output.txt"); },
       0, 1, "/gone: No such file or directory\n", [] { EXPECT_TRUE(std::filesystem::is_symlink("output.txt")); }},
      {"a FIFO", [] { ASSERT_EQ(mkfifo("output.txt", 0644), 0); }, 0, 1,
       "versefind: output.txt: is a FIFO or a socket; give the listing a file or a device\n",
       [] { EXPECT_TRUE(std::filesystem::is_fifo("output.txt")); }},
      {"a read-only listing",
       [] {
         writeFile("output.txt", "earlier\n");
         std::filesystem::permissions("output.txt", std::filesystem::perms::owner_read);
       },
       0, 0, "versefind: output.txt: was read-only; replaced by the new listing, read-only as before\n",
       [] {
         EXPECT_EQ(readFile("output.txt").substr(0, 7), "bright ");
         EXPECT_EQ(std::filesystem::status("output.txt").permissions(), std::filesystem::perms::owner_read);
       }},
      {"files left by runs",
       [&] {
         writeFile(ended, "half");
         writeFile(running, "half");
       },
       0, 0, "",
       [&] {
         EXPECT_FALSE(std::filesystem::exists(ended));
         EXPECT_TRUE(std::filesystem::exists(running));
       }},
      {"a file-size limit", [] { writeFile("output.txt", "earlier\n"); }, 8192, 1, "File too large\n",
       [] { EXPECT_EQ(readFile("output.txt"), "earlier\n"); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDir scratch;
    std::filesystem::create_directory("kept");
    writeFile("sonnets.txt", big);
    c.before();
    const long process = startProgram(VERSEFIND_PROGRAM, {"--seed", "1", "3"}, c.fileSizeBytes);
    EXPECT_EQ(waitForProgram(process), c.status);
    const std::string errors = readFile("program-errors.txt");
    EXPECT_NE(errors.find(c.errors), std::string::npos) << errors;
    c.after();
  }
}

// SIGINT, SIGTERM and SIGHUP, sent while the listing is being written, take
// its unfinished file away and end the run as the signal does.
TEST(SearchDriver, BuiltProgramLeavesNoUnfinishedListingWhenStopped) {
  std::string text;  // long enough to be indexed for a while
  for (int n = 0; n < 200000; ++n) text += "Bright stars, fade -- and  Time's away " + std::to_string(n) + "\n";
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(signal);
    ScratchDir scratch;
    writeFile("sonnets.txt", text);
    writeFile("output.txt", "earlier\n");
    const long process = startProgram(VERSEFIND_PROGRAM, {"3"});
    ASSERT_TRUE(waitForFileIn(".", ".versefind-"));
    kill(static_cast<pid_t>(process), signal);
    EXPECT_EQ(waitForProgram(process), 128 + signal);
    EXPECT_FALSE(waitForFileIn(".", ".versefind-", 0));
    EXPECT_EQ(readFile("output.txt"), "earlier\n");
  }
}
#endif  // _WIN32

// AddressSanitizer reserves far more address space than any limit below.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool ADDRESS_SANITIZER = true;
#elif defined(__has_feature)
constexpr bool ADDRESS_SANITIZER = __has_feature(address_sanitizer);
#else
constexpr bool ADDRESS_SANITIZER = false;
#endif

// Input without end, and a text whose index needs far more than 60 MB, with
// 60 MB of address space: each run ends at once and says why, with the
// standard output written so far, and leaves the earlier listing alone. A
// query line of the longest length is answered, one a byte longer refused. A
// line of 40000 places of one word is answered whole, in that memory, in
// text order and sorted.
TEST(SearchDriver, BuiltProgramEndsWithinBoundedMemory) {
  if (ON_WINDOWS || ADDRESS_SANITIZER) GTEST_SKIP() << "needs ulimit -v, without AddressSanitizer";
  ScratchDir scratch;
  std::string text;  // 60000 words, each of its own
  for (int n = 0; n < 60000; ++n) text += "w" + std::to_string(n) + (n % 8 == 7 ? "\n" : " ");
  writeFile("sonnets.txt", text);
  writeFile("output.txt", "an earlier listing\n");
  const std::string memory = "versefind: sonnets.txt: not enough memory to index it\n";
  const std::string tooLong =
      "versefind: a query line is longer than 65536 bytes; the rest of the input is not read\n";
  const std::string w1 = "w1: 1 place\n1:2  w0 w1 w2 w3 w4 w5 w6 w7\n\n";
  const std::string w2 = "w2: 1 place\n1:3  w0 w1 w2 w3 w4 w5 w6 w7\n\n";
  const std::string cases[][3] = {
      {"ulimit -v 60000; timeout 10 \"$0\" < /dev/zero", std::string(PROMPT) + "\n",
       "versefind: the order line is longer than 4096 characters\n"},
      {"ulimit -v 60000; timeout 10 \"$0\" 3 - < /dev/zero", "", tooLong},
      // Queries of 65536 bytes, blanks before w1, with a line feed or at the
      // end of the input, are answered; a byte more ends the reading.
      {"printf \"%65536s\\nw2\\n\" w1 | (ulimit -v 60000; timeout 10 \"$0\" 3 -)", w1 + w2, ""},
      {"printf %65536s w1 | (ulimit -v 60000; timeout 10 \"$0\" 3 -)", w1, ""},
      {"printf \"%65537s\\nw2\\n\" w1 | (ulimit -v 60000; timeout 10 \"$0\" 3 -)", "", tooLong},
      {"printf %65537s w1 | (ulimit -v 60000; timeout 10 \"$0\" 3 -)", "", tooLong},
      {"echo 3 | (ulimit -v 60000; timeout 10 \"$0\")", PROMPT, memory},
      {"ulimit -v 60000; timeout 10 \"$0\" --classic 3 w1", "", memory},
      {"yes love | head -n 40000 | paste -sd \" \" |"
       " (ulimit -v 60000; timeout 10 \"$0\" --text /dev/stdin 3 love) | wc -l",
       "40002\n", ""},
      {"seq 40000 | sed \"s/^/love w/\" | paste -sd \" \" |"
       " (ulimit -v 60000; timeout 10 \"$0\" --text /dev/stdin --sort=right 3 love) | wc -l",
       "40002\n", ""},
  };
  for (const auto& [script, output, errors] : cases) {
    SCOPED_TRACE(script);
    const DialogueRun run = runScriptOr(script, {});
    EXPECT_EQ(run.status, errors.empty() ? 0 : 1);
    EXPECT_EQ(run.output, output);
    EXPECT_EQ(run.errors, errors);
    EXPECT_EQ(readFile("output.txt"), "an earlier listing\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."), {}), 5);  // no other file
  }
}

// Verse that uses every word rule, repeated to a given number of lines.
std::string verseLines(int count) {
  const char* const lines[] = {"Bright stars, fade -- and  Time's away!",
                               "the stars are bright and fair",
                               "",
                               "  AND THE NIGHT IS LONG?"};
  std::string text;
  for (int n = 0; n < count; ++n) text += std::string(lines[n % 4]) + "\n";
  return text;
}

// The built program on every kind of text a user can hand it. A text that
// can be read gives its whole listing and 29 sound trials; one that cannot,
// or a listing that cannot be written, gives the message and status 1.
TEST(SearchDriver, BuiltProgramAnswersEveryBadText) {
  std::string longLine;
  while (longLine.size() < (1u << 20)) {
    longLine += "Word" + std::to_string(longLine.size() % 997) + ", ";
  }
  const char mixedEnds[] = "One two\r\nthree\rfour five\r\nsix\0seven eight\nnine\r";
  // Where output.txt goes: nothing there yet, a folder, or a full disk.
  enum class Listing { absent, folder, fullDisk };
  struct Case {
    const char* name;
    bool textIsFolder;
    std::string text;
    Listing listing;
    std::string console;  // the exact console, or "" for a run of trials
  };
  const std::vector<Case> cases = {
      {"random bytes", false, randomBytes(65536, 1), Listing::absent, ""},
      {"a line of 1 MB", false, longLine + "\n", Listing::absent, ""},
      {"10,500 lines", false, verseLines(10500), Listing::absent, ""},
      {"CR LF, lone CRs and NULs", false, std::string(mixedEnds, sizeof mixedEnds - 1),
       Listing::absent, ""},
      {"a folder for the text", true, "", Listing::absent, NO_INDEX},
      {"a folder for the listing", false, verseLines(4), Listing::folder, NO_INDEX},
      {"a listing on a full disk", false, verseLines(4), Listing::fullDisk, NO_INDEX},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDir scratch;
    if (c.textIsFolder) {
      std::filesystem::create_directory("sonnets.txt");
    } else {
      writeFile("sonnets.txt", c.text);
    }
    if (c.listing == Listing::folder) std::filesystem::create_directory("output.txt");
    if (c.listing == Listing::fullDisk) {
      if (ON_WINDOWS) continue;  // no /dev/full there
      std::filesystem::create_symlink("/dev/full", "output.txt");
    }

    std::string console;
    std::string errors;
    const int status = runProgram(VERSEFIND_PROGRAM, "3\n", console, {"--seed", "3"}, &errors);
    if (!c.console.empty()) {
      EXPECT_EQ(status, 1);
      EXPECT_EQ(console, c.console);
      if (c.listing == Listing::fullDisk) {
        EXPECT_EQ(errors, "versefind: " + (std::filesystem::current_path() / "output.txt").string() +
                              ": No space left on device\n");
      }
      continue;
    }
    EXPECT_EQ(errors, "");
    EXPECT_EQ(status, 0);
    const std::string listing = listingOf(asReadInTextMode(c.text));
    EXPECT_EQ(readFile("output.txt"), listing);  // whole, not cut short
    ASSERT_EQ(console.rfind(PROMPT, 0), 0u);
    const std::vector<std::string> lines = trialLines(console.substr(std::string(PROMPT).size()));
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(TRIALS + 1));
    EXPECT_EQ(lines.back().rfind("Total time of searching: ", 0), 0u);
    const TextWords text = wordsByLine(asReadInTextMode(c.text));
    const int passes = static_cast<int>(text.size());
    for (int trial = 0; trial < TRIALS; ++trial) {
      checkTrial(lines[trial], text, std::max(passes - 1, 1));
    }
  }
}

// ---- The concordance -------------------------------------------------------

// A text for the queries: a word past 50 places, marks, shared beginnings.
std::string queryText() {
  std::string text = TEXT;
  for (int n = 0; n < 30; ++n) text += "Love, lovely lover love\n";
  return text;
}

// How a query run keeps and shows places: the classic index keeps a word's
// first MAX_PLACES, the compact one every place; --max N shows the first N.
struct Keeping {
  std::vector<std::string> options;
  int kept;   // places a word keeps at most
  int shown;  // place lines shown at most
  bool classic() const {
    return std::find(options.begin(), options.end(), "--classic") != options.end();
  }
};

// A word as a set of rules cuts it from its line: the word, its number, and
// the byte of the line it starts at.
struct Cut {
  std::string word;
  int number;
  std::size_t begin;
};

// The words of each line of `text` (without CRs): by the sonnets' rules,
// where a field starts after each blank, or by the text rules.
std::vector<std::vector<Cut>> cutText(const std::string& text, bool classic) {
  std::vector<std::vector<Cut>> lines;
  if (!classic) {
    for (const std::string& line : modelLines(text)) {
      lines.emplace_back();
      for (const ModelWord& word : modelWords(line)) lines.back().push_back({word.word, word.number, word.begin});
    }
    return lines;
  }
  std::size_t at = 0;
  for (const std::vector<std::string>& fields : wordsByLine(text)) {
    const std::string own = text.substr(at, text.find('\n', at) - at);
    lines.emplace_back();
    std::size_t begin = 0;
    for (const std::string& field : fields) {
      lines.back().push_back({field, static_cast<int>(lines.back().size()) + 1, begin});
      begin = own.find(' ', begin) + 1;
    }
    at = text.find('\n', at) + 1;
  }
  return lines;
}

// Judges an answer against the model of the rules the run cuts words by:
// one block for each of `words`, in order, with its header, its places in
// reading order (as many as `keeping` keeps and shows), each line of the
// text whole after its place, and the found word at one column in the block.
void checkBlocks(const std::string& output, const std::vector<std::string>& words,
                 const std::string& text, const Keeping& keeping) {
  const std::vector<std::vector<Cut>> cuts = cutText(text, keeping.classic());
  std::istringstream lines(output);
  std::string line;
  for (const std::string& word : words) {
    std::vector<std::pair<std::size_t, Cut>> places;  // line number, and the word there
    for (std::size_t n = 0; n < cuts.size(); ++n) {
      for (const Cut& cut : cuts[n]) {
        if (cut.word == word) places.emplace_back(n + 1, cut);
      }
    }
    const int kept = std::min(static_cast<int>(places.size()), keeping.kept);
    const int shown = std::min(kept, keeping.shown);
    const bool cut = kept == MAX_PLACES && keeping.kept == MAX_PLACES;
    std::string note = shown < kept ? "first " + std::to_string(shown) + " shown" : "";
    if (cut) note += (note.empty() ? "" : "; ") + std::string("a word keeps only its first 50 places");
    std::getline(lines, line);
    EXPECT_EQ(line, word + ": " + std::to_string(kept) + (kept == 1 ? " place" : " places") +
                        (note.empty() ? "" : " (" + note + ")"));
    std::size_t column = std::string::npos;
    for (int k = 0; k < shown; ++k) {
      std::getline(lines, line);
      const std::size_t lineNumber = places[k].first;
      const Cut& place = places[k].second;
      EXPECT_EQ(line.rfind(std::to_string(lineNumber) + ":" + std::to_string(place.number) + "  ", 0), 0u) << line;
      std::size_t at = 0;  // the text's own line
      for (std::size_t n = 1; n < lineNumber; ++n) at = text.find('\n', at) + 1;
      const std::string own = text.substr(at, text.find('\n', at) - at);
      ASSERT_GE(line.size(), own.size());
      EXPECT_EQ(line.substr(line.size() - own.size()), own);
      const std::size_t found = line.size() - own.size() + place.begin;
      if (column == std::string::npos) column = found;
      EXPECT_EQ(found, column) << line;
    }
    std::getline(lines, line);
    EXPECT_EQ(line, "");
  }
  EXPECT_FALSE(std::getline(lines, line)) << line;
}

// Queries at several orders, from either index, every place shown or the
// first few, judged against the model; the words not found named on
// standard error; nothing written to disk.
TEST(SearchDriver, AnswersQueriesAsTheWordRulesSay) {
  struct Case {
    std::vector<std::string> asked;
    std::vector<std::string> found;
    std::string errors;
  };
  const std::vector<Case> cases = {
      {{"love"}, {"love"}, ""},
      {{"Love,", "STARS!", "bright"}, {"love", "stars", "bright"}, ""},
      {{"lov*", "th*"}, {"love", "lovely", "lover", "the"}, ""},
      {{"nothere", "fair", "'!", "", "zz*", "*"}, {"fair"},
       "versefind: nothere: not in the text\nversefind: '!: asks for no word\n"
       "versefind: '': not in the text\n"
       "versefind: zz*: not in the text\n"
       "versefind: *: a star needs a beginning before it (--words lists every word)\n"},
      {{"--", "-and-", "--width"}, {"and"}, "versefind: --width: not in the text\n"},
  };
  const int all = 1 << 30;
  const std::vector<Keeping> keepings = {{{"--classic"}, MAX_PLACES, all},
                                         {{}, all, all},
                                         {{"--max=3"}, all, 3},
                                         {{"--max", "60", "--classic"}, MAX_PLACES, 60},
                                         {{"--classic", "--max", "2"}, MAX_PLACES, 2}};
  const std::string text = queryText();
  for (const char* order : {"2", "3", "10"}) {
    for (const Keeping& keeping : keepings) {
      for (const Case& c : cases) {
        SCOPED_TRACE(std::string(order) + " " + c.asked.front() + " " + std::to_string(keeping.kept) +
                     " " + std::to_string(keeping.shown));
        ScratchDir scratch;
        writeFile("sonnets.txt", text);
        std::vector<std::string> arguments = {"--width", "0", order};
        arguments.insert(arguments.end(), keeping.options.begin(), keeping.options.end());
        arguments.insert(arguments.end(), c.asked.begin(), c.asked.end());
        const DialogueRun run = runDialogue(runSearchDriver, "", arguments);
        EXPECT_EQ(run.status, c.errors.empty() ? 0 : 1);
        EXPECT_EQ(run.errors, c.errors);
        checkBlocks(run.output, c.found, text, keeping);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."), {}), 1);
      }
      // The vocabulary: every word but the empty one, in word order, with
      // the places its index keeps.
      std::map<std::string, int> counts;
      for (const std::vector<Cut>& words : cutText(text, keeping.classic())) {
        for (const Cut& word : words) counts[word.word] = std::min(counts[word.word] + 1, keeping.kept);
      }
      std::string vocabulary;
      for (const auto& [word, count] : counts) {
        if (!word.empty()) vocabulary += word + "\t" + std::to_string(count) + "\n";
      }
      ScratchDir scratch;
      writeFile("sonnets.txt", text);
      // --words lists what the index keeps; --max, which cuts place lines, is
      // not for it.
      std::vector<std::string> arguments = {order, "--words"};
      if (keeping.classic()) arguments.emplace_back("--classic");
      const DialogueRun run = runDialogue(runSearchDriver, "", arguments);
      EXPECT_EQ(run.status, 0);
      EXPECT_EQ(run.output, vocabulary);
      EXPECT_FALSE(std::filesystem::exists("output.txt"));
    }
  }
}

// Wildcards anywhere in a word: each word matched, in word order, judged
// against the model; the sonnets' rules take "?" for a mark.
TEST(SearchDriver, AnswersEachWordAPatternMatches) {
  const std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> cases = {
      {{"*OVE*", "l?v?"}, {"love", "lovely", "lover", "love"}},
      {{"*t*s", "l*?er", "*\u2019S"}, {"stars", "time's", "lover", "time's"}},
      {{"--classic", "LO?VE"}, {"love"}},
  };
  for (const auto& [asked, found] : cases) {
    SCOPED_TRACE(asked.front());
    ScratchDir scratch;
    writeFile("sonnets.txt", queryText());
    std::vector<std::string> arguments = {"--width", "0", "3"};
    arguments.insert(arguments.end(), asked.begin(), asked.end());
    const DialogueRun run = runDialogue(runSearchDriver, "", arguments);
    EXPECT_EQ(run.status, 0);
    checkBlocks(run.output, found, queryText(), {{asked.front()}, asked.front() == "--classic" ? MAX_PLACES : 1 << 30, 1 << 30});
  }
}

// versefind ORDER - as a program in a pipe: the same answers as the words
// given as arguments, each line a query.
TEST(SearchDriver, BuiltProgramAnswersQueriesReadFromStandardInput) {
  ScratchDir scratch;
  writeFile("sonnets.txt", queryText());
  const DialogueRun asArguments =
      runDialogue(runSearchDriver, "", {"3", "love", "lov*", "stars", "stars"});
  std::string output;
  std::string errors;
  // A NUL separates words, as in the text.
  const std::string input = "love\n\nnothere\r\n  lov*\nstars\n" + std::string("\0stars\nlove\0x\n", 14) +
                            std::string(70000, 'x') + "\nlove\n";
  EXPECT_EQ(runProgram(VERSEFIND_PROGRAM, input, output, {"3", "-"}, &errors), 1);
  EXPECT_EQ(output, asReadInTextMode(asArguments.output));
  EXPECT_EQ(errors, "versefind: an empty line asks for no word\nversefind: nothere: not in the text\n"
                    "versefind: love\\x00x: x is not in the text\n"
                    "versefind: a query line is longer than 65536 bytes; the rest of the input is not read\n");
  EXPECT_FALSE(std::filesystem::exists("output.txt"));

  // The text itself may come through standard input, read once.
  EXPECT_EQ(runProgram(VERSEFIND_PROGRAM, queryText(), output,
                       {"--text", "-", "3", "love", "lov*", "stars", "stars"}, &errors), 0);
  EXPECT_EQ(output, asReadInTextMode(asArguments.output));
  EXPECT_EQ(runProgram(VERSEFIND_PROGRAM, queryText(), output, {"--text", "-", "3"}, &errors), 1);
  EXPECT_EQ(errors, "versefind: -: the trials read the text again for each look-up; give a file\n");
}

// --text in every mode; a text that cannot be read, or that is no text.
TEST(SearchDriver, IndexesTheTextNamed) {
  struct Case {
    std::vector<std::string> arguments;
    const char* input;
    int status;
    std::string outputStart;
    std::string errors;  // "@" stands for the folder
    bool listing;        // whether output.txt is written
  };
  const std::string noIndex =
      "\n\nThe index could not be built: sub could not be read or output.txt could not be written.\n";
  const std::vector<Case> cases = {
      {{"--text", "verse.txt", "3", "fair"}, "", 0, "fair: 1 place\n2:6  ", "", false},
      {{"--text=verse.txt"}, "3\n", 0, std::string(PROMPT) + "\n\n", "", true},
      {{"3", "--text", "verse.txt"}, "", 0, "\n\n", "", true},
      {{"--text", "missing.txt", "3", "fair"}, "", 1, "", "@missing.txt: No such file or directory\n", false},
      {{"--text", "sub", "3", "--words"}, "", 1, "", "sub: a folder that holds no file to read\n", false},
      {{"--text", "sub"}, "3\n", 1, PROMPT + noIndex, "@sub: Is a directory\n", false},
      {{"--text", "sub", "3"}, "", 1, noIndex, "@sub: Is a directory\n", false},
      {{"--text", "utf16.txt", "3"}, "", 0, "\n\n", "utf16.txt: looks like UTF-16; save it as UTF-8\n", true},
      {{"--text", "utf16be.txt", "3"}, "", 0, "\n\n", "utf16be.txt: looks like UTF-16; save it as UTF-8\n", true},
      {{"--text", "latin1.txt", "3"}, "", 0, "\n\n", "", true},
      {{"--text", "utf16.txt", "3", "--words"}, "", 0, "", "utf16.txt: looks like UTF-16; save it as UTF-8\n", false},
      {{"--text", "utf16be.txt", "--classic", "3", "--words"}, "", 0, "", "utf16be.txt: looks like UTF-16; save it as UTF-8\n", false},
      {{"--text", "latin1.txt", "3", "fair"}, "", 0, "fair: 1 place\n",
       "latin1.txt: 1 byte is not UTF-8, the first on line 1; a Latin-1 text is read with --encoding latin1\n", false},
      {{"--text", "marks.txt", "3", "fair"}, "", 1, "", "marks.txt: has no words\nversefind: fair: not in the text\n", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments.front() + " " + c.arguments.back());
    ScratchDir scratch;
    writeFile("verse.txt", TEXT);
    // A later word that also begins with the mark, and sorts first, is no
    // first word.
    writeFile("utf16.txt", std::string("\xFF\xFEl\0o\0v\0e\0\n\0", 12) + "\n\xFF\xFE" "a\n");
    writeFile("utf16be.txt", std::string("\xFE\xFF\0l\0o\0v\0e\0\n", 12));
    writeFile("latin1.txt", "\xFF fair\n");  // a first word above both marks, but neither
    writeFile("marks.txt", "-- ...\n\n, !\n");
    std::filesystem::create_directory("sub");
    const DialogueRun run = runDialogue(runSearchDriver, c.input, c.arguments);
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.output.substr(0, c.outputStart.size()), c.outputStart);
    const std::string folder = (std::filesystem::current_path() / "").string();
    EXPECT_EQ(run.errors, c.errors.empty() ? "" : "versefind: " + std::regex_replace(c.errors, std::regex("@"), folder));
    EXPECT_EQ(std::filesystem::exists("output.txt"), c.listing);
  }
}

// Place lines fill the width asked for, or 80 off a terminal, and no more;
// the found field is coloured when asked for, by default only on a terminal.
TEST(SearchDriver, CutsToTheWidthAndColoursWhenAsked) {
  std::string text = TEXT;
  for (int n = 0; n < 3; ++n) text += std::string(60, 'x') + " and " + std::string(60, 'y') + "\n";
  const std::string on = "\x1b[1;31m";
  const std::string off = "\x1b[0m";
  struct Case {
    std::vector<std::string> arguments;
    std::size_t longest;
    bool colour;
  };
  const Case cases[] = {
      {{"3", "and"}, 80, false}, {{"--width", "30", "3", "and"}, 30, false}, {{"--width=0", "3", "and"}, 130, false},
      {{"--color", "3", "and"}, 80 + on.size() + off.size(), true}, {{"3", "and", "--color=never"}, 80, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments.front());
    ScratchDir scratch;
    writeFile("sonnets.txt", text);
    const DialogueRun run = runDialogue(runSearchDriver, "", c.arguments);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output.find('\x1b') != std::string::npos, c.colour);
    EXPECT_EQ(run.output.find(on + "and" + off) != std::string::npos, c.colour);
    std::size_t most = 0;
    std::istringstream lines(run.output);
    for (std::string line; std::getline(lines, line);) most = std::max(most, line.size());
    EXPECT_EQ(most, c.longest);
  }
}

// Phrases, counts, sorted place lines and the plot, on a text whose words
// every set of word rules cuts alike: positions 0 to 8 are b a c / a b a / c a b.
TEST(SearchDriver, AnswersPhrasesCountsSortsAndPlots) {
  const std::string on = "\x1b[1;31m";
  const std::string off = "\x1b[0m";
  struct Case {
    std::vector<std::string> arguments;
    int status;
    std::string output;  // for a sort, the place lines' locations
    std::string errors;
  };
  std::string many = "a";  // a phrase of 101 words
  for (int k = 0; k < 100; ++k) many += " a";
  const std::vector<Case> cases = {
      {{many}, 1, "", "versefind: " + many.substr(0, 60) + "...: a phrase of more than 100 words is not looked up\n"},
      {{"--color", "a b"}, 0, "a b: 2 places\n2:1    " + on + "a b" + off + " a\n3:2  c " + on + "a b" + off + "\n\n", ""},
      {{"--color", "C, a"}, 0, "c a: 2 places\n1:3  b a " + on + "c" + off + "\n3:1      " + on + "c a" + off + " b\n\n", ""},
      {{"a", "--sort=right"}, 0, "3:2 2:1 2:3 1:2 ", ""},
      {{"a", "--sort", "left", "--max", "3"}, 0, "1:2 2:3 2:1 ", ""},
      {{"--count", "a", "b*", "c a", "zz", "a zz", ".!", "?!"}, 1, "a\t4\nb\t3\nc a\t2\nzz\t0\na zz\t0\na\t4\nb\t3\nc\t2\n",
       "versefind: zz: not in the text\nversefind: a zz: zz is not in the text\n"
       "versefind: .!: asks for no word\n"},
      {{"c b", "a c* "}, 1, "a c*: 2 places\n1:2    b a c\n2:3  a b a\n\n", "versefind: c b: not in the text\n"},
      {{"--count", "? ?a b", "? c b", "a ?* b"}, 1, "? ?a b\t0\n? c b\t0\n",
       "versefind: ? ?a b: ?a is not in the text\nversefind: ? c b: not in the text\n"
       "versefind: a ?* b: ?* has no letter or digit beside its star (--words lists every word)\n"},
      {{"--words", "--by-count"}, 0, "a\t4\nb\t3\nc\t2\n", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments.front() + " " + c.arguments.back());
    ScratchDir scratch;
    writeFile("sonnets.txt", "b a c\na b a\nc a b\n");
    std::vector<std::string> arguments = {"--width", "0", "3"};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    const DialogueRun run = runDialogue(runSearchDriver, "", arguments);
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.errors, c.errors);
    // An index of the text answers byte for byte as the text does.
    ASSERT_EQ(runDialogue(runSearchDriver, "", {"3", "--save", "text.idx"}).status, 0);
    arguments.erase(arguments.begin() + 2);
    arguments.insert(arguments.begin() + 2, {"--index", "text.idx"});
    const DialogueRun indexed = runDialogue(runSearchDriver, "", arguments);
    EXPECT_EQ(indexed.output, run.output);
    EXPECT_EQ(indexed.errors, run.errors);
    EXPECT_EQ(indexed.status, run.status);
    std::string shown = run.output;
    if (c.output.find(':') == 1) {  // the locations only
      static const std::regex location("^(\\d+:\\d+) |\\n(\\d+:\\d+) ");
      shown.clear();
      for (std::sregex_iterator m(run.output.begin(), run.output.end(), location), end; m != end; ++m) {
        shown += (*m)[1].str() + (*m)[2].str() + " ";
      }
    }
    EXPECT_EQ(shown, c.output);
  }
  // The plot, well-formed: a group per query, named as cleaned and labelled
  // with its count, holding a mark per place.
  ScratchDir scratch;
  writeFile("sonnets.txt", "b a c\na b a\nc a b\n");
  const DialogueRun run = runDialogue(runSearchDriver, "", {"3", "--plot", "A", "c a", "b*", "zz", "? a"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.errors, "versefind: zz: not in the text\n");
  EXPECT_EQ(findMarkupFault(run.output), "");
  std::string marks;
  static const std::regex group(R"re(<g data-word="([^"]*)">\n<text[^>]*>([^<]*)</text>\n<line[^>]*>\n((<rect class="place"[^>]*>\n)*)</g>)re");
  for (std::sregex_iterator m(run.output.begin(), run.output.end(), group), end; m != end; ++m) {
    marks += (*m)[1].str() + ", " + (*m)[2].str() + ", " + std::to_string(std::count((*m)[3].first, (*m)[3].second, '\n')) + "\n";
  }
  EXPECT_EQ(marks, "a, a (4), 4\nc a, c a (2), 2\nb*, b* (3), 3\nzz, zz (0), 0\n? a, ? a (4), 4\n");
}

// A Latin-1 text is cut into pieces by the text rules, which read UTF-8: the
// person is told how many bytes are not UTF-8 and where the first stands,
// and --encoding latin1 reads it whole, shown in UTF-8.
TEST(SearchDriver, ReadsALatin1TextWhenTold) {
  ScratchDir scratch;
  writeFile("sonnets.txt", "plain line\nCaf\xe9 na\xefve \x93quoted\x94\n");
  const DialogueRun utf8 = runDialogue(runSearchDriver, "", {"--words"});
  EXPECT_EQ(utf8.errors, "versefind: sonnets.txt: 4 bytes are not UTF-8, the first on line 2; a "
                         "Latin-1 text is read with --encoding latin1\n");
  const DialogueRun latin1 = runDialogue(runSearchDriver, "", {"--encoding", "latin1", "--width", "0", "café", "--sort=right"});
  EXPECT_EQ(latin1.output, "café: 1 place\n2:1  Café naïve “quoted”\n\n");
  EXPECT_EQ(latin1.errors, "");
  EXPECT_EQ(runDialogue(runSearchDriver, "", {"--encoding", "latin1", "--words"}).output,
            "café\t1\nline\t1\nnaïve\t1\nplain\t1\nquoted\t1\n");
}

// The lines an index shows are read from its text by their offsets, as the
// text was read when it was indexed: a byte-order mark, CR LF line ends, a
// carriage return at the very end. A text changed since, or an index that
// is none, is said, and nothing is answered from it.
TEST(SearchDriver, AnswersFromAnIndexAsFromItsText) {
  ScratchDir scratch;
  writeFile("sonnets.txt", "\xEF\xBB\xBF" "Bright stars\r\nfade\taway, stars\r\n\r\nlast line\r");
  ASSERT_EQ(runDialogue(runSearchDriver, "", {"--width", "0", "4", "--save", "text.idx"}).status, 0);
  for (const std::vector<std::string>& query : {std::vector<std::string>{"bright", "stars", "last*"},
                                               {"--sort=left", "stars"}, {"fade away", "line"}}) {
    std::vector<std::string> fromText = {"--width", "0", "4"};
    std::vector<std::string> fromIndex = {"--width", "0", "--index", "text.idx"};
    fromText.insert(fromText.end(), query.begin(), query.end());
    fromIndex.insert(fromIndex.end(), query.begin(), query.end());
    const DialogueRun text = runDialogue(runSearchDriver, "", fromText);
    EXPECT_EQ(text.status, 0);
    EXPECT_EQ(runDialogue(runSearchDriver, "", fromIndex).output, text.output);
  }
  // The figures: the same keys and places as the tree in memory, in pages.
  const auto line = [](const std::string& figures, const std::string& label) {
    const std::size_t at = figures.find("\n" + label + " ");
    return at == std::string::npos ? "" : figures.substr(at + 1, figures.find('\n', at + 1) - at - 1);
  };
  const std::string inMemory = runDialogue(runSearchDriver, "", {"4", "--stats"}).output;
  const std::string inFile = runDialogue(runSearchDriver, "", {"--index", "text.idx", "--stats"}).output;
  EXPECT_EQ(line(inFile, "keys"), line(inMemory, "keys"));
  EXPECT_EQ(line(inFile, "places"), line(inMemory, "places"));
  EXPECT_NE(line(inFile, "pages"), "");
  // Drawn from its pages, the file's tree holds every word once.
  const std::string dot = runDialogue(runSearchDriver, "", {"--index", "text.idx", "--dot"}).output;
  const std::string words = runDialogue(runSearchDriver, "", {"4", "--words"}).output;
  for (std::size_t at = 0; at < words.size(); at = words.find('\n', at) + 1) {
    const std::string word = words.substr(at, words.find('\t', at) - at);
    EXPECT_EQ(occurrences(dot, "|" + word + "\\ (") + occurrences(dot, "{" + word + "\\ ("), 1U) << word;
  }
  EXPECT_EQ(std::to_string(occurrences(dot, " [label=")), line(inFile, "pages").substr(22, line(inFile, "pages").find(',') - 22));
  // Each search reads one page a level, and finds what the concordance finds.
  const DialogueRun explained = runDialogue(runSearchDriver, "", {"--index", "text.idx", "--explain", "Stars", "none"});
  EXPECT_EQ(explained.status, 1);
  const std::string height = line(inFile, "height").substr(22, 1);
  EXPECT_NE(explained.output.find("search stars\n  page "), std::string::npos) << explained.output;
  EXPECT_NE(explained.output.find(height + (height == "1" ? " page read\n\nsearch none" : " pages read\n\nsearch none")),
            std::string::npos) << explained.output;
  EXPECT_NE(explained.output.find("found: key"), std::string::npos);
  EXPECT_NE(explained.output.find("  not found, after"), std::string::npos);
  const DialogueRun piped = runDialogue(runSearchDriver, "stars\nnone\n", {"--index", "text.idx", "-"});
  EXPECT_EQ(piped.output, runDialogue(runSearchDriver, "stars\nnone\n", {"4", "-"}).output);
  EXPECT_EQ(piped.status, 1);

  struct Case { const char* name; std::function<void()> change; std::vector<std::string> arguments;
                int status; std::string errors; };
  const std::vector<Case> cases = {
      {"a changed text", [] { writeFile("sonnets.txt", "Bright stars, brighter\n"); }, {"stars"}, 1,
       "versefind: sonnets.txt: changed since text.idx was built; build it again with --save\n"},
      {"a count needs no text", [] { std::filesystem::remove("sonnets.txt"); }, {"--count", "stars"}, 0, ""},
      {"no index", [] { writeFile("text.idx", "Bright stars\n"); }, {"stars"}, 1, "versefind: text.idx: "},
      {"an order beside it", [] {}, {"4", "stars"}, 2, "versefind: an index keeps the order"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.change();
    std::vector<std::string> arguments = {"--index", "text.idx"};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    const DialogueRun run = runDialogue(runSearchDriver, "", arguments);
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.errors.substr(0, c.errors.size()), c.errors);
  }
}

}  // namespace

namespace {

// A corpus of several files is one text whose runs of words stop at each
// file's end: what it answers is what its files answer, each place named by
// its file, in the files' order; and its index answers as it does.
TEST(SearchDriver, AnswersACorpusOfSeveralFiles) {
  ScratchDir scratch;
  std::filesystem::create_directories("poems/b/.drafts");
  writeFile("poems/b/two.txt", "the rose\nfades\n");
  writeFile("poems/a.txt", "a rose is\na rose\n");
  writeFile("poems/.hidden.txt", "rose rose rose\n");
  writeFile("poems/b/.drafts/old.txt", "rose\n");
  writeFile("last.txt", "rose the\n");
  const std::vector<std::string> corpus = {"--width", "0", "--text", "poems", "--text", "last.txt"};
  const auto run = [&](std::vector<std::string> arguments, const std::string& input = "") {
    arguments.insert(arguments.begin(), corpus.begin(), corpus.end());
    return runDialogue(runSearchDriver, input, arguments);
  };
  const DialogueRun rose = run({"rose"});
  const std::string a = (std::filesystem::path("poems") / "a.txt").string();
  const std::string two = (std::filesystem::path("poems") / "b" / "two.txt").string();
  EXPECT_EQ(rose.output, "rose: 4 places\n" + a + ":1:2        a rose is\n" + a + ":2:2        a rose\n" +
                             two + ":1:2  the rose\nlast.txt:1:1             rose the\n\n");
  EXPECT_EQ(rose.status, 0);
  // A phrase goes on across a line end, never across a file's end; a count
  // counts every file.
  const DialogueRun phrases = run({"--count", "rose fades", "fades rose", "is a", "rose", "the"});
  EXPECT_EQ(phrases.output, "rose fades\t1\nfades rose\t0\nis a\t1\nrose\t4\nthe\t2\n");
  // Sorted by the words after, a place at a file's end has none.
  EXPECT_EQ(run({"--sort=right", "rose"}).output.substr(15, a.size() + 4), a + ":2:2");
  const DialogueRun plot = run({"--plot", "rose", "the"});
  EXPECT_EQ(findMarkupFault(plot.output), "");
  EXPECT_EQ(occurrences(plot.output, "class=\"file\""), 2U);

  // The index of the corpus answers byte for byte as the corpus does.
  std::vector<std::string> save = {"3", "--save", "corpus.idx"};
  save.insert(save.begin(), corpus.begin() + 2, corpus.end());
  const DialogueRun saved = runDialogue(runSearchDriver, "", save);
  ASSERT_EQ(saved.status, 0) << saved.errors;
  EXPECT_EQ(saved.errors.substr(0, 36), "versefind: corpus.idx: 3 files, 8 li");
  for (const std::vector<std::string>& query :
       std::vector<std::vector<std::string>>{{"rose", "the*"}, {"--sort=left", "rose"}, {"--count", "is a", "fades rose"},
        {"--words", "--by-count"}, {"--plot", "rose"}, {"-"}}) {
    SCOPED_TRACE(query.front());
    std::vector<std::string> fromIndex = {"--width", "0", "--index", "corpus.idx"};
    fromIndex.insert(fromIndex.end(), query.begin(), query.end());
    const DialogueRun text = run(query, "rose\nthe rose\n");
    const DialogueRun indexed = runDialogue(runSearchDriver, "rose\nthe rose\n", fromIndex);
    EXPECT_EQ(indexed.output, text.output);
    EXPECT_EQ(indexed.status, text.status);
  }
  // Built in little memory, from sorted runs merged, the index is the same
  // file byte for byte.
  std::string many;
  for (int k = 0; k < 40000; ++k) many += "w" + std::to_string(k * 7919 % 40000) + (k % 9 == 0 ? "\n" : " rose ");
  writeFile("poems/many.txt", many);
  ASSERT_EQ(runDialogue(runSearchDriver, "", {"--text", "poems", "3", "--save", "whole.idx"}).status, 0);
  ASSERT_EQ(runDialogue(runSearchDriver, "", {"--text", "poems", "3", "--save", "runs.idx", "--memory", "1M"}).status, 0);
  EXPECT_EQ(readBytes("runs.idx"), readBytes("whole.idx"));
  writeFile("last.txt", "rose the end\n");
  EXPECT_EQ(runDialogue(runSearchDriver, "", {"--index", "corpus.idx", "rose"}).errors,
            "versefind: last.txt: changed since corpus.idx was built; build it again with --save\n");

  struct Case { std::vector<std::string> arguments; int status; std::string errors; };
  std::filesystem::create_directory("empty");
  const std::vector<Case> cases = {
      {{"--text", "a", "--text", "b", "3"}, 2, "versefind: the trials read one text: give '--text' once\n"},
      {{"--text", "-", "--text", "-", "rose"}, 2, "versefind: '--text -' reads standard input once: give it once\n"},
      {{"--index", "corpus.idx", "--text", "a", "rose"}, 2, "versefind: options '--index' and '--text' cannot go together"},
      {{"--text", "empty", "rose"}, 1, "versefind: empty: a folder that holds no file to read\n"},
  };
  for (const Case& c : cases) {
    const DialogueRun refused = runDialogue(runSearchDriver, "", c.arguments);
    EXPECT_EQ(refused.status, c.status);
    EXPECT_EQ(refused.errors.substr(0, c.errors.size()), c.errors);
    EXPECT_EQ(refused.output, "");
  }
}

}  // namespace
