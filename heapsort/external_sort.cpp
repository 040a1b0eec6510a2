#include "external_sort.h"

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "heap_range.h"
#include "number_files.h"
#include "number_scanner.h"
#include "platform.h"
#include "unfinished_file.h"
#include "wide_heap.h"

namespace {

// The fixed few buffers beside the memory asked for: the input's text, the
// result's text, and the numbers on their way to a run file.
constexpr std::size_t TEXT_BYTES = 1 << 20;
constexpr std::size_t RUN_BLOCK_NUMBERS = (1 << 20) / sizeof(int);
// A run being merged is read a block at a time: never less than this, so
// that the reads stay large, nor more, since larger ones gain nothing.
constexpr std::size_t LEAST_BLOCK_NUMBERS = 1024;
constexpr std::size_t MOST_BLOCK_NUMBERS = (1 << 20) / sizeof(int);
// A heap sort of numbers the cache holds runs at the cache's speed; beyond
// it, nearly every level of each sift-down misses. A large range is sorted
// in pieces of this many numbers, which then merge.
constexpr std::size_t PIECE_NUMBERS = std::size_t{1} << 16;

using Less = CountedOrder<std::less<int>>;
using Greater = CountedOrder<std::greater<int>>;

// A file of runs: numbers in binary, one run after another; where each run
// starts is kept in memory, not in the file.
class RunFile {
 public:
  RunFile() = default;
  RunFile(const RunFile&) = delete;
  RunFile& operator=(const RunFile&) = delete;
  ~RunFile() {
    // Closed before the unfinished file removes its name, which Windows
    // refuses for an open file.
    if (file_ != nullptr) static_cast<void>(std::fclose(file_));
  }

  bool create(const std::string& folder, std::ostream& errors) {
    int cause = 0;
    if (unfinished_.create(folder, cause)) {
      errno = 0;
      file_ = std::fopen(unfinished_.name().c_str(), "w+b");
      cause = errno;
    }
    if (file_ == nullptr) {
      errno = cause;
      tellTrouble(errors, folder, systemReason("cannot take a new file"));
      return false;
    }
    // The blocks are large: the library's own buffer would only copy them.
    static_cast<void>(std::setvbuf(file_, nullptr, _IONBF, 0));
    return true;
  }

  // Writes `count` numbers at number `at` of the file.
  bool write(std::uint64_t at, const int* numbers, std::size_t count) {
    errno = 0;
    return seekFile(file_, static_cast<long long>(at) * static_cast<long long>(sizeof(int))) &&
           std::fwrite(numbers, sizeof(int), count, file_) == count;
  }

  // Reads `count` numbers from number `at` of the file.
  bool read(std::uint64_t at, int* numbers, std::size_t count) {
    errno = 0;
    return seekFile(file_, static_cast<long long>(at) * static_cast<long long>(sizeof(int))) &&
           std::fread(numbers, sizeof(int), count, file_) == count;
  }

  bool created() const { return file_ != nullptr; }

 private:
  UnfinishedFile unfinished_{"heapsort"};
  std::FILE* file_ = nullptr;
};

// Numbers appended to a run file through a block of memory. Each run ends
// where the next starts: `starts` gets the start of each run, and, once the
// last is ended, the end of the file.
class RunWriter {
 public:
  explicit RunWriter(RunFile& file) : file_(file), block_(RUN_BLOCK_NUMBERS) {}

  void startRun() { starts.push_back(written_ + filled_); }
  void put(int value) {
    if (filled_ == block_.size()) flush();
    block_[filled_++] = value;
  }
  // Writes what the block holds; false once any write failed.
  bool flush() {
    if (filled_ > 0 && ok_) ok_ = file_.write(written_, block_.data(), filled_);
    written_ += filled_;
    filled_ = 0;
    return ok_;
  }
  bool finish() {
    starts.push_back(written_ + filled_);
    return flush();
  }

  std::vector<std::uint64_t> starts;

 private:
  RunFile& file_;
  std::vector<int> block_;
  std::size_t filled_ = 0;
  std::uint64_t written_ = 0;
  bool ok_ = true;
};

// The result as text, one number a line, through one large buffer; nothing
// is written when there is no stream (a run that only counts).
class TextWriter {
 public:
  explicit TextWriter(std::ostream* out) : out_(out), text_(out != nullptr ? TEXT_BYTES : 0) {}
  void put(int value) {
    if (out_ == nullptr) return;
    constexpr std::size_t LONGEST = 12;  // "-2147483648\n"
    if (text_.size() - filled_ < LONGEST) flush();
    char* const at = text_.data() + filled_;
    char* const end = std::to_chars(at, at + LONGEST, value).ptr;
    *end = '\n';
    filled_ += static_cast<std::size_t>(end + 1 - at);
  }
  void flush() {
    if (out_ != nullptr && filled_ > 0) out_->write(text_.data(), static_cast<std::streamsize>(filled_));
    filled_ = 0;
  }

