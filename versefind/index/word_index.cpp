// WordEntry, and the one B-tree for both kinds of entry: construction,
// insertion, search and the descents of the walks.
// The operations that read the text file live in sonnet_reader.cpp.
#include "index/word_index.h"

#include <cassert>
#include <cstddef>
#include <utility>
#include <vector>

#include "platform/prefetch.h"

namespace {

// Byte-wise word order, as strcmp: negative, zero or positive, comparing
// unsigned bytes up to the first NUL. Words are short, so the loop is
// written out here rather than paid for with a call per key.
int compareWords(const std::string& a, const std::string& b) {
  const auto* p = reinterpret_cast<const unsigned char*>(a.c_str());
  const auto* q = reinterpret_cast<const unsigned char*>(b.c_str());
  while (*p != 0 && *p == *q) {
    ++p;
    ++q;
  }
  return *p - *q;
}

// Keys stand a whole entry (50 places) apart, so each key a scan compares
// is a fresh cache line, and one the hardware does not foresee. The scans
// below ask for the keys a few steps ahead of the comparison, so that those
// loads overlap; what they compare, and in which order, stays the same.
constexpr int SCAN_LOOKAHEAD = 8;

template <typename Entry>
void prefetchWord(const Entry& entry) {
  PREFETCH(entry.word.data());
}

// Compares keys k, k-1, ..., 1 with `word` until one is not greater.
// Returns its number, or 0 when every key is greater; `cmp` receives the
// last comparison made (key against word).
template <typename Entry>
int scanDownward(const Entry* keys, int k, const std::string& word, int& cmp) {
  for (int j = k; j >= 1 && j > k - SCAN_LOOKAHEAD; --j) prefetchWord(keys[j]);
  for (int i = k; i >= 1; --i) {
    if (i - SCAN_LOOKAHEAD >= 1) prefetchWord(keys[i - SCAN_LOOKAHEAD]);
    cmp = compareWords(keys[i].word, word);
    if (cmp <= 0) return i;
  }
  return 0;
}

// Compares `word` with keys 1, 2, ..., k until it is not greater. Returns
// that key's number, or k + 1 when the word is greater than every key;
// `cmp` receives the last comparison made (word against key).
template <typename Entry>
int scanUpward(const Entry* keys, int k, const std::string& word, int& cmp) {
  for (int j = 1; j <= k && j <= SCAN_LOOKAHEAD; ++j) prefetchWord(keys[j]);
  for (int i = 1; i <= k; ++i) {
    if (i + SCAN_LOOKAHEAD <= k) prefetchWord(keys[i + SCAN_LOOKAHEAD]);
    cmp = compareWords(word, keys[i].word);
    if (cmp <= 0) return i;
  }
  return k + 1;
}

// A shift reads the whole of each entry it moves, from its first byte to
// its last (a classic entry's place count, 1.6 KB on).
template <typename Entry>
void prefetchEntry(const Entry& entry) {
  PREFETCH(&entry);
  PREFETCH(reinterpret_cast<const char*>(&entry) + sizeof(Entry) - 1);
}

}  // namespace

// ---- WordEntry ---------------------------------------------------------------

WordEntry::WordEntry(const WordEntry& other)
    : word(other.word), placeCount(other.placeCount) {
  for (int p = 0; p < placeCount; ++p) places[p] = other.places[p];
}

WordEntry& WordEntry::operator=(const WordEntry& other) {
  if (this == &other) return *this;
  word = other.word;
  // The invariant keeps places beyond placeCount empty, so only the places
  // in use on either side need touching.
  for (int p = 0; p < other.placeCount; ++p) places[p] = other.places[p];
  for (int p = other.placeCount; p < placeCount; ++p) places[p].clear();
  placeCount = other.placeCount;
  return *this;
}

WordEntry::WordEntry(WordEntry&& other) noexcept
    : word(std::move(other.word)), placeCount(other.placeCount) {
  for (int p = 0; p < placeCount; ++p) {
    places[p] = std::move(other.places[p]);
    other.places[p].clear();
  }
  other.word.clear();
  other.placeCount = 0;
}

