// Watching the heap operations at work. A study run reads its numbers as an
// ordinary run does, then, instead of writing a result and a time line,
// shows the operation: traced (the events of the first TRACED_NUMBERS
// numbers, in words, as JSON lines or as a step-through page) or counted
// (the comparisons and exchanges of the whole operation).
//
// Every view comes from one event log that the real operations report
// through heapObserver; the arrangement at any step is the array as read
// with the log's exchanges replayed on it.
#ifndef HEAPSORT_HEAP_TRACE_H
#define HEAPSORT_HEAP_TRACE_H

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

#include "heap.h"

// At most this many numbers are traced: a heap of five full levels, which
// a terminal or a page can still draw.
constexpr int TRACED_NUMBERS = 31;
// A trace of more events is refused before anything is shown.
constexpr std::size_t MOST_EVENTS = 1000;

enum class HeapEventKind { heapify, swap, extract };

// One step of a heap operation, as HeapObserver reports it.
struct HeapEvent {
  HeapEventKind kind;
  int i;      // heapify: the node; swap: the parent; extract: 1, the root
  int j;      // swap: the child; extract: the end of the heap; heapify: 0
  int value;  // extract: the maximum moved to a[j]; otherwise 0
};

// Keeps the events of a run, up to `limit` of them; past it, keeps none
// more and remembers that the log overflowed.
class HeapEventLog : public HeapObserver {
 public:
  explicit HeapEventLog(std::size_t limit) : limit_(limit) {}
  void heapify(int i) override { add({HeapEventKind::heapify, i, 0, 0}); }
  void swap(int i, int j) override { add({HeapEventKind::swap, i, j, 0}); }
  void extract(int max) override { add({HeapEventKind::extract, 1, heapSize, max}); }
  const std::vector<HeapEvent>& events() const { return events_; }
  bool overflowed() const { return overflowed_; }

 private:
  void add(const HeapEvent& event);
  std::vector<HeapEvent> events_;
  std::size_t limit_;
  bool overflowed_ = false;
};

// Counts the work of a run. A comparison is one test of two numbers of the
// array against each other: the sift-down at node i compares the sinking
// value with each child that lies in the heap (2i and 2i + 1 at most
// heapSize), so each call makes 0, 1 or 2. A swap is one exchange of the
// sift-down; the sort's moves of the maximum to the end are not counted.
class HeapCounter : public HeapObserver {
 public:
  void heapify(int i) override {
    comparisons += (2 * i <= heapSize ? 1 : 0) + (2 * i + 1 <= heapSize ? 1 : 0);
  }
  void swap(int, int) override { ++swaps; }
  void extract(int) override {}
  long long comparisons = 0;
  long long swaps = 0;
};

// The array at each step: the numbers as read, with the events applied in
// order. The heap covers positions 1 .. heapSize(): all of them at first,
// one fewer after each extract.
class HeapReplay {
 public:
  explicit HeapReplay(const std::vector<int>& numbers);
  void apply(const HeapEvent& event);
  int size() const { return static_cast<int>(a_.size()) - 1; }
  int heapSize() const { return heapSize_; }
  // REQUIRES: 1 <= i <= size().
  int at(int i) const;
  // The child of i that the sift-down would move up, or i when none would.
  int largestOf(int i) const;

 private:
  std::vector<int> a_;  // 1-based, as the program's array
  int heapSize_;
};

// The event in words, as it applies to the array `before` it: for example
// "swap 2 and 5: 16 moves up, 1 moves down".
std::string describeEvent(const HeapEvent& event, const HeapReplay& before);

// How a study run shows its operation.
enum class Study { none, words, json, page, cost };

// Runs heapSortNumbers (sort) or buildMaxHeap on a[1 .. numberCount], as
// read from the file `name`, and shows it on `out` as `study` asks; the
// numbers beyond TRACED_NUMBERS are left out of a trace (a line on
// `errors` says so). Returns 0, or 2 when a trace would pass MOST_EVENTS
// (then `out` is left untouched and a line on `errors` says why).
// REQUIRES: study is not Study::none.
int studyHeap(Study study, bool sort, const std::string& name, int a[], std::ostream& out,
              std::ostream& errors);

#endif  // HEAPSORT_HEAP_TRACE_H
