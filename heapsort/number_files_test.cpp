#include "number_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "heap.h"
#include "make_directory.h"
#include "scratch_dir.h"

namespace {

struct ReadOutcome {
  bool complete;
  std::vector<int> numbers;
  std::string console;
};

ReadOutcome readFrom(const std::string& content) {
  std::filesystem::create_directories("input");
  writeFile("input/numbers.txt", content);
  std::vector<int> a(ARRAY_SIZE, 0);
  std::ostringstream console;
  const bool complete = readNumbers("numbers.txt", a.data(), console);
  EXPECT_EQ(a[0], 0);
  return {complete, std::vector<int>(a.begin() + 1, a.begin() + 1 + numberCount),
          console.str()};
}

TEST(ReadNumbers, ReadsIntegersUpToTheFirstItemThatIsNotOne) {
  struct Case {
    const char* name;
    std::string content;
    std::vector<int> numbers;
    bool complete;
  };
  const std::vector<Case> cases = {
      {"mixed white space", "5 3\n\n  -2\t8", {5, 3, -2, 8}, true},
      {"white space around", " \r\n\t7\r\n\v\f 9 \n\n", {7, 9}, true},
      {"signs", "+4 -0 -2147483648 2147483647", {4, 0, -2147483648, 2147483647}, true},
      {"a word stops reading", "7 8 word 9", {7, 8}, false},
      {"digits glued to a word", "7 8x 9", {7, 8}, false},
      {"too large for an int", "1 2147483648 3", {1}, false},
      {"too small for an int", "1 -2147483649", {1}, false},
      {"a lone sign", "1 - 2", {1}, false},
      {"empty", "", {}, true},
      {"white space only", " \n\t\n", {}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDir scratch;
    const ReadOutcome outcome = readFrom(c.content);
    EXPECT_EQ(outcome.numbers, c.numbers);
    EXPECT_EQ(outcome.complete, c.complete);
    EXPECT_EQ(outcome.console, "");
  }
}

TEST(ReadNumbers, StopsAtTheCapacityOfTheArray) {
  for (const int extra : {0, 1, 20001}) {
    SCOPED_TRACE(extra);
    ScratchDir scratch;
    std::string content;
    for (int n = 1; n <= NUMBER_CAPACITY + extra; ++n) content += std::to_string(n) + "\n";
    const ReadOutcome outcome = readFrom(content);
    ASSERT_EQ(outcome.numbers.size(), static_cast<std::size_t>(NUMBER_CAPACITY));
    EXPECT_EQ(outcome.numbers.back(), NUMBER_CAPACITY);
    EXPECT_EQ(outcome.complete, extra == 0);
    EXPECT_EQ(outcome.console,
              extra == 0 ? "" : "Only the first 99999 numbers were read.\n");
  }
}

TEST(ReadNumbers, AnswersAFileThatCannotBeOpened) {
  ScratchDir scratch;
  std::vector<int> a(ARRAY_SIZE, 0);
  std::ostringstream console;
  numberCount = 5;
  EXPECT_FALSE(readNumbers("missing.txt", a.data(), console));
  EXPECT_EQ(numberCount, 0);
  std::filesystem::create_directories("input/folder.txt");
  EXPECT_FALSE(readNumbers("folder.txt", a.data(), console));
  EXPECT_EQ(numberCount, 0);
  EXPECT_EQ(console.str(), "Unable to open file\nUnable to open file\n");
}

TEST(ResultFiles, NameTakesTheFirstNineCharacters) {
  struct Case {
    const char* fileName;
    bool build;
    const char* path;
  };
  const Case cases[] = {
      {"initdata1.txt", false, "output/initdata1_s.txt"},
      {"initdata1.txt", true, "output/initdata1_b.txt"},
      {"initdata10.tx", false, "output/initdata1_s.txt"},
      {"a.txt", true, "output/a.txt_b.txt"},
      {"", false, "output/_s.txt"},
  };
  for (const Case& c : cases) {
    buildMode = c.build;
    EXPECT_EQ(resultPath(c.fileName), c.path);
  }
  buildMode = false;
}

TEST(ResultFiles, WritesOneNumberPerLineAndAppendsTimes) {
  ScratchDir scratch;
  std::ostringstream console;
  std::vector<int> a = {0, -12, 0, 7, 2147483647};
  numberCount = 4;
  buildMode = false;
  ASSERT_TRUE(writeResult("initdata1.txt", a.data(), console));
  EXPECT_EQ(readFile("output/initdata1_s.txt"), "-12\n0\n7\n2147483647\n");
  numberCount = 1;
  ASSERT_TRUE(writeResult("initdata1.txt", a.data(), console));
  EXPECT_EQ(readFile("output/initdata1_s.txt"), "-12\n");
  numberCount = 0;
  ASSERT_TRUE(writeResult("initdata1.txt", a.data(), console));
  EXPECT_EQ(readFile("output/initdata1_s.txt"), "");

  ASSERT_TRUE(logTimes("heapsort -i initdata1.txt -t s", 1, 22, 333, console));
  ASSERT_TRUE(logTimes("typed  line ", 0, 0, 0, console));
  EXPECT_EQ(readFile("output/time.txt"),
            "heapsort -i initdata1.txt -t s\t1\t22\t333\ntyped  line \t0\t0\t0\n");
  EXPECT_EQ(console.str(), "");
}

TEST(ResultFiles, AnswersAnOutputThatIsNotAFolder) {
  ScratchDir scratch;
  writeFile("output", "a file in the way");
  std::ostringstream console;
  std::vector<int> a = {0, 1};
  numberCount = 1;
  EXPECT_FALSE(writeResult("initdata1.txt", a.data(), console));
  EXPECT_FALSE(logTimes("command", 0, 0, 0, console));
  EXPECT_EQ(console.str(), "Unable to open file\nUnable to open file\n");
  EXPECT_EQ(readFile("output"), "a file in the way");
}

TEST(MakeDirectory, MakesOneNewFolderAndSaysWhenItCannot) {
  ScratchDir scratch;
  writeFile("a-file", "");
  EXPECT_TRUE(makeDirectory("output"));
  EXPECT_TRUE(std::filesystem::is_directory("output"));
  EXPECT_FALSE(makeDirectory("output"));           // already there
  EXPECT_FALSE(makeDirectory("missing/output"));   // one level only
  EXPECT_FALSE(makeDirectory("a-file"));           // a file in the way
  EXPECT_EQ(readFile("a-file"), "");
}

}  // namespace
