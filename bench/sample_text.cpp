#include "sample_text.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdint>
#include <random>
#include <unordered_set>
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

namespace {

constexpr std::uint32_t LARGE_SEED = 2718;
// A word of the large text takes about this many bytes with its space and
// marks; every (bytes / (distinct * BYTES_PER_WORD_SLOT))-th word of the text
// is the next word of the vocabulary not yet used, until all have stood once
// (every 12th at 10,000,000 bytes of 100,000 words).
constexpr std::size_t BYTES_PER_WORD_SLOT = 8;

// `distinct` distinct words of 2 to 11 letters.
std::vector<std::string> makeLargeVocabulary(std::mt19937& random, int distinct) {
  std::uniform_int_distribution<int> length(2, 11);
  std::uniform_int_distribution<int> letter('a', 'z');
  std::unordered_set<std::string> seen;
  std::vector<std::string> words;
  words.reserve(static_cast<std::size_t>(distinct));
  while (words.size() < static_cast<std::size_t>(distinct)) {
    std::string word(static_cast<std::size_t>(length(random)), ' ');
    for (char& c : word) c = static_cast<char>(letter(random));
    if (seen.insert(word).second) words.push_back(word);
  }
  return words;
}

}  // namespace

std::string generateLargeText(std::size_t bytes, int distinct) {
  assert(distinct >= 1);
  std::mt19937 random(LARGE_SEED);
  const std::vector<std::string> vocabulary = makeLargeVocabulary(random, distinct);
  const long long newWordEvery = static_cast<long long>(
      std::max<std::size_t>(1, bytes / (static_cast<std::size_t>(distinct) * BYTES_PER_WORD_SLOT)));
  std::vector<double> weights;
  weights.reserve(static_cast<std::size_t>(distinct));
  for (int rank = 1; rank <= distinct; ++rank) weights.push_back(1.0 / rank);
  std::discrete_distribution<int> pick(weights.begin(), weights.end());
  std::uniform_int_distribution<int> wordsOnLine(5, 10);
  std::uniform_int_distribution<int> percent(0, 99);
  const std::string marks = ",.;:!?";

  std::string text;
  text.reserve(bytes + 200);
  std::size_t nextNew = 0;
  long long occurrence = 0;
  for (long long n = 1; text.size() < bytes || nextNew < vocabulary.size(); ++n) {
    if (n % STANZA_LINES == 0) {
      text += '\n';
      continue;
    }
    const int count = wordsOnLine(random);
    for (int w = 0; w < count; ++w) {
      const bool fresh = ++occurrence % newWordEvery == 0 && nextNew < vocabulary.size();
      std::string word = vocabulary[fresh ? nextNew++ : static_cast<std::size_t>(pick(random))];
      const int roll = percent(random);
      if (w == 0 || roll < 8) word[0] = static_cast<char>(word[0] - 'a' + 'A');
      if (roll >= 93 || w == count - 1) {
        word += marks[static_cast<std::size_t>(percent(random)) % marks.size()];
      }
      if (w > 0) text += ' ';
      text += word;
    }
    text += '\n';
  }
  return text;
}
