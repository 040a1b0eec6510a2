// The word index: a B-tree whose keys are words, each key carrying the
// places where its word stands in the text. One B-tree (WordTree) serves two
// kinds of key:
//
//   WordEntry, the classic entry: the word and up to MAX_PLACES place
//   strings "(WORDNO,LINE)", held inline. BTree and BTreeNode are the tree
//   and the node of these entries; the dialogue and the trials use them.
//
//   CompactEntry: the word and every one of its places as numbers (line,
//   word number), in a growing array. CompactTree holds these; the
//   concordance answers from it.
//
// Invariants of a WordEntry:
//   places[0 .. placeCount-1] hold the stored places in the order they were
//   added, none of them empty; every later element is empty; placeCount is
//   at most MAX_PLACES. Readers stop at the first empty place.
//
// Invariants of a CompactEntry in a tree:
//   places holds at least one place, each place of the word once, in the
//   order they were added (the order of the text: ascending by line, then
//   by word number).
//
// Invariants of a node of order t (t is the minimum degree):
//   Keys and children are numbered from 1; element 0 of either array is never
//   used. A node with k keys holds them in keys[1 .. k] in strictly ascending
//   word order, and, unless it is a leaf, k + 1 children in children[1 .. k+1].
//   Every word in children[j] lies between keys[j-1] and keys[j]. A node holds
//   at most 2t - 1 keys (it is then full), and every node but the root at
//   least t - 1. All leaves stand on one level. Key slots above k may still
//   hold stale (moved-from) entries left behind by a split; nothing reads them.
//
// Word order is byte-wise, as strcmp: no locale, no case folding, a proper
// prefix first, the empty word before every other word.
//
// The tree owns its nodes; the index only grows, so nodes are freed only
// when the whole tree is destroyed.
#ifndef VERSEFIND_WORD_INDEX_H
#define VERSEFIND_WORD_INDEX_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

constexpr int MAX_PLACES = 50;

// The text that versefind indexes, and the cleaned listing that buildIndex
// writes, in the working directory.
inline constexpr char TEXT_FILE[] = "sonnets.txt";
inline constexpr char LISTING_FILE[] = "output.txt";

struct WordEntry {
  // What insert takes as the place of one occurrence: a place string.
  using Place = std::string;

  std::string word;
  std::string places[MAX_PLACES];
  std::int32_t placeCount = 0;

  WordEntry() = default;
  // Copies carry the word and exactly the places in use; every later place
  // of the destination ends up empty.
  WordEntry(const WordEntry& other);
  WordEntry& operator=(const WordEntry& other);
  // A moved-from entry is left as a default entry.
  WordEntry(WordEntry&& other) noexcept;
  WordEntry& operator=(WordEntry&& other) noexcept;
  ~WordEntry() = default;

  // Makes this entry hold `word` with `place` as its only place, whatever it
  // held before. REQUIRES: place is not empty.
  void reset(std::string word, std::string place);
  // Appends `place` after the stored places. An entry that already holds
  // MAX_PLACES places keeps them and drops `place`.
  // REQUIRES: place is not empty.
  void addPlace(std::string place);
};

// Where a word stands: its line (from 1) and its word number in that line
// (from 1). Two 32-bit numbers, so that a list of places stays small.
struct WordPlace {
  std::uint32_t line;
  std::uint32_t wordNumber;
};

inline bool operator==(WordPlace a, WordPlace b) {
  return a.line == b.line && a.wordNumber == b.wordNumber;
}
// Text order: by line, then by word number.
inline bool operator<(WordPlace a, WordPlace b) {
  return a.line != b.line ? a.line < b.line : a.wordNumber < b.wordNumber;
}

struct CompactEntry {
  using Place = WordPlace;

  std::string word;
  std::vector<WordPlace> places;  // every place, in the order added

  // Makes this entry hold `word` with `place` as its only place.
  void reset(std::string newWord, WordPlace place) {
    word = std::move(newWord);
    places.clear();
    places.push_back(place);
  }
  // Appends `place` after the stored places; no place is ever dropped.
  void addPlace(WordPlace place) { places.push_back(place); }
};

// The number of places an entry holds, for code that reads either kind.
inline std::size_t placeCountOf(const WordEntry& entry) {
  return static_cast<std::size_t>(entry.placeCount);
}
inline std::size_t placeCountOf(const CompactEntry& entry) { return entry.places.size(); }

