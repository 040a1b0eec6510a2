#include "views/index_views.h"

#include <algorithm>
#include <iomanip>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

#include "index/index_file.h"
#include "query/concordance.h"

namespace {

// A child slot: a pointer to a node, whose own size is meant here.
constexpr std::size_t CHILD_SLOT_BYTES = sizeof(BTreeNode*);  // NOLINT(bugprone-sizeof-expression)

// The bytes a string holds outside itself: none while its characters fit
// in the string object.
std::size_t outsideBytes(const std::string& text) {
  const auto* const self = reinterpret_cast<const char*>(&text);
  const bool inside = text.data() >= self && text.data() < self + sizeof(std::string);
  return inside ? 0 : text.capacity() + 1;
}

// What an entry holds outside its slot: nothing for a classic entry (its
// strings' own buffers are left out, as ever), the array of places and a
// word too long for its string for a compact one.
std::size_t outsideBytes(const WordEntry&) { return 0; }
std::size_t outsideBytes(const CompactEntry& entry) {
  return entry.places.capacity() * sizeof(WordPlace) + outsideBytes(entry.word);
}

// ---- the figures ----------------------------------------------------------------

// Where the values of writeStats begin.
constexpr int LABEL_WIDTH = 22;
// The line length the list of words is wrapped to.
constexpr std::size_t LINE_WIDTH = 79;

std::ostream& labelled(std::ostream& out, const std::string& label) {
  return out << label << std::string(LABEL_WIDTH - label.size(), ' ');
}

std::string plural(std::size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string oneDecimal(double value) {
  std::ostringstream text;
  text << std::fixed << std::setprecision(1) << value;
  return text.str();
}

std::string mebibytes(std::size_t bytes) {
  return oneDecimal(static_cast<double>(bytes) / (1024.0 * 1024.0));
}

// Writes `words` after the label column, separated by blanks, as many on a
// line as fit in LINE_WIDTH (a longer word stands alone on its line).
void writeWordList(const std::vector<std::string>& words, std::ostream& out) {
  std::size_t column = 0;
  for (const std::string& word : words) {
    if (column > 0 && column + 1 + word.size() > LINE_WIDTH) {
      out << "\n";
      column = 0;
    }
    if (column == 0) {
      out << std::string(LABEL_WIDTH, ' ') << word;
      column = LABEL_WIDTH + word.size();
    } else {
      out << ' ' << word;
      column += 1 + word.size();
    }
  }
  if (column > 0) out << "\n";
}

// ---- the drawing ----------------------------------------------------------------

// A word as a field of a record label: the characters that structure a
// record are escaped, and bytes that are not printable ASCII shown as \xNN.
std::string fieldText(const std::string& word) {
  if (word.empty()) return "(empty)";
  std::string text;
  for (const char c : word) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte >= 0x7F) {
      text += '\\';  // the DOT label's own escape, before \xNN
      appendHexEscape(text, byte, true);
    } else {
      if (std::string("{}|<>\"\\ ").find(c) != std::string::npos) text += '\\';
      text += c;
    }
  }
  return text;
}

// An inner node runs left to right, a port for each child around its keys;
// a leaf stands as a column of its keys, which keeps a wide tree narrower.
std::string label(const NodeView& x) {
  const std::size_t count = x.keyCount();
  if (x.isLeaf() && count == 0) return "(no keys)";
  std::string text;
  for (std::size_t j = 1; j <= count; ++j) {
    if (!x.isLeaf()) text += "<c" + std::to_string(j) + ">|";
    text += fieldText(x.key(j - 1)) + "\\ (" + std::to_string(x.placeCount(j - 1)) + ")";
    if (j < count || !x.isLeaf()) text += "|";
  }
  if (x.isLeaf()) return "{" + text + "}";
  return text + "<c" + std::to_string(count + 1) + ">";
}

// What the figures of a tree count, node by node through its view.
struct TreeFigures {
  std::size_t nodes = 0;
  std::size_t leaves = 0;
  std::size_t keys = 0;
  int height = 0;
  std::size_t others = 0;  // the nodes but the root, which alone may hold fewer than t - 1
  std::size_t least = 0;
  std::size_t fullest = 0;
  std::size_t rootKeys = 0;
  std::uint64_t places = 0;
  std::uint64_t mostPlaces = 0;  // of a word; the first in word order among equals
  std::string mostWord;
  std::uint64_t emptyWordPlaces = 0;  // 0 when the tree holds no empty word
};

