#include "index/place_gatherer.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <queue>
#include <utility>

namespace {

// What a word costs the table beside its bytes and places: its node, its
// string, its list and its slots in the vectors, about.
constexpr std::uint64_t WORD_COST = 128;
// What the allocator keeps beside a block: a word's first place costs it.
constexpr std::uint64_t ALLOCATION_COST = 16;

// The buffer of each run as the merge reads it, and of the file as runs are
// written.
constexpr std::size_t READ_BUFFER = std::size_t{64} * 1024;
constexpr std::size_t MIN_READ_BUFFER = std::size_t{4} * 1024;
constexpr std::size_t WRITE_BUFFER = std::size_t{1024} * 1024;

// Moves `file` to byte `offset`, past 2 GiB too.
bool seekTo(std::FILE* file, std::uint64_t offset) {
#ifdef _WIN32
  return _fseeki64(file, static_cast<__int64>(offset), SEEK_SET) == 0;
#else
  return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

void putVarint(std::string& out, std::uint64_t value) {
  while (value >= 0x80) {
    out += static_cast<char>((value & 0x7F) | 0x80);
    value >>= 7;
  }
  out += static_cast<char>(value);
}

}  // namespace

// One run as the merge reads it: its records in turn, through a buffer of
// its own filled from the one stream over the run file, from where the run
// has got to. One stream serves every run, so their number is bounded by
// no limit on open files.
struct PlaceGatherer::Run {
  std::FILE* in = nullptr;
  std::uint64_t next = 0;  // where the bytes after the buffer's lie in the file
  std::uint64_t left = 0;  // bytes of the run not yet in the buffer
  std::vector<unsigned char> buffer;
  std::size_t at = 0;      // the next byte of the buffer
  std::size_t filled = 0;  // the bytes the buffer holds
  std::string word;
  std::vector<WordPlace> places;
  bool broken = false;

  bool byte(std::uint8_t& b) {
    if (at == filled) {
      if (left == 0 || !seekTo(in, next)) return false;
      const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(left, buffer.size()));
      filled = std::fread(buffer.data(), 1, wanted, in);
      if (filled != wanted) return false;
      at = 0;
      next += filled;
      left -= filled;
    }
    b = buffer[at++];
    return true;
  }

  bool varint(std::uint64_t& value) {
    value = 0;
    for (int shift = 0; shift < 64; shift += 7) {
      std::uint8_t b = 0;
      if (!byte(b)) return false;
      value |= static_cast<std::uint64_t>(b & 0x7F) << shift;
      if ((b & 0x80) == 0) return true;
    }
    return false;
  }

  bool atEnd() const { return at == filled && left == 0; }

  // Reads the next record; false at the run's end, and (with `broken`) when
  // the run is cut short.
  bool read() {
    if (atEnd()) return false;
    std::uint64_t length = 0;
    std::uint64_t count = 0;
    broken = true;
    if (!varint(length) || length > (1ULL << 32)) return false;
    word.clear();
    for (std::uint64_t k = 0; k < length; ++k) {
      std::uint8_t b = 0;
      if (!byte(b)) return false;
      word += static_cast<char>(b);
    }
    if (!varint(count)) return false;
    places.clear();
    std::uint64_t line = 0;
    for (std::uint64_t k = 0; k < count; ++k) {
      std::uint64_t step = 0;
      std::uint64_t number = 0;
      if (!varint(step) || !varint(number)) return false;
      line += step;
      places.push_back(WordPlace{static_cast<std::uint32_t>(line), static_cast<std::uint32_t>(number)});
    }
    broken = false;
    return true;
  }
};

PlaceGatherer::PlaceGatherer(std::uint64_t memoryBytes, std::string folder)
    : memoryBytes_(memoryBytes), folder_(std::move(folder)) {}

PlaceGatherer::~PlaceGatherer() {
  if (runs_ != nullptr) static_cast<void>(std::fclose(runs_));  // only read back, never kept
}

bool PlaceGatherer::fail(int cause) {
  if (cause_ == 0) cause_ = cause != 0 ? cause : -1;
  return false;
}

bool PlaceGatherer::add(const std::string& word, WordPlace place) {
  if (cause_ != 0) return false;
  auto found = ids_.find(word);
  if (found == ids_.end()) {
    found = ids_.emplace(word, static_cast<std::uint32_t>(words_.size())).first;
    words_.push_back(&found->first);
    places_.emplace_back();
    heldBytes_ += word.size() + WORD_COST;
  }
  std::vector<WordPlace>& list = places_[found->second];
  const std::size_t capacity = list.capacity();
  list.push_back(place);
  if (list.capacity() != capacity) {
    // The allocator keeps a header beside each block it gives.
    heldBytes_ += (list.capacity() - capacity) * sizeof(WordPlace) + (capacity == 0 ? ALLOCATION_COST : 0);
  }
  return heldBytes_ <= memoryBytes_ || spill();
}