 private:
  std::ostream* out_;
  std::vector<char> text_;
  std::size_t filled_ = 0;
};

// One run being merged: the part of it in memory, and where the rest is.
struct Source {
  int* block;
  std::size_t blockSize;
  std::size_t pos = 0;
  std::size_t len = 0;
  std::uint64_t next;  // the next number of the file to read
  std::uint64_t end;   // where the run ends in the file
};

// The smallest number of each run being merged, and which run it came from.
struct Head {
  int value;
  std::uint32_t source;
};

struct HeadOrder {
  long long* comparisons;
  bool operator()(const Head& x, const Head& y) const {
    ++*comparisons;
    return x.value < y.value;
  }
};

class WholeSort {
 public:
  WholeSort(const WholeJob& job, std::ostream& console, std::ostream& errors)
      : job_(job), console_(console), errors_(errors) {}
  WholeOutcome run();

 private:
  void readAndFormRuns(NumberScanner& scanner);
  bool startSpilling();
  void sortPieces(int* first, std::size_t size);
  template <class Put>
  void mergePieces(const int* first, std::size_t size, Put put);
  bool sortOrBuildInMemory();
  bool mergeRuns();
  template <class Put>
  bool mergeGroup(RunFile& from, const std::vector<std::uint64_t>& starts, std::size_t first,
                  std::size_t count, Put put);
  bool writeResult(const std::function<bool(TextWriter&)>& write);
  void tellRunTrouble(const char* what);

