#include "index/place_gatherer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <queue>
#include <string_view>
#include <utility>

#include "index/word_hash.h"

namespace {

// The most slots the table starts with; it doubles when half of them are
// taken.
constexpr std::size_t MOST_FIRST_SLOTS = 1024;
// What sorting the table takes beside it: a word's place in bytes_, its
// first bytes with its number to sort by, and where its places start; and a
// place sorted.
constexpr std::uint64_t SORTING_A_WORD = 8 + 16 + 8;
constexpr std::uint64_t SORTING_A_PLACE = sizeof(WordPlace);

// The first eight bytes of a word as a number that orders as they do (the
// bytes, most significant first; a shorter word padded with zeros).
std::uint64_t prefixOf(std::string_view word) {
  std::uint64_t prefix = 0;
  for (std::size_t k = 0; k < 8; ++k) {
    prefix = prefix << 8 | (k < word.size() ? static_cast<unsigned char>(word[k]) : 0U);
  }
  return prefix;
}

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

std::uint32_t PlaceGatherer::idOf(const std::string& word) {
  if (slots_.empty()) slots_.assign(firstSlots(), Slot{0, 0, 0});
  const auto hash = static_cast<std::uint32_t>(wordHash(word));
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
    Slot& slot = slots_[at];
    if (slot.id == 0) {
      slot = Slot{hash, ++words_, bytes_.size()};
      const auto length = static_cast<std::uint32_t>(word.size());
      bytes_.append(reinterpret_cast<const char*>(&length), sizeof length);
      bytes_ += word;
      const std::uint32_t id = words_;
      if (2 * std::uint64_t{words_} > slots_.size()) growSlots();
      return id;
    }
    if (slot.hash == hash) {
      std::uint32_t length = 0;
      std::memcpy(&length, bytes_.data() + slot.at, sizeof length);
      if (length == word.size() && std::memcmp(bytes_.data() + slot.at + sizeof length, word.data(), length) == 0) {
        return slot.id;
      }
    }
  }
}

std::size_t PlaceGatherer::firstSlots() const {
  // A small memory starts with few: the slots take at most a sixteenth.
  std::size_t slots = 4;
  while (slots < MOST_FIRST_SLOTS && 2 * slots * sizeof(Slot) * 16 <= memoryBytes_) slots *= 2;
  return slots;
}

void PlaceGatherer::growSlots() {
  std::vector<Slot> grown(2 * slots_.size(), Slot{0, 0, 0});
  const std::size_t mask = grown.size() - 1;
  for (const Slot& slot : slots_) {
    if (slot.id == 0) continue;
    std::size_t at = slot.hash & mask;
    while (grown[at].id != 0) at = (at + 1) & mask;
    grown[at] = slot;
  }
  slots_.swap(grown);
}

std::uint64_t PlaceGatherer::heldBytes() const {
  const std::uint64_t table = sizeof(Slot) * slots_.capacity() + bytes_.capacity() +
                              sizeof(std::uint32_t) * ids_.capacity() + sizeof(Stretch) * stretches_.capacity();
  return table + SORTING_A_WORD * words_ + SORTING_A_PLACE * ids_.size();
}

std::uint64_t PlaceGatherer::growthFor(std::size_t wordBytes) const {
  // An array that is full moves to a block twice as large, and the old
  // block is freed only once the new one holds it.
  const auto grows = [](std::uint64_t size, std::uint64_t capacity, std::uint64_t more, std::uint64_t each) {
    return size + more <= capacity ? 0 : std::max(2 * capacity, size + more) * each;
  };
  const std::uint64_t lengthAndBytes = sizeof(std::uint32_t) + wordBytes;
  return grows(ids_.size(), ids_.capacity(), 1, sizeof(std::uint32_t)) +
         grows(stretches_.size(), stretches_.capacity(), 1, sizeof(Stretch)) +
         grows(bytes_.size(), bytes_.capacity(), lengthAndBytes, 1) +
         (2 * (std::uint64_t{words_} + 1) > slots_.size() ? 2 * slots_.size() * sizeof(Slot) : 0) +
         SORTING_A_WORD + SORTING_A_PLACE;
}

bool PlaceGatherer::add(const std::string& word, WordPlace place) {
  if (cause_ != 0) return false;
  // The table is written out before a place, its word taken as new, would
  // take it past the memory; a table holds one place at least.
  if (!ids_.empty() && heldBytes() + growthFor(word.size()) > memoryBytes_ && !spill()) return false;
  const std::uint32_t id = idOf(word);
  // A place that does not follow the one before on its line starts a stretch.
  if (stretches_.empty() || stretches_.back().line != place.line ||
      stretches_.back().wordNumber + (ids_.size() - stretches_.back().first) != place.wordNumber) {
    stretches_.push_back(Stretch{ids_.size(), place.line, place.wordNumber});
  }
  ids_.push_back(id);
  return true;
}

