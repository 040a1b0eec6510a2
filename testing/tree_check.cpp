#include "tree_check.h"

#include <cstring>
#include <vector>

std::vector<std::string> placesOf(const WordEntry& entry) {
  return std::vector<std::string>(entry.places, entry.places + entry.placeCount);
}

namespace {

// A node still to be checked, with the open interval its words must lie in
// (a null bound is no bound) and its depth below the root.
struct Pending {
  const BTreeNode* node;
  const std::string* low;
  const std::string* high;
  int depth;
};

std::string quoted(const std::string& word) { return "\"" + word + "\""; }

std::string findNodeFault(const Pending& p, int order, bool isRoot) {
  const BTreeNode* x = p.node;
  if (x->order != order) return "a node of another order";
  if (x->keyCount < 0 || x->keyCount > 2 * order - 1) {
    return "a node holding " + std::to_string(x->keyCount) + " keys";
  }
  if (!isRoot && x->keyCount < order - 1) return "a node below its minimum fill";
  for (int j = 1; j <= x->keyCount; ++j) {
    const std::string& word = x->keys[j].word;
    std::string fault = findEntryFault(x->keys[j]);
    if (!fault.empty()) return fault;
    if (j > 1 && std::strcmp(x->keys[j - 1].word.c_str(), word.c_str()) >= 0) {
      return "keys out of order at " + quoted(word);
    }
    if ((p.low != nullptr && std::strcmp(word.c_str(), p.low->c_str()) <= 0) ||
        (p.high != nullptr && std::strcmp(word.c_str(), p.high->c_str()) >= 0)) {
      return quoted(word) + " outside the range its parent gives";
    }
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

std::string findTreeFault(const BTree& tree, int& keyCount) {
  keyCount = 0;
  if (tree.root == nullptr) return "no root";
  int leafDepth = -1;
  std::vector<Pending> pending{{tree.root, nullptr, nullptr, 0}};
  while (!pending.empty()) {
    const Pending p = pending.back();
    pending.pop_back();
    std::string fault = findNodeFault(p, tree.order, p.node == tree.root);
    if (!fault.empty()) return fault;
    const BTreeNode* x = p.node;
    keyCount += x->keyCount;
    if (x->isLeaf) {
      if (leafDepth < 0) leafDepth = p.depth;
      if (p.depth != leafDepth) return "leaves on different levels";
      continue;
    }
    for (int j = 1; j <= x->keyCount + 1; ++j) {
      if (x->children[j] == nullptr) return "a missing child";
      pending.push_back({x->children[j], j > 1 ? &x->keys[j - 1].word : p.low,
                         j <= x->keyCount ? &x->keys[j].word : p.high, p.depth + 1});
    }
  }
  return "";
}
