#include "sample_text.h"

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace {

constexpr std::uint32_t SEED = 1609;
constexpr int VOCABULARY_SIZE = 3000;
constexpr int LINE_COUNT = 2310;
constexpr int STANZA_LINES = 15;  // 14 verse lines and a blank one

std::vector<std::string> makeVocabulary(std::mt19937& random) {
  // Word lengths roughly as in English verse: mostly 2 to 7 letters.
  std::discrete_distribution<int> length({0, 2, 6, 8, 8, 7, 6, 5, 4, 3, 2, 1});
  std::uniform_int_distribution<int> letter('a', 'z');
  std::vector<std::string> words;
  words.reserve(VOCABULARY_SIZE);
  for (int w = 0; w < VOCABULARY_SIZE; ++w) {
    std::string word(static_cast<std::size_t>(length(random)), ' ');
    for (char& c : word) c = static_cast<char>(letter(random));
    words.push_back(word);
  }
  return words;
}

}  // namespace

std::string generateSampleText() {
  std::mt19937 random(SEED);
  const std::vector<std::string> vocabulary = makeVocabulary(random);
  std::vector<double> weights;
  weights.reserve(VOCABULARY_SIZE);
  for (int rank = 1; rank <= VOCABULARY_SIZE; ++rank) weights.push_back(std::pow(rank, -0.6));
  std::discrete_distribution<int> pick(weights.begin(), weights.end());
  std::uniform_int_distribution<int> wordsOnLine(5, 10);
  std::uniform_int_distribution<int> percent(0, 99);
  const std::string marks = ",.;:!?";

  std::string text;
  for (int n = 1; n <= LINE_COUNT; ++n) {
    const int verse = n % STANZA_LINES;
    if (verse == 0) {
      text += "\r\n";
      continue;
    }
    if (verse >= 13) text += "  ";  // the closing couplet is indented
    const int count = wordsOnLine(random);
    for (int w = 0; w < count; ++w) {
      std::string word = vocabulary[static_cast<std::size_t>(pick(random))];
      const int roll = percent(random);
      if (w == 0 || roll < 8) word[0] = static_cast<char>(word[0] - 'a' + 'A');
      if (roll >= 90 && roll < 92) word += "'s";
      if (roll == 92) word += "-" + vocabulary[static_cast<std::size_t>(pick(random))];
      if (roll >= 93 || w == count - 1) {
        word += marks[static_cast<std::size_t>(percent(random)) % marks.size()];
      }
      if (w > 0) text += ' ';
      text += word;
    }
    text += "\r\n";
  }
  return text;
}