WordEntry& WordEntry::operator=(WordEntry&& other) noexcept {
  if (this == &other) return *this;
  word = std::move(other.word);
  other.word.clear();
  for (int p = 0; p < other.placeCount; ++p) {
    places[p] = std::move(other.places[p]);
    other.places[p].clear();
  }
  for (int p = other.placeCount; p < placeCount; ++p) places[p].clear();
  placeCount = other.placeCount;
  other.placeCount = 0;
  return *this;
}

void WordEntry::reset(std::string newWord, std::string place) {
  assert(!place.empty());
  for (int p = 0; p < placeCount; ++p) places[p].clear();
  placeCount = 0;
  word = std::move(newWord);
  places[0] = std::move(place);
  placeCount = 1;
}

void WordEntry::addPlace(std::string place) {
  assert(!place.empty());
  // A word seen more often than there is room for keeps its first places;
  // the index never holds more than MAX_PLACES for one word.
  if (placeCount >= MAX_PLACES) return;
  places[placeCount] = std::move(place);
  ++placeCount;
}

// ---- WordNode ------------------------------------------------------------------

namespace {

int checkedOrder(int t) {
  assert(t >= 1);
  return t;
}

}  // namespace

template <typename Entry>
WordNode<Entry>::WordNode(int t)
    : order(checkedOrder(t)),  // checked before the arrays are sized by it
      isLeaf(true),
      children(new WordNode*[2 * static_cast<std::size_t>(t) + 1]()),
      keys(new Entry[2 * static_cast<std::size_t>(t)]),
      keyCount(0) {}

template <typename Entry>
WordNode<Entry>::~WordNode() {
  delete[] keys;
  delete[] children;
}

// ---- WordTree ---------------------------------------------------------------------

namespace {

// Frees a node and everything below it. Iterative, since a tree of order 1
// grows one level per insertion.
template <typename Node>
void freeSubtree(Node* top) {
  std::vector<Node*> pending{top};
  while (!pending.empty()) {
    Node* const x = pending.back();
    pending.pop_back();
    if (!x->isLeaf) {
      for (int j = 1; j <= x->keyCount + 1; ++j) pending.push_back(x->children[j]);
    }
    delete x;
  }
}

}  // namespace

template <typename Entry>
WordTree<Entry>::WordTree(int t) : root(new Node(t)), order(t) {}

template <typename Entry>
WordTree<Entry>::~WordTree() {
  freeSubtree(root);
}

template <typename Entry>
void WordTree<Entry>::insert(std::string word, Place place) {
  if (observer != nullptr) observer->insertion(word, place);
  Node* r = root;
  if (r->isFull()) {
    // The root is split whenever it is full, even for a word it already
    // holds: this is the only way the tree grows in height.
    auto* s = new Node(order);
    root = s;
    s->isLeaf = false;
    s->children[1] = r;
    splitChild(s, 1);
    insertNonFull(s, word, place);
  } else {
    insertNonFull(r, word, place);
  }
}

template <typename Entry>
void WordTree<Entry>::insertNonFull(Node* x, std::string& word, Place& place) {
  // Each pass descends one level; the loop stands for the tail recursion.
  for (;;) {
    const int k = x->keyCount;
    Entry* const keys = x->keys;
    int cmp = 0;  // compareWords(key i, word) for the i the scan stopped at
    int i = scanDownward(keys, k, word, cmp);
    // The scan compared keys k down to i, or all k when it found none.
    if (observer != nullptr) observer->compared(*x, i >= 1 ? k - i + 1 : k);

    if (i >= 1 && cmp == 0) {
      keys[i].addPlace(std::move(place));
      if (observer != nullptr) observer->placed(*x, i, false);
      return;
    }

    if (x->isLeaf) {
      assert(!x->isFull());
      // Keys i+1 .. k are greater than the word: shift them up one slot.
      for (int q = k; q >= i + 1; --q) {
        if (q - SCAN_LOOKAHEAD > i) prefetchEntry(keys[q - SCAN_LOOKAHEAD]);
        keys[q + 1] = std::move(keys[q]);
      }
      keys[i + 1].reset(std::move(word), std::move(place));
      x->keyCount = k + 1;
      if (observer != nullptr) observer->placed(*x, i + 1, true);
      return;
    }

    ++i;  // child i is the subtree the word falls into
    if (x->children[i]->isFull()) {
      splitChild(x, i);
      cmp = compareWords(word, keys[i].word);
      if (observer != nullptr) observer->compared(*x, 1);
      if (cmp == 0) {
        keys[i].addPlace(std::move(place));
        if (observer != nullptr) observer->placed(*x, i, false);
        return;
      }
      if (cmp > 0) ++i;
    }
    x = x->children[i];
  }
}

