#include "index/index_file.h"

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <limits>
#include <utility>

#include "index/crc32c.h"

namespace {

// The layout's constants; docs/index-format.md tells what each field means.
constexpr unsigned char MAGIC[8] = {0x89, 'V', 'F', 'I', '\r', '\n', 0x1A, '\n'};
constexpr std::size_t HEADER_SIZE = 88;
constexpr std::size_t PAGE_HEADER_SIZE = 28;
constexpr std::size_t CHILD_SIZE = 12;
constexpr std::size_t SECTION_ENTRY_SIZE = 28;
constexpr std::size_t LINE_BLOCK_ENTRY_SIZE = 32;
// Places of at most this many bytes stay in their word's page.
constexpr std::uint64_t PLACES_IN_PAGE = 32;
constexpr std::uint32_t LINES_PER_BLOCK = 256;
// The deepest tree a reader follows: order 2 and 2^64 keys stay far below.
constexpr std::uint32_t HIGHEST_TREE = 64;
// The largest order a reader accepts: a page's keys stay few enough to hold.
constexpr std::uint32_t LARGEST_ORDER = 1U << 20;

enum SectionKind : std::uint32_t { TOTALS = 1, TEXTS = 2, LINE_DIRECTORY = 3 };

// ---- fixed little-endian integers and varints ------------------------------

void put32(std::string& out, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>(value >> shift));
}
void put64(std::string& out, std::uint64_t value) {
  for (int shift = 0; shift < 64; shift += 8) out.push_back(static_cast<char>(value >> shift));
}
void set32(std::string& out, std::size_t at, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out[at++] = static_cast<char>(value >> shift);
}
// LEB128: seven bits a byte, the lowest first, the top bit set on every byte
// but the last.
void putVarint(std::string& out, std::uint64_t value) {
  while (value >= 0x80) {
    out.push_back(static_cast<char>((value & 0x7F) | 0x80));
    value >>= 7;
  }
  out.push_back(static_cast<char>(value));
}

std::uint32_t get32(const unsigned char* at) {
  return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
         static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}
std::uint64_t get64(const unsigned char* at) {
  return static_cast<std::uint64_t>(get32(at)) | static_cast<std::uint64_t>(get32(at + 4)) << 32;
}

// A step of every loop that reads a page or a line table: worth the room.
#if defined(__GNUC__) || defined(__clang__)
#define VERSEFIND_ALWAYS_INLINE __attribute__((always_inline)) inline
#else
#define VERSEFIND_ALWAYS_INLINE inline
#endif

// Reads fields from a range of bytes that has passed its checksum, and
// still trusts nothing: every read stays inside the range, and a read past
// it marks the reader as failed and gives 0.
class Fields {
 public:
  Fields(const unsigned char* begin, std::size_t size) : at_(begin), end_(begin + size) {}
  bool failed() const { return failed_; }
  bool atEnd() const { return at_ == end_; }
  std::size_t left() const { return static_cast<std::size_t>(end_ - at_); }
  const unsigned char* here() const { return at_; }

  std::uint8_t u8() { return take(1) ? at_[-1] : 0; }
  std::uint32_t u32() { return take(4) ? get32(at_ - 4) : 0; }
  std::uint64_t u64() { return take(8) ? get64(at_ - 8) : 0; }
  VERSEFIND_ALWAYS_INLINE std::uint64_t varint() {
    // Most values take one byte.
    if (!failed_ && at_ != end_ && *at_ < 0x80) return *at_++;
    return longVarint();
  }
  // `size` bytes, as a pointer into the range.
  const unsigned char* bytes(std::uint64_t size) {
    if (size > left()) {
      failed_ = true;
      return nullptr;
    }
    at_ += size;
    return at_ - size;
  }

 private:
  std::uint64_t longVarint() {
    std::uint64_t value = 0;
    for (int shift = 0; shift < 64; shift += 7) {
      if (!take(1)) return 0;
      const std::uint64_t byte = at_[-1];
      if (shift == 63 && byte > 1) break;  // more than 64 bits
      value |= (byte & 0x7F) << shift;
      if ((byte & 0x80) == 0) return value;
    }
    failed_ = true;
    return 0;
  }
  bool take(std::size_t size) {
    if (failed_ || size > left()) {
      failed_ = true;
      return false;
    }
    at_ += size;
    return true;
  }
  const unsigned char* at_;
  const unsigned char* end_;
  bool failed_ = false;
};

// Whether [offset, offset + length) lies inside a file of `size` bytes,
// past its header.
bool inFile(std::uint64_t offset, std::uint64_t length, std::uint64_t size) {
  return offset >= HEADER_SIZE && offset <= size && length <= size - offset;
}

// ---- places ------------------------------------------------------------------
//
// The places of one word, in text order, as groups, one for each text that
// holds the word: the text number's distance from the group before (from 0
// for the first), the group's number of places, then each place as one
// varint v = lineStep * 16 + w, where lineStep is the line's distance from
// the place before (from line 0 for the group's first), and w the word
// number when lineStep > 0, or its distance from the word before on the same
// line; w of 16 or more is written as 0 followed by a varint of its own.
// A word used once a line on nearby lines takes one byte a place.

std::string encodePlaces(const std::vector<WordPlace>& places,
                         const std::vector<std::uint32_t>& files) {
  std::string out;
  std::uint32_t previousFile = 0;
  for (std::size_t first = 0; first < places.size();) {
    const std::uint32_t file = files.empty() ? 0 : files[first];
    std::size_t end = first;
    while (end < places.size() && (files.empty() ? 0 : files[end]) == file) ++end;
    putVarint(out, file - previousFile);
    putVarint(out, end - first);
    previousFile = file;
    WordPlace before{0, 0};
    for (std::size_t p = first; p < end; ++p) {
      const WordPlace place = places[p];
      assert(place.line >= 1 && place.wordNumber >= 1 && before < place);
      const std::uint64_t lineStep = place.line - before.line;
      const std::uint64_t word = lineStep > 0 ? place.wordNumber : place.wordNumber - before.wordNumber;
      putVarint(out, lineStep * 16 + (word < 16 ? word : 0));
      if (word >= 16) putVarint(out, word);
      before = place;
    }
    first = end;
  }
  return out;
}

