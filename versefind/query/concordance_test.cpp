// The layout of an answer: alignment, cutting to a width, escapes, colour.
// Which words and places an answer holds is judged against the model of the
// word rules in search_driver_test.cpp, through the whole program.
#include "query/concordance.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "text/sonnet_text.h"
#include "index/text_index.h"
#include "index/tree_cursor.h"
#include "word_rules_model.h"

namespace {

struct Answer {
  bool found;
  std::string output;
  std::string errors;
};

Answer answer(const std::string& text, const std::string& query, Layout layout) {
  BTree tree(2);
  const std::vector<std::vector<std::string>> words = wordsByLine(text);
  TextLines lines;
  std::istringstream in(text);
  std::string line;
  for (std::size_t n = 0; n < words.size(); ++n) {
    readTextLine(in, line);
    lines.add(line);
    for (std::size_t w = 0; w < words[n].size(); ++w) {
      tree.insert(words[n][w], makePlace(static_cast<int>(n + 1), static_cast<int>(w + 1)));
    }
  }
  std::ostringstream out;
  std::ostringstream errors;
  const bool found =
      answerQuery(Concordance{TreeReader<WordEntry>(tree), lines, classicRules(), layout, out, errors}, query);
  return {found, out.str(), errors.str()};
}

TEST(Concordance, LaysOutEachPlaceWithTheFieldAtOneColumn) {
  const std::string nul("x word\0 y\n", 10);
  const auto one = [](const std::string& placeLine) { return "word: 1 place\n" + placeLine + "\n\n"; };
  struct Case {
    const char* name;
    std::string text;
    std::string query;
    Layout layout;
    std::string output;
  };
  const std::vector<Case> cases = {
      {"escapes, a tab, UTF-8 counted as characters", "a\tb \x01" "c caf\xc3\xa9 word\n caf\xc3\xa9 Word!\n",
       "word", {0, false},
       "word: 2 places\n"
       "1:4  a b \\x01c caf\xc3\xa9 word\n"
       "2:3            caf\xc3\xa9 Word!\n\n"},
      {"cut on both sides, never inside a character",
       "\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9 \xc3\xa9\xc3\xa9 word \xc3\xa9\xc3\xa9 \xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\n",
       "word", {20, false}, one("1:3  ...\xc3\xa9 word \xc3\xa9\xc3\xa9...")},
      {"no cut where the line fits", "one two word three\n", "word", {23, false},
       one("1:3  one two word three")},
      {"the left side gives way first", "one two word three\n", "word", {22, false},
       one("1:3  ...two word three")},
      {"a field longer than the width stays whole", "aa wordwordword bb\n", "wordwordword",
       {10, false}, "wordwordword: 1 place\n1:2  aa wordwordword...\n\n"},
      {"colour on the field alone", "the Word, said\n", "word", {0, true},
       one("1:2  the \x1b[1;31mWord,\x1b[0m said")},
      {"a NUL ends the fields, not the line", nul, "word", {0, false}, one("1:2  x word\\x00 y")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Answer a = answer(c.text, c.query, c.layout);
    EXPECT_TRUE(a.found);
    EXPECT_EQ(a.errors, "");
    EXPECT_EQ(a.output, c.output);
  }
}

}  // namespace