// Why buildIndex failed: the file (the text's name, LISTING_FILE, or the
// folder that refused the new listing) and the system's reason, errno as the
// failing open, read, write or close left it (EISDIR for a folder; 0 when
// the system gave no reason), or the builder's own `reason`. Whether
// a listing it replaced let no one write it is told here too, on success.
struct IndexFailure {
  std::string file;
  int cause = 0;
  const char* reason = nullptr;
  bool replacedReadOnly = false;
};

// One node of a WordTree of entries of type Entry.
template <typename Entry>
struct WordNode {
  std::int32_t order;
  bool isLeaf;
  WordNode** children;  // 2t + 1 slots, used from 1
  Entry* keys;          // 2t slots, used from 1
  std::int32_t keyCount;

  // An empty leaf of order t: its key array of 2t default entries, its child
  // array of 2t + 1 null pointers, isLeaf true and keyCount 0. A creator that
  // needs an inner node sets isLeaf. REQUIRES: t >= 1.
  explicit WordNode(int t);
  ~WordNode();
  WordNode(const WordNode&) = delete;
  WordNode& operator=(const WordNode&) = delete;

  bool isFull() const { return keyCount == 2 * order - 1; }
};

// What a WordTree does, told to whoever watches it (a trace, a count of the
// work) as it happens. Each call comes right after the step it tells of,
// with the tree as that step left it, and changes nothing. A tree without an
// observer (the ordinary run) pays one test of a null pointer per step.
template <typename Entry>
class WordTreeObserver {
 public:
  using Node = WordNode<Entry>;
  virtual ~WordTreeObserver() = default;
  // An insertion of `word` at `place` begins; nothing has changed yet.
  virtual void insertion(const std::string& /*word*/, const typename Entry::Place& /*place*/) {}
  // The insertion compared its word with the words of `comparisons` keys of
  // x: the scan of x, or the one comparison with the key a split of x's
  // child has just moved up into x.
  virtual void compared(const Node& /*x*/, int /*comparisons*/) {}
  // A full child was split: key i of `parent` is its middle key, moved up;
  // children i and i + 1 are its lower and upper halves. `grew`: the parent
  // is a new root, and the tree is a level higher.
  virtual void split(const Node& /*parent*/, int /*i*/, bool /*grew*/) {}
  // The insertion's word is key i of x: a new key, or (isNew false) the key
  // that already held the word, to which the place was added.
  virtual void placed(const Node& /*x*/, int /*i*/, bool /*isNew*/) {}
  // A search (search or find) read x, comparing its word with the words of
  // `comparisons` keys of x.
  virtual void visited(const Node& /*x*/, int /*comparisons*/) {}
};

// The B-tree of words. Entry is WordEntry or CompactEntry: a type with a
// `word`, a `Place` type, reset(word, place) and addPlace(place). Insertion
// and search are the same for both; only what an entry does with a place
// differs.
//
// Everything that happens to the tree happens at one statement each, in
// word_index.cpp: an insertion starts (insert), a node is split
// (splitChild), a place joins an entry or a new key is made
// (insertNonFull), a search looks at a node (the descent of find and
// search).
template <typename Entry>
class WordTree {
 public:
  using Node = WordNode<Entry>;
  using Place = typename Entry::Place;

  Node* root;  // never null
  std::int32_t order;
  // Told of every step of insertions and searches; null (the default) for
  // none. The tree does not own it.
  WordTreeObserver<Entry>* observer = nullptr;

  // An empty tree: its root is a leaf without keys. REQUIRES: t >= 1.
  explicit WordTree(int t);
  ~WordTree();
  WordTree(const WordTree&) = delete;
  WordTree& operator=(const WordTree&) = delete;

  // Records one occurrence of `word` at `place`: appends the place to the
  // word's entry, or adds an entry for a new word. Full nodes on the way down
  // are split before the descent enters them.
  void insert(std::string word, Place place);

  // Returns a copy of the entry of `word` in the subtree of `x`, or a default
  // entry (empty word) when the word is not there. Changes nothing.
  Entry search(const Node* x, std::string word) const;

  // The stored entry of `word`, or null when the word is not in the tree:
  // the same descent as search from the root, without the copy. The entry
  // stays valid until the next insertion.
  const Entry* find(const std::string& word) const;

  // The walks. Each calls `visit` for what it walks, in its order, as long as
  // `visit` returns true; once it returns false the walk stops. None changes
  // the tree, and none recurses: a tree of order 1 is as deep as it has keys.