// Decodes `count` places; false unless the bytes hold exactly that many
// sound places.
bool decodePlaces(const unsigned char* bytes, std::uint64_t length, std::uint64_t count,
                  std::vector<WordPlace>& places, std::vector<std::uint32_t>& files) {
  places.clear();
  files.clear();
  // Every place takes a byte at least: `count` is bounded by the file.
  if (count > length) return false;
  places.reserve(static_cast<std::size_t>(count));
  files.reserve(static_cast<std::size_t>(count));
  Fields fields(bytes, static_cast<std::size_t>(length));
  std::uint64_t file = 0;
  while (places.size() < count && !fields.failed()) {
    const std::uint64_t fileStep = fields.varint();
    const std::uint64_t inGroup = fields.varint();
    file += fileStep;
    if ((fileStep == 0 && !places.empty()) || inGroup == 0 || inGroup > count - places.size() ||
        file > std::numeric_limits<std::uint32_t>::max()) {
      return false;
    }
    std::uint64_t line = 0;
    std::uint64_t wordNumber = 0;
    for (std::uint64_t p = 0; p < inGroup; ++p) {
      const std::uint64_t v = fields.varint();
      const std::uint64_t lineStep = v / 16;
      std::uint64_t word = v % 16;
      if (word == 0) word = fields.varint();
      if (word == 0) return false;
      line += lineStep;
      wordNumber = lineStep > 0 ? word : wordNumber + word;
      if (line == 0 || line > std::numeric_limits<std::uint32_t>::max() ||
          wordNumber > std::numeric_limits<std::uint32_t>::max() || fields.failed()) {
        return false;
      }
      places.push_back(WordPlace{static_cast<std::uint32_t>(line), static_cast<std::uint32_t>(wordNumber)});
      files.push_back(static_cast<std::uint32_t>(file));
    }
  }
  return !fields.failed() && fields.atEnd() && places.size() == count;
}

std::string sectionName(std::uint32_t kind) {
  switch (kind) {
    case TOTALS: return "the totals";
    case TEXTS: return "the list of texts";
    default: return "a line table";
  }
}

}  // namespace

// ---- the writer ----------------------------------------------------------------

struct IndexFileWriter::Key {
  std::string word;
  std::uint64_t placeCount = 0;
  std::string inPage;  // the places, when they stay in the page
  std::uint64_t listOffset = 0;
  std::uint64_t listLength = 0;
  std::uint32_t crc = 0;
};

struct IndexFileWriter::Node {
  std::vector<Key> keys;
  std::vector<PageRef> children;
};

// A level of the tree being built: the node being filled, and the node
// completed before it with the key that follows it, held back until the next
// node completes (or the build ends, when the two may share their keys).
struct IndexFileWriter::Level {
  Node current;
  Node held;
  Key separator;
  bool hasHeld = false;
};

struct IndexFileWriter::LineBlock {
  std::uint64_t firstStart;
  std::uint64_t firstPosition;
  std::uint64_t offset;
  std::uint32_t length;
  std::uint32_t crc;
};

struct IndexFileWriter::TextTable {
  std::uint32_t number = 0;
  std::uint32_t lineCount = 0;
  std::uint64_t position = 0;  // words so far
  std::uint64_t previousStart = 0;
  std::vector<LineBlock> blocks;
  std::string block;  // the lines of the block being filled
  std::uint32_t linesInBlock = 0;
  LineBlock first{};  // where the block being filled starts
  std::uint64_t blockBytes = 0;
};

IndexFileWriter::IndexFileWriter(int order) : order_(static_cast<std::uint32_t>(order)) {
  assert(order >= 2);
}

IndexFileWriter::~IndexFileWriter() {
  if (file_ != nullptr) static_cast<void>(std::fclose(file_));
}

bool IndexFileWriter::create(const std::string& indexPath, IndexFailure& failure) {
  assert(file_ == nullptr);
  const ReplacedFile replaced = findReplacedFile(indexPath);
  using Kind = ReplacedFile::Kind;
  if (replaced.kind == Kind::folder || replaced.kind == Kind::device || replaced.kind == Kind::refused) {
    failure = IndexFailure{indexPath, replaced.kind == Kind::folder ? EISDIR : 0,
                           replaced.kind == Kind::folder ? nullptr : "is not a regular file"};
    return false;
  }
  target_ = replaced.path;
  int cause = 0;
  if (!unfinished_.create(folderOf(target_), cause)) {
    failure = IndexFailure{folderOf(target_), cause};
    return false;
  }
  file_ = std::fopen(unfinished_.name().c_str(), "wb");
  if (file_ == nullptr) {
    failure = IndexFailure{unfinished_.name(), errno};
    return false;
  }
  // The header is written last; until then the file says it is no index.
  const std::string blank(HEADER_SIZE, '\0');
  write(blank.data(), blank.size());
  return true;
}

void IndexFileWriter::write(const void* bytes, std::size_t size) {
  if (cause_ == 0 && size > 0 && std::fwrite(bytes, 1, size, file_) != size) {
    cause_ = errno != 0 ? errno : EIO;
  }
  position_ += size;
}

void IndexFileWriter::writeAt(std::uint64_t offset, const std::string& bytes) {
  assert(offset == 0);  // only the header is written again
  static_cast<void>(offset);
  if (cause_ == 0 && std::fseek(file_, 0, SEEK_SET) != 0) cause_ = errno;
  const std::uint64_t end = position_;
  write(bytes.data(), bytes.size());
  position_ = end;
}

void IndexFileWriter::addWord(const std::string& word, const std::vector<WordPlace>& places,
                              const std::vector<std::uint32_t>& files) {
  assert(file_ != nullptr && !places.empty());
  assert(files.empty() || files.size() == places.size());
  assert(distinctWords_ == 0 || lastWord_ < word);
  lastWord_ = word;
  ++distinctWords_;
  Key key;
  key.word = word;
  key.placeCount = places.size();
  std::string encoded = encodePlaces(places, files);
  if (encoded.size() <= PLACES_IN_PAGE) {
    key.inPage = std::move(encoded);
  } else {
    // Written now, so that only the page's reference to it waits in memory.
    key.listOffset = position_;
    key.listLength = encoded.size();
    key.crc = crc32c(encoded.data(), encoded.size());
    listBytes_ += encoded.size();
    write(encoded.data(), encoded.size());
  }
  addKey(0, std::move(key));
}

