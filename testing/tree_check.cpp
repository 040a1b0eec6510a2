#include "tree_check.h"

#include <cstring>
#include <vector>

std::vector<std::string> placesOf(const WordEntry& entry) {
  return std::vector<std::string>(entry.places, entry.places + entry.placeCount);
}

namespace {

std::string quoted(const std::string& word) { return "\"" + word + "\""; }

// What can be checked of a node on its own: its order, its fill, its
// children present, and the entries of its keys.
template <typename Entry>
std::string findNodeFault(const WordNode<Entry>& x, int order, bool isRoot) {
  if (x.order != order) return "a node of another order";
  if (x.keyCount < 0 || x.keyCount > 2 * order - 1) {
    return "a node holding " + std::to_string(x.keyCount) + " keys";
  }
  if (!isRoot && x.keyCount < order - 1) return "a node below its minimum fill";
  for (int j = 1; !x.isLeaf && j <= x.keyCount + 1; ++j) {
    if (x.children[j] == nullptr) return "a missing child";
  }
  for (int j = 1; j <= x.keyCount; ++j) {
    std::string fault = findEntryFault(x.keys[j]);
    if (!fault.empty()) return fault;
  }
  return "";
}

}  // namespace

std::string findEntryFault(const WordEntry& entry) {
  if (entry.placeCount < 0 || entry.placeCount > MAX_PLACES) {
    return quoted(entry.word) + " counts " + std::to_string(entry.placeCount) +
           " places";
  }
  for (int p = 0; p < MAX_PLACES; ++p) {
    if ((p < entry.placeCount) == entry.places[p].empty()) {
      return "place " + std::to_string(p) + " of " + quoted(entry.word) +
             (p < entry.placeCount ? " is empty" : " is in use past the count");
    }
  }
  return "";
}

std::string findEntryFault(const CompactEntry& entry) {
  if (entry.places.empty()) return quoted(entry.word) + " has no place";
  for (std::size_t p = 0; p < entry.places.size(); ++p) {
    const WordPlace place = entry.places[p];
    if (place.line < 1 || place.wordNumber < 1) {
      return "place " + std::to_string(p) + " of " + quoted(entry.word) + " is not numbered from 1";
    }
    if (p > 0 && !(entry.places[p - 1] < place)) {
      return "place " + std::to_string(p) + " of " + quoted(entry.word) + " is out of text order";
    }
  }
  return "";
}

template <typename Entry>
std::string findTreeFault(const WordTree<Entry>& tree, int& keyCount) {
  keyCount = 0;
  if (tree.root == nullptr) return "no root";
  std::string fault;
  int leafDepth = -1;
  tree.walkNodes([&](const WordNode<Entry>& x, int depth) {
    fault = findNodeFault(x, tree.order, &x == tree.root);
    if (fault.empty() && x.isLeaf) {
      if (leafDepth < 0) leafDepth = depth;
      if (depth != leafDepth) fault = "leaves on different levels";
    }
    keyCount += x.keyCount;
    return fault.empty();
  });
  if (!fault.empty()) return fault;
  // Strictly ascending in order, the keys are in order inside each node and
  // each lies between the keys its ancestors hold around it.
  const std::string* previous = nullptr;
  tree.walkInOrder([&](const Entry& entry) {
    if (previous != nullptr && std::strcmp(previous->c_str(), entry.word.c_str()) >= 0) {
      fault = "keys out of order at " + quoted(entry.word);
    }
    previous = &entry.word;
    return fault.empty();
  });
  return fault;
}

template std::string findTreeFault(const WordTree<WordEntry>& tree, int& keyCount);
template std::string findTreeFault(const WordTree<CompactEntry>& tree, int& keyCount);
