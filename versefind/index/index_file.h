// The index on disk: a B-tree of words written once, from words in order,
// and read through the same cursor as the index in memory. Its layout,
// byte by byte, is in docs/index-format.md.
//
// What the file holds:
//   - a header at byte 0: what the file is, its version, the tree's order,
//     its root and height, and where the section directory lies;
//   - the pages: each node of the tree is one page of its own length, found
//     by the offset and length that its parent (or the header, for the
//     root) gives. Every node but the root holds order-1 to 2*order-1 keys,
//     all leaves stand on one level, and a page tells its level (0 for a
//     leaf), so a reader checks as it descends that the tree is a tree;
//   - each word's places, delta-coded, inside its page when they are short
//     and otherwise in a list of their own with its own checksum;
//   - sections, listed in a directory at the end: the corpus totals, the
//     texts (path, size, time of change), and for each text its line table:
//     where each line starts and how many words it holds, in blocks of
//     lines, each block with its own checksum.
//
// Every part carries a CRC-32C that is checked when that part is read, and
// only then: a look-up reads the header, the directory and height-many
// pages, never the whole file. A part that fails its check, or whose
// fields do not fit together, is reported as damage and never trusted.
//
// A place of a corpus of several texts is (text number, line, word number);
// the text number is the text's rank in the order the texts were added,
// from 0. A corpus of one text has only text 0.
#ifndef VERSEFIND_INDEX_FILE_H
#define VERSEFIND_INDEX_FILE_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "index/word_cursor.h"
#include "index/word_index.h"
#include "index/word_positions.h"
#include "platform/mapped_file.h"
#include "unfinished_file.h"

// The version of the format that this program writes and reads.
constexpr std::uint32_t INDEX_FILE_VERSION = 1;

// A text of the corpus as the index records it: the path as given, and what
// tells a later run whether the text changed since (mapped_file.h's
// fileStamp).
struct IndexedText {
  std::string path;
  std::uint64_t size = 0;
  std::int64_t modified = 0;  // nanoseconds since 1970-01-01 UTC
};

// The corpus as a whole.
struct CorpusTotals {
  std::uint32_t files = 0;
  std::uint64_t lines = 0;
  std::uint64_t words = 0;          // word positions, every occurrence counted
  std::uint64_t distinctWords = 0;  // keys of the tree
};

// Writes an index file. Words come one at a time in strictly ascending byte
// order, each with its places; a node is written as soon as it is complete,
// so the writer holds at most two nodes a level (a completed node waits for
// its successor, so that the last two of a level can share their keys and
// both stay within the fill bounds), whatever the number of words. Texts and
// their lines may come before, between or after the words.
//
// The file is written under a name of its own beside the index and renamed
// over it by finish(); until then the earlier index, if any, stays whole.
class IndexFileWriter {
 public:
  // REQUIRES: order >= 2.
  explicit IndexFileWriter(int order);
  IndexFileWriter(const IndexFileWriter&) = delete;
  IndexFileWriter& operator=(const IndexFileWriter&) = delete;
  ~IndexFileWriter();

  // Starts the new index beside `indexPath`. A folder, a FIFO, a socket or a
  // device at `indexPath` is refused without being opened. Returns false
  // with `failure` telling which file and why.
  bool create(const std::string& indexPath, IndexFailure& failure);

  // Adds `word` with its places, in text order, and `files` the text number
  // of each place (empty: every place is in text 0). A write that fails is
  // reported by finish(). REQUIRES: create() succeeded; `word` comes after
  // every word added before; places is not empty, each place numbered from
  // 1, strictly ascending by (text, line, word number); files is empty or
  // as long as places.
  void addWord(const std::string& word, const std::vector<WordPlace>& places,
               const std::vector<std::uint32_t>& files = {});

  // Adds the next text: its lines follow, each by addLine, from line 1.
  // REQUIRES: create() succeeded; no text is begun and not yet ended.
  void beginText(const IndexedText& text);
  // Adds the next line of the text begun: the byte offset where it starts in
  // the text, and its number of words. REQUIRES: a text is begun; `start` is
  // not before the start of the line before.
  void addLine(std::uint64_t start, std::uint32_t words);
  // Ends the text begun. REQUIRES: a text is begun.
  void endText();

