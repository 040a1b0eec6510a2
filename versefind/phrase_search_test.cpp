// Phrases found from the place lists, judged against a plain walk over the
// text's words as the model of the word rules cuts them.
#include "phrase_search.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "word_rules_model.h"

namespace {

// The index of `text` as the concordance keeps it: each word's places, and
// the positions of its words.
struct Indexed {
  std::vector<std::vector<std::string>> lines;
  std::map<std::string, std::vector<WordPlace>> places;
  WordPositions positions;
};

Indexed indexOf(const std::string& text) {
  Indexed x;
  x.lines = wordsByLine(text);
  for (std::uint32_t line = 1; line <= x.lines.size(); ++line) {
    for (std::uint32_t n = 1; n <= x.lines[line - 1].size(); ++n) {
      x.places[x.lines[line - 1][n - 1]].push_back({line, n});
    }
    x.positions.addLine(static_cast<std::uint32_t>(x.lines[line - 1].size()));
  }
  return x;
}

// The phrase's places by a walk over every word of the text.
std::vector<WordPlace> walkedPhrase(const Indexed& x, const std::vector<std::string>& phrase) {
  std::vector<std::string> words;
  std::vector<WordPlace> at;
  for (std::uint32_t line = 1; line <= x.lines.size(); ++line) {
    for (std::uint32_t n = 1; n <= x.lines[line - 1].size(); ++n) {
      words.push_back(x.lines[line - 1][n - 1]);
      at.push_back({line, n});
    }
  }
  std::vector<WordPlace> found;
  for (std::size_t start = 0; start + phrase.size() <= words.size(); ++start) {
    if (std::equal(phrase.begin(), phrase.end(), words.begin() + static_cast<long>(start))) {
      found.push_back(at[start]);
    }
  }
  return found;
}

std::vector<WordPlace> foundPhrase(const Indexed& x, const std::vector<std::string>& phrase) {
  static const std::vector<WordPlace> none;
  std::vector<const std::vector<WordPlace>*> lists;
  for (const std::string& word : phrase) {
    const auto kept = x.places.find(word);
    lists.push_back(kept == x.places.end() ? &none : &kept->second);
  }
  return findPhrase(lists, x.positions);
}

TEST(PhraseSearch, FindsWhatAWalkOverTheTextFinds) {
  struct Case {
    const char* text;
    std::vector<std::string> phrase;
    std::vector<WordPlace> places;
  };
  const std::vector<Case> cases = {
      {"a b c\nb c a b\n", {"b", "c"}, {{1, 2}, {2, 1}}},
      {"x a\nb y\n", {"a", "b"}, {{1, 2}}},               // across a line end
      {"x a\n\nb y\n", {"a", "", "b"}, {{1, 2}}},         // an empty line is an empty field
      {"a a a\n", {"a", "a"}, {{1, 1}, {1, 2}}},          // runs overlap
      {"b a\n", {"a", "b"}, {}},                          // the text ends after the rarest
      {"c c c c b\n", {"c", "b", "c"}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(foundPhrase(indexOf(c.text), c.phrase), c.places);
  }
  // Random texts of four words, every phrase of one to four of them.
  std::mt19937 random(3);
  for (int round = 0; round < 40; ++round) {
    std::string text;
    for (int k = 0; k < 60; ++k) text += std::string(1, "abcd"[random() % 4]) + " \n"[random() % 5 == 0];
    const Indexed x = indexOf(text);
    for (std::uint32_t length = 1; length <= 4; ++length) {
      std::vector<std::string> phrase;
      for (std::uint32_t k = 0; k < length; ++k) phrase.emplace_back(1, "abcd"[random() % 4]);
      SCOPED_TRACE(text + " / " + std::to_string(length));
      EXPECT_EQ(foundPhrase(x, phrase), walkedPhrase(x, phrase));
    }
  }
}

TEST(WordPositions, TurnsPlacesIntoPositionsAndBack) {
  const Indexed x = indexOf("a b\n\nc\nd e f\n");  // the empty line holds an empty field
  EXPECT_EQ(x.positions.wordCount(), 8u);
  EXPECT_EQ(x.positions.lineCount(), 5u);
  for (std::uint64_t position = 0; position < x.positions.wordCount(); ++position) {
    const WordPlace place = x.positions.placeOf(position);
    EXPECT_TRUE(x.positions.holds(place));
    EXPECT_EQ(x.positions.positionOf(place), position);
  }
  WordPositions gaps;  // lines without words, as the text rules may cut them
  for (const std::uint32_t words : {0, 1, 0, 2, 0, 0}) gaps.addLine(words);
  EXPECT_EQ(gaps.lineCount(), 6u);
  EXPECT_EQ(gaps.positionOf({4, 2}), 2u);
  EXPECT_EQ(gaps.placeOf(1), (WordPlace{4, 1}));
  EXPECT_FALSE(gaps.holds({3, 1}));
}

}  // namespace