template <typename Entry>
void WordTree<Entry>::splitChild(Node* x, int i) {
  assert(!x->isFull() && i >= 1 && i <= x->keyCount + 1);
  const int t = x->order;
  Node* const y = x->children[i];
  assert(y->isFull());
  auto* z = new Node(t);
  z->isLeaf = y->isLeaf;
  z->keyCount = t - 1;

  // y's upper t - 1 keys and t children go to z; y keeps the lower halves.
  // The slots they leave in y are never read again, so they are moved.
  for (int j = 1; j <= t - 1; ++j) z->keys[j] = std::move(y->keys[j + t]);
  if (!y->isLeaf) {
    for (int j = 1; j <= t; ++j) z->children[j] = y->children[j + t];
  }
  y->keyCount = t - 1;

  for (int j = x->keyCount + 1; j >= i + 1; --j) {
    x->children[j + 1] = x->children[j];
  }
  x->children[i + 1] = z;
  for (int j = x->keyCount; j >= i; --j) x->keys[j + 1] = std::move(x->keys[j]);
  x->keys[i] = std::move(y->keys[t]);  // the middle key moves up
  ++x->keyCount;
  // Only a new root is a parent without keys before the split.
  if (observer != nullptr) observer->split(*x, i, x == root && x->keyCount == 1);
}

namespace {

// The entry of `word` in the subtree of x, or null.
template <typename Entry>
const Entry* findBelow(const WordNode<Entry>* x, const std::string& word,
                       WordTreeObserver<Entry>* observer) {
  // Each pass descends one level; the loop stands for the tail recursion.
  for (;;) {
    const int k = x->keyCount;
    int cmp = 1;  // compareWords(word, key i) for the i the scan stopped at
    const int i = scanUpward(x->keys, k, word, cmp);
    // The scan compared keys 1 to i, or all k when it passed them all.
    if (observer != nullptr) observer->visited(*x, i <= k ? i : k);
    if (i <= k && cmp == 0) return &x->keys[i];
    if (x->isLeaf) return nullptr;
    x = x->children[i];
  }
}

}  // namespace

template <typename Entry>
Entry WordTree<Entry>::search(const Node* x, std::string word) const {
  const Entry* const found = findBelow(x, word, observer);
  return found != nullptr ? *found : Entry();
}

template <typename Entry>
const Entry* WordTree<Entry>::find(const std::string& word) const {
  return findBelow(root, word, observer);
}

template <typename Entry>
void WordTree<Entry>::descendLeftmost(const Node* x, std::vector<WalkStep>& path) {
  for (;;) {
    path.push_back({x, 1});
    if (x->isLeaf) return;
    x = x->children[1];
  }
}

template <typename Entry>
void WordTree<Entry>::descendTo(const std::string& from, std::vector<WalkStep>& path) const {
  const Node* x = root;
  for (;;) {
    int cmp = 1;  // compareWords(from, key i) for the i the scan stopped at
    const int i = scanUpward(x->keys, x->keyCount, from, cmp);
    path.push_back({x, i});
    // An equal key is the first one not below `from`: nothing below it is.
    if (x->isLeaf || (i <= x->keyCount && cmp == 0)) return;
    x = x->children[i];
  }
}

// The two kinds of entry the program indexes; the algorithm above is
// compiled once for each.
template struct WordNode<WordEntry>;
template class WordTree<WordEntry>;
template struct WordNode<CompactEntry>;
template class WordTree<CompactEntry>;
