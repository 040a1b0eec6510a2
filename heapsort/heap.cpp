#include "heap.h"

#include <cassert>

int numberCount = 0;
int heapSize = 0;
HeapObserver* heapObserver = nullptr;

namespace {

// The observer of an ordinary run: every call compiles to nothing, so the
// operations below are, for it, the same code as if they reported nothing.
struct Unobserved {
  void heapify(int) {}
  void swap(int, int) {}
  void extract(int) {}
};

template <class Observer>
void siftDown(int a[], int i, Observer& observer) {
  // The sinking value is held aside and the hole it leaves moves down:
  // the same comparisons as exchanging pairs, with fewer writes. Each pass
  // of the loop is one level, the work of one call of the recursive form.
  const int value = a[i];
  for (;;) {
    observer.heapify(i);
    const int l = 2 * i;
    const int r = l + 1;
    int largest = i;
    int largestValue = value;
    if (l <= heapSize && a[l] > largestValue) {
      largest = l;
      largestValue = a[l];
    }
    if (r <= heapSize && a[r] > largestValue) {
      largest = r;
      largestValue = a[r];
    }
    if (largest == i) break;
    observer.swap(i, largest);
    a[i] = largestValue;
    i = largest;
  }
  a[i] = value;
}

template <class Observer>
void build(int a[], Observer& observer) {
  heapSize = numberCount;
  for (int i = numberCount / 2; i >= 1; --i) siftDown(a, i, observer);
}

template <class Observer>
void sort(int a[], Observer& observer) {
  build(a, observer);
  for (int i = numberCount; i >= 2; --i) {
    const int top = a[1];
    observer.extract(top);
    a[1] = a[i];
    a[i] = top;
    --heapSize;
    siftDown(a, 1, observer);
  }
}

// Runs `work` with the observer a traced run set, or with one that reports
// nothing: each operation is compiled twice, and an ordinary run only tests
// the pointer once.
template <class Work>
void withObserver(Work work) {
  if (heapObserver != nullptr) {
    work(*heapObserver);
  } else {
    Unobserved none;
    work(none);
  }
}

}  // namespace

void maxHeapify(int a[], int i) {
  // The subtrees below i are not checked: that would cost a walk of them.
  assert(i >= 1 && i <= heapSize);
  withObserver([a, i](auto& observer) { siftDown(a, i, observer); });
}

void buildMaxHeap(int a[]) {
  withObserver([a](auto& observer) { build(a, observer); });
}

void heapSortNumbers(int a[]) {
  withObserver([a](auto& observer) { sort(a, observer); });
}