void IndexFileWriter::addKey(std::size_t level, Key key) {
  const std::size_t fullCount = 2 * order_ - 1;
  for (;; ++level) {
    if (levels_.size() <= level) levels_.resize(level + 1);
    if (levels_[level].current.keys.size() < fullCount) {
      levels_[level].current.keys.push_back(std::move(key));
      return;
    }
    // The node being filled is full: the key goes up above it. The node held
    // back before it is written now, and the key that followed that node
    // goes up to the level above.
    const bool carry = levels_[level].hasHeld;
    Key up;
    if (carry) {
      writeNode(level, levels_[level].held);
      up = std::move(levels_[level].separator);
    }
    Level& here = levels_[level];  // writeNode may have added a level
    here.held = std::move(here.current);
    here.current = Node();
    here.separator = std::move(key);
    here.hasHeld = true;
    if (!carry) return;
    key = std::move(up);
  }
}

void IndexFileWriter::addChild(std::size_t level, std::uint64_t offset, std::uint32_t length) {
  if (levels_.size() <= level) levels_.resize(level + 1);
  levels_[level].current.children.push_back(PageRef{offset, length});
}

// Writes `node` as a page of level `level`, and gives it to its parent as
// the next child.
void IndexFileWriter::writeNode(std::size_t level, const Node& node) {
  assert(level == 0 ? node.children.empty() : node.children.size() == node.keys.size() + 1);
  std::string page(PAGE_HEADER_SIZE, '\0');
  std::uint64_t listBase = 0;
  for (const Key& key : node.keys) {
    if (key.inPage.empty()) {
      listBase = key.listOffset;
      break;
    }
  }
  for (const PageRef& child : node.children) {
    put64(page, child.offset);
    put32(page, child.length);
  }
  // Each key: the bytes it shares with the key before, the rest of the word,
  // its number of places, their length, then the places or where they lie.
  std::uint64_t listEnd = listBase;
  const std::string* before = nullptr;
  for (const Key& key : node.keys) {
    std::size_t shared = 0;
    if (before != nullptr) {
      const std::size_t most = std::min(before->size(), key.word.size());
      while (shared < most && (*before)[shared] == key.word[shared]) ++shared;
    }
    putVarint(page, shared);
    putVarint(page, key.word.size() - shared);
    page.append(key.word, shared, std::string::npos);
    putVarint(page, key.placeCount);
    if (!key.inPage.empty()) {
      putVarint(page, key.inPage.size());
      page += key.inPage;
    } else {
      putVarint(page, key.listLength);
      putVarint(page, key.listOffset - listEnd);
      put32(page, key.crc);
      listEnd = key.listOffset + key.listLength;
    }
    before = &key.word;
  }
  assert(page.size() <= std::numeric_limits<std::uint32_t>::max());
  const auto length = static_cast<std::uint32_t>(page.size());
  set32(page, 4, length);
  set32(page, 8, pageCount_);
  page[12] = static_cast<char>(level);
  set32(page, 16, static_cast<std::uint32_t>(node.keys.size()));
  for (int b = 0; b < 8; ++b) page[20 + static_cast<std::size_t>(b)] = static_cast<char>(listBase >> (8 * b));
  set32(page, 0, crc32c(page.data() + 4, page.size() - 4));

  const std::uint64_t offset = position_;
  write(page.data(), page.size());
  ++pageCount_;
  pageBytes_ += length;
  largestPage_ = std::max(largestPage_, length);
  addChild(level + 1, offset, length);
}

void IndexFileWriter::beginText(const IndexedText& text) {
  assert(file_ != nullptr && table_ == nullptr);
  table_ = std::make_unique<TextTable>();
  table_->number = static_cast<std::uint32_t>(texts_.size());
  texts_.push_back(text);
}

void IndexFileWriter::addLine(std::uint64_t start, std::uint32_t words) {
  assert(table_ != nullptr);
  TextTable& table = *table_;
  if (table.linesInBlock == 0) {
    table.first.firstStart = start;
    table.first.firstPosition = table.position;
    table.previousStart = start;
  }
  assert(start >= table.previousStart);
  putVarint(table.block, start - table.previousStart);
  putVarint(table.block, words);
  table.previousStart = start;
  table.position += words;
  ++table.lineCount;
  if (++table.linesInBlock == LINES_PER_BLOCK) flushLineBlock();
}

void IndexFileWriter::flushLineBlock() {
  TextTable& table = *table_;
  if (table.linesInBlock == 0) return;
  LineBlock block = table.first;
  block.offset = position_;
  block.length = static_cast<std::uint32_t>(table.block.size());
  block.crc = crc32c(table.block.data(), table.block.size());
  write(table.block.data(), table.block.size());
  table.blocks.push_back(block);
  table.blockBytes += block.length;
  table.block.clear();
  table.linesInBlock = 0;
}

void IndexFileWriter::endText() {
  assert(table_ != nullptr);
  flushLineBlock();
  const TextTable& table = *table_;
  std::string directory;
  put32(directory, table.lineCount);
  put64(directory, table.position);
  put32(directory, static_cast<std::uint32_t>(table.blocks.size()));
  for (const LineBlock& block : table.blocks) {
    put64(directory, block.firstStart);
    put64(directory, block.firstPosition);
    put64(directory, block.offset);
    put32(directory, block.length);
    put32(directory, block.crc);
  }
  writeSection(LINE_DIRECTORY, table.number, directory, true);
  lines_ += table.lineCount;
  words_ += table.position;
  lineBlockBytes_ += table.blockBytes;
  table_.reset();
}

std::uint64_t IndexFileWriter::writeSection(std::uint32_t kind, std::uint32_t text,
                                            const std::string& bytes, bool checked) {
  const std::uint64_t offset = position_;
  put32(sections_, kind);
  put32(sections_, text);
  put64(sections_, offset);
  put64(sections_, bytes.size());
  put32(sections_, checked ? crc32c(bytes.data(), bytes.size()) : 0);
  ++sectionCount_;
  write(bytes.data(), bytes.size());
  return offset;
}