bool figuresOf(const TreeView& view, TreeFigures& f) {
  f.least = static_cast<std::size_t>(2 * view.order() - 1);
  return view.walkNodes([&f](const NodeView& x, int depth) {
    const std::size_t count = x.keyCount();
    ++f.nodes;
    f.keys += count;
    f.height = std::max(f.height, depth + 1);
    if (x.isLeaf()) ++f.leaves;
    if (depth == 0) {
      f.rootKeys = count;
    } else {
      ++f.others;
      f.least = std::min(f.least, count);
      f.fullest = std::max(f.fullest, count);
    }
    for (std::size_t k = 0; k < count; ++k) {
      const std::uint64_t places = x.placeCount(k);
      f.places += places;
      if (x.key(k).empty()) {
        f.emptyWordPlaces = places;
      } else if (places > f.mostPlaces || (places == f.mostPlaces && x.key(k) < f.mostWord)) {
        f.mostPlaces = places;
        f.mostWord = x.key(k);
      }
    }
    return true;
  });
}

// The lines of the tree's shape: its order, height, nodes and keys, and how
// full its nodes are.
void writeShape(const TreeFigures& f, int t, std::ostream& out) {
  const int most = 2 * t - 1;
  labelled(out, "order") << t << ": each node holds " << t - 1 << " to " << most
                         << " keys, the root up to " << most << "\n";
  labelled(out, "height") << plural(static_cast<std::size_t>(f.height), "level", "levels") << "\n";
  labelled(out, "nodes") << f.nodes << ", " << plural(f.leaves, "leaf", "leaves") << "\n";
  labelled(out, "keys") << f.keys;
  if (f.emptyWordPlaces > 0) {
    out << ": " << plural(f.keys - 1, "word", "words") << " and the empty word of empty fields ("
        << plural(static_cast<std::size_t>(f.emptyWordPlaces), "place", "places") << ")";
  }
  out << "\n";
  labelled(out, "keys per node");
  if (f.others == 0) {
    out << "no node but the root\n";
  } else {
    out << "least " << f.least << ", mean "
        << oneDecimal(static_cast<double>(f.keys - f.rootKeys) / static_cast<double>(f.others))
        << ", most " << f.fullest << " (of " << most << "), the root aside\n";
  }
  labelled(out, "keys in the root") << f.rootKeys << " (of " << most << ")\n";
}

// The line of every place kept, and the word with the most.
void writeKeptPlaces(const TreeFigures& f, std::ostream& out) {
  labelled(out, "places") << f.places << ", every one kept";
  if (f.mostPlaces > 0) out << "; the most, " << f.mostPlaces << ", for " << shownWord(f.mostWord);
  out << "\n";
}

}  // namespace

bool writeDot(const TreeView& view, std::ostream& out) {
  std::ostringstream dot;  // written whole, or not at all
  dot << "digraph btree {\n"
         "  node [shape=record, height=0.3, fontname=\"Helvetica\", fontsize=10];\n"
         "  edge [arrowsize=0.5];\n"
         "  nodesep=0.08;\n";
  // Nodes are numbered in the order the walk visits them, level by level;
  // the children of each are numbered as they are met, which is the same.
  std::size_t visited = 0;
  std::size_t numbered = 1;
  std::vector<std::size_t> leaves;
  const bool whole = view.walkNodes([&](const NodeView& x, int) {
    const std::size_t n = ++visited;
    dot << "  n" << n << " [label=\"" << label(x) << "\"];\n";
    if (x.isLeaf()) {
      leaves.push_back(n);
      return true;
    }
    for (std::size_t j = 1; j <= x.keyCount() + 1; ++j) {
      dot << "  n" << n << ":c" << j << " -> n" << ++numbered << ";\n";
    }
    return true;
  });
  if (!whole) return false;
  dot << "  { rank=same;";
  for (const std::size_t leaf : leaves) dot << " n" << leaf << ";";
  dot << " }\n}\n";
  out << dot.str();
  return true;
}

template <typename Entry>
NodeMemory nodeMemoryOf(const WordTree<Entry>& tree) {
  NodeMemory memory;
  tree.walkNodes([&memory](const WordNode<Entry>& x, int) {
    const auto t = static_cast<std::size_t>(x.order);
    memory.slotBytes +=
        sizeof(WordNode<Entry>) + 2 * t * sizeof(Entry) + (2 * t + 1) * CHILD_SLOT_BYTES;
    memory.keyBytes += static_cast<std::size_t>(x.keyCount) * sizeof(Entry);
    for (int j = 1; j <= x.keyCount; ++j) memory.outsideBytes += outsideBytes(x.keys[j]);
    return true;
  });
  return memory;
}