template <class EachHeld>
void PlaceGatherer::sortHeld(EachHeld each) {
  // Where each word lies in bytes_, by its number.
  std::vector<std::uint64_t> start(std::size_t{words_} + 1);
  for (std::uint64_t at = 0, id = 1; at < bytes_.size(); ++id) {
    start[id] = at;
    std::uint32_t length = 0;
    std::memcpy(&length, bytes_.data() + at, sizeof length);
    at += sizeof length + length;
  }
  const auto wordOf = [this, &start](std::uint32_t id) {
    std::uint32_t length = 0;
    std::memcpy(&length, bytes_.data() + start[id], sizeof length);
    return std::string_view(bytes_.data() + start[id] + sizeof length, length);
  };
  // The words in byte order, sorted by their first bytes as numbers and by
  // the rest only where those agree.
  std::vector<std::pair<std::uint64_t, std::uint32_t>> order;
  order.reserve(words_);
  for (std::uint32_t id = 1; id <= words_; ++id) order.emplace_back(prefixOf(wordOf(id)), id);
  std::sort(order.begin(), order.end(), [&wordOf](const auto& a, const auto& b) {
    return a.first != b.first ? a.first < b.first : wordOf(a.second) < wordOf(b.second);
  });
  // Each word's places are counted, then laid out word after word, each
  // word's in text order (a counting sort): where[id] counts them, then
  // tells where word id's next place goes.
  std::vector<std::uint64_t> where(std::size_t{words_} + 1, 0);
  for (const std::uint32_t id : ids_) ++where[id];
  std::uint64_t next = 0;
  for (const auto& [prefix, id] : order) {
    const std::uint64_t count = where[id];
    where[id] = next;
    next += count;
  }
  std::vector<WordPlace> sorted(ids_.size());
  for (std::size_t s = 0; s < stretches_.size(); ++s) {
    const Stretch& stretch = stretches_[s];
    const std::uint64_t end = s + 1 < stretches_.size() ? stretches_[s + 1].first : ids_.size();
    for (std::uint64_t k = stretch.first; k < end; ++k) {
      sorted[where[ids_[k]]++] = WordPlace{stretch.line, stretch.wordNumber + static_cast<std::uint32_t>(k - stretch.first)};
    }
  }
  // where[id] is now the end of word id's places, and the start of the next.
  std::uint64_t begin = 0;
  for (const auto& [prefix, id] : order) {
    each(wordOf(id), sorted.data() + begin, static_cast<std::size_t>(where[id] - begin));
    begin = where[id];
  }
}

bool PlaceGatherer::writeRecord(std::string& record) {
  errno = 0;
  if (std::fwrite(record.data(), 1, record.size(), runs_) != record.size()) return fail(errno);
  written_ += record.size();
  record.clear();
  return true;
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
  runStarts_.push_back(written_);
  std::string record;
  bool written = true;
  sortHeld([&](std::string_view word, const WordPlace* places, std::size_t count) {
    if (!written) return;
    record.clear();
    putVarint(record, word.size());
    record += word;
    putVarint(record, count);
    std::uint32_t line = 0;
    for (std::size_t k = 0; k < count && written; ++k) {
      putVarint(record, places[k].line - line);
      putVarint(record, places[k].wordNumber);
      line = places[k].line;
      // A word of many places is written a piece at a time.
      if (record.size() >= WRITE_BUFFER || k + 1 == count) written = writeRecord(record);
    }
    if (count == 0) written = writeRecord(record);
  });
  if (!written) return false;
  // The table's room is kept for the next run, empty, but for slots that
  // grew past a quarter of the memory.
  if (slots_.size() * sizeof(Slot) > memoryBytes_ / 4) {
    std::vector<Slot>(firstSlots(), Slot{0, 0, 0}).swap(slots_);
  } else {
    std::fill(slots_.begin(), slots_.end(), Slot{0, 0, 0});
  }
  bytes_.clear();
  words_ = 0;
  ids_.clear();
  stretches_.clear();
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
    // All in memory: no run at all. Each word's places are copied for
    // `each`, beside the table: at most a word's worth more than it holds.
    std::string word;
    std::vector<WordPlace> places;
    sortHeld([&](std::string_view held, const WordPlace* first, std::size_t count) {
      word.assign(held);
      places.assign(first, first + count);
      each(word, places);
    });
    return true;
  }
  if (words_ > 0 && !spill()) return failed();
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
