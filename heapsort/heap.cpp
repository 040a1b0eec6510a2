#include "heap.h"

#include <cassert>

int numberCount = 0;
int heapSize = 0;

void maxHeapify(int a[], int i) {
  // The subtrees below i are not checked: that would cost a walk of them.
  assert(i >= 1 && i <= heapSize);
  // The sinking value is held aside and the hole it leaves moves down:
  // the same comparisons as exchanging pairs, with fewer writes.
  const int value = a[i];
  for (;;) {
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
    a[i] = largestValue;
    i = largest;
  }
  a[i] = value;
}

void buildMaxHeap(int a[]) {
  heapSize = numberCount;
  for (int i = numberCount / 2; i >= 1; --i) maxHeapify(a, i);
}

void heapSortNumbers(int a[]) {
  buildMaxHeap(a);
  for (int i = numberCount; i >= 2; --i) {
    const int top = a[1];
    a[1] = a[i];
    a[i] = top;
    --heapSize;
    maxHeapify(a, 1);
  }
}
