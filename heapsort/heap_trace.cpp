#include "heap_trace.h"

#include <cassert>
#include <string>
#include <vector>

#include "step_page.h"

void HeapEventLog::add(const HeapEvent& event) {
  if (events_.size() == limit_) {
    overflowed_ = true;
    return;
  }
  events_.push_back(event);
}

HeapReplay::HeapReplay(const std::vector<int>& numbers)
    : a_(numbers.size() + 1, 0), heapSize_(static_cast<int>(numbers.size())) {
  for (std::size_t k = 0; k < numbers.size(); ++k) a_[k + 1] = numbers[k];
}

int HeapReplay::at(int i) const {
  assert(i >= 1 && i <= size());
  return a_[static_cast<std::size_t>(i)];
}

int HeapReplay::largestOf(int i) const {
  // The sift-down's own rule: a child must be strictly greater to move up,
  // and the right one strictly greater than the left.
  int largest = i;
  if (2 * i <= heapSize_ && at(2 * i) > at(largest)) largest = 2 * i;
  if (2 * i + 1 <= heapSize_ && at(2 * i + 1) > at(largest)) largest = 2 * i + 1;
  return largest;
}

void HeapReplay::apply(const HeapEvent& event) {
  if (event.kind == HeapEventKind::heapify) return;
  std::swap(a_[static_cast<std::size_t>(event.i)], a_[static_cast<std::size_t>(event.j)]);
  if (event.kind == HeapEventKind::extract) --heapSize_;
}

std::string describeEvent(const HeapEvent& event, const HeapReplay& before) {
  const auto value = [&before](int i) { return std::to_string(before.at(i)); };
  const int i = event.i;
  switch (event.kind) {
    case HeapEventKind::heapify: {
      std::string line = "heapify " + std::to_string(i) + ": " + value(i);
      const int l = 2 * i;
      if (l > before.heapSize()) return line + " has no child in the heap; it stays";
      line += l + 1 <= before.heapSize()
                  ? " against its children " + value(l) + " and " + value(l + 1)
                  : " against its child " + value(l);
      return before.largestOf(i) == i ? line + "; no child is larger, it stays" : line;
    }
    case HeapEventKind::swap:
      return "swap " + std::to_string(i) + " and " + std::to_string(event.j) + ": " +
             value(event.j) + " moves up, " + value(i) + " moves down";
    case HeapEventKind::extract:
      return "extract " + value(1) + ": it goes to the end, a[" + std::to_string(event.j) +
             "], and " + value(event.j) + " comes to the top; the heap shrinks to " +
             std::to_string(event.j - 1);
  }
  return "";
}