bool IndexFileWriter::finish(IndexFailure& failure) {
  assert(file_ != nullptr && table_ == nullptr);
  // The last nodes of each level, from the leaves up. A level whose last
  // node is below its minimum fill shares the keys of the node held before
  // it: the two hold at least 2t - 1 keys besides the one between them, so
  // both halves get t - 1 at least.
  if (levels_.empty()) levels_.resize(1);
  PageRef root;
  std::uint32_t height = 0;
  for (std::size_t level = 0; level < levels_.size(); ++level) {
    if (!levels_[level].hasHeld) {
      // The only node of the top level: the root.
      assert(level + 1 == levels_.size());
      writeNode(level, levels_[level].current);
      root = levels_[level + 1].current.children.back();
      levels_.pop_back();
      height = static_cast<std::uint32_t>(level + 1);
      break;
    }
    Node held = std::move(levels_[level].held);
    Node last = std::move(levels_[level].current);
    Key separator = std::move(levels_[level].separator);
    if (last.keys.size() + 1 < order_) {
      std::vector<Key> keys = std::move(held.keys);
      keys.push_back(std::move(separator));
      for (Key& key : last.keys) keys.push_back(std::move(key));
      std::vector<PageRef> children = std::move(held.children);
      children.insert(children.end(), last.children.begin(), last.children.end());
      const std::size_t middle = (keys.size() - 1) / 2;
      held.keys.assign(std::make_move_iterator(keys.begin()), std::make_move_iterator(keys.begin() + static_cast<std::ptrdiff_t>(middle)));
      separator = std::move(keys[middle]);
      last.keys.assign(std::make_move_iterator(keys.begin() + static_cast<std::ptrdiff_t>(middle) + 1),
                       std::make_move_iterator(keys.end()));
      held.children.clear();
      last.children.clear();
      if (!children.empty()) {
        held.children.assign(children.begin(), children.begin() + static_cast<std::ptrdiff_t>(middle) + 1);
        last.children.assign(children.begin() + static_cast<std::ptrdiff_t>(middle) + 1, children.end());
      }
    }
    writeNode(level, held);
    addKey(level + 1, std::move(separator));
    writeNode(level, last);
  }
  // writeNode gave the root to a level above it, which holds nothing else.
  levels_.clear();

  std::string totals;
  put32(totals, static_cast<std::uint32_t>(texts_.size()));
  put64(totals, lines_);
  put64(totals, words_);
  put64(totals, distinctWords_);
  writeSection(TOTALS, 0, totals, true);
  std::string texts;
  put32(texts, static_cast<std::uint32_t>(texts_.size()));
  for (const IndexedText& text : texts_) {
    putVarint(texts, text.path.size());
    texts += text.path;
    put64(texts, text.size);
    put64(texts, static_cast<std::uint64_t>(text.modified));
  }
  writeSection(TEXTS, 0, texts, true);

  std::string directory;
  put32(directory, sectionCount_);
  directory += sections_;
  put32(directory, crc32c(directory.data(), directory.size()));
  const std::uint64_t directoryOffset = position_;
  write(directory.data(), directory.size());

  std::string header(reinterpret_cast<const char*>(MAGIC), sizeof MAGIC);
  put32(header, INDEX_FILE_VERSION);
  put32(header, order_);
  put64(header, position_);
  put64(header, root.offset);
  put32(header, root.length);
  put32(header, height);
  put32(header, pageCount_);
  put32(header, largestPage_);
  put64(header, pageBytes_);
  put64(header, listBytes_);
  put64(header, lineBlockBytes_);
  put64(header, directoryOffset);
  put32(header, static_cast<std::uint32_t>(directory.size()));
  put32(header, crc32c(header.data(), header.size()));
  assert(header.size() == HEADER_SIZE);
  writeAt(0, header);

  if (cause_ == 0 && std::fflush(file_) != 0) cause_ = errno != 0 ? errno : EIO;
  const int closed = std::fclose(file_);
  file_ = nullptr;
  if (cause_ == 0 && closed != 0) cause_ = errno != 0 ? errno : EIO;
  if (cause_ != 0) {
    failure = IndexFailure{target_, cause_};
    return false;
  }
  int cause = 0;
  if (!unfinished_.finish(target_, failure.replacedReadOnly, cause)) {
    failure = IndexFailure{target_, cause};
    return false;
  }
  return true;
}

// ---- the reader ----------------------------------------------------------------

struct IndexFile::LineDirectory {
  struct Block {
    std::uint64_t firstStart;
    std::uint64_t firstPosition;
    std::uint64_t offset;
    std::uint32_t length;
    std::uint32_t crc;
  };
  std::uint32_t lineCount = 0;
  std::uint64_t wordCount = 0;
  std::uint64_t textSize = 0;
  std::vector<Block> blocks;
};

bool IndexFile::fail(IndexProblem problem, std::string reason) const {
  if (problem_ == IndexProblem::none) {
    problem_ = problem;
    reason_ = std::move(reason);
  }
  return false;
}

bool IndexFile::sumsTo(const unsigned char* at, std::uint64_t size, std::uint32_t crc) const {
  return !verify_ || crc32c(at, static_cast<std::size_t>(size)) == crc;
}

bool looksLikeIndexFile(const std::string& path) {
  if (findReplacedFile(path).kind != ReplacedFile::Kind::regular) return false;
  std::ifstream in(path, std::ios::in | std::ios::binary);
  char start[sizeof MAGIC] = {};
  in.read(start, sizeof start);
  // A file shorter than the magic that begins as it does is a truncated
  // index, as open() tells.
  const auto seen = static_cast<std::size_t>(in.gcount());
  return seen > 0 && std::memcmp(start, MAGIC, seen) == 0;
}

