// The word rules, the index builder and the lookup by place.
#include "text/sonnet_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "scratch_dir.h"
#include "test_files.h"
#include "tree_check.h"
#include "index/word_index.h"
#include "word_rules_model.h"

namespace {

std::vector<std::string> wordsOf(const std::string& line) {
  std::vector<std::string> words;
  LineFields fields(line);
  std::string word;
  while (fields.next(word)) words.push_back(word);
  return words;
}

TEST(SonnetText, MakePlacePutsTheWordNumberFirst) {
  EXPECT_EQ(makePlace(12, 3), "(3,12)");
  EXPECT_EQ(makePlace(1, 10), "(10,1)");
  EXPECT_EQ(makePlace(10000, 123), "(123,10000)");
  EXPECT_EQ(makePlace(999999, 999999), "(999999,999999)");
  EXPECT_EQ(makePlace(2147483647, -2147483647 - 1), "(-2147483648,2147483647)");
  EXPECT_EQ(makePlace(-2147483647 - 1, -2147483647 - 1), "(-2147483648,-2147483648)");  // the longest
  std::string shout = "HeLLo, World 2nd \xC3\x89";
  lowerCase(shout);
  EXPECT_EQ(shout, "hello, world 2nd \xC3\x89");
}

TEST(SonnetText, CutsFieldsAtBlanksAndCleansEachWord) {
  struct Case {
    std::string line;
    std::vector<std::string> words;
  };
  const std::vector<Case> cases = {
      {"Bright stars, fade -- and  Time's away!",
       {"bright", "stars", "fade", "", "and", "", "times", "away"}},
      {"", {""}},
      {" leading", {"", "leading"}},
      {"trailing ", {"trailing", ""}},
      {"o'er self-love HELLO. ... --", {"oer", "selflove", "hello", "", ""}},
      {"(thee) 2nd \"quoted\"", {"(thee)", "2nd", "\"quoted\""}},
      {"wind\tand rain", {"wind\tand", "rain"}},
      {"a,;:'-!?.b", {"ab"}},
      {std::string("cut\0 here", 9), {"cut"}},
      {std::string("\0hidden", 7), {""}},
  };
  for (const Case& c : cases) EXPECT_EQ(wordsOf(c.line), c.words) << c.line;
}

TEST(SonnetText, CarriageReturnBelongsOnlyToALineEnd) {
  std::istringstream in("one\r\ntwo\r\r\nthree\rfour\nlast\r");
  std::vector<std::string> lines;
  std::string line;
  for (int i = 0; i < 5; ++i) {
    readTextLine(in, line);
    lines.push_back(line);
  }
  EXPECT_EQ(lines, (std::vector<std::string>{"one", "two\r", "three\rfour",
                                             "last\r", "last\r"}));
}

// A text exercising the word rules, with the words the builder must find.
const char* const VERSE =
    "Shall I compare thee\n"
    "Bright stars, fade -- and  Time's away!\n"
    "\n"
    " thee, o'er THEE ";

struct BuildCase {
  const char* name;
  std::string text;
  int passes;
  std::string listing;
};

TEST(BuildIndex, CountsPassesAndWritesTheListing) {
  const std::vector<BuildCase> cases = {
      {"final line break", std::string(VERSE) + "\n", 5,
       "shall i compare thee \nbright stars fade  and  times away \n \n"
       " thee oer thee  \n \n"},
      {"no final line break", VERSE, 4,
       "shall i compare thee \nbright stars fade  and  times away \n \n"
       " thee oer thee  \n"},
      {"CR LF line ends", "Shall I\r\ncompare\r\n", 3, "shall i \ncompare \n \n"},
      {"lone CR at the end", "Shall I\r", 1, "shall i\r \n"},
      {"NUL ends the scanned line", std::string("Shall\0 I\nthee", 13), 2,
       "shall \nthee \n"},
      {"zero bytes", "", 1, " \n"},
  };
  for (const BuildCase& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDir scratch;
    writeFile("sonnets.txt", c.text);
    BTree tree(3);
    EXPECT_EQ(tree.buildIndex("sonnets.txt"), c.passes);
    EXPECT_EQ(readFile("output.txt"), c.listing);
  }
}

TEST(BuildIndex, GathersEveryPlaceOfAWordInReadingOrder) {
  ScratchDir scratch;
  writeFile("sonnets.txt", std::string(VERSE) + "\n");
  BTree tree(2);
  ASSERT_EQ(tree.buildIndex("sonnets.txt"), 5);
  EXPECT_EQ(placesOf(tree.search(tree.root, "thee")),
            (std::vector<std::string>{"(4,1)", "(2,4)", "(4,4)"}));
  EXPECT_EQ(placesOf(tree.search(tree.root, "")),
            (std::vector<std::string>{"(4,2)", "(6,2)", "(1,3)", "(1,4)",
                                      "(5,4)", "(1,5)"}));
  EXPECT_EQ(placesOf(tree.search(tree.root, "times")),
            std::vector<std::string>{"(7,2)"});
  EXPECT_EQ(tree.search(tree.root, "Thee").word, "");
}

// A failure returns 0 and names the file and the system's reason; the
// listing is opened only once the text has, so an earlier one is kept.
TEST(BuildIndex, ReportsTextsThatCannotBeReadWithZero) {
  struct Case {
    const char* name;
    bool text;
    bool textIsFolder;
    bool listingIsFolder;
    bool readFails;  // the text opens, then its first read fails
    const char* file;
    int cause;
  };
  const Case cases[] = {
      {"no text", false, false, false, false, "sonnets.txt", ENOENT},
      {"a folder for the text", false, true, false, false, "sonnets.txt", EISDIR},
      {"a folder for the listing", true, false, true, false, "output.txt", EISDIR},
      {"a read error", false, false, false, true, "sonnets.txt", EIO},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDir scratch;
    if (c.text) writeFile("sonnets.txt", "Shall I\n");
    if (c.textIsFolder) std::filesystem::create_directory("sonnets.txt");
    if (c.readFails) {
      if (unreadableFile().empty()) continue;
      std::filesystem::create_symlink(unreadableFile(), "sonnets.txt");
    }
    if (c.listingIsFolder) {
      std::filesystem::create_directory("output.txt");
    } else {
      writeFile("output.txt", "an earlier listing\n");
    }
    BTree tree(3);
    IndexFailure failure;
    EXPECT_EQ(tree.buildIndex("sonnets.txt", failure), 0);
    EXPECT_EQ(failure.file, c.file);
    EXPECT_EQ(failure.cause, c.cause);
    EXPECT_EQ(tree.root->keyCount, 0);
    if (!c.listingIsFolder && !c.readFails) {
      EXPECT_EQ(readFile("output.txt"), "an earlier listing\n");
    }
  }
}

TEST(BuildIndex, HandlesLongLinesAndLongTexts) {
  ScratchDir scratch;
  std::string text;
  for (int line = 1; line <= 10001; ++line) text += "w" + std::to_string(line) + "\n";
  std::string wide;
  for (int field = 1; field <= 150; ++field) wide += "f" + std::to_string(field) + " ";
  text += wide + "\n";
  writeFile("sonnets.txt", text);

  BTree tree(4);
  ASSERT_EQ(tree.buildIndex("sonnets.txt"), 10003);
  EXPECT_EQ(placesOf(tree.search(tree.root, "w10000")),
            std::vector<std::string>{"(1,10000)"});
  EXPECT_EQ(placesOf(tree.search(tree.root, "f150")),
            std::vector<std::string>{"(150,10002)"});
  EXPECT_EQ(tree.wordAt("sonnets.txt", 10002, 120), "f120");
  EXPECT_EQ(tree.wordAt("sonnets.txt", 10002, 151), "");
}

// Builds the index of `text`, then checks every place of it against the
// word rules worked out on their own: the listing is whole, the lookup
// returns the word standing there, and the index holds that place for the
// word (unless the word has more places than an entry keeps).
void checkEveryPlace(const std::string& text) {
  ScratchDir scratch;
  writeFile("sonnets.txt", text);
  BTree tree(2);
  const int passes = tree.buildIndex("sonnets.txt");
  const std::string seen = asReadInTextMode(text);
  EXPECT_EQ(readFile("output.txt"), listingOf(seen));

  const std::vector<std::vector<std::string>> lines = wordsByLine(seen);
  ASSERT_EQ(passes, static_cast<int>(lines.size()));
  for (int lineNumber = 1; lineNumber <= passes; ++lineNumber) {
    const std::vector<std::string>& words = lines[static_cast<std::size_t>(lineNumber - 1)];
    for (int n = 1; n <= static_cast<int>(words.size()) + 1; ++n) {
      const std::string word = tree.wordAt("sonnets.txt", lineNumber, n);
      const std::string expected = n <= static_cast<int>(words.size()) ? words[n - 1] : "";
      ASSERT_EQ(word, expected) << "line " << lineNumber << ", word " << n;
      if (word.empty()) continue;
      const WordEntry entry = tree.search(tree.root, word);
      const std::vector<std::string> places = placesOf(entry);
      if (entry.placeCount == MAX_PLACES) continue;
      EXPECT_NE(std::find(places.begin(), places.end(), makePlace(lineNumber, n)),
                places.end())
          << word;
    }
  }
}

TEST(WordAt, ReturnsTheWordTheBuilderInsertedAtEveryPlace) {
  checkEveryPlace(std::string(VERSE) + "\nEnd,  of (the) TEXT\r\n\n");

  // Bytes chosen to meet every rule: blanks, marks, tabs, CR, NUL, case.
  const std::string alphabet("abAB  \n\r\t,.'-\0\xE9", 16);
  std::mt19937 random(7);
  for (int text = 0; text < 5; ++text) {
    std::string bytes;
    for (int i = 0; i < 4000; ++i) bytes += alphabet[random() % alphabet.size()];
    checkEveryPlace(bytes);
  }
}

TEST(WordAt, AnswersPlacesOutsideTheText) {
  struct Case {
    const char* name;
    std::string text;
    int line;
    int word;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"word number 0", "Bright stars\n", 1, 0, ""},
      {"negative word number", "Bright stars\n", 1, -3, ""},
      {"negative line number", "Bright stars\n", -1, 1, ""},
      {"line number 0", "Bright stars\n", 0, 1, ""},
      {"word beyond the line", "Bright stars\n", 1, 3, ""},
      {"empty line", "Bright\n\nstars\n", 2, 1, ""},
      {"past the end after a line break", "Bright stars\n", 5, 1, ""},
      {"past the end without one", "Bright\nfair stars", 9, 2, "stars"},
      {"huge line number", "Bright\nfair stars", 2147483647, 1, "fair"},
      {"past the end, last line ends in CR", "Bright\nfair stars\r", 3, 2, "stars\r"},
      {"last line ends in CR", "Bright\nfair stars\r", 2, 2, "stars\r"},
      {"past the end of an empty file", "", 2, 1, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDir scratch;
    writeFile("sonnets.txt", c.text);
    const BTree tree(2);
    EXPECT_EQ(tree.wordAt("sonnets.txt", c.line, c.word), c.expected);
  }
  ScratchDir scratch;
  const BTree tree(2);
  EXPECT_EQ(tree.wordAt("sonnets.txt", 1, 1), "");  // no file
  std::filesystem::create_directory("sonnets.txt");
  EXPECT_EQ(tree.wordAt("sonnets.txt", 1, 1), "");  // a folder
}

TEST(WordAt, ReadsTheFileAfreshEveryCall) {
  ScratchDir scratch;
  const BTree tree(2);
  writeFile("sonnets.txt", "first\n");
  EXPECT_EQ(tree.wordAt("sonnets.txt", 1, 1), "first");
  writeFile("sonnets.txt", "second\n");
  EXPECT_EQ(tree.wordAt("sonnets.txt", 1, 1), "second");
}

}  // namespace