namespace {

// The figures about places of a classic tree: the words its entries cut
// short.
void writeCutWords(const WordTree<WordEntry>& tree, std::ostream& out) {
  std::vector<std::string> fullWords;
  tree.walkInOrder([&](const WordEntry& entry) {
    if (!entry.word.empty() && entry.placeCount == MAX_PLACES) {
      fullWords.push_back(shownWord(entry.word));
    }
    return true;
  });
  labelled(out, "words at " + std::to_string(MAX_PLACES) + " places") << fullWords.size();
  if (!fullWords.empty()) out << " (each keeps only its first " << MAX_PLACES << "):";
  out << "\n";
  writeWordList(fullWords, out);
}

}  // namespace

template <typename Entry>
void writeStats(const WordTree<Entry>& tree, std::ostream& out) {
  TreeFigures figures;
  figuresOf(MemoryTreeView<Entry>(tree), figures);
  writeShape(figures, tree.order, out);
  if constexpr (std::is_same<Entry, CompactEntry>::value) {
    writeKeptPlaces(figures, out);
  } else {
    writeCutWords(tree, out);
  }
  const NodeMemory memory = nodeMemoryOf(tree);
  labelled(out, "memory of the nodes")
      << memory.slotBytes << " bytes (" << mebibytes(memory.slotBytes) << " MiB), "
      << plural(figures.nodes, "node", "nodes") << " of " << memory.slotBytes / figures.nodes << " bytes\n";
  labelled(out, "held by keys")
      << memory.keyBytes << " bytes (" << mebibytes(memory.keyBytes) << " MiB), "
      << oneDecimal(100.0 * static_cast<double>(memory.keyBytes) /
                    static_cast<double>(memory.slotBytes))
      << "% of it\n";
  if (std::is_same<Entry, CompactEntry>::value) {
    labelled(out, "outside the nodes")
        << memory.outsideBytes << " bytes (" << mebibytes(memory.outsideBytes)
        << " MiB), the lists of places and the long words\n";
    labelled(out, "memory of the index")
        << memory.slotBytes + memory.outsideBytes << " bytes ("
        << mebibytes(memory.slotBytes + memory.outsideBytes) << " MiB)\n";
  }
}

IndexFileView::IndexFileView(const IndexFile& file) : file_(file) {}

int IndexFileView::order() const { return static_cast<int>(file_.order()); }

namespace {

class PageNode final : public NodeView {
 public:
  explicit PageNode(const IndexPage& page) : page_(page) {}
  std::size_t keyCount() const override { return page_.keys.size(); }
  const std::string& key(std::size_t i) const override { return page_.keys[i]; }
  std::uint64_t placeCount(std::size_t i) const override { return page_.placeCounts[i]; }
  bool isLeaf() const override { return page_.isLeaf(); }

 private:
  const IndexPage& page_;
};

}  // namespace

bool IndexFileView::walkNodes(const NodeVisit& visit) const {
  // Level by level; a level's pages are held with the references of the
  // pages below them.
  std::vector<IndexPage> level(1);
  if (!file_.readRoot(level[0])) return false;
  for (int depth = 0; !level.empty(); ++depth) {
    std::vector<IndexPage> below;
    for (const IndexPage& page : level) {
      if (!visit(PageNode(page), depth)) return true;
      for (std::size_t c = 0; !page.isLeaf() && c <= page.keys.size(); ++c) {
        below.emplace_back();
        if (!file_.readChild(page, c, below.back())) return false;
      }
    }
    level.swap(below);
  }
  return true;
}

bool writeIndexFileStats(const IndexFile& file, std::ostream& out) {
  TreeFigures figures;
  if (!figuresOf(IndexFileView(file), figures)) return false;
  writeShape(figures, static_cast<int>(file.order()), out);
  writeKeptPlaces(figures, out);
  labelled(out, "pages") << file.pageCount() << ", one a node, the largest of "
                         << file.largestPage() << " bytes\n";
  const IndexFileBytes& bytes = file.bytes();
  labelled(out, "bytes of the file") << bytes.total << " (" << mebibytes(bytes.total) << " MiB)\n";
  const std::pair<const char*, std::uint64_t> parts[] = {
      {"header", bytes.header},         {"pages", bytes.pages},
      {"place lists", bytes.placeLists}, {"texts", bytes.texts},
      {"line tables", bytes.lineTables}, {"directory", bytes.directory}};
  for (const auto& [name, size] : parts) labelled(out, std::string("  ") + name) << size << "\n";
  return true;
}

template void writeStats(const WordTree<WordEntry>& tree, std::ostream& out);
template void writeStats(const WordTree<CompactEntry>& tree, std::ostream& out);
template NodeMemory nodeMemoryOf(const WordTree<WordEntry>& tree);
template NodeMemory nodeMemoryOf(const WordTree<CompactEntry>& tree);
