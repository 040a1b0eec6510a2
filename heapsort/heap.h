// The heap algorithms, working in place on the 1-based number array `a`.
//
// The numbers stand at a[1 .. numberCount]; a[0] is never read or written.
// The heap under work is a[1 .. heapSize]: node i has its children at 2i and
// 2i + 1, where those are at most heapSize. It is a max-heap when every node
// is greater than or equal to each of its children (signed comparison).
//
// The arrangement these operations leave is visible output, so the sift-down
// breaks ties exactly one way: a parent that equals its larger child stays,
// and of two equal children greater than the parent the left one moves up.
//
// A traced run watches the operations through a HeapObserver; an ordinary
// run sets none and pays one test of the pointer per call, not per step.
#ifndef HEAPSORT_HEAP_H
#define HEAPSORT_HEAP_H

constexpr int ARRAY_SIZE = 100000;             // elements of `a`, with a[0]
constexpr int NUMBER_CAPACITY = ARRAY_SIZE - 1;  // numbers it can hold

// Number of values in a[1 ..]; set by the number reader, read here.
extern int numberCount;
// Size of the heap under work; 0 at program start.
extern int heapSize;

// What a traced run is told, step by step, as the operations work.
// Positions are numbered as the array is, from 1.
class HeapObserver {
 public:
  virtual ~HeapObserver() = default;
  // The sift-down is called at node i: once per call from outside and once
  // per level it descends. heapSize is the bound of that call.
  virtual void heapify(int i) = 0;
  // The sift-down exchanges a[i] with its larger child a[j] (j is 2i or
  // 2i + 1). The values are moved through a hole, but the arrangement after
  // each step is the one the exchange gives.
  virtual void swap(int i, int j) = 0;
  // The sort exchanges the maximum, `max` at a[1], with a[heapSize], just
  // before it lowers heapSize by one. This exchange is not also a swap.
  virtual void extract(int max) = 0;
};

// The observer of the operations below; null unless a traced run sets it.
extern HeapObserver* heapObserver;

// Sinks a[i] until the subtree rooted at i is a max-heap.
// REQUIRES: 1 <= i <= heapSize; the subtrees at 2i and 2i + 1 are max-heaps.
void maxHeapify(int a[], int i);

// Makes a[1 .. numberCount] a max-heap, bottom-up; sets heapSize to
// numberCount.
void buildMaxHeap(int a[]);

// Sorts a[1 .. numberCount] into non-decreasing order. heapSize ends at 1,
// or 0 for an empty array.
void heapSortNumbers(int a[]);

#endif  // HEAPSORT_HEAP_H
