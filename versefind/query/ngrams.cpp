#include "query/ngrams.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <functional>
#include <queue>
#include <unordered_map>
#include <string_view>
#include <utility>

#include "query/concordance.h"
#include "unfinished_file.h"

namespace {

// A run being merged is read a block at a time; the memory asked for gives
// the number of runs merged at once, never less than two.
constexpr std::size_t BLOCK_BYTES = std::size_t{64} << 10;
// The entries of a run on their way to the file.
constexpr std::size_t WRITE_BYTES = std::size_t{1} << 20;

void putVarint(std::string& out, std::uint64_t value) {
  while (value >= 0x80) {
    out += static_cast<char>((value & 0x7F) | 0x80);
    value >>= 7;
  }
  out += static_cast<char>(value);
}

// One entry of a run: its n-gram's length and count, then its bytes.
void putEntry(std::string& out, std::string_view words, std::uint64_t count) {
  putVarint(out, words.size());
  putVarint(out, count);
  out += words;
}

std::string systemReason(int cause, const char* otherwise) {
  return cause != 0 ? std::strerror(cause) : otherwise;
}

// A file of runs, one after another, each a sorted list of entries; where
// each run starts is kept in memory, not in the file. It is an unfinished
// file of the program, removed when this object goes.
class RunFile {
 public:
  RunFile() = default;
  RunFile(const RunFile&) = delete;
  RunFile& operator=(const RunFile&) = delete;

  bool create(const std::string& folder, std::string& trouble) {
    int cause = 0;
    if (unfinished_.create(folder, cause)) {
      errno = 0;
      file_.open(unfinished_.name(), std::ios::in | std::ios::out | std::ios::binary | std::ios::trunc);
      cause = errno;
    }
    if (!file_.is_open()) {
      trouble = folder + ": " + systemReason(cause, "cannot take a new file");
      return false;
    }
    return true;
  }
  bool created() const { return file_.is_open(); }

  // Writes `bytes` at the end of the file, or over it from its start after
  // restart().
  bool append(const std::string& bytes, std::string& trouble) {
    errno = 0;
    file_.seekp(static_cast<std::streamoff>(size_));
    file_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file_.flush();
    if (!file_) return failed(trouble, "could not be written");
    size_ += bytes.size();
    return true;
  }
  void restart() { size_ = 0; }
  std::uint64_t size() const { return size_; }

  // Appends `size` bytes from byte `at` to `into`.
  bool read(std::uint64_t at, std::size_t size, std::string& into, std::string& trouble) {
    errno = 0;
    const std::size_t before = into.size();
    into.resize(before + size);
    file_.seekg(static_cast<std::streamoff>(at));
    file_.read(&into[before], static_cast<std::streamsize>(size));
    if (!file_) return failed(trouble, "could not be read back");
    return true;
  }

 private:
  bool failed(std::string& trouble, const char* otherwise) {
    trouble = unfinished_.name() + ": " + systemReason(errno, otherwise);
    file_.clear();
    return false;
  }

  UnfinishedFile unfinished_{"versefind"};
  std::fstream file_;  // closed before its name is removed, as Windows requires
  std::uint64_t size_ = 0;
};

// The entries of runs written to a run file: each run begun, then its
// entries, which go to the file through a buffer.
class RunWriter {
 public:
  explicit RunWriter(RunFile& file) : file_(file) { file_.restart(); }
  void startRun() { starts.push_back(file_.size() + buffer_.size()); }
  bool put(std::string_view words, std::uint64_t count, std::string& trouble) {
    putEntry(buffer_, words, count);
    return buffer_.size() < WRITE_BYTES || flush(trouble);
  }
  bool flush(std::string& trouble) {
    const bool written = buffer_.empty() || file_.append(buffer_, trouble);
    buffer_.clear();
    return written;
  }
  // Ends the last run: `starts` then also holds the end of the last.
  bool finish(std::string& trouble) {
    starts.push_back(file_.size() + buffer_.size());
    return flush(trouble);
  }