  const WholeJob& job_;
  std::ostream& console_;
  std::ostream& errors_;
  WholeOutcome outcome_;
  std::unique_ptr<int[]> memory_;  // the memory asked for, as numbers
  int* heap_ = nullptr;            // in memory_, where a wide heap starts
  std::size_t capacity_ = 0;
  std::size_t filled_ = 0;   // numbers in heap_
  std::size_t live_ = 0;     // the current run's heap: heap_[0 .. live_)
  bool spilling_ = false;    // runs are being written
  bool failed_ = false;      // a run file failed; told already
  RunFile runs_[2];          // the runs, and the runs of a merge pass
  std::unique_ptr<RunWriter> writer_;
};

void WholeSort::tellRunTrouble(const char* what) {
  tellTrouble(errors_, job_.runFolder, std::string(what) + ": " + systemReason("failed"));
  failed_ = true;
}

bool WholeSort::startSpilling() {
  static_cast<void>(makeDirectory(job_.runFolder.c_str()));
  if (!runs_[0].create(job_.runFolder, errors_)) {
    console_ << "Unable to open file" << std::endl;
    failed_ = true;
    return false;
  }
  writer_ = std::make_unique<RunWriter>(runs_[0]);
  Less less{&outcome_.comparisons};
  makeWideHeap(heap_, capacity_, less);
  live_ = capacity_;
  spilling_ = true;
  writer_->startRun();
  return true;
}

void WholeSort::readAndFormRuns(NumberScanner& scanner) {
  Less less{&outcome_.comparisons};
  std::vector<int> batch(4096);
  for (;;) {
    const std::size_t got = scanner.read(batch.data(), batch.size());
    if (got == 0) break;
    std::size_t k = 0;
    // The heap fills first; no number leaves it before it is full.
    while (k < got && filled_ < capacity_) heap_[filled_++] = batch[k++];
    if (k == got) continue;
    if (job_.build) {
      // One number too many: the build cannot hold them all.
      outcome_.numbers = scanner.count() - static_cast<long long>(got - k);
      failed_ = true;
      tellTrouble(errors_, job_.inputName,
                  "more than " + std::to_string(capacity_) +
                      " numbers do not fit in the memory given; a larger --memory takes them");
      return;
    }
    if (!spilling_ && !startSpilling()) return;
    int* const heap = heap_;
    for (; k < got; ++k) {
      const int value = batch[k];
      const int top = heap[0];
      writer_->put(top);
      if (!less(value, top)) {
        replaceWideTop(heap, live_, value, less);
        continue;
      }
      // Too small for this run: it waits, where the heap gives up a place,
      // for the next one.
      --live_;
      if (live_ > 0) replaceWideTop(heap, live_, heap[live_], less);
      heap[live_] = value;
      if (live_ > 0) continue;
      writer_->startRun();
      makeWideHeap(heap, capacity_, less);
      live_ = capacity_;
    }
  }
  outcome_.numbers = scanner.count();
}

// Sorts each piece of PIECE_NUMBERS of first[0 .. size) in place, in the
// cache: made a heap, then drained, each smallest going to the end, so that
// it ends in descending order.
void WholeSort::sortPieces(int* first, std::size_t size) {
  Less less{&outcome_.comparisons};
  for (std::size_t at = 0; at < size; at += PIECE_NUMBERS) {
    const std::size_t count = std::min(PIECE_NUMBERS, size - at);
    makeWideHeap(first + at, count, less);
    for (std::size_t n = count; n > 1; --n) popWideHeap(first + at, n, less);
  }
}

// Hands the numbers of the pieces sortPieces sorted to put(), in ascending
// order: a heap of the pieces, one head each, merges them as runs merge.
template <class Put>
void WholeSort::mergePieces(const int* first, std::size_t size, Put put) {
  const std::size_t pieces = (size + PIECE_NUMBERS - 1) / PIECE_NUMBERS;
  // left[p]: the numbers of piece p not yet merged, the smallest the last.
  std::vector<std::size_t> left(pieces);
  std::vector<Head> heads(pieces);
  for (std::size_t p = 0; p < pieces; ++p) {
    left[p] = std::min(PIECE_NUMBERS, size - p * PIECE_NUMBERS) - 1;
    heads[p] = {first[p * PIECE_NUMBERS + left[p]], static_cast<std::uint32_t>(p)};
  }
  HeadOrder order{&outcome_.comparisons};
  makeWideHeap(heads.data(), pieces, order);
  for (std::size_t live = pieces; live > 0;) {
    const Head top = heads[0];
    put(top.value);
    std::size_t& rest = left[top.source];
    if (rest > 0) {
      --rest;
      replaceWideTop(heads.data(), live, Head{first[top.source * PIECE_NUMBERS + rest], top.source}, order);
    } else if (--live > 0) {
      replaceWideTop(heads.data(), live, heads[live], order);  // this piece is done
    }
  }
}

bool WholeSort::writeResult(const std::function<bool(TextWriter&)>& write) {
  outcome_.clocks[3] = job_.readClock();
  outcome_.clocks[4] = job_.readClock();
  bool ok = true;
  if (job_.target == WholeJob::Target::file) {
    ResultFile result;
    ok = result.open(job_.resultPath, console_, errors_);
    if (ok) {
      TextWriter text(&result.stream());
      ok = write(text);
      text.flush();
      ok = ok && result.finish(console_, errors_);
    }
  } else {
    TextWriter text(job_.target == WholeJob::Target::stream ? job_.stream : nullptr);
    ok = write(text);
    text.flush();
  }
  outcome_.clocks[5] = job_.readClock();
  return ok;
}

bool WholeSort::sortOrBuildInMemory() {
  int* const heap = heap_;
  const std::size_t size = filled_;
  outcome_.runs = size > 0 && !job_.build ? 1 : 0;
  if (job_.build) {
    Greater greater{&outcome_.comparisons};
    makeHeapRange(heap, size, greater);
    return writeResult([heap, size](TextWriter& text) {
      for (std::size_t i = 0; i < size; ++i) text.put(heap[i]);
      return true;
    });
  }
  sortPieces(heap, size);
  return writeResult([this, heap, size](TextWriter& text) {
    mergePieces(heap, size, [&text](int value) { text.put(value); });
    return true;
  });
}

// Merges runs first .. first + count of `from` and hands their numbers to
// put() in ascending order. `put` is a template, not a std::function: it is
// called once a number, and an indirect call each would cost as much as
// writing the number.
template <class Put>
bool WholeSort::mergeGroup(RunFile& from, const std::vector<std::uint64_t>& starts,
                           std::size_t first, std::size_t count, Put put) {
  // The memory asked for, shared by the runs' blocks.
  const std::size_t blockSize = std::clamp(capacity_ / count, LEAST_BLOCK_NUMBERS, MOST_BLOCK_NUMBERS);
  std::vector<int> blocks(blockSize * count);
  std::vector<Source> sources;
  std::vector<Head> heads;
  const auto refill = [&from, this](Source& source) {
    source.len = static_cast<std::size_t>(std::min<std::uint64_t>(source.blockSize, source.end - source.next));
    source.pos = 0;
    if (!from.read(source.next, source.block, source.len)) {
      tellRunTrouble("the sorted runs could not be read back");
      return false;
    }
    source.next += source.len;
    return true;
  };
  for (std::size_t r = 0; r < count; ++r) {
    sources.push_back({blocks.data() + r * blockSize, blockSize, 0, 0, starts[first + r], starts[first + r + 1]});
    if (sources.back().next == sources.back().end) continue;
    if (!refill(sources.back())) return false;
    heads.push_back({sources.back().block[0], static_cast<std::uint32_t>(r)});
    sources.back().pos = 1;
  }
  HeadOrder order{&outcome_.comparisons};
  makeWideHeap(heads.data(), heads.size(), order);
  std::size_t live = heads.size();
  while (live > 0) {
    const Head top = heads[0];
    put(top.value);
    Source& source = sources[top.source];
    if (source.pos == source.len && source.next < source.end && !refill(source)) return false;
    if (source.pos < source.len) {
      replaceWideTop(heads.data(), live, Head{source.block[source.pos++], top.source}, order);
    } else if (--live > 0) {
      replaceWideTop(heads.data(), live, heads[live], order);  // this run is done
    }
  }
  return true;
}

bool WholeSort::mergeRuns() {
  // At most as many runs at once as the memory gives blocks to.
  const std::size_t fanIn = std::max<std::size_t>(2, capacity_ / LEAST_BLOCK_NUMBERS);
  std::vector<std::uint64_t> starts = writer_->starts;
  writer_.reset();
  int from = 0;
  while (starts.size() - 1 > fanIn) {
    // A pass merges each group of fanIn runs into one run of the other
    // file, which is written over from its start.
    RunFile& to = runs_[1 - from];
    if (!to.created() && !to.create(job_.runFolder, errors_)) {
      failed_ = true;
      return false;
    }
    RunWriter merged(to);
    const std::size_t runs = starts.size() - 1;
    for (std::size_t first = 0; first < runs; first += fanIn) {
      merged.startRun();
      const std::size_t count = std::min(fanIn, runs - first);
      if (!mergeGroup(runs_[from], starts, first, count, [&merged](int value) { merged.put(value); })) {
        return false;
      }
    }
    if (!merged.finish()) {
      tellRunTrouble("the sorted runs could not be written");
      return false;
    }
    starts = merged.starts;
    from = 1 - from;
    ++outcome_.mergePasses;
  }
  const std::size_t runs = starts.size() - 1;
  if (runs > 1) ++outcome_.mergePasses;
  return writeResult([this, from, runs, &starts](TextWriter& text) {
    return mergeGroup(runs_[from], starts, 0, runs, [&text](int value) { text.put(value); });
  });
}

WholeOutcome WholeSort::run() {
  outcome_.clocks[0] = job_.readClock();
  capacity_ = job_.memoryBytes / sizeof(int);
  outcome_.heapCapacity = capacity_;
  // Left uninitialized: the pages a small input never reaches are never
  // touched, so they cost it no memory.
  memory_.reset(new int[capacity_ + WIDE_HEAP_SLACK]);
  heap_ = wideHeapStart(memory_.get());
  {
    NumberScanner scanner(*job_.in, TEXT_BYTES);
    readAndFormRuns(scanner);
    if (scanner.end() == NumberScanner::End::failed) {
      console_ << "Unable to open file" << std::endl;
      tellTrouble(errors_, job_.inputName, systemReason("cannot be read"));
      outcome_.reading = WholeOutcome::Reading::failed;
      return outcome_;
    }
    if (scanner.end() == NumberScanner::End::stopped) {
      tellTrouble(errors_, job_.inputName,
                  stoppedAt(scanner.count(), scanner.item(), scanner.outsideIntRange()));
      outcome_.reading = WholeOutcome::Reading::stoppedEarly;
    }
  }
  outcome_.clocks[1] = job_.readClock();
  outcome_.clocks[2] = job_.readClock();
  if (failed_) {
    outcome_.reading = WholeOutcome::Reading::failed;
    return outcome_;
  }
  if (!spilling_) {
    outcome_.written = sortOrBuildInMemory();
    return outcome_;
  }
  // The rest of the current run, then the numbers that waited, as one
  // more run.
  RunWriter& writer = *writer_;
  const auto put = [&writer](int value) { writer.put(value); };
  sortPieces(heap_, live_);
  mergePieces(heap_, live_, put);
  const std::size_t waiting = capacity_ - live_;
  if (waiting > 0) {
    writer.startRun();
    sortPieces(heap_ + live_, waiting);
    mergePieces(heap_ + live_, waiting, put);
  }
  if (!writer_->finish()) {
    tellRunTrouble("the sorted runs could not be written");
    return outcome_;
  }
  memory_.reset();  // the merge takes the memory in blocks of its own
  outcome_.runs = static_cast<long long>(writer_->starts.size()) - 1;
  outcome_.written = mergeRuns();
  return outcome_;
}

}  // namespace

WholeOutcome sortWhole(const WholeJob& job, std::ostream& console, std::ostream& errors) {
  assert(job.memoryBytes >= LEAST_MEMORY && job.in != nullptr && job.readClock != nullptr);
  WholeSort sort(job, console, errors);
  return sort.run();
}
