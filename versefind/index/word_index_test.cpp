#include "index/word_index.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "index/tree_cursor.h"
#include "tree_check.h"

namespace {

void verifyEntry(const WordEntry& entry) { EXPECT_EQ(findEntryFault(entry), ""); }

// Verifies the whole tree and returns its number of keys.
template <typename Entry>
int verifyTree(const WordTree<Entry>& tree) {
  int keys = 0;
  EXPECT_EQ(findTreeFault(tree, keys), "");
  return keys;
}

int treeHeight(const BTree& tree) {
  int height = 1;
  for (const BTreeNode* x = tree.root; !x->isLeaf; x = x->children[1]) ++height;
  return height;
}

std::vector<std::string> rootWords(const BTree& tree) {
  std::vector<std::string> words;
  for (int j = 1; j <= tree.root->keyCount; ++j) words.push_back(tree.root->keys[j].word);
  return words;
}

std::vector<std::string> childWords(const BTree& tree, int child) {
  std::vector<std::string> words;
  const BTreeNode* x = tree.root->children[child];
  for (int j = 1; j <= x->keyCount; ++j) words.push_back(x->keys[j].word);
  return words;
}

// The words of the keys that a walk visits, the walk told to stop once it
// has `most`: an in-order walk, or one from `*from`.
std::vector<std::string> walkedWords(const BTree& tree, const std::string* from,
                                     std::size_t most) {
  std::vector<std::string> words;
  const auto visit = [&](const WordEntry& entry) {
    words.push_back(entry.word);
    return words.size() < most;
  };
  if (from == nullptr) {
    tree.walkInOrder(visit);
  } else {
    tree.walkFrom(*from, visit);
  }
  return words;
}

// The same words read through a cursor, which seeks `from` ("" for the
// first word), with each word's places, which must be those of its entry.
template <typename Entry>
std::vector<std::string> cursorWords(const WordTree<Entry>& tree, const std::string& from,
                                     std::size_t most) {
  std::vector<std::string> words;
  TreeCursor<Entry> cursor(tree);
  for (cursor.seek(from); cursor.valid() && words.size() < most; cursor.next()) {
    words.push_back(cursor.key());
    const Entry* const entry = tree.find(cursor.key());
    EXPECT_TRUE(entry != nullptr && cursor.places().size() == placeCountOf(*entry)) << cursor.key();
  }
  return words;
}

// An entry holding places (1,line) .. (count,line).
WordEntry entryWithPlaces(const std::string& word, int count, int line = 1) {
  WordEntry entry;
  const auto place = [line](int p) { return "(" + std::to_string(p) + "," + std::to_string(line) + ")"; };
  entry.reset(word, place(1));
  for (int p = 2; p <= count; ++p) entry.addPlace(place(p));
  return entry;
}

TEST(WordEntry, ResetAddAndCopyKeepTheInvariant) {
  WordEntry fresh;
  EXPECT_TRUE(fresh.word.empty());
  EXPECT_EQ(fresh.placeCount, 0);
  verifyEntry(fresh);

  WordEntry seven = entryWithPlaces("seven", 7);
  seven.reset("new", "(9,9)");
  EXPECT_EQ(seven.word, "new");
  EXPECT_EQ(placesOf(seven), std::vector<std::string>{"(9,9)"});
  verifyEntry(seven);

  WordEntry three = entryWithPlaces("three", 3);
  three.addPlace("(4,4)");
  EXPECT_EQ(three.placeCount, 4);
  EXPECT_EQ(three.places[3], "(4,4)");
  EXPECT_EQ(three.places[0], "(1,1)");
  verifyEntry(three);

  // Entries that hold all 50 places: copies carry every one, and a reset
  // empties them all (the sanitizer build catches a step past the array).
  const WordEntry full = entryWithPlaces("full", MAX_PLACES);
  const WordEntry copied(full);
  EXPECT_EQ(copied.word, "full");
  EXPECT_EQ(placesOf(copied), placesOf(full));
  WordEntry assigned = entryWithPlaces("other", 2);
  assigned = full;
  EXPECT_EQ(assigned.word, "full");
  EXPECT_EQ(placesOf(assigned), placesOf(full));
  WordEntry fullToFull = entryWithPlaces("before", MAX_PLACES);
  fullToFull = full;
  EXPECT_EQ(fullToFull.word, "full");
  EXPECT_EQ(placesOf(fullToFull), placesOf(full));
  fullToFull.reset("after", "(7,7)");
  EXPECT_EQ(placesOf(fullToFull), std::vector<std::string>{"(7,7)"});
  verifyEntry(fullToFull);

  // Copied over an entry with more places: the extra ones are emptied.
  WordEntry nine = entryWithPlaces("nine", 9);
  const WordEntry two = entryWithPlaces("two", 2, 5);
  nine = two;
  EXPECT_EQ(nine.word, "two");
  EXPECT_EQ(placesOf(nine), (std::vector<std::string>{"(1,5)", "(2,5)"}));
  verifyEntry(nine);

  WordEntry source = entryWithPlaces("moved", 5);
  WordEntry target = entryWithPlaces("target", MAX_PLACES);
  target = std::move(source);
  EXPECT_EQ(target.word, "moved");
  EXPECT_EQ(target.placeCount, 5);
  verifyEntry(target);
  EXPECT_TRUE(source.word.empty());  // NOLINT(bugprone-use-after-move)
  verifyEntry(source);

  WordEntry giver = entryWithPlaces("given", 4);
  const WordEntry taker(std::move(giver));
  EXPECT_EQ(taker.word, "given");
  EXPECT_EQ(placesOf(taker), placesOf(entryWithPlaces("given", 4)));
  EXPECT_TRUE(giver.word.empty());  // NOLINT(bugprone-use-after-move)
  EXPECT_EQ(giver.placeCount, 0);
  verifyEntry(giver);
}

TEST(WordEntry, DropsPlacesBeyondTheFiftieth) {
  WordEntry entry = entryWithPlaces("and", MAX_PLACES);
  entry.addPlace("(51,1)");
  entry.addPlace("(52,1)");
  EXPECT_EQ(entry.placeCount, MAX_PLACES);
  EXPECT_EQ(entry.places[MAX_PLACES - 1], "(50,1)");
  verifyEntry(entry);
}

TEST(BTreeNode, ArraysAreSizedForTheOrder) {
  // With t = 1 a node has room for one key (slot 1) and two children.
  BTree tree(1);
  EXPECT_TRUE(tree.root->isLeaf);
  EXPECT_EQ(tree.root->keyCount, 0);
  tree.insert("only", "(1,1)");
  EXPECT_EQ(rootWords(tree), std::vector<std::string>{"only"});
  EXPECT_EQ(tree.search(tree.root, "nothing").word, "");
}

TEST(BTreeInsert, SplitsTheFullRootEvenForAWordItHolds) {
  BTree tree(2);
  for (const char* word : {"ape", "bee", "cat"}) tree.insert(word, "(1,1)");
  EXPECT_EQ(treeHeight(tree), 1);
  tree.insert("dog", "(2,1)");
  EXPECT_EQ(rootWords(tree), std::vector<std::string>{"bee"});
  EXPECT_EQ(childWords(tree, 1), std::vector<std::string>{"ape"});
  EXPECT_EQ(childWords(tree, 2), (std::vector<std::string>{"cat", "dog"}));
  tree.insert("bee", "(3,1)");
  EXPECT_EQ(placesOf(tree.search(tree.root, "bee")),
            (std::vector<std::string>{"(1,1)", "(3,1)"}));

  // A full root holding the word is split before the word is looked at.
  BTree full(2);
  for (const char* word : {"a", "b", "c"}) full.insert(word, "(1,1)");
  full.insert("c", "(2,2)");
  EXPECT_EQ(treeHeight(full), 2);
  EXPECT_EQ(rootWords(full), std::vector<std::string>{"b"});
  EXPECT_EQ(placesOf(full.search(full.root, "c")),
            (std::vector<std::string>{"(1,1)", "(2,2)"}));
  EXPECT_EQ(verifyTree(full), 3);
}

TEST(BTreeInsert, JoinsTheMiddleKeyThatASplitMovesUp) {
  BTree tree(2);
  for (const char* word : {"m", "x", "a", "c", "e"}) tree.insert(word, "(1,1)");
  ASSERT_EQ(rootWords(tree), std::vector<std::string>{"m"});
  ASSERT_EQ(childWords(tree, 1), (std::vector<std::string>{"a", "c", "e"}));
  tree.insert("c", "(2,2)");
  EXPECT_EQ(rootWords(tree), (std::vector<std::string>{"c", "m"}));
  EXPECT_EQ(childWords(tree, 1), std::vector<std::string>{"a"});
  EXPECT_EQ(childWords(tree, 2), std::vector<std::string>{"e"});
  EXPECT_EQ(childWords(tree, 3), std::vector<std::string>{"x"});
  EXPECT_EQ(placesOf(tree.root->keys[1]),
            (std::vector<std::string>{"(1,1)", "(2,2)"}));
  EXPECT_EQ(verifyTree(tree), 5);
}

TEST(BTreeInsert, OrderOneGrowsALevelPerInsertion) {
  BTree tree(1);
  tree.insert("b", "(1,1)");
  tree.insert("a", "(2,1)");
  EXPECT_EQ(rootWords(tree), std::vector<std::string>{"b"});
  EXPECT_EQ(childWords(tree, 1), std::vector<std::string>{"a"});
  EXPECT_TRUE(childWords(tree, 2).empty());

  const std::vector<std::string> words = {"c", "a", "d", "b", "e", "a"};
  for (const std::string& word : words) tree.insert(word, "(3,3)");
  EXPECT_EQ(treeHeight(tree), 8);
  EXPECT_EQ(verifyTree(tree), 5);
  for (const char* word : {"a", "b", "c", "d", "e"}) {
    EXPECT_EQ(tree.search(tree.root, word).word, word);
  }
  EXPECT_EQ(tree.search(tree.root, "a").placeCount, 3);
}

TEST(BTreeSearch, IsExactAndByteWise) {
  BTree tree(2);
  const std::vector<std::string> words = {"thee", "the", "then", "", "a",
                                          "zebra", "\xC3\xA9t\xC3\xA9", "Z"};
  for (const std::string& word : words) tree.insert(word, "(1,1)");
  ASSERT_EQ(verifyTree(tree), static_cast<int>(words.size()));

  struct Case {
    const char* word;
    bool found;
  };
  const Case cases[] = {
      {"the", true},  {"thee", true}, {"th", false},   {"thees", false},
      {"The", false}, {"z", false},   {"Z", true},     {"zebra", true},
      {"", true},     {"\xC3\xA9t\xC3\xA9", true},    {"~", false},
  };
  for (const Case& c : cases) {
    const WordEntry entry = tree.search(tree.root, c.word);
    EXPECT_EQ(entry.word, c.found ? c.word : "") << c.word;
    EXPECT_EQ(entry.placeCount, c.found ? 1 : 0) << c.word;
  }

  // The result is a copy: changing it leaves the tree as it was.
  WordEntry copy = tree.search(tree.root, "the");
  copy.addPlace("(9,9)");
  copy.word = "changed";
  EXPECT_EQ(tree.search(tree.root, "the").placeCount, 1);
}

// Many random insertions at several orders, against a simple reference.
// The walks are checked against the same reference.
TEST(BTreeInsert, RandomInsertionsKeepEveryInvariant) {
  for (const int t : {2, 3, 5, 7, 50}) {
    SCOPED_TRACE("order " + std::to_string(t));
    std::mt19937 random(static_cast<unsigned>(t));
    // A skewed vocabulary, so that some words pass the 50-place limit.
    std::vector<std::string> vocabulary;
    for (int v = 0; v < 600; ++v) {
      std::string word;
      for (int len = 1 + v % 7; len > 0; --len) {
        word += static_cast<char>('a' + random() % 26);
      }
      vocabulary.push_back(word);
    }
    vocabulary.push_back("");
    std::geometric_distribution<int> pick(0.01);

    BTree tree(t);
    std::map<std::string, std::vector<std::string>> reference;
    for (int n = 1; n <= 6000; ++n) {
      const std::string& word =
          vocabulary[static_cast<std::size_t>(pick(random)) % vocabulary.size()];
      const std::string place = "(" + std::to_string(n % 9 + 1) + "," +
                                std::to_string(n) + ")";
      tree.insert(word, place);
      std::vector<std::string>& places = reference[word];
      if (places.size() < static_cast<std::size_t>(MAX_PLACES)) places.push_back(place);
      if (n % 1000 == 0) {
        ASSERT_EQ(verifyTree(tree), static_cast<int>(reference.size()));
      }
    }

    bool sawFullEntry = false;
    for (const auto& [word, places] : reference) {
      const WordEntry entry = tree.search(tree.root, word);
      ASSERT_EQ(entry.word, word);
      ASSERT_EQ(placesOf(entry), places) << word;
      sawFullEntry |= places.size() == static_cast<std::size_t>(MAX_PLACES);
    }
    EXPECT_TRUE(sawFullEntry);
    for (const char* absent : {"A", "zzzzzzzz", "a b"}) {
      EXPECT_EQ(tree.search(tree.root, absent).word, "");
    }

    std::vector<std::string> all;
    for (const auto& entry : reference) all.push_back(entry.first);
    EXPECT_EQ(walkedWords(tree, nullptr, all.size() + 1), all);
    EXPECT_EQ(walkedWords(tree, nullptr, 2),
              std::vector<std::string>(all.begin(), all.begin() + 2));
    // From a word present (in a leaf, and in the root), one absent just
    // after it, the empty word, one absent before every other word and one
    // after every word; whole, and stopped after the first or the third key.
    const std::string middle = all[all.size() / 2];
    const std::string froms[] = {middle, tree.root->keys[1].word, middle + "~", "", "A", "~"};
    for (const std::string& from : froms) {
      for (const std::size_t most : {std::size_t{1}, std::size_t{3}, all.size() + 1}) {
        std::vector<std::string> expected;
        auto it = reference.lower_bound(from);
        for (; it != reference.end() && expected.size() < most; ++it) expected.push_back(it->first);
        EXPECT_EQ(walkedWords(tree, &from, most), expected) << "from " << from << ", " << most;
        EXPECT_EQ(cursorWords(tree, from, most), expected) << "from " << from << ", " << most;
      }
    }
  }
}

// The compact entry through the same tree: every place kept, however many,
// in text order, and the tree sound after random insertions at each order.
TEST(CompactTree, RandomInsertionsKeepEveryPlaceAndEveryInvariant) {
  for (const int t : {1, 2, 3, 7, 50}) {
    SCOPED_TRACE("order " + std::to_string(t));
    std::mt19937 random(static_cast<unsigned>(t));
    std::geometric_distribution<int> pick(0.02);
    CompactTree tree(t);
    std::map<std::string, std::vector<WordPlace>> reference;
    for (std::uint32_t n = 1; n <= 5000; ++n) {
      const std::string word = std::to_string(pick(random) * 7919 % 1000);
      const WordPlace place{n / 8 + 1, n % 8 + 1};
      tree.insert(word, place);
      reference[word].push_back(place);
      if (n % 1000 == 0) {
        ASSERT_EQ(verifyTree(tree), static_cast<int>(reference.size()));
      }
    }
    ASSERT_EQ(verifyTree(tree), static_cast<int>(reference.size()));
    std::size_t most = 0;
    for (const auto& [word, places] : reference) {
      const CompactEntry* const entry = tree.find(word);
      ASSERT_NE(entry, nullptr) << word;
      ASSERT_TRUE(entry->places == places) << word;
      most = std::max(most, places.size());
    }
    EXPECT_GT(most, static_cast<std::size_t>(MAX_PLACES));
    EXPECT_EQ(tree.find("absent"), nullptr);
    EXPECT_TRUE(tree.search(tree.root, "absent").places.empty());
    std::vector<std::string> all;
    for (const auto& entry : reference) all.push_back(entry.first);
    EXPECT_EQ(cursorWords(tree, "", all.size()), all);
  }
}

// The contracts stop a caller that breaks them in Debug and sanitizer builds;
// in Release they cost nothing, and there is nothing to test.
TEST(Contracts, StopACallerThatBreaksThem) {
#ifdef NDEBUG
  GTEST_SKIP() << "the contracts are checked in Debug and sanitizer builds only";
#else
  WordEntry entry;
  EXPECT_DEATH(entry.reset("word", ""), "");
  EXPECT_DEATH(entry.addPlace(""), "");
  EXPECT_DEATH(BTreeNode{0}, "");
#endif
}

}  // namespace