  std::vector<std::uint64_t> starts;

 private:
  RunFile& file_;
  std::string buffer_;
};

// One run read entry by entry, a block at a time.
class RunCursor {
 public:
  RunCursor(RunFile& file, std::uint64_t begin, std::uint64_t end) : file_(file), next_(begin), end_(end) {}

  // Moves to the run's next entry; false at its end, or when a read failed
  // (`trouble` then says why).
  bool advance(std::string& trouble) {
    if (at_ == block_.size() && next_ == end_) return false;
    std::uint64_t length = 0;
    if (!varint(length, trouble) || !varint(count, trouble) || !have(length, trouble)) return false;
    words.assign(block_, at_, static_cast<std::size_t>(length));
    at_ += static_cast<std::size_t>(length);
    return true;
  }

  std::string words;
  std::uint64_t count = 0;

 private:
  // Whether `size` bytes stand unread in the block, after reading more.
  bool have(std::uint64_t size, std::string& trouble) {
    if (block_.size() - at_ >= size) return true;
    block_.erase(0, at_);
    at_ = 0;
    const std::uint64_t wanted = std::max<std::uint64_t>(size - block_.size(), BLOCK_BYTES);
    const auto taken = static_cast<std::size_t>(std::min(wanted, end_ - next_));
    if (!file_.read(next_, taken, block_, trouble)) return false;
    next_ += taken;
    if (block_.size() >= size) return true;
    trouble = "a run of n-grams ends inside an entry";
    return false;
  }
  bool varint(std::uint64_t& value, std::string& trouble) {
    value = 0;
    for (int shift = 0; shift < 64; shift += 7) {
      if (!have(1, trouble)) return false;
      const auto byte = static_cast<unsigned char>(block_[at_++]);
      value |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
      if ((byte & 0x80) == 0) return true;
    }
    trouble = "a run of n-grams holds a number too long";
    return false;
  }

  RunFile& file_;
  std::uint64_t next_;
  std::uint64_t end_;
  std::string block_;
  std::size_t at_ = 0;
};

using TakeCount = std::function<bool(const std::string& words, std::uint64_t count)>;

// Merges runs first .. first + count - 1 of `file`, whose starts are
// `starts`, and hands each n-gram to `take` once, in byte order, with the
// sum of its counts.
bool mergeGroup(RunFile& file, const std::vector<std::uint64_t>& starts, std::size_t first,
                std::size_t count, const TakeCount& take, std::string& trouble) {
  std::vector<RunCursor> cursors;
  cursors.reserve(count);
  const auto later = [&cursors](std::size_t a, std::size_t b) { return cursors[a].words > cursors[b].words; };
  std::priority_queue<std::size_t, std::vector<std::size_t>, decltype(later)> heads(later);
  for (std::size_t r = 0; r < count; ++r) {
    cursors.emplace_back(file, starts[first + r], starts[first + r + 1]);
    if (cursors.back().advance(trouble)) {
      heads.push(r);
    } else if (!trouble.empty()) {
      return false;
    }
  }
  std::string words;
  std::uint64_t sum = 0;
  while (!heads.empty()) {
    const std::size_t r = heads.top();
    heads.pop();
    RunCursor& cursor = cursors[r];
    if (sum > 0 && cursor.words != words) {
      if (!take(words, sum)) return false;
      sum = 0;
    }
    if (sum == 0) words = cursor.words;
    sum += cursor.count;
    if (cursor.advance(trouble)) {
      heads.push(r);
    } else if (!trouble.empty()) {
      return false;
    }
  }
  return sum == 0 || take(words, sum);
}

}  // namespace

void sortByCount(std::vector<CountedRun>& lines) {
  std::sort(lines.begin(), lines.end(), [](const CountedRun& a, const CountedRun& b) {
    return a.count != b.count ? a.count > b.count : a.words < b.words;
  });
}

