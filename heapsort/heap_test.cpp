#include "heap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>
#include <vector>

namespace {

// The sift-down written out as exchanges of pairs, one call per level: the
// arrangement the hole-moving version must reproduce exactly.
void referenceHeapify(std::vector<int>& a, int size, int i) {
  const int l = 2 * i;
  const int r = 2 * i + 1;
  int largest = (l <= size && a[l] > a[i]) ? l : i;
  if (r <= size && a[r] > a[largest]) largest = r;
  if (largest != i) {
    std::swap(a[i], a[largest]);
    referenceHeapify(a, size, largest);
  }
}

std::vector<int> referenceBuild(std::vector<int> a) {
  const int size = static_cast<int>(a.size()) - 1;
  for (int i = size / 2; i >= 1; --i) referenceHeapify(a, size, i);
  return a;
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
