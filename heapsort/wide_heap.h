// A heap of four children a node, for heaps far larger than the cache: the
// sort of a whole file forms its runs and sorts its pieces with it.
//
// The heap is first[0 .. size): node i has its children at 4i + 1 .. 4i + 4,
// where those are below size. `before(x, y)` tells whether x belongs nearer
// the root than y. No node has a child that comes before it.
//
// A binary heap of 16 million numbers is 24 levels deep, and below the
// first dozen nearly every level misses the cache. Four children a node
// halve the levels for one comparison more a level. Placed where
// wideHeapStart says, the four children of a node share one 16-byte block of
// a cache line, and the sixteen grandchildren of a node fill one cache line
// exactly: a sift-down fetches that line while it chooses among the
// children, so that its next level is on its way before it is needed.
//
// Every call of `before` is one comparison; a counted order adds them up.
#ifndef HEAPSORT_WIDE_HEAP_H
#define HEAPSORT_WIDE_HEAP_H

#include <cassert>
#include <cstddef>
#include <cstdint>

#include "platform.h"

constexpr std::size_t WIDE_HEAP_ARITY = 4;
// Numbers to allocate beyond a wide heap's size, for wideHeapStart.
constexpr std::size_t WIDE_HEAP_SLACK = 16;

// Where in memory of size + WIDE_HEAP_SLACK ints a wide heap of size numbers
// starts: the first place whose grandchildren of the root begin a cache line.
inline int* wideHeapStart(int* memory) {
  constexpr std::uintptr_t LINE = 64;
  const std::uintptr_t grandchildren = reinterpret_cast<std::uintptr_t>(memory + 5);
  const std::uintptr_t skip = (LINE - grandchildren % LINE) % LINE;
  return memory + skip / sizeof(int);
}

// Asks for the grandchildren of node i before they are compared.
template <class T>
void prefetchGrandchildren(const T* first, std::size_t size, std::size_t i) {
  const std::size_t grandchild = 16 * i + 5;
  if (grandchild < size) prefetchLine(first + grandchild);
}

// The child of node i that comes first of its up to four.
// REQUIRES: 4i + 1 < size.
template <class T, class Before>
std::size_t earliestChild(const T* first, std::size_t size, std::size_t i, Before before) {
  const std::size_t child = WIDE_HEAP_ARITY * i + 1;
  assert(child < size);
  if (child + WIDE_HEAP_ARITY <= size) {
    // All four, as two pairs, then their winners; by arithmetic on the
    // outcomes, not by branches: which child wins is a coin toss that a
    // branch would mispredict half the time.
    const std::size_t a = child + static_cast<std::size_t>(before(first[child + 1], first[child]));
    const std::size_t b = child + 2 + static_cast<std::size_t>(before(first[child + 3], first[child + 2]));
    return a + (b - a) * static_cast<std::size_t>(before(first[b], first[a]));
  }
  std::size_t earliest = child;
  for (std::size_t c = child + 1; c < size; ++c) {
    if (before(first[c], first[earliest])) earliest = c;
  }
  return earliest;
}

// Sinks first[i] until the subtree rooted at i is a heap.
// REQUIRES: i < size; the subtrees of i's children are heaps.
template <class T, class Before>
void siftDownWide(T* first, std::size_t size, std::size_t i, Before before) {
  assert(i < size);
  const T value = first[i];
  while (WIDE_HEAP_ARITY * i + 1 < size) {
    const std::size_t child = earliestChild(first, size, i, before);
    if (!before(first[child], value)) break;
    first[i] = first[child];
    i = child;
  }
  first[i] = value;
}

// Makes first[0 .. size) a wide heap, bottom-up.
template <class T, class Before>
void makeWideHeap(T* first, std::size_t size, Before before) {
  if (size < 2) return;
  for (std::size_t i = (size - 2) / WIDE_HEAP_ARITY + 1; i-- > 0;) siftDownWide(first, size, i, before);
}

// Replaces the root of the wide heap first[0 .. size) with `value`. The
// hole the root leaves goes down to a leaf along the earliest child of each
// node, then `value` rises from there: in a large heap a new value mostly
// belongs near the leaves anyway. Ties are broken as they fall: this is for
// heaps whose arrangement is never shown.
// REQUIRES: size >= 1; first[0 .. size) is a wide heap.
template <class T, class Before>
void replaceWideTop(T* first, std::size_t size, const T& value, Before before) {
  assert(size >= 1);
  std::size_t hole = 0;
  while (WIDE_HEAP_ARITY * hole + 1 < size) {
    prefetchGrandchildren(first, size, hole);
    const std::size_t child = earliestChild(first, size, hole, before);
    first[hole] = first[child];
    hole = child;
  }
  while (hole > 0) {
    const std::size_t parent = (hole - 1) / WIDE_HEAP_ARITY;
    if (!before(value, first[parent])) break;
    first[hole] = first[parent];
    hole = parent;
  }
  first[hole] = value;
}

// Moves the root of the wide heap first[0 .. size) to first[size - 1] and
// makes first[0 .. size - 1) a wide heap of the rest.
// REQUIRES: size >= 1; first[0 .. size) is a wide heap.
template <class T, class Before>
void popWideHeap(T* first, std::size_t size, Before before) {
  assert(size >= 1);
  const T top = first[0];
  if (size > 1) replaceWideTop(first, size - 1, first[size - 1], before);
  first[size - 1] = top;
}

// Whether no node of first[0 .. size) has a child that comes before it.
template <class T, class Before>
bool isWideHeap(const T* first, std::size_t size, Before before) {
  for (std::size_t child = 1; child < size; ++child) {
    if (before(first[child], first[(child - 1) / WIDE_HEAP_ARITY])) return false;
  }
  return true;
}

#endif  // HEAPSORT_WIDE_HEAP_H