// Writes the table as the next run, in word order, and empties it.
bool PlaceGatherer::spill() {
  if (runs_ == nullptr) {
    int cause = 0;
    if (!runFile_.create(folder_, cause)) return fail(cause);
    errno = 0;
    runs_ = std::fopen(runFile_.name().c_str(), "wb");
    if (runs_ == nullptr) return fail(errno);
    static_cast<void>(std::setvbuf(runs_, nullptr, _IOFBF, WRITE_BUFFER));  // a hint
  }
  std::vector<std::uint32_t> order(words_.size());
  for (std::uint32_t id = 0; id < order.size(); ++id) order[id] = id;
  std::sort(order.begin(), order.end(),
            [this](std::uint32_t a, std::uint32_t b) { return *words_[a] < *words_[b]; });
  runStarts_.push_back(written_);
  std::string record;
  for (const std::uint32_t id : order) {
    record.clear();
    putVarint(record, words_[id]->size());
    record += *words_[id];
    putVarint(record, places_[id].size());
    std::uint32_t line = 0;
    for (const WordPlace place : places_[id]) {
      putVarint(record, place.line - line);
      putVarint(record, place.wordNumber);
      line = place.line;
    }
    errno = 0;
    if (std::fwrite(record.data(), 1, record.size(), runs_) != record.size()) return fail(errno);
    written_ += record.size();
  }
  // The memory goes back, not just the elements.
  std::unordered_map<std::string, std::uint32_t>().swap(ids_);
  std::vector<const std::string*>().swap(words_);
  std::vector<std::vector<WordPlace>>().swap(places_);
  heldBytes_ = 0;
  return true;
}

bool PlaceGatherer::finish(const Each& each, IndexFailure& failure) {
  const auto failed = [&] {
    failure.file = runFile_.name().empty() ? folder_ : runFile_.name();
    failure.cause = cause_ > 0 ? cause_ : 0;
    if (cause_ <= 0) failure.reason = "a run of the build could not be written or read back";
    return false;
  };
  if (cause_ != 0) return failed();
  if (runs_ == nullptr) {
    // All in memory: no run at all.
    std::vector<std::uint32_t> order(words_.size());
    for (std::uint32_t id = 0; id < order.size(); ++id) order[id] = id;
    std::sort(order.begin(), order.end(),
              [this](std::uint32_t a, std::uint32_t b) { return *words_[a] < *words_[b]; });
    for (const std::uint32_t id : order) each(*words_[id], places_[id]);
    return true;
  }
  if (!words_.empty() && !spill()) return failed();
  errno = 0;
  if (std::fflush(runs_) != 0) {
    fail(errno);
    return failed();
  }
  // One stream reads every run; each run's buffer takes its share of the
  // memory, between 4 KiB and 64 KiB.
  errno = 0;
  std::FILE* const in = std::fopen(runFile_.name().c_str(), "rb");
  if (in == nullptr) {
    fail(errno);
    return failed();
  }
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> closed(in, std::fclose);
  const std::size_t share = static_cast<std::size_t>(std::clamp<std::uint64_t>(
      memoryBytes_ / 4 / runStarts_.size(), MIN_READ_BUFFER, READ_BUFFER));
  std::vector<std::unique_ptr<Run>> runs;
  for (std::size_t r = 0; r < runStarts_.size(); ++r) {
    auto run = std::make_unique<Run>();
    run->in = in;
    run->next = runStarts_[r];
    run->left = (r + 1 < runStarts_.size() ? runStarts_[r + 1] : written_) - runStarts_[r];
    run->buffer.resize(share);
    runs.push_back(std::move(run));
  }
  // The heap holds the runs that have a record, the least word on top, and
  // of one word the earliest run, whose places come first.
  const auto later = [&runs](std::size_t a, std::size_t b) {
    const int c = runs[a]->word.compare(runs[b]->word);
    return c != 0 ? c > 0 : a > b;
  };
  std::priority_queue<std::size_t, std::vector<std::size_t>, decltype(later)> heap(later);
  for (std::size_t r = 0; r < runs.size(); ++r) {
    if (runs[r]->read()) {
      heap.push(r);
    } else if (runs[r]->broken) {
      fail(-1);
      return failed();
    }
  }
  // Kept from word to word, so that their buffers are allocated once.
  // cppcheck-suppress variableScope
  std::string word;
  std::vector<WordPlace> places;
  while (!heap.empty()) {
    const std::size_t first = heap.top();
    word = runs[first]->word;
    places.clear();
    while (!heap.empty() && runs[heap.top()]->word == word) {
      const std::size_t r = heap.top();
      heap.pop();
      places.insert(places.end(), runs[r]->places.begin(), runs[r]->places.end());
      if (runs[r]->read()) {
        heap.push(r);
      } else if (runs[r]->broken) {
        fail(-1);
        return failed();
      }
    }
    each(word, places);
  }
  return true;
}