void writeCountedRuns(const std::vector<CountedRun>& lines, std::ostream& out) {
  std::string text;
  for (const CountedRun& line : lines) {
    text += shownWord(line.words);
    text += '\t';
    text += std::to_string(line.count);
    text += '\n';
    if (text.size() > 65536) {
      out << text;
      text.clear();
    }
  }
  out << text;
}

bool findClusters(const CorpusText& corpus, const std::string& asked, std::uint32_t span,
                  std::uint64_t least, std::vector<CountedRun>& found, std::ostream& errors) {
  const std::unique_ptr<WordCursor> cursor = corpus.index.newCursor();
  if (!seekAskedWord(corpus, asked, *cursor, errors)) return false;
  NearWords near(corpus);
  std::unordered_map<std::string, std::uint64_t> counts;
  std::string key;
  // Places come in text order: a start shared by two places is counted
  // once, as the first of them meets it.
  bool counted = false;
  WordPlace last{};  // the last start counted
  for (const WordPlace place : cursor->places()) {
    near.gather(place, span - 1, span - 1);
    const std::vector<PlacedWord>& run = near.words();
    for (std::size_t s = 0; s <= near.self() && s + span <= run.size(); ++s) {
      if (counted && !(last < run[s].place)) continue;
      key = *run[s].word;
      for (std::size_t k = 1; k < span; ++k) key += ' ' + *run[s + k].word;
      ++counts[key];
      counted = true;
      last = run[s].place;
    }
  }
  found.clear();
  for (auto& [cluster, count] : counts) {
    if (count >= least) found.push_back(CountedRun{cluster, count});
  }
  sortByCount(found);
  return true;
}

// ---- the n-grams of a whole corpus ----------------------------------------

NgramTable::NgramTable() : slots_(1024) {}

bool NgramTable::countAgain(std::string_view words, std::uint64_t hash) {
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
    Slot& slot = slots_[at];
    if (slot.count == 0) return false;
    if (slot.hash == hash && wordsOf(slot) == words) {
      ++slot.count;
      return true;
    }
  }
}

void NgramTable::insert(std::string_view words, std::uint64_t hash) {
  if ((size_ + 1) * 10 > slots_.size() * 7) grow();
  const std::size_t mask = slots_.size() - 1;
  std::size_t at = hash & mask;
  while (slots_[at].count != 0) at = (at + 1) & mask;
  slots_[at] = Slot{hash, bytes_.size(), 1, static_cast<std::uint32_t>(words.size())};
  bytes_ += words;
  ++size_;
}

void NgramTable::grow() {
  std::vector<Slot> old(slots_.size() * 2, Slot{0, 0, 0, 0});
  old.swap(slots_);
  const std::size_t mask = slots_.size() - 1;
  for (const Slot& slot : old) {
    if (slot.count == 0) continue;
    std::size_t at = slot.hash & mask;
    while (slots_[at].count != 0) at = (at + 1) & mask;
    slots_[at] = slot;
  }
}

std::uint64_t NgramTable::bytesWith(std::size_t length) const {
  const std::size_t bytes = bytes_.size() + length;
  const std::size_t block = bytes > bytes_.capacity() ? std::max(bytes, 2 * bytes_.capacity()) : bytes_.capacity();
  const std::size_t slots = (size_ + 1) * 10 > slots_.size() * 7 ? 2 * slots_.size() : slots_.size();
  return block + slots * sizeof(Slot) + (size_ + 1) * sizeof(std::pair<std::string_view, std::uint64_t>);
}

void NgramTable::sorted(std::vector<std::pair<std::string_view, std::uint64_t>>& entries) const {
  entries.clear();
  entries.reserve(size_);
  for (const Slot& slot : slots_) {
    if (slot.count != 0) entries.emplace_back(wordsOf(slot), slot.count);
  }
  std::sort(entries.begin(), entries.end());
}

void NgramTable::clear() {
  bytes_.clear();
  std::fill(slots_.begin(), slots_.end(), Slot{0, 0, 0, 0});
  size_ = 0;
}

