// The cursor over a tree in memory: the path from the root to the key it
// stands on, one step a level, each step the node and its next key.
#ifndef VERSEFIND_TREE_CURSOR_H
#define VERSEFIND_TREE_CURSOR_H

#include <memory>
#include <string>
#include <vector>

#include "index/word_cursor.h"
#include "index/word_index.h"

// The places of a classic entry as numbers, in order: its place strings
// "(WORDNO,LINE)" read back. A string that is no place is left out.
std::vector<WordPlace> placesOfEntry(const WordEntry& entry);

template <typename Entry>
class TreeCursor final : public WordCursor {
 public:
  // REQUIRES: `tree` outlives the cursor and does not change while it is used.
  explicit TreeCursor(const WordTree<Entry>& tree) : tree_(tree) {}

  void seek(const std::string& word) override {
    path_.clear();
    const WordNode<Entry>* x = tree_.root;
    for (;;) {
      // The first key not below `word`, by the node's order.
      int i = 1;
      while (i <= x->keyCount && x->keys[i].word < word) ++i;
      path_.push_back({x, i});
      if (x->isLeaf || (i <= x->keyCount && x->keys[i].word == word)) break;
      x = x->children[i];
    }
    settle();
  }

  bool valid() const override { return !path_.empty(); }

  void next() override {
    Step& step = path_.back();
    const int i = step.next++;
    // The keys after key i: first those of the subtree to its right.
    if (!step.node->isLeaf) {
      for (const WordNode<Entry>* x = step.node->children[i + 1];; x = x->children[1]) {
        path_.push_back({x, 1});
        if (x->isLeaf) break;
      }
    }
    settle();
  }

  const std::string& key() const override { return current().word; }

  const std::vector<WordPlace>& places() const override { return placesOf(current()); }

  bool placesCut() const override { return cutOf(current()); }

 private:
  struct Step {
    const WordNode<Entry>* node;
    int next;  // the key the walk shows next in this node, from 1
  };

  // Drops the steps whose node has no key left to show, so that the last
  // step stands on the current key, or the path is empty past the last.
  void settle() {
    while (!path_.empty() && path_.back().next > path_.back().node->keyCount) path_.pop_back();
  }

  const Entry& current() const { return path_.back().node->keys[path_.back().next]; }

  static const std::vector<WordPlace>& placesOf(const CompactEntry& entry) { return entry.places; }
  const std::vector<WordPlace>& placesOf(const WordEntry& entry) const {
    made_ = placesOfEntry(entry);
    return made_;
  }
  static bool cutOf(const CompactEntry& /*entry*/) { return false; }
  static bool cutOf(const WordEntry& entry) { return entry.placeCount == MAX_PLACES; }

  const WordTree<Entry>& tree_;
  std::vector<Step> path_;
  mutable std::vector<WordPlace> made_;  // a classic entry's places, read back
};

// A tree in memory as its readers see it.
template <typename Entry>
class TreeReader final : public WordReader {
 public:
  // REQUIRES: `tree` outlives the reader and its cursors.
  explicit TreeReader(const WordTree<Entry>& tree) : tree_(tree) {}
  std::unique_ptr<WordCursor> newCursor() const override {
    return std::make_unique<TreeCursor<Entry>>(tree_);
  }

 private:
  const WordTree<Entry>& tree_;
};

#endif  // VERSEFIND_TREE_CURSOR_H