  // Writes the last nodes, the sections and the header, closes the file and
  // renames it over the index. Returns false, leaving the earlier index as
  // it was, with `failure` telling why.
  bool finish(IndexFailure& failure);

  // The file's length so far, in bytes.
  std::uint64_t bytesWritten() const { return position_; }

 private:
  struct Key;
  struct Node;
  struct Level;
  struct LineBlock;
  struct TextTable;

  void write(const void* bytes, std::size_t size);
  void writeAt(std::uint64_t offset, const std::string& bytes);
  void addKey(std::size_t level, Key key);
  void addChild(std::size_t level, std::uint64_t offset, std::uint32_t length);
  void writeNode(std::size_t level, const Node& node);
  void flushLineBlock();
  std::uint64_t writeSection(std::uint32_t kind, std::uint32_t text, const std::string& bytes,
                             bool checked);

  std::uint32_t order_;
  UnfinishedFile unfinished_{"versefind"};
  std::string target_;  // the file to replace
  std::FILE* file_ = nullptr;
  int cause_ = 0;  // the first write's failure, errno
  std::uint64_t position_ = 0;
  std::vector<Level> levels_;  // 0: the leaves
  std::string lastWord_;
  std::uint64_t distinctWords_ = 0;
  std::uint32_t pageCount_ = 0;
  std::uint32_t largestPage_ = 0;
  std::uint64_t pageBytes_ = 0;
  std::uint64_t listBytes_ = 0;
  std::uint64_t lineBlockBytes_ = 0;
  std::vector<IndexedText> texts_;
  std::unique_ptr<TextTable> table_;  // the text begun, while its lines come
  std::uint64_t lines_ = 0;
  std::uint64_t words_ = 0;
  std::string sections_;  // the directory's entries so far
  std::uint32_t sectionCount_ = 0;
};

// Where a page lies in the file.
struct PageRef {
  std::uint64_t offset = 0;
  std::uint32_t length = 0;
};

// One node of the tree as its page holds it, for the views and the cursor.
// keys[i] is word i of the node (from 0), in ascending order; placeCounts[i]
// its number of places; a node that is not a leaf has keys.size() + 1
// children, child c holding the words between keys[c-1] and keys[c].
struct IndexPage {
  PageRef ref;
  std::uint32_t number = 0;  // the page's rank in the file, from 0
  std::uint32_t level = 0;   // 0 for a leaf; the root is at height - 1
  std::vector<std::string> keys;
  std::vector<std::uint64_t> placeCounts;
  std::vector<PageRef> children;
  // Where each key's places lie: inside this page or in a list of their own.
  struct Places {
    std::uint64_t offset;
    std::uint64_t length;
    std::uint32_t crc;
    bool inPage;
  };
  std::vector<Places> places;

  bool isLeaf() const { return level == 0; }
};

// One line of a text, from its line table.
struct TextLine {
  std::uint64_t start = 0;          // byte offset of the line in the text
  std::uint64_t end = 0;            // where the next line starts, or the text's size
  std::uint32_t words = 0;          // words of the line
  std::uint64_t firstPosition = 0;  // words of the text before the line
};

// The bytes of each kind that the file holds, for --stats.
struct IndexFileBytes {
  std::uint64_t header = 0;
  std::uint64_t pages = 0;
  std::uint64_t placeLists = 0;  // places held outside their page
  std::uint64_t texts = 0;
  std::uint64_t lineTables = 0;
  std::uint64_t directory = 0;
  std::uint64_t total = 0;
};

// What is wrong with a file given as an index.
enum class IndexProblem {
  none,
  unreadable,    // missing, not permitted, or not a regular file
  notIndex,      // no index of this program
  otherVersion,  // an index of another version
  truncated,     // shorter than its header says
  damaged,       // a part fails its checksum or does not fit together
};

// Whether the file at `path` begins as an index file does; false for a
// file that cannot be read, and for anything but a regular file.
bool looksLikeIndexFile(const std::string& path);

