#include "heap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "heap_trace.h"

namespace {

// What the reference did: its events as JSON lines, its comparisons of two
// numbers of the array, and its exchanges.
struct Work {
  std::string json;
  long long comparisons = 0;
  long long swaps = 0;
};

// The sift-down written out as exchanges of pairs, one call per level: the
// arrangement, the events and the comparisons the hole-moving version must
// reproduce exactly.
void referenceHeapify(std::vector<int>& a, int size, int i, Work& work) {
  work.json += "{\"event\":\"heapify\",\"i\":" + std::to_string(i) + "}\n";
  const int l = 2 * i;
  const int r = 2 * i + 1;
  work.comparisons += (l <= size) + (r <= size);
  int largest = (l <= size && a[l] > a[i]) ? l : i;
  if (r <= size && a[r] > a[largest]) largest = r;
  if (largest != i) {
    work.json += "{\"event\":\"swap\",\"i\":" + std::to_string(i) + ",\"j\":" +
                 std::to_string(largest) + "}\n";
    ++work.swaps;
    std::swap(a[i], a[largest]);
    referenceHeapify(a, size, largest, work);
  }
}

std::vector<int> referenceBuild(std::vector<int> a, Work& work) {
  const int size = static_cast<int>(a.size()) - 1;
  for (int i = size / 2; i >= 1; --i) referenceHeapify(a, size, i, work);
  return a;
}

std::vector<int> referenceBuild(std::vector<int> a) {
  Work work;
  return referenceBuild(std::move(a), work);
}

void referenceSort(std::vector<int> a, Work& work) {
  a = referenceBuild(std::move(a), work);
  for (int i = static_cast<int>(a.size()) - 1; i >= 2; --i) {
    work.json += "{\"event\":\"extract\",\"max\":" + std::to_string(a[1]) + "}\n";
    std::swap(a[1], a[i]);
    referenceHeapify(a, i - 1, 1, work);
  }
}

// Loads the values into a fresh array at indexes 1.., runs `operation` and
// returns a[1 .. n]. a[0] and the slot after the values hold sentinels that
// must survive; one slot more than the program's array leaves room for the
// second one when the array is full.
template <class Operation>
std::vector<int> runOn(const std::vector<int>& values, Operation operation) {
  std::vector<int> a(ARRAY_SIZE + 1, 0);
  a[0] = 12345;
  std::copy(values.begin(), values.end(), a.begin() + 1);
  a[values.size() + 1] = -777;
  numberCount = static_cast<int>(values.size());
  heapSize = -1;
  operation(a.data());
  EXPECT_EQ(a[0], 12345);
  EXPECT_EQ(a[values.size() + 1], -777);
  return std::vector<int>(a.begin() + 1, a.begin() + 1 + static_cast<long>(values.size()));
}

TEST(Heap, BuildAndSortGiveTheExactArrangement) {
  struct Case {
    std::vector<int> input;
    std::vector<int> built;
    std::vector<int> sorted;
  };
  const std::vector<Case> cases = {
      {{}, {}, {}},
      {{42}, {42}, {42}},
      {{4, 1, 3, 2, 16, 9, 10, 14, 8, 7},
       {16, 14, 10, 8, 7, 9, 3, 2, 4, 1},
       {1, 2, 3, 4, 7, 8, 9, 10, 14, 16}},
      {{1, 5, 5}, {5, 1, 5}, {1, 5, 5}},  // equal children: the left one rises
      {{5, 5}, {5, 5}, {5, 5}},           // an equal child stays below
      {{3, -1, 7, 0, -12}, {7, 0, 3, -1, -12}, {-12, -1, 0, 3, 7}},
      {{2, 2, 1}, {2, 2, 1}, {1, 2, 2}},
      {{INT_MIN, INT_MAX, 0}, {INT_MAX, INT_MIN, 0}, {INT_MIN, 0, INT_MAX}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(runOn(c.input, buildMaxHeap), c.built);
    EXPECT_EQ(heapSize, static_cast<int>(c.input.size()));
    EXPECT_EQ(runOn(c.input, heapSortNumbers), c.sorted);
    EXPECT_EQ(heapSize, std::min<int>(static_cast<int>(c.input.size()), 1));
  }
}

TEST(Heap, RandomArraysMatchTheReferenceAndStdSort) {
  std::mt19937 random(2024);
  for (const int size : {2, 3, 7, 64, 1000, NUMBER_CAPACITY}) {
    for (const int spread : {3, 1000000}) {
      std::vector<int> values(static_cast<std::size_t>(size));
      std::uniform_int_distribution<int> pick(-spread, spread);
      for (int& v : values) v = pick(random);
      values[random() % values.size()] = INT_MIN;
      values[random() % values.size()] = INT_MAX;

      std::vector<int> withSlotZero(1, 0);
      withSlotZero.insert(withSlotZero.end(), values.begin(), values.end());
      const std::vector<int> expectedHeap = referenceBuild(withSlotZero);
      EXPECT_EQ(runOn(values, buildMaxHeap),
                std::vector<int>(expectedHeap.begin() + 1, expectedHeap.end()))
          << size;

      std::vector<int> expectedSorted = values;
      std::sort(expectedSorted.begin(), expectedSorted.end());
      EXPECT_EQ(runOn(values, heapSortNumbers), expectedSorted) << size;
    }
  }
}

// A trace shows every call of the sift-down (each level it descends), every
// exchange and every maximum moved, in order; the counts are the
// comparisons and exchanges the reference makes, within the textbook's
// bounds (2n to build, 2n floor(log2 n) to sort); the log keeps no more
// than its limit.
TEST(Heap, TracesAndCountsShowTheWorkTheReferenceDoes) {
  std::mt19937 random(7);
  std::vector<std::vector<int>> inputs = {
      {}, {42}, {4, 1, 3, 2, 16, 9, 10, 14, 8, 7}, {1, 5, 5}, {5, 5}, {3, -1, 7, 0, -12}, {2, 2, 1}};
  for (const int size : {TRACED_NUMBERS, 1000}) {
    std::vector<int> values(static_cast<std::size_t>(size));
    for (int& v : values) v = static_cast<int>(random() % 50);
    inputs.push_back(values);
  }
  for (const std::vector<int>& input : inputs) {
    for (const bool sort : {false, true}) {
      SCOPED_TRACE(testing::PrintToString(input) + (sort ? " sorted" : " built"));
      Work expected;
      std::vector<int> withSlotZero(1, 0);
      withSlotZero.insert(withSlotZero.end(), input.begin(), input.end());
      if (sort) referenceSort(withSlotZero, expected);
      else referenceBuild(withSlotZero, expected);
      const long long n = static_cast<long long>(input.size());
      long long log2 = 0;
      while ((2LL << log2) <= n) ++log2;
      const long long bound = sort ? 2 * n * log2 : 2 * n;
      EXPECT_LE(expected.comparisons, bound);

      std::ostringstream json;
      std::ostringstream cost;
      std::ostringstream errors;
      runOn(input, [&](int a[]) { studyHeap(Study::cost, sort, "", a, cost, errors); });
      EXPECT_EQ(cost.str(), "numbers\t" + std::to_string(n) + "\ncomparisons\t" +
                                std::to_string(expected.comparisons) + "\ncomparisons_bound\t" +
                                std::to_string(bound) + "\nswaps\t" +
                                std::to_string(expected.swaps) + "\n");
      if (n > TRACED_NUMBERS) continue;
      runOn(input, [&](int a[]) { studyHeap(Study::json, sort, "", a, json, errors); });
      EXPECT_EQ(json.str(), expected.json);
      EXPECT_EQ(errors.str(), "");
    }
  }
  HeapEventLog shortLog(5);
  heapObserver = &shortLog;
  runOn({4, 1, 3, 2, 16, 9, 10, 14, 8, 7}, buildMaxHeap);
  heapObserver = nullptr;
  EXPECT_EQ(shortLog.events().size(), 5u);
  EXPECT_TRUE(shortLog.overflowed());
}

// In Debug and sanitizer builds a node outside the heap stops the call;
// Release builds have no check to test.
TEST(Heap, SiftDownStopsANodeOutsideTheHeap) {
#ifdef NDEBUG
  GTEST_SKIP() << "the contracts are checked in Debug and sanitizer builds only";
#else
  std::vector<int> a = {0, 3, 2, 1, 0};
  numberCount = 3;
  heapSize = 3;
  EXPECT_DEATH(maxHeapify(a.data(), 0), "");
  EXPECT_DEATH(maxHeapify(a.data(), 4), "");
#endif
}

}  // namespace