bool IndexFile::open(const std::string& path) {
  assert(file_.data() == nullptr);
  const ReplacedFile found = findReplacedFile(path);
  switch (found.kind) {
    case ReplacedFile::Kind::absent: return fail(IndexProblem::unreadable, std::strerror(ENOENT));
    case ReplacedFile::Kind::folder: return fail(IndexProblem::unreadable, "is a folder, not an index");
    case ReplacedFile::Kind::device: return fail(IndexProblem::unreadable, "is a device, not an index");
    case ReplacedFile::Kind::refused:
      return fail(IndexProblem::unreadable, "is a FIFO or a socket, not an index");
    case ReplacedFile::Kind::regular: break;
  }
  int cause = 0;
  if (!file_.open(path, cause)) {
    return fail(IndexProblem::unreadable,
                cause == EINVAL ? "is not a regular file, not an index" : std::strerror(cause));
  }
  const unsigned char* const data = file_.data();
  const std::size_t size = file_.size();
  const std::size_t magicSeen = std::min(size, sizeof MAGIC);
  if (size == 0 || std::memcmp(data, MAGIC, magicSeen) != 0) {
    return fail(IndexProblem::notIndex, "not a versefind index");
  }
  if (size < HEADER_SIZE) {
    return fail(IndexProblem::truncated,
                "truncated: " + std::to_string(size) + " bytes, shorter than an index's header");
  }
  Fields header(data, HEADER_SIZE);
  header.bytes(sizeof MAGIC);
  const std::uint32_t version = header.u32();
  if (version != INDEX_FILE_VERSION) {
    return fail(IndexProblem::otherVersion, "an index of version " + std::to_string(version) +
                                                "; this versefind reads version " +
                                                std::to_string(INDEX_FILE_VERSION));
  }
  if (!sumsTo(data, HEADER_SIZE - 4, get32(data + HEADER_SIZE - 4))) {
    return fail(IndexProblem::damaged, "damaged: the header fails its checksum");
  }
  order_ = header.u32();
  const std::uint64_t length = header.u64();
  if (length > size) {
    return fail(IndexProblem::truncated,
                "truncated: " + std::to_string(size) + " of " + std::to_string(length) + " bytes");
  }
  if (length < size) {
    return fail(IndexProblem::damaged,
                "damaged: " + std::to_string(size - length) + " bytes past the index's end");
  }
  root_.offset = header.u64();
  root_.length = header.u32();
  height_ = header.u32();
  pageCount_ = header.u32();
  largestPage_ = header.u32();
  bytes_.pages = header.u64();
  bytes_.placeLists = header.u64();
  const std::uint64_t lineBlockBytes = header.u64();
  const std::uint64_t directoryOffset = header.u64();
  const std::uint32_t directoryLength = header.u32();
  if (order_ < 2 || order_ > LARGEST_ORDER || height_ == 0 || height_ > HIGHEST_TREE ||
      pageCount_ == 0 || !inFile(root_.offset, root_.length, size) ||
      !inFile(directoryOffset, directoryLength, size) || bytes_.pages > size ||
      bytes_.placeLists > size || lineBlockBytes > size) {
    return fail(IndexProblem::damaged, "damaged: the header's fields do not fit together");
  }
  bytes_.header = HEADER_SIZE;
  bytes_.lineTables = lineBlockBytes;
  bytes_.directory = directoryLength;
  bytes_.total = size;
  return readSections(data + directoryOffset, directoryLength);
}

bool IndexFile::readSections(const unsigned char* directory, std::size_t length) {
  const unsigned char* const data = file_.data();
  const std::size_t size = file_.size();
  if (length < 8 || !sumsTo(directory, length - 4, get32(directory + length - 4))) {
    return fail(IndexProblem::damaged, "damaged: the section directory fails its checksum");
  }
  Fields entries(directory, length - 4);
  const std::uint32_t count = entries.u32();
  if (entries.left() != static_cast<std::uint64_t>(count) * SECTION_ENTRY_SIZE) {
    return fail(IndexProblem::damaged, "damaged: the section directory does not fit together");
  }
  bool haveTotals = false;
  bool haveTexts = false;
  std::vector<std::pair<std::uint32_t, SectionRef>> lineSections;
  for (std::uint32_t e = 0; e < count; ++e) {
    const std::uint32_t kind = entries.u32();
    const std::uint32_t text = entries.u32();
    const SectionRef section{entries.u64(), entries.u64(), entries.u32()};
    if (!inFile(section.offset, section.length, size) || kind < TOTALS || kind > LINE_DIRECTORY) {
      return fail(IndexProblem::damaged, "damaged: the section directory does not fit together");
    }
    if (kind == LINE_DIRECTORY) {
      // Checked when the table is first read.
      lineSections.emplace_back(text, section);
      bytes_.lineTables += section.length;
      continue;
    }
    const unsigned char* const at = data + section.offset;
    if (!sumsTo(at, section.length, section.crc)) {
      return fail(IndexProblem::damaged, "damaged: " + sectionName(kind) + " fails its checksum");
    }
    Fields fields(at, static_cast<std::size_t>(section.length));
    if (kind == TOTALS) {
      haveTotals = true;
      totals_.files = fields.u32();
      totals_.lines = fields.u64();
      totals_.words = fields.u64();
      totals_.distinctWords = fields.u64();
      bytes_.directory += section.length;
    } else {
      haveTexts = true;
      const std::uint32_t textCount = fields.u32();
      // Every text takes 17 bytes at least: the count is bounded by the file.
      for (std::uint32_t t = 0; t < textCount && !fields.failed() && fields.left() >= 17; ++t) {
        IndexedText listed;
        const std::uint64_t pathLength = fields.varint();
        const unsigned char* const path = fields.bytes(pathLength);
        if (path == nullptr) break;
        listed.path.assign(reinterpret_cast<const char*>(path), static_cast<std::size_t>(pathLength));
        listed.size = fields.u64();
        listed.modified = static_cast<std::int64_t>(fields.u64());
        texts_.push_back(std::move(listed));
      }
      if (fields.failed() || !fields.atEnd() || texts_.size() != textCount) {
        return fail(IndexProblem::damaged, "damaged: the list of texts does not fit together");
      }
      bytes_.texts = section.length;
    }
    if (fields.failed() || !fields.atEnd()) {
      return fail(IndexProblem::damaged, "damaged: " + sectionName(kind) + " does not fit together");
    }
  }
  if (!haveTotals || !haveTexts || totals_.files != texts_.size() ||
      lineSections.size() != texts_.size()) {
    return fail(IndexProblem::damaged, "damaged: sections are missing");
  }
  lineSections_.assign(texts_.size(), SectionRef{0, 0, 0});
  for (const auto& [text, section] : lineSections) {
    if (text >= texts_.size() || lineSections_[text].length != 0) {
      return fail(IndexProblem::damaged, "damaged: the section directory does not fit together");
    }
    lineSections_[text] = section;
  }
  return true;
}

bool IndexFile::readRoot(IndexPage& page) const {
  return readPage(root_, height_ - 1, true, page);
}

bool IndexFile::readChild(const IndexPage& parent, std::size_t c, IndexPage& child) const {
  assert(!parent.isLeaf() && c < parent.children.size());
  if (!readPage(parent.children[c], parent.level - 1, false, child)) return false;
  return child.keys.empty() || inParentRange(parent, c, child.number, child.keys.front(), child.keys.back());
}

template <class EachKey>
bool IndexFile::scanLeaf(const IndexPage& parent, std::size_t c, EachKey each) const {
  assert(parent.level == 1 && c < parent.children.size());
  IndexPage leaf;
  bool any = false;  // a leaf below the root has keys, but a damaged one may not
  std::string first;
  std::string last;
  if (!readCells(parent.children[c], 0, false, leaf,
                 [&](std::uint32_t k, bool isLast, std::string_view word, std::uint64_t placeCount,
                     const IndexPage::Places&) {
                   any = true;
                   if (k == 0) first = word;
                   if (isLast) last = word;
                   each(word, placeCount);
                 })) {
    return false;
  }
  return !any || inParentRange(parent, c, leaf.number, first, last);
}

