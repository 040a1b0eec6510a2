// The sort of every number, checked against std::sort, and its failures.
#include "external_sort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <ctime>
#include <filesystem>
#include <cstddef>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "heap.h"
#include "scratch_dir.h"

namespace {

constexpr std::size_t CAPACITY = LEAST_MEMORY / sizeof(int);  // the heap at 64K

struct Sorted {
  WholeOutcome outcome;
  std::string result;
  std::string errors;
};

Sorted sortText(const std::string& text, bool build = false, std::size_t memory = LEAST_MEMORY) {
  std::istringstream in(text);
  std::ostringstream out;
  std::ostringstream errors;
  WholeJob job;
  job.in = &in;
  job.inputName = "input/numbers.txt";
  job.memoryBytes = memory;
  job.build = build;
  job.target = WholeJob::Target::stream;
  job.stream = &out;
  job.runFolder = ".";
  job.readClock = [] { return std::clock_t(0); };
  const WholeOutcome outcome = sortWhole(job, errors, errors);
  return {outcome, out.str(), errors.str()};
}

std::string lines(const std::vector<int>& numbers) {
  std::string text;
  for (const int n : numbers) text += std::to_string(n) + "\n";
  return text;
}

// Whether a result is the text expected; if not, where they part. Results
// of hundreds of thousands of lines are compared so: EXPECT_EQ's
// line-by-line difference of them would take more memory than there is.
::testing::AssertionResult sameText(const std::string& got, const std::string& expected) {
  if (got == expected) return ::testing::AssertionSuccess();
  const auto parted = std::mismatch(got.begin(), got.end(), expected.begin(), expected.end());
  const std::size_t at = static_cast<std::size_t>(parted.first - got.begin());
  return ::testing::AssertionFailure() << "the texts part at byte " << at << " of " << got.size() << " and "
                                       << expected.size() << ": \"" << got.substr(at, 24) << "\" for \""
                                       << expected.substr(at, 24) << "\"";
}

std::vector<int> ascending(std::size_t count, int from = 0) {
  std::vector<int> numbers(count);
  for (std::size_t i = 0; i < count; ++i) numbers[i] = from + static_cast<int>(i);
  return numbers;
}

std::vector<int> reversed(std::vector<int> numbers) {
  std::reverse(numbers.begin(), numbers.end());
  return numbers;
}

std::vector<int> randomNumbers(std::size_t count, int most, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> pick(-most, most);
  std::vector<int> numbers(count);
  for (int& n : numbers) n = pick(random);
  return numbers;
}

// Each input sorted at 64K, where the heap holds CAPACITY numbers and 16
// runs are merged at once: in memory, in one merge and in two passes.
TEST(SortWhole, SortsEveryNumberAsStdSortDoes) {
  struct Case {
    const char* name;
    std::vector<int> numbers;
    long long runs;  // -1: not checked
    int mergePasses;
  };
  const Case cases[] = {
      {"empty", {}, 0, 0},
      {"one number", {7}, 1, 0},
      {"the ends of int", {INT_MAX, INT_MIN, 0, INT_MIN, INT_MAX}, 1, 0},
      {"duplicates past the heap", randomNumbers(3 * CAPACITY, 3, 1), -1, 1},
      {"sorted: one run", ascending(5 * CAPACITY + 3), 1, 0},
      {"reversed: runs of the heap", reversed(ascending(3 * CAPACITY)), 3, 1},
      {"exactly one heap", randomNumbers(CAPACITY, INT_MAX, 2), 1, 0},
      {"one more than the heap", reversed(ascending(CAPACITY + 1)), 2, 1},
      {"more runs than one merge takes", reversed(ascending(17 * CAPACITY + 1, INT_MIN)), 18, 2},
      {"random, many runs", randomNumbers(40 * CAPACITY, INT_MAX, 4), -1, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDir scratch;
    const Sorted sorted = sortText(lines(c.numbers));
    std::vector<int> expected = c.numbers;
    std::sort(expected.begin(), expected.end());
    EXPECT_TRUE(sameText(sorted.result, lines(expected)));
    EXPECT_EQ(sorted.errors, "");
    EXPECT_TRUE(sorted.outcome.written);
    EXPECT_EQ(sorted.outcome.reading, WholeOutcome::Reading::whole);
    EXPECT_EQ(sorted.outcome.numbers, static_cast<long long>(c.numbers.size()));
    if (c.runs >= 0) {
      EXPECT_EQ(sorted.outcome.runs, c.runs);
    }
    EXPECT_EQ(sorted.outcome.mergePasses, c.mergePasses);
    EXPECT_TRUE(std::filesystem::is_empty(".")) << "a run file was left";
  }
}

// A heap of more numbers than the cache holds is sorted in pieces that then
// merge: whole pieces, a short last one, pieces at the end of a run and of
// the numbers that waited for the next.
TEST(SortWhole, SortsAHeapLargerThanAPieceAsStdSortDoes) {
  constexpr std::size_t MEMORY = std::size_t{1} << 20;
  constexpr std::size_t HEAP = MEMORY / sizeof(int);
  struct Case {
    const char* name;
    std::vector<int> numbers;
    long long runs;
  };
  const Case cases[] = {
      {"a full heap in memory", randomNumbers(HEAP, INT_MAX, 7), 1},
      {"a short last piece", randomNumbers(HEAP / 2 + 12345, 1000, 8), 1},
      {"runs", randomNumbers(2 * HEAP + 777, INT_MAX, 9), 2},
      {"reversed", reversed(ascending(HEAP + HEAP / 3)), 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDir scratch;
    const Sorted sorted = sortText(lines(c.numbers), false, MEMORY);
    std::vector<int> expected = c.numbers;
    std::sort(expected.begin(), expected.end());
    EXPECT_TRUE(sameText(sorted.result, lines(expected)));
    EXPECT_EQ(sorted.outcome.runs, c.runs);
  }
}

// Replacement selection makes runs about twice the heap on random input.
TEST(SortWhole, RandomRunsAreAboutTwiceTheHeap) {
  ScratchDir scratch;
  const std::size_t count = 30 * CAPACITY;
  const Sorted sorted = sortText(lines(randomNumbers(count, INT_MAX, 5)));
  const double average = static_cast<double>(count) / static_cast<double>(sorted.outcome.runs);
  EXPECT_GT(average, 1.7 * CAPACITY);
  EXPECT_LT(average, 2.3 * CAPACITY);
}

// A build arranges the same heap as the fixed array's build, and refuses
// more numbers than the memory holds.
TEST(SortWhole, BuildsOneMaxHeapWhenTheNumbersFit) {
  for (const std::size_t count : {std::size_t{0}, std::size_t{1}, CAPACITY, CAPACITY + 1}) {
    SCOPED_TRACE(count);
    ScratchDir scratch;
    const std::vector<int> numbers = randomNumbers(count, 50, 6);
    const Sorted built = sortText(lines(numbers), true);
    if (count > CAPACITY) {
      EXPECT_EQ(built.outcome.reading, WholeOutcome::Reading::failed);
      EXPECT_EQ(built.result, "");
      EXPECT_EQ(built.errors, "heapsort: input/numbers.txt: more than 16384 numbers do not fit in "
                              "the memory given; a larger --memory takes them\n");
      continue;
    }
    // The fixed array's build of the same numbers, ties and all.
    std::vector<int> a(count + 1);
    std::copy(numbers.begin(), numbers.end(), a.begin() + 1);
    numberCount = static_cast<int>(count);
    buildMaxHeap(a.data());
    EXPECT_EQ(built.result, lines(std::vector<int>(a.begin() + 1, a.end())));
  }
}

}  // namespace
