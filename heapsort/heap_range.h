// Heap operations on a range with an explicit size, for the sort of a whole
// file: they share no state with the fixed array's numberCount and heapSize.
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

// Replaces the root of the heap first[0 .. size) with `value`, keeping it a
// heap. The hole the root leaves goes down to a leaf along the earlier
// child of each pair, then `value` rises from there: one comparison a level
// on the way down instead of two, and in a large heap a new value mostly
// belongs near the leaves anyway. Ties are broken as they fall: this is for
// heaps whose arrangement is never shown.
// REQUIRES: size >= 1; first[0 .. size) is a heap.
template <class T, class Before>
void replaceTopRange(T* first, std::size_t size, const T& value, Before before) {
  assert(size >= 1);
  std::size_t hole = 0;
  for (std::size_t child = 1; child < size; child = 2 * hole + 1) {
    if (child + 1 < size && before(first[child + 1], first[child])) ++child;
    first[hole] = first[child];
    hole = child;
  }
  while (hole > 0) {
    const std::size_t parent = (hole - 1) / 2;
    if (!before(value, first[parent])) break;
    first[hole] = first[parent];
    hole = parent;
  }
  first[hole] = value;
}

// Moves the root of the heap first[0 .. size) to first[size - 1] and makes
// first[0 .. size - 1) a heap of the rest.
// REQUIRES: size >= 1; first[0 .. size) is a heap.
template <class T, class Before>
void popHeapRange(T* first, std::size_t size, Before before) {
  assert(size >= 1);
  const T top = first[0];
  if (size > 1) replaceTopRange(first, size - 1, first[size - 1], before);
  first[size - 1] = top;
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