bool IndexFile::inParentRange(const IndexPage& parent, std::size_t c, std::uint32_t number,
                              std::string_view first, std::string_view last) const {
  // The child's words lie between the parent's keys around it: then every
  // walk meets the words in order, and no page twice.
  if ((c > 0 && !(parent.keys[c - 1] < first)) || (c < parent.keys.size() && !(last < parent.keys[c]))) {
    return fail(IndexProblem::damaged,
                "damaged: page " + std::to_string(number) + " holds words outside its parent's range");
  }
  return true;
}

namespace {

// Whether a word that shares its first `shared` bytes with `before` and goes
// on with the `rest` bytes at `suffix` comes after it in byte order. The
// first byte where they part mostly tells, without a comparison of the rest.
bool follows(std::string_view before, std::size_t shared, const unsigned char* suffix, std::size_t rest) {
  if (rest == 0) return false;
  if (shared == before.size()) return true;
  const auto parting = static_cast<unsigned char>(before[shared]);
  if (suffix[0] != parting) return suffix[0] > parting;
  return before.substr(shared) < std::string_view(reinterpret_cast<const char*>(suffix), rest);
}

}  // namespace

template <class EachCell>
bool IndexFile::readCells(PageRef ref, std::uint32_t level, bool isRoot, IndexPage& page, EachCell each) const {
  const std::size_t size = file_.size();
  // Made only when the page is found damaged.
  const auto where = [&ref] { return "damaged: the page at byte " + std::to_string(ref.offset); };
  if (ref.length < PAGE_HEADER_SIZE || !inFile(ref.offset, ref.length, size)) {
    return fail(IndexProblem::damaged, where() + " lies outside the file");
  }
  const unsigned char* const at = file_.data() + ref.offset;
  if (!sumsTo(at + 4, ref.length - 4, get32(at))) {
    return fail(IndexProblem::damaged, where() + " fails its checksum");
  }
  Fields fields(at + 4, ref.length - 4);
  const std::uint32_t length = fields.u32();
  page.ref = ref;
  page.number = fields.u32();
  page.level = fields.u8();
  fields.bytes(3);
  const std::uint32_t keyCount = fields.u32();
  const std::uint64_t listBase = fields.u64();
  const std::uint64_t most = 2 * static_cast<std::uint64_t>(order_) - 1;
  const std::uint64_t least = isRoot ? (level > 0 ? 1 : 0) : order_ - 1;
  if (length != ref.length || page.number >= pageCount_ || page.level != level ||
      keyCount > most || keyCount < least) {
    return fail(IndexProblem::damaged, where() + " does not fit in the tree");
  }
  page.children.clear();
  if (level > 0) {
    if (fields.left() < (static_cast<std::uint64_t>(keyCount) + 1) * CHILD_SIZE) {
      return fail(IndexProblem::damaged, where() + " does not fit together");
    }
    for (std::uint32_t c = 0; c <= keyCount; ++c) {
      PageRef child;
      child.offset = fields.u64();
      child.length = fields.u32();
      page.children.push_back(child);
    }
  }
  // The word of each cell in turn, put together in one buffer: a cell
  // gives the bytes it does not share with the word before.
  // The buffer only grows; the word is its first `wordLength` bytes.
  std::string buffer;
  std::size_t wordLength = 0;
  IndexPage::Places places{};
  std::uint64_t listEnd = listBase;
  for (std::uint32_t k = 0; k < keyCount && !fields.failed(); ++k) {
    const std::uint64_t shared = fields.varint();
    const std::uint64_t rest = fields.varint();
    const unsigned char* const suffix = fields.bytes(rest);
    if (suffix == nullptr || (k == 0 ? shared != 0 : shared > wordLength)) break;
    const std::string_view before(buffer.data(), wordLength);
    if (k > 0 && !follows(before, static_cast<std::size_t>(shared), suffix, static_cast<std::size_t>(rest))) break;
    wordLength = static_cast<std::size_t>(shared + rest);  // no more than the page's length
    if (buffer.size() < wordLength) buffer.resize(2 * wordLength);
    if (rest > 0) std::memcpy(&buffer[static_cast<std::size_t>(shared)], suffix, static_cast<std::size_t>(rest));
    const std::string_view word(buffer.data(), wordLength);
    const std::uint64_t placeCount = fields.varint();
    places.length = fields.varint();
    places.inPage = places.length <= PLACES_IN_PAGE;
    if (places.inPage) {
      const unsigned char* const held = fields.bytes(places.length);
      if (held == nullptr) break;
      places.offset = static_cast<std::uint64_t>(held - file_.data());
      places.crc = 0;
    } else {
      const std::uint64_t gap = fields.varint();
      places.crc = fields.u32();
      if (gap > size || listEnd > size - gap || !inFile(listEnd + gap, places.length, size)) break;
      places.offset = listEnd + gap;
      listEnd = places.offset + places.length;
    }
    if (placeCount == 0 || placeCount > places.length) break;
    each(k, k + 1 == keyCount, word, placeCount, places);
    if (k + 1 == keyCount) {
      if (fields.failed() || !fields.atEnd()) break;
      return true;
    }
  }
  if (keyCount == 0 && !fields.failed() && fields.atEnd()) return true;
  return fail(IndexProblem::damaged, where() + " does not fit together");
}

bool IndexFile::readPage(PageRef ref, std::uint32_t level, bool isRoot, IndexPage& page) const {
  // The keys of a page read before into the same object lend their room.
  std::size_t count = 0;
  const bool read = readCells(ref, level, isRoot, page,
                              [&page, &count](std::uint32_t k, bool, std::string_view word, std::uint64_t placeCount,
                                              const IndexPage::Places& places) {
                                if (page.keys.size() == k) page.keys.emplace_back();
                                page.keys[k].assign(word.data(), word.size());
                                page.placeCounts.resize(k + 1);
                                page.placeCounts[k] = placeCount;
                                page.places.resize(k + 1);
                                page.places[k] = places;
                                count = k + 1;
                              });
  page.keys.resize(count);
  page.placeCounts.resize(count);
  page.places.resize(count);
  return read;
}

