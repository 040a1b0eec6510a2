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
template <typename Entry>
std::string label(const WordNode<Entry>& x) {
  if (x.isLeaf && x.keyCount == 0) return "(no keys)";
  std::string text;
  for (int j = 1; j <= x.keyCount; ++j) {
    if (!x.isLeaf) text += "<c" + std::to_string(j) + ">|";
    text += fieldText(x.keys[j].word) + "\\ (" + std::to_string(placeCountOf(x.keys[j])) + ")";
    if (j < x.keyCount || !x.isLeaf) text += "|";
  }
  if (x.isLeaf) return "{" + text + "}";
  return text + "<c" + std::to_string(x.keyCount + 1) + ">";
}

}  // namespace

template <typename Entry>
void writeDot(const WordTree<Entry>& tree, std::ostream& out) {
  out << "digraph btree {\n"
         "  node [shape=record, height=0.3, fontname=\"Helvetica\", fontsize=10];\n"
         "  edge [arrowsize=0.5];\n"
         "  nodesep=0.08;\n";
  // Nodes are numbered in the order the walk visits them, level by level;
  // the children of each are numbered as they are met, which is the same.
  std::size_t visited = 0;
  std::size_t numbered = 1;
  std::vector<std::size_t> leaves;
  tree.walkNodes([&](const WordNode<Entry>& x, int) {
    const std::size_t n = ++visited;
    out << "  n" << n << " [label=\"" << label(x) << "\"];\n";
    if (x.isLeaf) {
      leaves.push_back(n);
      return true;
    }
    for (int j = 1; j <= x.keyCount + 1; ++j) {
      out << "  n" << n << ":c" << j << " -> n" << ++numbered << ";\n";
    }
    return true;
  });
  out << "  { rank=same;";
  for (const std::size_t leaf : leaves) out << " n" << leaf << ";";
  out << " }\n}\n";
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

// The line of the figures about places: the words that a classic entry
// cuts short, or what a compact entry keeps.
void writePlaceFigures(const WordTree<WordEntry>& tree, std::ostream& out) {
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

void writePlaceFigures(const WordTree<CompactEntry>& tree, std::ostream& out) {
  std::size_t all = 0;
  const CompactEntry* most = nullptr;
  tree.walkInOrder([&](const CompactEntry& entry) {
    all += entry.places.size();
    if (!entry.word.empty() && (most == nullptr || entry.places.size() > most->places.size())) {
      most = &entry;
    }
    return true;
  });
  labelled(out, "places") << all << ", every one kept";
  if (most != nullptr) {
    out << "; the most, " << most->places.size() << ", for " << shownWord(most->word);
  }
  out << "\n";
}

}  // namespace

template <typename Entry>
void writeStats(const WordTree<Entry>& tree, std::ostream& out) {
  const int t = tree.order;
  const int most = 2 * t - 1;
  std::size_t nodes = 0;
  std::size_t leaves = 0;
  std::size_t keys = 0;
  int height = 0;
  // Keys per node, the root aside: it alone may hold fewer than t - 1.
  std::size_t others = 0;
  int least = most;
  int fullest = 0;
  tree.walkNodes([&](const WordNode<Entry>& x, int depth) {
    ++nodes;
    keys += static_cast<std::size_t>(x.keyCount);
    height = std::max(height, depth + 1);
    if (x.isLeaf) ++leaves;
    if (&x != tree.root) {
      ++others;
      least = std::min(least, x.keyCount);
      fullest = std::max(fullest, x.keyCount);
    }
    return true;
  });
  std::size_t emptyWordPlaces = 0;  // 0 when the tree holds no empty word
  if (const Entry* const empty = tree.find("")) emptyWordPlaces = placeCountOf(*empty);
  labelled(out, "order") << t << ": each node holds " << t - 1 << " to " << most
                         << " keys, the root up to " << most << "\n";
  labelled(out, "height") << plural(static_cast<std::size_t>(height), "level", "levels") << "\n";
  labelled(out, "nodes") << nodes << ", " << plural(leaves, "leaf", "leaves") << "\n";
  labelled(out, "keys") << keys;
  if (emptyWordPlaces > 0) {
    out << ": " << plural(keys - 1, "word", "words") << " and the empty word of empty fields ("
        << plural(emptyWordPlaces, "place", "places") << ")";
  }
  out << "\n";
  labelled(out, "keys per node");
  if (others == 0) {
    out << "no node but the root\n";
  } else {
    const std::size_t otherKeys = keys - static_cast<std::size_t>(tree.root->keyCount);
    out << "least " << least << ", mean "
        << oneDecimal(static_cast<double>(otherKeys) / static_cast<double>(others)) << ", most "
        << fullest << " (of " << most << "), the root aside\n";
  }
  labelled(out, "keys in the root") << tree.root->keyCount << " (of " << most << ")\n";
  writePlaceFigures(tree, out);
  const NodeMemory memory = nodeMemoryOf(tree);
  labelled(out, "memory of the nodes")
      << memory.slotBytes << " bytes (" << mebibytes(memory.slotBytes) << " MiB), "
      << plural(nodes, "node", "nodes") << " of " << memory.slotBytes / nodes << " bytes\n";
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

bool writeIndexFileStats(const IndexFile& file, std::ostream& out) {
  const std::uint32_t t = file.order();
  const std::uint32_t most = 2 * t - 1;
  std::uint64_t nodes = 0;
  std::uint64_t leaves = 0;
  std::uint64_t keys = 0;
  std::uint64_t others = 0;
  std::uint64_t places = 0;
  std::uint64_t mostPlaces = 0;
  std::string mostWord;
  std::size_t least = most;
  std::size_t fullest = 0;
  std::size_t rootKeys = 0;
  // Level by level, as the tree's own walk goes; a page at a time is held
  // with the references of the pages below it.
  std::vector<IndexPage> level(1);
  if (!file.readRoot(level[0])) return false;
  rootKeys = level[0].keys.size();
  while (!level.empty()) {
    std::vector<IndexPage> below;
    for (const IndexPage& page : level) {
      ++nodes;
      keys += page.keys.size();
      if (page.isLeaf()) ++leaves;
      if (nodes > 1) {
        ++others;
        least = std::min(least, page.keys.size());
        fullest = std::max(fullest, page.keys.size());
      }
      for (std::size_t k = 0; k < page.keys.size(); ++k) {
        places += page.placeCounts[k];
        if (page.placeCounts[k] > mostPlaces) {
          mostPlaces = page.placeCounts[k];
          mostWord = page.keys[k];
        }
      }
      for (std::size_t c = 0; !page.isLeaf() && c <= page.keys.size(); ++c) {
        below.emplace_back();
        if (!file.readChild(page, c, below.back())) return false;
      }
    }
    level.swap(below);
  }
  labelled(out, "order") << t << ": each node holds " << t - 1 << " to " << most
                         << " keys, the root up to " << most << "\n";
  labelled(out, "height") << plural(file.height(), "level", "levels") << "\n";
  labelled(out, "nodes") << nodes << ", " << plural(leaves, "leaf", "leaves") << "\n";
  labelled(out, "keys") << keys << "\n";
  labelled(out, "keys per node");
  if (others == 0) {
    out << "no node but the root\n";
  } else {
    out << "least " << least << ", mean "
        << oneDecimal(static_cast<double>(keys - rootKeys) / static_cast<double>(others)) << ", most "
        << fullest << " (of " << most << "), the root aside\n";
  }
  labelled(out, "keys in the root") << rootKeys << " (of " << most << ")\n";
  labelled(out, "places") << places << ", every one kept";
  if (mostPlaces > 0) out << "; the most, " << mostPlaces << ", for " << shownWord(mostWord);
  out << "\n";
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
template void writeDot(const WordTree<WordEntry>& tree, std::ostream& out);
template void writeDot(const WordTree<CompactEntry>& tree, std::ostream& out);
template NodeMemory nodeMemoryOf(const WordTree<WordEntry>& tree);
template NodeMemory nodeMemoryOf(const WordTree<CompactEntry>& tree);
