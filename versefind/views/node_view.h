// The tree as the views read it, node by node, whichever tree it is: the
// tree in memory or the pages of an index file. The views read nothing
// else of a tree's shape, and change nothing.
#ifndef VERSEFIND_NODE_VIEW_H
#define VERSEFIND_NODE_VIEW_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "index/word_index.h"

// One node: its keys in ascending order, from 0, each with its number of
// places; a node that is no leaf has keyCount() + 1 children.
class NodeView {
 public:
  virtual std::size_t keyCount() const = 0;
  virtual const std::string& key(std::size_t i) const = 0;
  virtual std::uint64_t placeCount(std::size_t i) const = 0;
  virtual bool isLeaf() const = 0;

 protected:
  ~NodeView() = default;
};

// Receives each node with its depth (0 for the root); returns false to stop.
using NodeVisit = std::function<bool(const NodeView& node, int depth)>;

class TreeView {
 public:
  virtual ~TreeView() = default;
  // The order t: every node but the root holds t - 1 to 2t - 1 keys.
  virtual int order() const = 0;
  // Visits every node, level by level from the root, each level from the
  // left: the n-th node visited is the n-th a reader of a drawing counts.
  // Returns false when a node could not be read (a damaged file).
  virtual bool walkNodes(const NodeVisit& visit) const = 0;
};

// A tree in memory, of entries of type Entry, as a TreeView.
template <typename Entry>
class MemoryTreeView final : public TreeView {
 public:
  // REQUIRES: `tree` outlives the view and does not change while it is read.
  explicit MemoryTreeView(const WordTree<Entry>& tree) : tree_(tree) {}
  int order() const override { return tree_.order; }
  bool walkNodes(const NodeVisit& visit) const override {
    tree_.walkNodes([&visit](const WordNode<Entry>& x, int depth) { return visit(Node(x), depth); });
    return true;
  }

 private:
  class Node final : public NodeView {
   public:
    explicit Node(const WordNode<Entry>& x) : x_(x) {}
    std::size_t keyCount() const override { return static_cast<std::size_t>(x_.keyCount); }
    const std::string& key(std::size_t i) const override { return x_.keys[i + 1].word; }
    std::uint64_t placeCount(std::size_t i) const override { return placeCountOf(x_.keys[i + 1]); }
    bool isLeaf() const override { return x_.isLeaf; }

   private:
    const WordNode<Entry>& x_;
  };
  const WordTree<Entry>& tree_;
};

#endif  // VERSEFIND_NODE_VIEW_H