bool IndexFile::readPlaces(const IndexPage& page, std::size_t i, std::vector<WordPlace>& places,
                           std::vector<std::uint32_t>& files) const {
  assert(i < page.keys.size());
  const IndexPage::Places& where = page.places[i];
  const unsigned char* const stored = file_.data() + where.offset;
  const auto length = static_cast<std::size_t>(where.length);
  if (!where.inPage && !sumsTo(stored, length, where.crc)) {
    return fail(IndexProblem::damaged,
                "damaged: the places of \"" + page.keys[i] + "\" fail their checksum");
  }
  if (!decodePlaces(stored, where.length, page.placeCounts[i], places, files) ||
      files.back() >= texts_.size()) {
    places.clear();
    files.clear();
    return fail(IndexProblem::damaged,
                "damaged: the places of \"" + page.keys[i] + "\" do not fit together");
  }
  return true;
}

const IndexFile::LineDirectory* IndexFile::lineDirectory(std::uint32_t text) const {
  if (text >= lineSections_.size()) return nullptr;
  const auto cached = lineDirectories_.find(text);
  if (cached != lineDirectories_.end()) return cached->second.get();
  const SectionRef& section = lineSections_[text];
  const unsigned char* const at = file_.data() + section.offset;
  const std::string where = "damaged: the line table of " + texts_[text].path;
  if (!sumsTo(at, section.length, section.crc)) {
    fail(IndexProblem::damaged, where + " fails its checksum");
    return nullptr;
  }
  auto directory = std::make_shared<LineDirectory>();
  Fields fields(at, static_cast<std::size_t>(section.length));
  directory->lineCount = fields.u32();
  directory->wordCount = fields.u64();
  directory->textSize = texts_[text].size;
  const std::uint32_t blockCount = fields.u32();
  const std::uint64_t expected = (static_cast<std::uint64_t>(directory->lineCount) + LINES_PER_BLOCK - 1) / LINES_PER_BLOCK;
  if (fields.failed() || blockCount != expected ||
      fields.left() != static_cast<std::uint64_t>(blockCount) * LINE_BLOCK_ENTRY_SIZE) {
    fail(IndexProblem::damaged, where + " does not fit together");
    return nullptr;
  }
  for (std::uint32_t b = 0; b < blockCount; ++b) {
    LineDirectory::Block block{fields.u64(), fields.u64(), fields.u64(), fields.u32(), fields.u32()};
    const bool ordered = b == 0 ? block.firstStart == 0 && block.firstPosition == 0
                                : block.firstStart >= directory->blocks.back().firstStart &&
                                      block.firstPosition >= directory->blocks.back().firstPosition;
    if (!ordered || block.firstPosition > directory->wordCount ||
        !inFile(block.offset, block.length, file_.size())) {
      fail(IndexProblem::damaged, where + " does not fit together");
      return nullptr;
    }
    directory->blocks.push_back(block);
  }
  const LineDirectory* const found = directory.get();
  lineDirectories_.emplace(text, std::move(directory));
  return found;
}

bool IndexFile::readLineBlock(const LineDirectory& directory, std::size_t b,
                              std::vector<TextLine>& lines) const {
  const LineDirectory::Block& block = directory.blocks[b];
  const unsigned char* const at = file_.data() + block.offset;
  if (!sumsTo(at, block.length, block.crc)) {
    return fail(IndexProblem::damaged, "damaged: a block of a line table fails its checksum");
  }
  const std::size_t count = std::min<std::uint64_t>(
      LINES_PER_BLOCK, directory.lineCount - static_cast<std::uint64_t>(b) * LINES_PER_BLOCK);
  const bool last = b + 1 == directory.blocks.size();
  const std::uint64_t nextStart = last ? directory.textSize : directory.blocks[b + 1].firstStart;
  const std::uint64_t nextPosition = last ? directory.wordCount : directory.blocks[b + 1].firstPosition;
  lines.clear();
  // A block's lines lie before the next block's, and within the text.
  if (block.firstStart > nextStart || block.firstPosition > nextPosition) {
    return fail(IndexProblem::damaged, "damaged: a block of a line table does not fit together");
  }
  Fields fields(at, block.length);
  std::uint64_t start = block.firstStart;
  std::uint64_t position = block.firstPosition;
  for (std::size_t n = 0; n < count && !fields.failed(); ++n) {
    const std::uint64_t step = fields.varint();
    const std::uint64_t words = fields.varint();
    if (step > nextStart - start || words > nextPosition - position || (n == 0 && step != 0)) break;
    start += step;
    if (!lines.empty()) lines.back().end = start;
    lines.push_back(TextLine{start, nextStart, static_cast<std::uint32_t>(words), position});
    position += words;
  }
  if (fields.failed() || !fields.atEnd() || lines.size() != count || position != nextPosition) {
    lines.clear();
    return fail(IndexProblem::damaged, "damaged: a block of a line table does not fit together");
  }
  return true;
}

std::uint32_t IndexFile::lineCount(std::uint32_t text) const {
  const LineDirectory* const directory = lineDirectory(text);
  return directory == nullptr ? 0 : directory->lineCount;
}

bool IndexFile::readLine(std::uint32_t text, std::uint32_t line, TextLine& found) const {
  const LineDirectory* const directory = lineDirectory(text);
  if (directory == nullptr || line == 0 || line > directory->lineCount) return false;
  // The lines near one another, as an answer reads them, mostly share a
  // block: the last block read is kept.
  const std::size_t block = (line - 1) / LINES_PER_BLOCK;
  if (lastBlock_.lines.empty() || lastBlock_.text != text || lastBlock_.block != block) {
    lastBlock_.text = text;
    lastBlock_.block = block;
    if (!readLineBlock(*directory, block, lastBlock_.lines)) return false;
  }
  found = lastBlock_.lines[(line - 1) % LINES_PER_BLOCK];
  return true;
}

bool IndexFile::readPositions(std::uint32_t text, WordPositions& positions) const {
  const LineDirectory* const directory = lineDirectory(text);
  if (directory == nullptr) return false;
  positions.reserve(directory->lineCount);
  std::vector<TextLine> lines;
  for (std::size_t b = 0; b < directory->blocks.size(); ++b) {
    if (!readLineBlock(*directory, b, lines)) return false;
    for (const TextLine& line : lines) positions.addLine(line.words);
  }
  return true;
}