// A read-only index file. Opening checks the header, the section directory,
// the totals and the texts; the pages and line tables are checked as they
// are read. Once a read has found damage, problem() and reason() tell it.
class IndexFile {
 public:
  // `verifyChecksums` false reads the file without its checksums, trusting
  // no field the more: only the fuzz target does so, to reach the checks of
  // structure that stand behind them.
  explicit IndexFile(bool verifyChecksums = true) : verify_(verifyChecksums) {}
  IndexFile(const IndexFile&) = delete;
  IndexFile& operator=(const IndexFile&) = delete;

  // Opens and checks the index at `path`; false when it cannot be read or is
  // no sound index of this version (reason() says which). A folder, a FIFO
  // or a device is refused before it is opened. REQUIRES: not yet opened.
  bool open(const std::string& path);

  // The first problem found, none while everything read was sound; and a
  // sentence telling it, such as "truncated: 100 of 5000 bytes" (without
  // the file's name, which the caller puts before it).
  IndexProblem problem() const { return problem_; }
  const std::string& reason() const { return reason_; }

  // The figures of the header. REQUIRES: open() succeeded.
  std::uint32_t order() const { return order_; }
  std::uint32_t height() const { return height_; }
  std::uint32_t pageCount() const { return pageCount_; }
  std::uint32_t largestPage() const { return largestPage_; }
  const IndexFileBytes& bytes() const { return bytes_; }
  const CorpusTotals& totals() const { return totals_; }
  const std::vector<IndexedText>& texts() const { return texts_; }

  // The node view. Each read checks the page and returns false on damage.
  // REQUIRES: open() succeeded; c <= parent.keys.size(); parent not a leaf.
  bool readRoot(IndexPage& page) const;
  bool readChild(const IndexPage& parent, std::size_t c, IndexPage& child) const;
  // Reads child c of `parent`, a leaf, with every check readChild makes,
  // but keeps none of its keys: gives `each(word, placeCount)` every key in
  // order (a view valid during the call). REQUIRES: parent.level == 1.
  template <class EachKey>
  bool scanLeaf(const IndexPage& parent, std::size_t c, EachKey each) const;
  // The places of key i of `page` in text order, and the text of each.
  // REQUIRES: i < page.keys.size().
  bool readPlaces(const IndexPage& page, std::size_t i, std::vector<WordPlace>& places,
                  std::vector<std::uint32_t>& files) const;

  // A cursor over the words, in word order. REQUIRES: open() succeeded; the
  // cursor does not outlive this.
  std::unique_ptr<class IndexFileCursor> cursor() const;

  // The line table of text `text`. lineCount is 0 for a text number the
  // index does not have, or when the table is damaged (problem() says so).
  std::uint32_t lineCount(std::uint32_t text) const;
  // Line `line` (from 1) of text `text`; false when there is no such line
  // or the table is damaged.
  bool readLine(std::uint32_t text, std::uint32_t line, TextLine& found) const;
  // Adds the number of words of every line of text `text` to `positions`,
  // each block of the line table read once (reading line by line would
  // decode a block per line); false, with `positions` holding the lines
  // before it, on damage.
  bool readPositions(std::uint32_t text, WordPositions& positions) const;
  // Numbers `places`, each in text files[k] by its own lines, by the lines
  // of the corpus, which go on from one text to the next: a place of text t
  // moves down by the lines of the texts before t. False, on damage or on a
  // place past its text's last line. REQUIRES: files as long as places.
  bool numberCorpusLines(std::vector<WordPlace>& places,
                         const std::vector<std::uint32_t>& files) const;
  // The line that holds the word at `position` (words of the text before
  // it, from 0) of text `text`; false past the text's last word or on damage.
  bool lineOfPosition(std::uint32_t text, std::uint64_t position, std::uint32_t& line) const;

 private:
  struct LineDirectory;

