#include "number_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <ctime>
#include <filesystem>
#include <iterator>
#include <sstream>
#include <streambuf>
#include <utility>
#include <string>
#include <vector>

#include "external_sort.h"
#include "heap.h"
#include "platform.h"
#include "scratch_dir.h"
#include "test_files.h"

namespace {

// How a typed name, and a name given at the shell, name the result.
constexpr Naming TYPED = Naming::firstNineCharacters;
constexpr Naming GIVEN = Naming::withoutLastExtension;

struct ReadOutcome {
  bool complete;
  std::vector<int> numbers;
  std::string console;
  std::string errors;
};

ReadOutcome readFrom(const std::string& content) {
  std::filesystem::create_directories("input");
  writeFile("input/numbers.txt", content);
  std::vector<int> a(ARRAY_SIZE, 0);
  std::ostringstream console;
  std::ostringstream errors;
  const Reading reading = readNumbers("numbers.txt", a.data(), console, errors);
  EXPECT_NE(reading, Reading::failed);
  EXPECT_EQ(a[0], 0);
  return {reading == Reading::whole,
          std::vector<int>(a.begin() + 1, a.begin() + 1 + numberCount), console.str(),
          errors.str()};
}

TEST(ReadNumbers, ReadsIntegersUpToTheFirstItemThatIsNotOne) {
  struct Case {
    const char* name;
    std::string content;
    std::vector<int> numbers;
    std::string stop;  // what the diagnostic says after the path, or ""
  };
  const std::vector<Case> cases = {
      {"mixed white space", "5 3\n\n  -2\t8", {5, 3, -2, 8}, ""},
      {"white space around", " \r\n\t7\r\n\v\f 9 \n\n", {7, 9}, ""},
      {"signs", "+4 -0 -2147483648 2147483647 0002", {4, 0, -2147483648, 2147483647, 2}, ""},
      {"numbers glued by signs", "8-5+4", {8, -5, 4}, ""},
      {"a word stops reading", "7 8 word 9",
       {7, 8}, "stopped at item 3, \"word\": not an integer; 2 numbers used"},
      {"digits glued to a word", "7 8x 9", {7, 8}, "stopped at item 3, \"x\": not an integer; 2 numbers used"},
      {"a word ends at a tab", "x\ty", {}, "stopped at item 1, \"x\": not an integer; 0 numbers used"},
      {"a word ends at a CR", "x\ry", {}, "stopped at item 1, \"x\": not an integer; 0 numbers used"},
      {"too large for an int", "1 2147483648 3",
       {1}, "stopped at item 2, \"2147483648\": outside the int range; 1 number used"},
      {"too small for an int", "1 -2147483649",
       {1}, "stopped at item 2, \"-2147483649\": outside the int range; 1 number used"},
      {"ten times the smallest int", "1 -21474836480",
       {1}, "stopped at item 2, \"-21474836480\": outside the int range; 1 number used"},
      {"ten times past the largest int", "1 21474836480",
       {1}, "stopped at item 2, \"21474836480\": outside the int range; 1 number used"},
      {"a lone sign", "1 - 2", {1}, "stopped at item 2, \"-\": not an integer; 1 number used"},
      {"two signs", "+-2", {}, "stopped at item 1, \"+-2\": not an integer; 0 numbers used"},
      {"control bytes, a long item", "\x01" + std::string(50, 'y'),
       {}, "stopped at item 1, \"\\x01" + std::string(39, 'y') + "...\": not an integer; 0 numbers used"},
      {"the edges of the bytes shown as they are, 40 of them", "a!\x1F~\x7F" + std::string(35, 'z'),
       {}, "stopped at item 1, \"a!\\x1F~\\x7F" + std::string(35, 'z') + "\": not an integer; 0 numbers used"},
      {"empty", "", {}, ""},
      {"white space only", " \n\t\n", {}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDir scratch;
    const ReadOutcome outcome = readFrom(c.content);
    EXPECT_EQ(outcome.numbers, c.numbers);
    EXPECT_EQ(outcome.complete, c.stop.empty());
    EXPECT_EQ(outcome.console, "");
    EXPECT_EQ(outcome.errors, c.stop.empty() ? "" : "heapsort: input/numbers.txt: " + c.stop + "\n");
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
    EXPECT_EQ(outcome.errors, extra == 0 ? ""
                                         : "heapsort: input/numbers.txt: stopped at item 100000: "
                                           "heapsort holds at most 99999 numbers; 99999 numbers "
                                           "used; --all sorts every number\n");
  }
}

// A stream buffer that hands out "12 345 6" `fillSize` bytes at a time and
// fails its fill number `failing` as the standard library's file buffer
// fails a read: errno says why, and an exception tells the stream.
class FailingBuffer : public std::streambuf {
 public:
  FailingBuffer(std::ptrdiff_t fillSize, int failing) : fillSize_(fillSize), failing_(failing) {}

 protected:
  int_type underflow() override {
    if (++fills_ == failing_) {
      errno = EIO;
      throw std::ios_base::failure("read error");
    }
    char* const from = egptr() == nullptr ? text_ : egptr();
    char* const end = text_ + sizeof text_ - 1;
    if (from == end) return traits_type::eof();
    setg(from, from, from + std::min(fillSize_, end - from));
    return traits_type::to_int_type(*from);
  }

 private:
  char text_[9] = "12 345 6";
  std::ptrdiff_t fillSize_;
  int failing_;
  int fills_ = 0;
};

// A read that fails fails the whole reading, whether it is the first or a
// later one: in a number, between two, or after the last.
TEST(ReadNumbers, FailsWhenAReadFails) {
  const std::pair<std::ptrdiff_t, int> fillSizeAndFailing[] = {{4, 1}, {4, 2}, {3, 2}, {100, 2}};
  for (const auto& [fillSize, failing] : fillSizeAndFailing) {
    SCOPED_TRACE(std::to_string(fillSize) + " bytes a fill, fill " + std::to_string(failing));
    FailingBuffer buffer(fillSize, failing);
    std::istream in(&buffer);
    std::vector<int> a(ARRAY_SIZE, 0);
    std::ostringstream console;
    std::ostringstream errors;
    numberCount = 5;
    EXPECT_EQ(readNumbersFrom(in, "input/numbers.txt", a.data(), console, errors),
              Reading::failed);
    EXPECT_EQ(numberCount, 0);
    EXPECT_EQ(console.str(), "Unable to open file\n");
    EXPECT_EQ(errors.str(), "heapsort: input/numbers.txt: Input/output error\n");
  }
}

// Sorts `in` whole at the least memory onto a string, as a shell run of
// standard input with --all does.
struct WholeRead {
  WholeOutcome outcome;
  std::string result;
  std::string console;
  std::string errors;
};

WholeRead sortWholeFrom(std::istream& in) {
  std::ostringstream out;
  std::ostringstream console;
  std::ostringstream errors;
  WholeJob job;
  job.in = &in;
  job.inputName = "input/numbers.txt";
  job.memoryBytes = LEAST_MEMORY;
  job.target = WholeJob::Target::stream;
  job.stream = &out;
  job.runFolder = ".";
  job.readClock = [] { return std::clock_t(0); };
  const WholeOutcome outcome = sortWhole(job, console, errors);
  return {outcome, out.str(), console.str(), errors.str()};
}

// The large-buffer reader of --all follows the fixed array's reader item for
// item, message for message, wherever a block boundary falls.
TEST(ReadNumbers, EveryNumberIsReadByTheSameRules) {
  const std::string block(1 << 20, ' ');  // the reader's block
  const std::string contents[] = {
      "5 3\n\n  -2\t8", "+4 -0 -2147483648 2147483647 0002", "8-5+4", "7 8 word 9", "7 8x 9",
      "4.5 6", "1 2147483648 3", "1 -2147483649", "1 -21474836480", "1 - 2", "+-2", "+", "-",
      "\x01" + std::string(50, 'y'), "1 " + std::string(200, '0') + "17 2",
      "3 " + std::string(100, '9'), block.substr(5) + "-123456 7", block.substr(3) + "+-99 1",
      block.substr(70) + std::string(100, '0') + "5", block.substr(1) + "12 x", "", " \n\t\n",
  };
  for (const std::string& content : contents) {
    SCOPED_TRACE(content.size() > 80 ? content.substr(content.size() - 80) : content);
    std::istringstream fixedIn(content);
    std::vector<int> a(ARRAY_SIZE, 0);
    std::ostringstream console;
    std::ostringstream errors;
    const Reading reading = readNumbersFrom(fixedIn, "input/numbers.txt", a.data(), console, errors);
    std::vector<int> expected(a.begin() + 1, a.begin() + 1 + numberCount);
    std::sort(expected.begin(), expected.end());
    std::string lines;
    for (const int n : expected) lines += std::to_string(n) + "\n";

    std::istringstream in(content);
    const WholeRead whole = sortWholeFrom(in);
    EXPECT_EQ(whole.result, lines);
    EXPECT_EQ(whole.errors, errors.str());
    EXPECT_EQ(whole.outcome.reading == WholeOutcome::Reading::whole, reading == Reading::whole);
  }
}

// A read that fails fails a whole sort too: nothing is written.
TEST(ReadNumbers, EveryNumberFailsWhenAReadFails) {
  const std::pair<std::ptrdiff_t, int> fillSizeAndFailing[] = {{4, 1}, {4, 2}, {100, 2}};
  for (const auto& [fillSize, failing] : fillSizeAndFailing) {
    SCOPED_TRACE(std::to_string(fillSize) + " bytes a fill, fill " + std::to_string(failing));
    ScratchDir scratch;
    FailingBuffer buffer(fillSize, failing);
    std::istream in(&buffer);
    const WholeRead whole = sortWholeFrom(in);
    EXPECT_EQ(whole.outcome.reading, WholeOutcome::Reading::failed);
    EXPECT_EQ(whole.result, "");
    EXPECT_EQ(whole.console, "Unable to open file\n");
    EXPECT_EQ(whole.errors, "heapsort: input/numbers.txt: Input/output error\n");
  }
}

TEST(ReadNumbers, AnswersAFileThatCannotBeOpened) {
  ScratchDir scratch;
  std::vector<int> a(ARRAY_SIZE, 0);
  std::ostringstream console;
  std::ostringstream errors;
  numberCount = 5;
  EXPECT_EQ(readNumbers("missing.txt", a.data(), console, errors), Reading::failed);
  EXPECT_EQ(numberCount, 0);
  std::filesystem::create_directories("input/folder.txt");
  EXPECT_EQ(readNumbers("folder.txt", a.data(), console, errors), Reading::failed);
  EXPECT_EQ(numberCount, 0);
  EXPECT_EQ(console.str(), "Unable to open file\nUnable to open file\n");
  EXPECT_EQ(errors.str(), "heapsort: input/missing.txt: No such file or directory\n"
                          "heapsort: input/folder.txt: Is a directory\n");

  // A file that opens, then fails to read.
  if (unreadableFile().empty()) return;
  std::filesystem::create_symlink(unreadableFile(), "input/unreadable.txt");
  console.str("");
  errors.str("");
  EXPECT_EQ(readNumbers("unreadable.txt", a.data(), console, errors), Reading::failed);
  EXPECT_EQ(console.str(), "Unable to open file\n");
  EXPECT_EQ(errors.str(), "heapsort: input/unreadable.txt: Input/output error\n");
}

// Typed, the name gives its first 9 characters; given at the shell, all but
// its last extension.
TEST(ResultFiles, NameTakesNineCharactersOrDropsTheExtension) {
  struct Case {
    const char* fileName;
    Naming naming;
    bool build;
    const char* path;
  };
  const Case cases[] = {
      {"initdata1.txt", TYPED, false, "output/initdata1_s.txt"},
      {"initdata1.txt", TYPED, true, "output/initdata1_b.txt"},
      {"initdata10.tx", TYPED, false, "output/initdata1_s.txt"},
      {"a.txt", TYPED, true, "output/a.txt_b.txt"},
      {"", TYPED, false, "output/_s.txt"},
      {"initdata1.txt", GIVEN, true, "output/initdata1_b.txt"},
      {"initdata10.txt", GIVEN, false, "output/initdata10_s.txt"},
      {"data.v2.txt", GIVEN, false, "output/data.v2_s.txt"},
      {"nums", GIVEN, false, "output/nums_s.txt"},
      {"nums.", GIVEN, false, "output/nums_s.txt"},
      {".hidden", GIVEN, false, "output/.hidden_s.txt"},
      {".hidden.txt", GIVEN, false, "output/.hidden_s.txt"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fileName);
    buildMode = c.build;
    EXPECT_EQ(resultPath(c.fileName, c.naming), c.path);
  }
  buildMode = false;
}

TEST(ResultFiles, WritesOneNumberPerLineAndAppendsTimes) {
  ScratchDir scratch;
  std::filesystem::create_directory("output");
  writeFile("output/initdata1_s.txt.tmp", "another program's\n");  // never touched
  std::ostringstream console;
  std::ostringstream errors;
  std::vector<int> a = {0, -12, 0, 7, 2147483647};
  numberCount = 4;
  buildMode = false;
  ASSERT_TRUE(writeResult("initdata1.txt", TYPED, a.data(), console, errors));
  EXPECT_EQ(readFile("output/initdata1_s.txt"), "-12\n0\n7\n2147483647\n");
  numberCount = 1;
  ASSERT_TRUE(writeResult("initdata1.txt", TYPED, a.data(), console, errors));
  EXPECT_EQ(readFile("output/initdata1_s.txt"), "-12\n");
  numberCount = 0;
  ASSERT_TRUE(writeResult("initdata1.txt", TYPED, a.data(), console, errors));
  EXPECT_EQ(readFile("output/initdata1_s.txt"), "");

  ASSERT_TRUE(logTimes("heapsort -i initdata1.txt -t s", 1, 22, 333, console, errors));
  ASSERT_TRUE(logTimes("typed  line ", 0, 0, 0, console, errors));
  EXPECT_EQ(readFile("output/time.txt"),
            "heapsort -i initdata1.txt -t s\t1\t22\t333\ntyped  line \t0\t0\t0\n");
  EXPECT_EQ(console.str(), "");
  EXPECT_EQ(errors.str(), "");
  EXPECT_EQ(readFile("output/initdata1_s.txt.tmp"), "another program's\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator("output"),
                          std::filesystem::directory_iterator()),
            3);  // no temporary file of its own left
}

TEST(ResultFiles, AnswersAnOutputThatIsNotAFolder) {
  ScratchDir scratch;
  writeFile("output", "a file in the way");
  std::ostringstream console;
  std::ostringstream errors;
  std::vector<int> a = {0, 1};
  numberCount = 1;
  EXPECT_FALSE(writeResult("initdata1.txt", TYPED, a.data(), console, errors));
  EXPECT_FALSE(logTimes("command", 0, 0, 0, console, errors));
  EXPECT_EQ(console.str(), "Unable to open file\nUnable to open file\n");
  const std::string reason = ON_WINDOWS ? "No such file or directory" : "Not a directory";
  EXPECT_EQ(errors.str(), "heapsort: output: " + reason + "\n" +
                              "heapsort: output/time.txt: " + reason + "\n");
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
