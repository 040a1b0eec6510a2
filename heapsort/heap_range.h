// Heap operations on a range with an explicit size, for the build of a
// whole file: they share no state with the fixed array's numberCount and
// heapSize. The sort of a whole file uses the wide heap of wide_heap.h.
//
// The heap is first[0 .. size): node i has its children at 2i + 1 and
// 2i + 2, where those are below size. `before(x, y)` tells whether x belongs
// nearer the root than y: with `>` the range is a max-heap, with `<` a
// min-heap. No node has a child that comes before it.
//
// The sift-down breaks ties as the fixed array's does: a parent no later
// than its earlier child stays, and of two children that tie the left one
// moves up. A max-heap built here is therefore the arrangement buildMaxHeap
// gives for the same numbers.
//
// Every call of `before` is one comparison; a counted order adds them up.
#ifndef HEAPSORT_HEAP_RANGE_H
#define HEAPSORT_HEAP_RANGE_H

#include <cassert>
#include <cstddef>

// An order of two values that counts its calls.
template <class Less>
struct CountedOrder {
  long long* comparisons;
  template <class T>
  bool operator()(const T& x, const T& y) const {
    ++*comparisons;
    return Less{}(x, y);
  }
};

// Sinks first[i] until the subtree rooted at i is a heap.
// REQUIRES: i < size; the subtrees at 2i + 1 and 2i + 2 are heaps.
template <class T, class Before>
void siftDownRange(T* first, std::size_t size, std::size_t i, Before before) {
  assert(i < size);
  // The sinking value is held aside and the hole moves down.
  const T value = first[i];
  for (;;) {
    const std::size_t l = 2 * i + 1;
    if (l >= size) break;
    std::size_t chosen = i;
    const T* chosenValue = &value;
    if (before(first[l], *chosenValue)) {
      chosen = l;
      chosenValue = &first[l];
    }
    if (l + 1 < size && before(first[l + 1], *chosenValue)) {
      chosen = l + 1;
      chosenValue = &first[l + 1];
    }
    if (chosen == i) break;
    first[i] = *chosenValue;
    i = chosen;
  }
  first[i] = value;
}

// Makes first[0 .. size) a heap, bottom-up.
template <class T, class Before>
void makeHeapRange(T* first, std::size_t size, Before before) {
  for (std::size_t i = size / 2; i-- > 0;) siftDownRange(first, size, i, before);
}

// Whether no node of first[0 .. size) has a child that comes before it.
template <class T, class Before>
bool isHeapRange(const T* first, std::size_t size, Before before) {
  for (std::size_t child = 1; child < size; ++child) {
    if (before(first[child], first[(child - 1) / 2])) return false;
  }
  return true;
}

#endif  // HEAPSORT_HEAP_RANGE_H
