// The wide heap, checked after every operation by isWideHeap and its
// sorts against std::sort.
#include "wide_heap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <random>
#include <vector>

#include "heap_range.h"

namespace {

using Less = CountedOrder<std::less<int>>;

// Sizes around each level's end and each group of four: 1 + 4 + 16 + 64
// nodes fill four levels.
TEST(WideHeap, KeepsItsOrderThroughEveryOperation) {
  for (const std::size_t size : {1, 2, 4, 5, 6, 20, 21, 22, 85, 86, 1000}) {
    SCOPED_TRACE(size);
    std::mt19937 random(static_cast<unsigned>(size));
    std::uniform_int_distribution<int> pick(-20, 20);  // many ties
    std::vector<int> memory(size + WIDE_HEAP_SLACK);
    int* const heap = wideHeapStart(memory.data());
    ASSERT_LE(heap + size, memory.data() + memory.size());
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(heap + 5) % 64, 0u);
    std::vector<int> numbers(size);
    for (int& n : numbers) n = pick(random);
    std::copy(numbers.begin(), numbers.end(), heap);
    long long comparisons = 0;
    const Less less{&comparisons};
    makeWideHeap(heap, size, less);
    EXPECT_TRUE(isWideHeap(heap, size, less));
    for (int k = 0; k < 200; ++k) {
      const int value = pick(random);
      numbers.erase(std::min_element(numbers.begin(), numbers.end()));
      numbers.push_back(value);
      replaceWideTop(heap, size, value, less);
      ASSERT_TRUE(isWideHeap(heap, size, less)) << "after replacement " << k;
    }
    // Popped down to one, the heap ends in descending order: the sort.
    for (std::size_t n = size; n > 1; --n) {
      popWideHeap(heap, n, less);
      ASSERT_TRUE(isWideHeap(heap, n - 1, less)) << "after pop " << size - n;
    }
    std::sort(numbers.begin(), numbers.end(), std::greater<int>());
    EXPECT_EQ(std::vector<int>(heap, heap + size), numbers);
    EXPECT_EQ(comparisons > 0, size > 1);
  }
}

}  // namespace
