// The sorts by context, judged against sorting whole contexts gathered from
// the model of the word rules.
#include "query/place_sort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "word_rules_model.h"

namespace {

TEST(PlaceSort, SortsByTheWordsAfterOrBeforeThenByPlace) {
  std::mt19937 random(5);
  for (int round = 0; round < 30; ++round) {
    std::string text;
    for (int k = 0; k < 50; ++k) text += std::string(1, "abc"[random() % 3]) + " \n"[random() % 4 == 0];
    const std::vector<std::vector<std::string>> lines = wordsByLine(text);
    const auto span = static_cast<std::uint32_t>(1 + random() % 2);  // a word, or a phrase of two
    WordPositions positions;
    std::vector<std::string> words;  // the whole text, by position
    std::vector<WordPlace> places;   // the places of "a", a whole span before the text's end
    for (std::uint32_t line = 1; line <= lines.size(); ++line) {
      for (std::uint32_t n = 1; n <= lines[line - 1].size(); ++n) {
        words.push_back(lines[line - 1][n - 1]);
        if (words.back() == "a") places.push_back({line, n});
      }
      positions.addLine(static_cast<std::uint32_t>(lines[line - 1].size()));
    }
    while (!places.empty() && positions.positionOf(places.back()) + span > words.size()) places.pop_back();
    for (const PlaceOrder order : {PlaceOrder::place, PlaceOrder::right, PlaceOrder::left}) {
      // The model: each place's whole context as a list, compared as lists
      // (a shorter list first where it begins the other), then the position.
      std::vector<std::tuple<std::vector<std::string>, std::uint64_t, WordPlace>> model;
      for (const WordPlace place : places) {
        const auto p = static_cast<long>(positions.positionOf(place));
        std::vector<std::string> context;
        if (order == PlaceOrder::right) context.assign(words.begin() + p + span, words.end());
        if (order == PlaceOrder::left) context.assign(words.rend() - p, words.rend());
        model.emplace_back(context, p, place);
      }
      std::sort(model.begin(), model.end(), [](const auto& a, const auto& b) {
        return std::tie(std::get<0>(a), std::get<1>(a)) < std::tie(std::get<0>(b), std::get<1>(b));
      });
      std::vector<WordPlace> expected;
      for (const auto& m : model) expected.push_back(std::get<2>(m));
      std::vector<WordPlace> sorted = places;
      std::shuffle(sorted.begin(), sorted.end(), random);
      LineWords cut([&](std::uint32_t line, std::vector<std::string>& out) { out = lines[line - 1]; });
      sortPlaces(sorted, span, order, positions, cut);
      SCOPED_TRACE(text + " / order " + std::to_string(static_cast<int>(order)));
      EXPECT_EQ(sorted, expected);
    }
  }
}

}  // namespace