namespace {

// The numbers at positions from .. to in a row.
std::string rowOf(const HeapReplay& replay, int from, int to) {
  if (from > to) return "(none)";
  std::string row;
  for (int i = from; i <= to; ++i) row += (i > from ? " " : "") + std::to_string(replay.at(i));
  return row;
}

// The heap as an indented outline, a node above its children, each with its
// position; then the part already sorted, behind the heap.
void drawTree(std::ostream& out, const HeapReplay& replay) {
  std::vector<int> pending = {1};  // nodes still to draw, the next one last
  while (!pending.empty() && replay.heapSize() > 0) {
    const int i = pending.back();
    pending.pop_back();
    int depth = 1;
    for (int up = i; up > 1; up /= 2) ++depth;
    out << std::string(static_cast<std::size_t>(2 * depth), ' ') << '[' << i << "] "
        << replay.at(i) << '\n';
    for (const int child : {2 * i + 1, 2 * i}) {
      if (child <= replay.heapSize()) pending.push_back(child);
    }
  }
  if (replay.heapSize() < replay.size()) {
    out << "  sorted: " << rowOf(replay, replay.heapSize() + 1, replay.size()) << '\n';
  }
}

std::string whatIsDone(bool sort, int count) {
  if (count == 0) return "nothing to do: there are no numbers";
  if (count == 1) return std::string("nothing to do: one number is already ") +
                         (sort ? "sorted" : "a max-heap");
  const std::string build = "build a max-heap: heapify each node from " +
                            std::to_string(count / 2) + " down to 1";
  return sort ? build + "; then move the maximum to the end " + std::to_string(count - 1) +
                    " times, each time heapifying the root of the smaller heap"
              : build;
}

// One line per event; the heap drawn after each sift-down ends, that is
// after each heapify that leaves its value where it is.
void writeWords(std::ostream& out, bool sort, const std::vector<int>& numbers,
                const std::vector<HeapEvent>& events) {
  HeapReplay replay(numbers);
  out << "the array as read, " << numbers.size()
      << (numbers.size() == 1 ? " number: " : " numbers: ") << rowOf(replay, 1, replay.size())
      << '\n';
  drawTree(out, replay);
  out << whatIsDone(sort, replay.size()) << '\n';
  for (const HeapEvent& event : events) {
    out << describeEvent(event, replay) << '\n';
    const bool stays = event.kind == HeapEventKind::heapify && replay.largestOf(event.i) == event.i;
    replay.apply(event);
    if (stays) drawTree(out, replay);
  }
  out << (sort ? "sorted: " : "the max-heap: ") << rowOf(replay, 1, replay.size()) << '\n';
}

void writeJson(std::ostream& out, const std::vector<HeapEvent>& events) {
  for (const HeapEvent& event : events) {
    switch (event.kind) {
      case HeapEventKind::heapify:
        out << "{\"event\":\"heapify\",\"i\":" << event.i << "}\n";
        break;
      case HeapEventKind::swap:
        out << "{\"event\":\"swap\",\"i\":" << event.i << ",\"j\":" << event.j << "}\n";
        break;
      case HeapEventKind::extract:
        out << "{\"event\":\"extract\",\"max\":" << event.value << "}\n";
        break;
    }
  }
}

// floor(log2 n), 0 for n below 2.
long long floorLog2(long long n) {
  long long log = 0;
  while (n > 1) {
    n /= 2;
    ++log;
  }
  return log;
}

}  // namespace

int studyHeap(Study study, bool sort, const std::string& name, int a[], std::ostream& out,
              std::ostream& errors) {
  assert(study != Study::none);
  const auto run = [sort, a](HeapObserver& observer) {
    heapObserver = &observer;
    if (sort) {
      heapSortNumbers(a);
    } else {
      buildMaxHeap(a);
    }
    heapObserver = nullptr;
  };

  if (study == Study::cost) {
    HeapCounter counter;
    run(counter);
    const long long n = numberCount;
    out << "numbers\t" << n << "\ncomparisons\t" << counter.comparisons
        << "\ncomparisons_bound\t" << (sort ? 2 * n * floorLog2(n) : 2 * n) << "\nswaps\t"
        << counter.swaps << '\n';
    return 0;
  }

  if (numberCount > TRACED_NUMBERS) {
    errors << "heapsort: tracing the first " << TRACED_NUMBERS << " of the " << numberCount
           << " numbers read; --cost counts the work on all of them" << std::endl;
    numberCount = TRACED_NUMBERS;
  }
  const std::vector<int> numbers(a + 1, a + 1 + numberCount);
  HeapEventLog log(MOST_EVENTS);
  run(log);
  if (log.overflowed()) {
    errors << "heapsort: the trace would take more than " << MOST_EVENTS
           << " events: give fewer numbers" << std::endl;
    return 2;
  }
  if (study == Study::words) {
    writeWords(out, sort, numbers, log.events());
  } else if (study == Study::json) {
    writeJson(out, log.events());
  } else {
    const std::string title = sort ? "heapsort: sorting " : "heapsort: building a heap of ";
    writeHeapPage(out, title + name,
                  whatIsDone(sort, static_cast<int>(numbers.size())), numbers, log.events());
  }
  return 0;
}