  bool fail(IndexProblem problem, std::string reason) const;
  // Whether `size` bytes at `at` have the checksum `crc` (or are not checked).
  bool sumsTo(const unsigned char* at, std::uint64_t size, std::uint32_t crc) const;
  bool readPage(PageRef ref, std::uint32_t level, bool isRoot, IndexPage& page) const;
  // Reads and checks the page at `ref` into `page`, but for its keys, their
  // counts and their places: gives `each(k, isLast, word, placeCount,
  // places)` every key k in turn instead, before the page's last checks.
  template <class EachCell>
  bool readCells(PageRef ref, std::uint32_t level, bool isRoot, IndexPage& page, EachCell each) const;
  // Whether the keys of page c of `parent`, from `first` to `last`, lie
  // between the keys of `parent` around it; false after fail() otherwise.
  bool inParentRange(const IndexPage& parent, std::size_t c, std::uint32_t number, std::string_view first,
                     std::string_view last) const;
  const LineDirectory* lineDirectory(std::uint32_t text) const;
  bool readLineBlock(const LineDirectory& directory, std::size_t block,
                     std::vector<TextLine>& lines) const;
  bool readSections(const unsigned char* directory, std::size_t length);

  bool verify_;
  MappedFile file_;
  mutable IndexProblem problem_ = IndexProblem::none;
  mutable std::string reason_;
  std::uint32_t order_ = 0;
  std::uint32_t height_ = 0;
  std::uint32_t pageCount_ = 0;
  std::uint32_t largestPage_ = 0;
  PageRef root_;
  IndexFileBytes bytes_;
  CorpusTotals totals_;
  std::vector<IndexedText> texts_;
  struct SectionRef {
    std::uint64_t offset;
    std::uint64_t length;
    std::uint32_t crc;
  };
  std::vector<SectionRef> lineSections_;  // per text: its line directory
  mutable std::map<std::uint32_t, std::shared_ptr<LineDirectory>> lineDirectories_;
  mutable std::vector<std::uint32_t> linesBefore_;  // per text, once numberCorpusLines asks
  // The block of lines readLine read last; no lines until one is read whole.
  struct LineBlockRead {
    std::uint32_t text = 0;
    std::size_t block = 0;
    std::vector<TextLine> lines;
  };
  mutable LineBlockRead lastBlock_;
};

// The cursor over an index file. It holds the pages from the root to the
// word it stands on, each read and checked once as the cursor enters it. A
// page that fails its check, or words out of order, make it fail: it then
// stands on no word, for good, and the index's reason() tells why.
class IndexFileCursor final : public WordCursor {
 public:
  explicit IndexFileCursor(const IndexFile& index);

  void seek(const std::string& word) override;
  bool valid() const override { return !path_.empty(); }
  void next() override;
  const std::string& key() const override { return key_; }
  const std::vector<WordPlace>& places() const override { return places_; }
  bool failed() const override { return failed_; }
  // The text number of each of places(), in the same order.
  // REQUIRES: valid().
  const std::vector<std::uint32_t>& files() const { return files_; }

 private:
  // A page on the path and, for the last page, the key the cursor stands
  // on; for a page above it, the child the path goes on through, which is
  // also the number of the key that comes after that child's words.
  struct Step {
    IndexPage page;
    std::size_t next;
  };
  void settle();
  void fail();

  const IndexFile& index_;
  std::vector<Step> path_;
  std::string key_;
  std::vector<WordPlace> places_;
  std::vector<std::uint32_t> files_;
  bool failed_ = false;
};

// An index file as the answers read it.
class IndexFileReader final : public WordReader {
 public:
  // REQUIRES: `file` is open and outlives the reader and its cursors.
  explicit IndexFileReader(const IndexFile& file) : file_(file) {}
  std::unique_ptr<WordCursor> newCursor() const override { return file_.cursor(); }
  // Read from the pages' counts, the places left unread: the pages from
  // one word's down to the next are read once for all the words; 0 too
  // once a page is damaged (the file's problem() says so).
  void countPlaces(const std::vector<std::string>& words,
                   std::vector<std::uint64_t>& counts) const override;

 private:
  const IndexFile& file_;
};

#endif  // VERSEFIND_INDEX_FILE_H