bool IndexFile::numberCorpusLines(std::vector<WordPlace>& places,
                                  const std::vector<std::uint32_t>& files) const {
  assert(files.size() == places.size());
  if (linesBefore_.empty()) {
    std::uint64_t before = 0;
    for (std::uint32_t t = 0; t < texts_.size(); ++t) {
      if (lineDirectory(t) == nullptr) return false;
      linesBefore_.push_back(static_cast<std::uint32_t>(before));
      before += lineCount(t);
      if (before > std::numeric_limits<std::uint32_t>::max()) {
        linesBefore_.clear();
        return fail(IndexProblem::damaged, "damaged: the texts have more lines than an index may hold");
      }
    }
  }
  for (std::size_t k = 0; k < places.size(); ++k) {
    if (files[k] >= linesBefore_.size() || places[k].line > lineCount(files[k])) {
      return fail(IndexProblem::damaged, "damaged: a place lies past the last line of its text");
    }
    places[k].line += linesBefore_[files[k]];
  }
  return true;
}

bool IndexFile::lineOfPosition(std::uint32_t text, std::uint64_t position, std::uint32_t& line) const {
  const LineDirectory* const directory = lineDirectory(text);
  if (directory == nullptr || position >= directory->wordCount) return false;
  // The last block that starts at or before the position holds it.
  const auto after = std::upper_bound(
      directory->blocks.begin(), directory->blocks.end(), position,
      [](std::uint64_t p, const LineDirectory::Block& block) { return p < block.firstPosition; });
  const auto b = static_cast<std::size_t>(after - directory->blocks.begin()) - 1;
  std::vector<TextLine> lines;
  if (!readLineBlock(*directory, b, lines)) return false;
  for (std::size_t n = 0; n < lines.size(); ++n) {
    if (position < lines[n].firstPosition + lines[n].words) {
      line = static_cast<std::uint32_t>(b * LINES_PER_BLOCK + n + 1);
      return true;
    }
  }
  return fail(IndexProblem::damaged, "damaged: a block of a line table does not fit together");
}

// ---- the cursor ----------------------------------------------------------------

IndexFileCursor::IndexFileCursor(const IndexFile& index) : index_(index) {}

void IndexFileCursor::fail() {
  failed_ = true;
  path_.clear();
}

void IndexFileCursor::seek(const std::string& word) {
  if (failed_) return;
  path_.clear();
  IndexPage page;
  if (!index_.readRoot(page)) return fail();
  for (;;) {
    const auto at = std::lower_bound(page.keys.begin(), page.keys.end(), word);
    const auto i = static_cast<std::size_t>(at - page.keys.begin());
    if ((at != page.keys.end() && *at == word) || page.isLeaf()) {
      path_.push_back(Step{std::move(page), i});
      break;
    }
    IndexPage child;
    if (!index_.readChild(page, i, child)) return fail();
    path_.push_back(Step{std::move(page), i});
    page = std::move(child);
  }
  settle();
}

void IndexFileCursor::next() {
  assert(valid());
  Step& top = path_.back();
  if (top.page.isLeaf()) {
    ++top.next;
  } else {
    // The word after an inner key is the first of the subtree to its right.
    ++top.next;
    for (;;) {
      IndexPage child;
      if (!index_.readChild(path_.back().page, path_.back().next, child)) return fail();
      const bool leaf = child.isLeaf();
      path_.push_back(Step{std::move(child), 0});
      if (leaf) break;
    }
  }
  settle();
}

void IndexFileCursor::settle() {
  while (!path_.empty() && path_.back().next >= path_.back().page.keys.size()) path_.pop_back();
  if (path_.empty()) return;
  const Step& top = path_.back();
  key_ = top.page.keys[top.next];
  // Places of a corpus of several texts are numbered by the corpus's lines,
  // as the index in memory numbers them.
  if (!index_.readPlaces(top.page, top.next, places_, files_) ||
      (index_.texts().size() > 1 && !index_.numberCorpusLines(places_, files_))) {
    fail();
  }
}

void IndexFileReader::countPlaces(const std::vector<std::string>& words,
                                  std::vector<std::uint64_t>& counts) const {
  // The pages from the root to the last word's, each with the key above its
  // words (none for the root and the last child of each page).
  struct Step {
    IndexPage page;
    // cppcheck-suppress unusedStructMember
    bool bounded = false;
    // cppcheck-suppress unusedStructMember
    std::string above;
  };
  // The steps below `depth` are the path; those past it are kept for their
  // room, so that a page read again reuses the keys of one read before.
  std::vector<Step> path;
  std::size_t depth = 0;
  counts.assign(words.size(), 0);
  for (std::size_t w = 0; w < words.size(); ++w) {
    const std::string& word = words[w];
    while (depth > 0 && path[depth - 1].bounded && !(word < path[depth - 1].above)) --depth;
    if (depth == 0) {
      if (path.empty()) path.emplace_back();
      path[0].bounded = false;
      if (!file_.readRoot(path[0].page)) return;
      depth = 1;
    }
    for (;;) {
      const IndexPage& page = path[depth - 1].page;
      const auto at = std::lower_bound(page.keys.begin(), page.keys.end(), word);
      const auto i = static_cast<std::size_t>(at - page.keys.begin());
      if (at != page.keys.end() && *at == word) {
        counts[w] = page.placeCounts[i];
        break;
      }
      if (page.isLeaf()) break;
      if (page.level == 1) {
        // A leaf below: every word asked that lies in it is counted in one
        // pass over its keys, which keeps none of them.
        const bool last = i == page.keys.size();
        const bool bounded = !last || path[depth - 1].bounded;
        const std::string& above = last ? path[depth - 1].above : page.keys[i];
        std::size_t end = w + 1;
        while (end < words.size() && (!bounded || words[end] < above)) ++end;
        std::size_t next = w;
        const bool scanned = file_.scanLeaf(page, i, [&](std::string_view key, std::uint64_t placeCount) {
          while (next < end && std::string_view(words[next]) < key) ++next;
          for (std::size_t same = next; same < end && words[same] == key; ++same) counts[same] = placeCount;
        });
        if (!scanned) {
          // Counts taken before the damage was found are not kept.
          std::fill(counts.begin() + static_cast<std::ptrdiff_t>(w), counts.begin() + static_cast<std::ptrdiff_t>(end), 0);
          return;
        }
        w = end - 1;
        break;
      }
      if (path.size() == depth) path.emplace_back();  // moves the steps: `page` is gone
      Step& child = path[depth];
      const Step& parent = path[depth - 1];
      const bool last = i == parent.page.keys.size();
      child.bounded = !last || parent.bounded;
      child.above = last ? parent.above : parent.page.keys[i];
      if (!file_.readChild(parent.page, i, child.page)) return;
      ++depth;
    }
  }
}

std::unique_ptr<IndexFileCursor> IndexFile::cursor() const {
  return std::make_unique<IndexFileCursor>(*this);
}
