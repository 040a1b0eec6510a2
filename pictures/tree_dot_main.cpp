// tree_dot TEXT ORDER: builds versefind's word index of TEXT with a tree of
// order ORDER and writes it as Graphviz DOT to standard output. Like
// versefind, it writes the listing "output.txt" in the working directory.
#include <charconv>
#include <cstring>
#include <iostream>
#include <string>

#include "index_views.h"
#include "word_index.h"

namespace {

// More keys than this make a drawing no one can read.
constexpr int MOST_WORDS = 400;

int keysOf(const BTree& tree) {
  int keys = 0;
  tree.walkNodes([&keys](const BTreeNode& x, int) {
    keys += x.keyCount;
    return true;
  });
  return keys;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: tree_dot TEXT ORDER\n";
    return 2;
  }
  const std::string text = argv[1];
  int order = 0;
  const char* const end = argv[2] + std::strlen(argv[2]);
  const auto parsed = std::from_chars(argv[2], end, order);
  if (parsed.ec != std::errc() || parsed.ptr != end || order < 2 || order > 100) {
    std::cerr << "tree_dot: the order must be a whole number from 2 to 100: " << argv[2] << "\n";
    return 2;
  }
  BTree tree(order);
  if (tree.buildIndex(text) == 0) {
    std::cerr << "tree_dot: " << text << " could not be read, or output.txt written\n";
    return 1;
  }
  const int words = keysOf(tree);
  if (words > MOST_WORDS) {
    std::cerr << "tree_dot: " << text << " has " << words
              << " distinct words; a drawing of more than " << MOST_WORDS
              << " is unreadable, so none is made\n";
    return 1;
  }
  writeDot(tree, std::cout);
  return 0;
}