  // Calls visit(const Entry&) on every key in word order, the empty word
  // first when the tree holds it.
  template <typename Visit>
  void walkInOrder(Visit visit) const {
    std::vector<WalkStep> path;
    descendLeftmost(root, path);
    walkForward(path, visit);
  }

  // Calls visit(const Entry&) on every key whose word is not below `from`
  // (in word order), in word order. The walk descends to the first such key
  // as a search does, then goes forward: its cost grows with the keys
  // visited, not with the size of the tree.
  template <typename Visit>
  void walkFrom(const std::string& from, Visit visit) const {
    std::vector<WalkStep> path;
    descendTo(from, path);
    walkForward(path, visit);
  }

  // Calls visit(const Node&, int depth) on every node, level by level
  // from the root (depth 0), each level from the left: the n-th node visited
  // is the n-th a reader of a drawing counts.
  template <typename Visit>
  void walkNodes(Visit visit) const {
    std::vector<std::pair<const Node*, int>> level{{root, 0}};
    for (std::size_t n = 0; n < level.size(); ++n) {
      const Node* const x = level[n].first;
      const int depth = level[n].second;
      if (!visit(*x, depth)) return;
      if (x->isLeaf) continue;
      for (int j = 1; j <= x->keyCount + 1; ++j) level.emplace_back(x->children[j], depth + 1);
    }
  }

 private:
  // Inserts below x, splitting full children on the way down; `word` and
  // `place` may be moved into the tree. REQUIRES: x is not full, so that it
  // has room for a new key or for the middle key of a child's split (only
  // in a tree of order 1 is a new root full: its children, without keys,
  // then take the key and any split).
  void insertNonFull(Node* x, std::string& word, Place& place);
  // Splits the full child i of x around its middle key, which moves up into
  // x. REQUIRES: x is not full; 1 <= i <= x->keyCount + 1; child i is full.
  void splitChild(Node* x, int i);

  // A node on the path of an in-order walk, and the number of its next key
  // to visit: every key before that one, and the subtrees left of it, have
  // been walked (or lie below, further along the path).
  struct WalkStep {
    const Node* node;
    int next;
  };
  // Appends to `path` x and the first child of each node below it, down to a
  // leaf, each at its first key.
  static void descendLeftmost(const Node* x, std::vector<WalkStep>& path);
  // Fills `path` with the nodes from the root down to the first key not
  // below `from`, each at its first key not below `from`.
  void descendTo(const std::string& from, std::vector<WalkStep>& path) const;
  // Visits the keys from where `path` stands to the last key of the tree.
  template <typename Visit>
  static void walkForward(std::vector<WalkStep>& path, Visit& visit) {
    while (!path.empty()) {
      WalkStep& step = path.back();
      const Node* const x = step.node;
      if (step.next > x->keyCount) {
        path.pop_back();
        continue;
      }
      const int i = step.next++;
      if (!visit(static_cast<const Entry&>(x->keys[i]))) return;
      if (!x->isLeaf) descendLeftmost(x->children[i + 1], path);
    }
  }
};

// The node of the classic tree.
using BTreeNode = WordNode<WordEntry>;

// The classic tree, with the two operations that read the text file by the
// sonnets' word rules (sonnet_reader.cpp).
class BTree : public WordTree<WordEntry> {
 public:
  // An empty tree: its root is a leaf without keys. REQUIRES: t >= 1.
  explicit BTree(int t) : WordTree<WordEntry>(t) {}

  // Inserts every word of the text file `fileName` with its place and writes
  // the cleaned listing to "output.txt", which is opened (and so emptied)
  // only once the text has opened. Returns the number of passes of the
  // reading loop (the line count, plus one when the text ends with a line
  // break), or 0 when the text cannot be read or the listing cannot be
  // written; `failure` then tells which and why. Prints nothing.
  int buildIndex(std::string fileName, IndexFailure& failure);
  int buildIndex(std::string fileName);

  // Returns the word standing at word number `wordNumber` of line `lineNumber`
  // of the text file, cleaned like the index's words; empty when there is no
  // word there or the file cannot be read. Reads the file afresh every call
  // and does not touch the tree.
  std::string wordAt(std::string fileName, int lineNumber, int wordNumber) const;
};

// The tree of compact entries, which keeps every place of every word.
using CompactTree = WordTree<CompactEntry>;
using CompactNode = WordNode<CompactEntry>;

#endif  // VERSEFIND_WORD_INDEX_H
