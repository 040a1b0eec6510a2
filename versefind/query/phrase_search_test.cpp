// Phrases found from the place lists, judged against a plain walk over the
// text's words as the model of the word rules cuts them.
#include "query/phrase_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "word_rules_model.h"

namespace {

// The index of `text` as the concordance keeps it (each word's places, and
// the positions of its words), and its words one after another.
struct Indexed {
  std::map<std::string, std::vector<WordPlace>> places;
  WordPositions positions;
  std::vector<std::string> words;
  std::vector<WordPlace> at;
};

Indexed indexOf(const std::string& text) {
  Indexed x;
  const std::vector<std::vector<std::string>> lines = wordsByLine(text);
  for (std::uint32_t line = 1; line <= lines.size(); ++line) {
    for (std::uint32_t n = 1; n <= lines[line - 1].size(); ++n) {
      x.places[lines[line - 1][n - 1]].push_back({line, n});
      x.words.push_back(lines[line - 1][n - 1]);
      x.at.push_back({line, n});
    }
    x.positions.addLine(static_cast<std::uint32_t>(lines[line - 1].size()));
  }
  return x;
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
      {"x a\nb y\n", {"a", "b"}, {{1, 2}}},        // across a line end
      {"a a a\n", {"a", "a"}, {{1, 1}, {1, 2}}},   // runs overlap
      {"b a\n", {"a", "b"}, {}},                   // the text ends after the rarest
  };
  for (const Case& c : cases) {
    EXPECT_EQ(foundPhrase(indexOf(c.text), c.phrase), c.places) << c.text;
  }
  // Random texts of four words, a phrase of one to four of them each.
  std::mt19937 random(3);
  for (int round = 0; round < 160; ++round) {
    std::string text;
    for (int k = 0; k < 60; ++k) text += std::string(1, "abcd"[random() % 4]) + " \n"[random() % 5 == 0];
    const Indexed x = indexOf(text);
    std::vector<std::string> phrase(1 + random() % 4);
    for (std::string& word : phrase) word = std::string(1, "abcd"[random() % 4]);
    std::vector<WordPlace> walked;
    for (std::size_t start = 0; start + phrase.size() <= x.words.size(); ++start) {
      if (std::equal(phrase.begin(), phrase.end(), x.words.begin() + static_cast<long>(start))) {
        walked.push_back(x.at[start]);
      }
    }
    SCOPED_TRACE(text);
    EXPECT_EQ(foundPhrase(x, phrase), walked);
  }
}

TEST(WordPositions, TurnsPlacesIntoPositionsAndBackOverLinesOfNoWord) {
  WordPositions gaps;  // as the text rules may cut lines: some hold no word
  for (const std::uint32_t words : {0, 1, 0, 2, 0, 0}) gaps.addLine(words);
  EXPECT_EQ(gaps.wordCount(), 3u);
  const std::vector<WordPlace> places = {{2, 1}, {4, 1}, {4, 2}};
  for (std::uint64_t position = 0; position < places.size(); ++position) {
    EXPECT_EQ(gaps.placeOf(position), places[position]);
    EXPECT_EQ(gaps.positionOf(places[position]), position);
  }
  EXPECT_FALSE(gaps.holds({3, 1}));
  WordPlace walked{2, 1};  // across the lines of no word, both ways, and stopped at either end
  EXPECT_TRUE(gaps.next(walked) && walked == (WordPlace{4, 1}) && gaps.previous(walked) && walked == (WordPlace{2, 1}));
  EXPECT_FALSE(gaps.previous(walked) || gaps.next(walked = {4, 2}) || !(walked == WordPlace{4, 2}));
}

}  // namespace
