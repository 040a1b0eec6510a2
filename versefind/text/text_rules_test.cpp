// The text rules, judged by their model (testing/text_rules_model.h):
// tables of lines, queries and texts read as the query modes read them,
// then random bytes.
#include "text/text_rules.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "scratch_dir.h"
#include "test_files.h"
#include "index/text_index.h"
#include "text_rules_model.h"

namespace {

// Every word of `line` as "NUMBER@BEGIN-END:WORD ", by the model, or by the
// program when `program`.
std::string view(const std::string& line, bool program) {
  std::vector<ModelWord> words;
  TextWords walk(line);
  for (TextWord word; program && walk.next(word);) words.push_back({word.number, word.begin, word.end, word.word});
  if (!program) words = modelWords(line);
  std::string shown;
  for (const ModelWord& w : words) {
    shown += std::to_string(w.number) + "@" + std::to_string(w.begin) + "-" + std::to_string(w.end) + ":" + w.word + " ";
  }
  return shown;
}

// The cleaned words of `line`, joined by blanks, once the program's words
// (numbers and places too) are found to be the model's.
std::string checkedWords(const std::string& line) {
  EXPECT_EQ(view(line, true), view(line, false)) << line;
  std::string joined;
  for (const std::string& word : queryWords(line)) joined += (joined.empty() ? "" : " ") + word;
  return joined;
}

TEST(TextRules, CutsAndCleansWordsAsTheModelDoes) {
  struct Case {
    std::string line;
    std::string words;
  };
  const std::vector<Case> cases = {
      {"\tthe\tcat  sat", "the cat sat"},
      {"\"Program\" (for all) [x] {y} <z> 'q'", "program for all x y z q"},
      {"program--to one - two", "program to one two"},
      {"a \xE2\x80\x93 b\xE2\x80\x94" "c", "a b c"},  // en and em dash
      {"here's o'er 'tis dogs' rock'n'roll it\xE2\x80\x99s x\xE2\x80\x99", "here's o'er tis dogs rock'n'roll it's x"},
      {"well-known -x y- a-'b e\xE2\x80\x90mail non\xE2\x80\x91stop don''t well--known",
       "well-known x y a b e-mail non-stop don t well known"},
      {"a+b=c $5 50% a/b a_b a@b a.b", "a b c 5 50 a b a b a b a b"},
      {"2nd 3.14 \xD9\xA3\xD9\xA4", "2nd 3 14 \xD9\xA3\xD9\xA4"},  // Arabic-Indic digits
      {"\xEF\xBB\xBF" "BOM mid\xEF\xBB\xBFline", "bom mid line"},   // a kept mark separates
      {std::string("a\rb\0c\x7F" "d", 7), "a b c d"},
      // Not UTF-8: a stray continuation byte, overlong forms, a surrogate,
      // above U+10FFFF, bytes no sequence starts with, truncated sequences.
      {"ab\x80" "cd x\xC1\x81x y\xE0\x81\x81y u\xF0\x80\x81\x81u z\xED\xA0\x80z w\xF4\x90\x80\x80v \xF5q \xFFr",
       "ab cd x x y y u u z z w v q r"},
      {"caf\xC3 \xE2\x82" "a caf\xC3", "caf a caf"},
      {"CAF\xC3\x89 cr\xC3\xA8me Stra\xC3\x9F" "e \xC3\x9C" "BER", "caf\xC3\xA9 cr\xC3\xA8me stra\xC3\x9F" "e \xC3\xBC" "ber"},
      {"CAFE\xCC\x81-au-lait", "cafe\xCC\x81-au-lait"},  // a combining acute accent
      {"\xCE\x9B\xCE\x8C\xCE\x93\xCE\x9F\xCE\xA3 \xD0\x94\xD0\x9E\xD0\x9C",
       "\xCE\xBB\xCF\x8C\xCE\xB3\xCE\xBF\xCF\x83 \xD0\xB4\xD0\xBE\xD0\xBC"},  // ΛΌΓΟΣ ДОМ
      {"", ""},
      {"'-' -- \xE2\x80\x99", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(checkedWords(c.line), c.words) << c.line;
}

// The places of the words, which the model is judged by too.
TEST(TextRules, PlacesWordsInTheLineAsWritten) {
  const std::pair<std::string, std::string> cases[] = {
      {"\tthe cat", "1@1-4:the 2@5-8:cat "},
      {"\xC2\xAB" "O\xC3\xB9\xC2\xBB, dit-il", "1@2-5:o\xC3\xB9 2@9-15:dit-il "},  // «Où», dit-il
      {"It\xE2\x80\x99s, x-", "1@0-6:it's 2@8-9:x "},
  };
  for (const auto& [line, places] : cases) EXPECT_EQ(view(line, false), places) << line;
}

TEST(TextRules, CleansAQueryIntoItsWords) {
  struct Case {
    std::string query;
    std::vector<std::string> words;
  };
  const std::vector<Case> cases = {
      {"Here\xE2\x80\x99s", {"here's"}},
      {"  thy   Beauty. ", {"thy", "beauty"}},
      {"well\xE2\x80\x90known", {"well-known"}},
      {"--", {}},
      {"", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(queryWords(c.query), c.words) << c.query;
}

// A text as the query modes read it from a file: its lines as kept, and
// its words as "LINE:WORDNO:WORD " in reading order.
struct ReadText {
  std::vector<std::string> lines;
  std::string words;
};

ReadText readAsTheQueryModesDo(const std::string& text) {
  ScratchDir scratch;
  writeFile("text.txt", text);
  TextLines lines;
  IndexFailure failure;
  ReadText read;
  readTextFile("text.txt", queryRules(), lines, failure,
               [&read](const std::string& word, std::uint32_t line, std::uint32_t number) {
                 read.words += std::to_string(line) + ":" + std::to_string(number) + ":" + word + " ";
               });
  for (std::size_t n = 0; n < lines.size(); ++n) read.lines.emplace_back(lines[n]);
  return read;
}

// The same words by the model, from the bytes a program reads of `text`.
std::string modelText(const std::string& text) {
  std::string words;
  const std::vector<std::string> lines = modelLines(asReadInTextMode(text));
  for (std::size_t n = 0; n < lines.size(); ++n) {
    for (const ModelWord& word : modelWords(lines[n])) {
      words += std::to_string(n + 1) + ":" + std::to_string(word.number) + ":" + word.word + " ";
    }
  }
  return words;
}

// A UTF-8 byte-order mark goes with the text's start, a CR with the line
// feed after it; a text that ends with a line feed takes one more, empty,
// line, as the sonnets' reader counts them.
TEST(TextRules, ReadsATextWithoutByteOrderMarkOrCarriageReturns) {
  struct Case {
    std::string text;
    std::vector<std::string> lines;
  };
  const std::vector<Case> cases = {
      {"", {""}},
      {"a", {"a"}},
      {"\xEF\xBB\xBF", {""}},
      {"\xEF\xBB\xBF" "A b\r\nc\r\n", {"A b", "c", ""}},
      {"a\n\xEF\xBB\xBF" "b", {"a", "\xEF\xBB\xBF" "b"}},  // a mark only at the text's start
      {"a\nb\r", {"a", "b\r"}},                          // a CR only before a line feed
  };
  for (const Case& c : cases) {
    const ReadText read = readAsTheQueryModesDo(c.text);
    EXPECT_EQ(read.lines, c.lines) << c.text;
    EXPECT_EQ(read.words, modelText(c.text)) << c.text;
  }
}

// The same answers on every system the program is built for: a text of
// English, French, German, Greek and Cyrillic lines, saved with a
// byte-order mark and CR LF line ends.
TEST(TextRules, FindsTheSameWordsInFiveLanguages) {
  const std::string text =
      "\xEF\xBB\xBFThe well-known lantern: here's \"light\" (for all) -- o'er the sea.\r\n"
      "L\xE2\x80\x99\xC3\x89T\xC3\x89 \xC3\x80 PARIS : caf\xC3\xA9, cr\xC3\xA8me br\xC3\xBBl\xC3\xA9" "e "
      "\xE2\x80\x94 \xC2\xAB O\xC3\xB9 est-il ? \xC2\xBB\r\n"
      "Stra\xC3\x9F" "e, \xC3\x9C" "BER die Br\xC3\xBC" "cke; 2 M\xC3\xA4" "dchen\xE2\x80\x90"
      "Ch\xC3\xB6re.\r\n"
      "\xCE\x9B\xCE\x8C\xCE\x93\xCE\x9F\xCE\xA3 \xCE\xBA\xCE\xB1\xE1\xBD\xB6 \xE1\xBC\x88\xCE\x9B\xCE\x89"
      "\xCE\x98\xCE\x95\xCE\x99\xCE\x91, \xE1\xBC\x90\xCE\xBD \xE1\xBC\x80\xCF\x81\xCF\x87\xE1\xBF\x87.\r\n"
      "\xD0\x94\xD0\x9E\xD0\x9C, \xD0\xBA\xD0\xBE\xD1\x82\xD0\xBE\xD1\x80\xD1\x8B\xD0\xB9 \xD0\x94\xD0\xB6"
      "\xD0\xB5\xD0\xBA \xE2\x80\x94 \xC2\xAB\xD0\x81\xD0\xBB\xD0\xBA\xD0\xB0\xC2\xBB!\r\n";
  const std::vector<std::string> expected = {
      "the well-known lantern here's light for all o'er the sea",
      "l'\xC3\xA9t\xC3\xA9 \xC3\xA0 paris caf\xC3\xA9 cr\xC3\xA8me br\xC3\xBBl\xC3\xA9" "e o\xC3\xB9 est-il",
      "stra\xC3\x9F" "e \xC3\xBC" "ber die br\xC3\xBC" "cke 2 m\xC3\xA4" "dchen-ch\xC3\xB6re",
      "\xCE\xBB\xCF\x8C\xCE\xB3\xCE\xBF\xCF\x83 \xCE\xBA\xCE\xB1\xE1\xBD\xB6 \xE1\xBC\x80\xCE\xBB\xCE\xAE"
      "\xCE\xB8\xCE\xB5\xCE\xB9\xCE\xB1 \xE1\xBC\x90\xCE\xBD \xE1\xBC\x80\xCF\x81\xCF\x87\xE1\xBF\x87",
      "\xD0\xB4\xD0\xBE\xD0\xBC \xD0\xBA\xD0\xBE\xD1\x82\xD0\xBE\xD1\x80\xD1\x8B\xD0\xB9 \xD0\xB4\xD0\xB6"
      "\xD0\xB5\xD0\xBA \xD1\x91\xD0\xBB\xD0\xBA\xD0\xB0",
  };
  std::string words;
  for (std::size_t n = 0; n < expected.size(); ++n) {
    std::istringstream line(expected[n]);
    int number = 0;
    for (std::string word; line >> word;) words += std::to_string(n + 1) + ":" + std::to_string(++number) + ":" + word + " ";
  }
  EXPECT_EQ(readAsTheQueryModesDo(text).words, words);
  EXPECT_EQ(modelText(text), words);
  EXPECT_EQ(textRulesLimit(), nullptr) << "every system built for has a UTF-8 locale";
  // The characters were classified without touching the program's locale,
  // by which everything else reads bytes and numbers.
  EXPECT_STREQ(std::setlocale(LC_ALL, nullptr), "C");
}

// Random lines, made mostly of the pieces the rules turn on, and random
// bytes: the program and the model find the same words.
TEST(TextRules, AgreesWithTheModelOnRandomBytes) {
  const std::vector<std::string> pieces = {
      "a", "Z", "7", " ", "\t", "'", "-", "\xE2\x80\x99", "\xE2\x80\x90", "\xE2\x80\x91", "\xE2\x80\x94",
      "\xC3\x89", "\xC3\x9F", "\xCE\xA3", "\xD0\x81", "\xCC\x81", "\xD9\xA3", "\xF0\x9D\x90\x80", "\xEF\xBB\xBF",
      "\x80", "\xC3", "\xE2\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xC0\xAF", "\xFF", ".", "\""};
  std::mt19937 random(20261207);
  for (int round = 0; round < 4000; ++round) {
    std::string line;
    const int count = static_cast<int>(random() % 24);
    for (int k = 0; k < count; ++k) line += pieces[random() % pieces.size()];
    ASSERT_EQ(view(line, true), view(line, false)) << "round " << round;
  }
  for (unsigned seed = 0; seed < 200; ++seed) {
    const std::string bytes = randomBytes(64, seed);
    ASSERT_EQ(view(bytes, true), view(bytes, false)) << "seed " << seed;
  }
}

}  // namespace