class NgramCounter::Runs {
 public:
  RunFile files[2];  // the runs, and the runs of a merge pass
  std::unique_ptr<RunWriter> writer;
};

NgramCounter::NgramCounter(std::uint32_t span, std::uint64_t memoryBytes, std::string runFolder)
    : span_(span), memoryBytes_(memoryBytes), runFolder_(std::move(runFolder)), window_(span) {}

NgramCounter::~NgramCounter() = default;

void NgramCounter::add(const std::string& word) {
  if (!trouble_.empty()) return;
  window_[next_] = word;
  next_ = next_ + 1 == span_ ? 0 : next_ + 1;
  if (filled_ < span_) ++filled_;
  if (filled_ < span_) return;
  key_.clear();
  for (std::size_t k = 0, at = next_; k < span_; ++k, at = at + 1 == span_ ? 0 : at + 1) {
    if (k > 0) key_ += ' ';
    key_ += window_[at];
  }
  const std::uint64_t hash = std::hash<std::string_view>()(key_);
  if (counts_.countAgain(key_, hash)) return;
  // Counts that would outgrow the memory go to a run first.
  if (counts_.size() > 0 && counts_.bytesWith(key_.size()) > memoryBytes_) spill();
  counts_.insert(key_, hash);
}

void NgramCounter::spill() {
  if (runs_ == nullptr) {
    runs_ = std::make_unique<Runs>();
    if (!runs_->files[0].create(runFolder_, trouble_)) return;
    runs_->writer = std::make_unique<RunWriter>(runs_->files[0]);
  }
  std::vector<std::pair<std::string_view, std::uint64_t>> sorted;
  counts_.sorted(sorted);
  RunWriter& writer = *runs_->writer;
  writer.startRun();
  for (const auto& [words, count] : sorted) {
    if (!writer.put(words, count, trouble_)) return;
  }
  if (!writer.flush(trouble_)) return;
  ++runCount_;
  counts_.clear();
}

bool NgramCounter::finish(std::uint64_t least, std::vector<CountedRun>& found) {
  found.clear();
  if (!trouble_.empty()) return false;
  if (runs_ == nullptr) {
    counts_.forEach([&found, least](std::string_view words, std::uint64_t count) {
      if (count >= least) found.push_back(CountedRun{std::string(words), count});
    });
    counts_.clear();
    sortByCount(found);
    return true;
  }
  if (counts_.size() > 0) spill();
  if (!trouble_.empty() || !runs_->writer->finish(trouble_)) return false;
  std::vector<std::uint64_t> starts = runs_->writer->starts;
  runs_->writer.reset();
  const std::size_t fanIn =
      static_cast<std::size_t>(std::max<std::uint64_t>(2, memoryBytes_ / BLOCK_BYTES));
  int from = 0;
  while (starts.size() - 1 > fanIn) {
    // A pass merges each group of fanIn runs into one run of the other
    // file, written over from its start.
    RunFile& to = runs_->files[1 - from];
    if (!to.created() && !to.create(runFolder_, trouble_)) return false;
    RunWriter merged(to);
    const std::size_t runs = starts.size() - 1;
    for (std::size_t first = 0; first < runs; first += fanIn) {
      merged.startRun();
      const TakeCount put = [&merged, this](const std::string& words, std::uint64_t count) {
        return merged.put(words, count, trouble_);
      };
      if (!mergeGroup(runs_->files[from], starts, first, std::min(fanIn, runs - first), put, trouble_)) {
        return false;
      }
    }
    if (!merged.finish(trouble_)) return false;
    starts = merged.starts;
    from = 1 - from;
  }
  const TakeCount keep = [&found, least](const std::string& words, std::uint64_t count) {
    if (count >= least) found.push_back(CountedRun{words, count});
    return true;
  };
  const bool merged = mergeGroup(runs_->files[from], starts, 0, starts.size() - 1, keep, trouble_);
  runs_.reset();
  if (merged) sortByCount(found);
  return merged;
}
