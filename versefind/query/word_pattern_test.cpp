// Patterns against words: a table, and random ones against a plain recursive match.
#include "query/word_pattern.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "utf8.h"

namespace {

bool modelMatch(std::u32string_view pattern, std::u32string_view key) {
  if (pattern.empty()) return key.empty();
  if (pattern[0] == '*') return modelMatch(pattern.substr(1), key) || (!key.empty() && modelMatch(pattern, key.substr(1)));
  return !key.empty() && (pattern[0] == '?' || pattern[0] == key[0]) && modelMatch(pattern.substr(1), key.substr(1));
}

TEST(WordPattern, MatchesWholeWordsByCharacters) {
  const std::vector<std::vector<std::string>> cases = {  // a pattern, what it matches, "|", what it does not
      {"lic?nse", "license", "licanse", "|", "licnse", "liceense", "licenses"},
      {"caf?", "caf\xc3\xa9", "cafe", "caf\xff", "|", "caf\xc3\xa9s", "caf", "caf\xe2\x80"},  // a broken byte is one
      {"?\xc3\xa9?", "a\xc3\xa9z", "\xe4\xb8\xad\xc3\xa9\xf0\x9f\x98\x80", "|", "\xc3\xa9z", "ab\xc3\xa9z"},
      {"*ove*", "love", "lover's", "self-loved", "o'er-loved", "|", "lov", "ov"},
      {"a*b*c", "abc", "aXbYc", "abbbcc", "|", "acb", "abcx"},
  };
  for (const std::vector<std::string>& c : cases) {
    bool matches = true;
    for (std::size_t k = 1; k < c.size(); ++k) {
      matches = matches && c[k] != "|";
      if (c[k] != "|") {
        EXPECT_EQ(matchesPattern(c[0], c[k]), matches) << c[0] << " " << c[k];
      }
    }
  }
  // Many stars, a long word: were every share of the word among the stars tried, this would never end.
  EXPECT_FALSE(matchesPattern("*a*a*a*a*a*a*a*a*b", std::string(200000, 'a')));
  EXPECT_TRUE(matchesPattern("*a*a*a*a*a*a*a*a*b", std::string(200000, 'a') + "b"));
  const auto decoded = [](const std::string& text) {
    std::u32string characters;
    for (std::size_t at = 0, length = 0; at < text.size(); at += length) characters += decodeUtf8(text, at, length);
    return characters;
  };
  std::mt19937 random(5);
  const char* const parts[] = {"a", "b", "\xc3\xa9", "'", "*", "?"};  // a key takes the first four: no wildcard
  for (int round = 0; round < 4000; ++round) {
    std::string pattern, key;
    for (unsigned n = random() % 6; n > 0; --n) pattern += parts[random() % 6];
    for (unsigned n = random() % 7; n > 0; --n) key += parts[random() % 4];
    EXPECT_EQ(matchesPattern(pattern, key), modelMatch(decoded(pattern), decoded(key))) << pattern << " " << key;
  }
}

}  // namespace
