#include "index/index_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "index/crc32c.h"
#include "index/word_positions.h"
#include "scratch_dir.h"
#include "test_files.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

// A place of a corpus of several texts, as the model keeps it: pairs
// compare by text, then by place, which is text order.
using FilePlace = std::pair<std::uint32_t, WordPlace>;

// What an index should answer: every word with its places, and each text's
// line starts and word counts.
struct Model {
  std::map<std::string, std::vector<FilePlace>> words;
  std::vector<std::vector<std::pair<std::uint64_t, std::uint32_t>>> lines;  // per text
  std::vector<std::uint64_t> sizes;  // per text
};

// Random words over a small alphabet (so that many share prefixes), the
// empty word among them, with places in up to `texts` texts; lines of up to
// 40 words, some of them empty.
Model randomModel(std::size_t wordCount, std::uint32_t texts, unsigned seed) {
  std::mt19937 random(seed);
  Model model;
  std::uniform_int_distribution<int> length(0, 9);
  std::uniform_int_distribution<int> letter('a', 'e');
  while (model.words.size() < wordCount) {
    std::string word(static_cast<std::size_t>(length(random)), ' ');
    for (char& c : word) c = static_cast<char>(letter(random));
    if (random() % 50 == 0) word += "\xC3\xA9\xFF";
    model.words[word];
  }
  for (std::uint32_t t = 0; t < texts; ++t) {
    std::vector<std::pair<std::uint64_t, std::uint32_t>> lines;
    std::uint64_t start = 0;
    const std::size_t lineCount = random() % 700 + (texts > 1 ? 1 : 0);
    for (std::size_t n = 0; n < lineCount; ++n) {
      lines.emplace_back(start, static_cast<std::uint32_t>(random() % 5 == 0 ? 0 : random() % 40));
      start += random() % 3 == 0 ? random() % 100000 : random() % 90;
    }
    model.lines.push_back(lines);
    model.sizes.push_back(start + 1);
  }
  // Each word gets places: most a few, some hundreds, on any line and word
  // number (the places need not match the line table's word counts); in a
  // corpus of several texts, on a line its text has, since the corpus
  // numbers its lines on from one text to the next.
  for (auto& [word, places] : model.words) {
    const std::size_t count = random() % 10 == 0 ? 1 + random() % 400 : 1 + random() % 3;
    std::map<FilePlace, bool> chosen;
    while (chosen.size() < count) {
      const std::uint32_t text = static_cast<std::uint32_t>(random() % texts);
      const auto line = static_cast<std::uint32_t>(
          1 + (texts > 1 ? random() % model.lines[text].size() : random() % 4 == 0 ? random() : random() % 50));
      const auto number = static_cast<std::uint32_t>(1 + (random() % 4 == 0 ? random() % 70000 : random() % 20));
      chosen[FilePlace{text, WordPlace{line, number}}] = true;
    }
    for (const auto& entry : chosen) places.push_back(entry.first);
  }
  return model;
}

// Writes `model` as an index of order `order` at `path`.
void writeModel(const Model& model, int order, const std::string& path) {
  IndexFileWriter writer(order);
  IndexFailure failure;
  ASSERT_TRUE(writer.create(path, failure)) << failure.file << ": " << failure.cause;
  const auto addWords = [&] {
    for (const auto& [word, places] : model.words) {
      std::vector<WordPlace> wordPlaces;
      std::vector<std::uint32_t> files;
      for (const FilePlace& place : places) {
        files.push_back(place.first);
        wordPlaces.push_back(place.second);
      }
      writer.addWord(word, wordPlaces, files);
    }
  };
  // The first text before the words and the rest after them: the writer
  // takes them in either order.
  for (std::uint32_t t = 0; t < model.lines.size(); ++t) {
    writer.beginText(IndexedText{"text " + std::to_string(t) + ".txt", model.sizes[t],
                                 -5 + static_cast<std::int64_t>(t)});
    for (const auto& [start, words] : model.lines[t]) writer.addLine(start, words);
    writer.endText();
    if (t == 0) addWords();
  }
  if (model.lines.empty()) addWords();
  ASSERT_TRUE(writer.finish(failure)) << failure.file << ": " << failure.cause;
}

// Walks every page from the root: each within its fill bounds, all leaves
// on one level, keys in order across the tree; describes the first fault.
std::string findPageFault(const IndexFile& index, std::uint64_t& keys, std::uint32_t& pages) {
  keys = 0;
  pages = 0;
  std::string previous;
  std::function<std::string(const IndexPage&, bool)> walk = [&](const IndexPage& page, bool isRoot) {
    ++pages;
    const std::size_t count = page.keys.size();
    if (count > 2 * index.order() - 1 || (!isRoot && count < index.order() - 1)) {
      return "page " + std::to_string(page.number) + " holds " + std::to_string(count) + " keys";
    }
    for (std::size_t c = 0; c <= count; ++c) {
      if (!page.isLeaf()) {
        IndexPage child;
        if (!index.readChild(page, c, child)) return index.reason();
        if (child.level + 1 != page.level) return std::string("leaves on different levels");
        std::string fault = walk(child, false);
        if (!fault.empty()) return fault;
      }
      if (c == count) break;
      if (keys > 0 && !(previous < page.keys[c])) return "\"" + page.keys[c] + "\" out of order";
      previous = page.keys[c];
      ++keys;
    }
    return std::string();
  };
  IndexPage root;
  if (!index.readRoot(root)) return index.reason();
  if (root.level + 1 != index.height()) return "a root below the tree's height";
  return walk(root, true);
}

// Reads every part of the index: every word and its places, every line of
// every text. False at the first read that fails.
bool readEverything(const IndexFile& index) {
  const auto cursor = index.cursor();
  for (cursor->seek(""); cursor->valid(); cursor->next()) {
  }
  if (cursor->failed()) return false;
  for (std::uint32_t t = 0; t < index.texts().size(); ++t) {
    TextLine line;
    for (std::uint32_t n = 1; n <= index.lineCount(t); ++n) {
      if (!index.readLine(t, n, line)) return false;
    }
  }
  return index.problem() == IndexProblem::none;
}

TEST(Crc32c, GivesTheKnownChecksums) {
  const std::string zeros(32, '\0');
  const std::string ones(32, '\xFF');
  const struct {
    std::string bytes;
    std::uint32_t crc;
  } cases[] = {{"", 0}, {"123456789", 0xE3069283U}, {zeros, 0x8A9136AAU}, {ones, 0x62A8AB43U}};
  for (const auto& c : cases) {
    EXPECT_EQ(crc32c(c.bytes.data(), c.bytes.size()), c.crc) << c.bytes.size();
    // In two pieces, the same.
    const std::size_t half = c.bytes.size() / 2;
    EXPECT_EQ(crc32c(c.bytes.data() + half, c.bytes.size() - half, crc32c(c.bytes.data(), half)), c.crc);
    EXPECT_EQ(crc32cByTable(c.bytes.data(), c.bytes.size()), c.crc) << c.bytes.size();
  }
  // The instruction and the tables agree at every length and alignment.
  std::string bytes;
  for (int k = 0; k < 300; ++k) bytes += static_cast<char>(k * 131 + 7);
  for (std::size_t from = 0; from < 9; ++from) {
    for (std::size_t size = 0; from + size <= bytes.size(); size += 7) {
      EXPECT_EQ(crc32c(bytes.data() + from, size, 0x1234U), crc32cByTable(bytes.data() + from, size, 0x1234U))
          << from << " " << size;
    }
  }
}

TEST(IndexFile, AnswersAsTheModelAtEveryOrder) {
  const ScratchDir folder;
  const struct {
    int order;
    std::size_t words;
    std::uint32_t texts;
  } cases[] = {{2, 0, 1}, {2, 1, 1}, {2, 2, 1}, {2, 3, 2}, {2, 700, 3}, {3, 1000, 1},
               {5, 37, 2},  {16, 2000, 1}, {64, 129, 2}, {500, 3000, 1}, {10000, 50, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE("order " + std::to_string(c.order) + ", " + std::to_string(c.words) + " words");
    const Model model = randomModel(c.words, c.texts, static_cast<unsigned>(c.order + c.words));
    writeModel(model, c.order, "index");
    IndexFile index;
    ASSERT_TRUE(index.open("index")) << index.reason();
    EXPECT_EQ(index.order(), static_cast<std::uint32_t>(c.order));
    EXPECT_EQ(index.totals().distinctWords, model.words.size());
    EXPECT_EQ(index.totals().files, c.texts);

    std::uint64_t keys = 0;
    std::uint32_t pages = 0;
    EXPECT_EQ(findPageFault(index, keys, pages), "");
    EXPECT_EQ(keys, model.words.size());
    EXPECT_EQ(pages, index.pageCount());

    // Every word in order, with its places and their texts.
    const auto cursor = index.cursor();
    auto expected = model.words.begin();
    for (cursor->seek(""); cursor->valid(); cursor->next(), ++expected) {
      ASSERT_NE(expected, model.words.end());
      ASSERT_EQ(cursor->key(), expected->first);
      ASSERT_EQ(cursor->places().size(), expected->second.size());
      for (std::size_t p = 0; p < cursor->places().size(); ++p) {
        ASSERT_EQ(cursor->files()[p], expected->second[p].first);
        WordPlace place = expected->second[p].second;
        for (std::uint32_t t = 0; c.texts > 1 && t < expected->second[p].first; ++t) {
          place.line += index.lineCount(t);
        }
        ASSERT_EQ(cursor->places()[p], place);
      }
    }
    EXPECT_EQ(expected, model.words.end());
    EXPECT_FALSE(cursor->failed());

    // Seeks to each word, to words just before and after it, and past the end.
    std::vector<std::string> probes{"", "\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF", "c", "ca"};
    for (const auto& entry : model.words) {
      probes.push_back(entry.first);
      probes.push_back(entry.first + '\0');
      if (!entry.first.empty()) probes.push_back(entry.first.substr(0, entry.first.size() - 1));
    }
    for (const std::string& probe : probes) {
      cursor->seek(probe);
      const auto found = model.words.lower_bound(probe);
      ASSERT_EQ(cursor->valid(), found != model.words.end()) << probe;
      if (found != model.words.end()) {
        ASSERT_EQ(cursor->key(), found->first);
        ASSERT_EQ(cursor->places().size(), found->second.size());
      }
    }
    EXPECT_FALSE(cursor->failed());

    // The places counted of every probe at once, words and no words alike,
    // some twice, in word order, as the corpus tools ask: 0 for a word not
    // there.
    std::sort(probes.begin(), probes.end());
    std::vector<std::uint64_t> counts;
    IndexFileReader(index).countPlaces(probes, counts);
    ASSERT_EQ(counts.size(), probes.size());
    for (std::size_t k = 0; k < probes.size(); ++k) {
      const auto found = model.words.find(probes[k]);
      ASSERT_EQ(counts[k], found == model.words.end() ? 0 : found->second.size()) << probes[k];
    }
    EXPECT_EQ(index.problem(), IndexProblem::none);
  }
}

TEST(IndexFile, KeepsEachTextsLineTable) {
  const ScratchDir folder;
  const Model model = randomModel(10, 4, 7);
  writeModel(model, 3, "index");
  IndexFile index;
  ASSERT_TRUE(index.open("index")) << index.reason();
  ASSERT_EQ(index.texts().size(), model.lines.size());
  std::uint64_t lines = 0;
  std::uint64_t words = 0;
  for (std::uint32_t t = 0; t < model.lines.size(); ++t) {
    EXPECT_EQ(index.texts()[t].path, "text " + std::to_string(t) + ".txt");
    EXPECT_EQ(index.texts()[t].size, model.sizes[t]);
    EXPECT_EQ(index.texts()[t].modified, -5 + static_cast<std::int64_t>(t));
    const auto& expected = model.lines[t];
    ASSERT_EQ(index.lineCount(t), expected.size());
    WordPositions positions;
    for (std::size_t n = 0; n < expected.size(); ++n) {
      TextLine line;
      ASSERT_TRUE(index.readLine(t, static_cast<std::uint32_t>(n + 1), line));
      EXPECT_EQ(line.start, expected[n].first);
      EXPECT_EQ(line.end, n + 1 < expected.size() ? expected[n + 1].first : model.sizes[t]);
      EXPECT_EQ(line.words, expected[n].second);
      EXPECT_EQ(line.firstPosition, positions.wordCount());
      positions.addLine(expected[n].second);
    }
    WordPositions read;  // block by block, as the query modes read them
    ASSERT_TRUE(index.readPositions(t, read));
    ASSERT_EQ(read.lineCount(), positions.lineCount());
    for (std::uint32_t n = 1; n <= read.lineCount(); ++n) {
      EXPECT_EQ(read.wordsOfLine(n), positions.wordsOfLine(n));
    }
    TextLine none;
    EXPECT_FALSE(index.readLine(t, 0, none));
    EXPECT_FALSE(index.readLine(t, index.lineCount(t) + 1, none));
    // Every position of the text lies on the line the positions' model gives.
    for (std::uint64_t p = 0; p < positions.wordCount(); ++p) {
      std::uint32_t line = 0;
      ASSERT_TRUE(index.lineOfPosition(t, p, line));
      ASSERT_EQ(line, positions.placeOf(p).line) << p;
    }
    std::uint32_t past = 0;
    EXPECT_FALSE(index.lineOfPosition(t, positions.wordCount(), past));
    lines += expected.size();
    words += positions.wordCount();
  }
  EXPECT_EQ(index.totals().lines, lines);
  EXPECT_EQ(index.totals().words, words);
  EXPECT_EQ(index.problem(), IndexProblem::none);
}

std::uint32_t read32(const std::string& bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (int b = 3; b >= 0; --b) value = value << 8 | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(b)]);
  return value;
}
std::uint64_t read64(const std::string& bytes, std::size_t at) {
  return read32(bytes, at) | static_cast<std::uint64_t>(read32(bytes, at + 4)) << 32;
}

// The offset of the section of kind `kind` (docs/index-format.md).
std::size_t sectionAt(const std::string& bytes, std::uint32_t kind) {
  const std::size_t directory = static_cast<std::size_t>(read64(bytes, 72));
  for (std::uint32_t e = 0; e < read32(bytes, directory); ++e) {
    const std::size_t entry = directory + 4 + 28 * e;
    if (read32(bytes, entry) == kind) return static_cast<std::size_t>(read64(bytes, entry + 8));
  }
  return 0;
}

TEST(IndexFile, NamesWhatIsWrongWithADamagedFile) {
  const ScratchDir folder;
  writeModel(randomModel(300, 2, 11), 3, "sound");
  const std::string sound = readBytes("sound");
  ASSERT_GT(sound.size(), 1000U);
  // Where the parts lie: the root page, a list of places of its own, the
  // totals, the texts, a line directory and its first block.
  const std::size_t root = static_cast<std::size_t>(read64(sound, 24));
  std::size_t list = 0;
  {
    IndexFile index;
    ASSERT_TRUE(index.open("sound"));
    const auto cursor = index.cursor();
    for (cursor->seek(""); cursor->valid() && list == 0; cursor->next()) {
      if (cursor->places().size() > 100) {
        // The word's own list: found by the page view from the root.
        std::function<void(const IndexPage&)> search = [&](const IndexPage& p) {
          for (std::size_t k = 0; k < p.keys.size(); ++k) {
            if (p.keys[k] == cursor->key()) list = static_cast<std::size_t>(p.places[k].offset);
          }
          for (std::size_t c = 0; c < p.children.size() && list == 0; ++c) {
            IndexPage child;
            if (index.readChild(p, c, child)) search(child);
          }
        };
        IndexPage top;
        ASSERT_TRUE(index.readRoot(top));
        search(top);
      }
    }
  }
  ASSERT_NE(list, 0U);
  const std::size_t totals = sectionAt(sound, 1);
  const std::size_t texts = sectionAt(sound, 2);
  const std::size_t lines = sectionAt(sound, 3);
  const std::size_t block = static_cast<std::size_t>(read64(sound, lines + 16 + 16));
  // A page just above the leaves, with its first two children swapped and
  // its checksum made good again: sound bytes in a tree out of order. The
  // words of its second child, asked for, lead to the first leaf, whose
  // first word is the empty one.
  std::string swapped = sound;
  std::vector<std::string> secondChild;
  {
    IndexFile index;
    ASSERT_TRUE(index.open("sound"));
    IndexPage page;
    ASSERT_TRUE(index.readRoot(page));
    while (page.level > 1) {
      IndexPage child;
      ASSERT_TRUE(index.readChild(page, 0, child));
      page = child;
    }
    ASSERT_EQ(page.level, 1U);
    IndexPage child;
    ASSERT_TRUE(index.readChild(page, 0, child));
    ASSERT_EQ(child.keys.front(), "");
    ASSERT_TRUE(index.readChild(page, 1, child));
    secondChild = child.keys;
    const auto at = static_cast<std::size_t>(page.ref.offset);
    const std::string first = swapped.substr(at + 28, 12);
    swapped.replace(at + 28, 12, swapped.substr(at + 40, 12));
    swapped.replace(at + 40, 12, first);
    const std::uint32_t crc = crc32c(swapped.data() + at + 4, page.ref.length - 4);
    for (int b = 0; b < 4; ++b) swapped[at + b] = static_cast<char>(crc >> (8 * b));
  }
  const auto flipped = [&](std::size_t at) {
    std::string bytes = sound;
    bytes[at] = static_cast<char>(bytes[at] ^ 0x10);
    return bytes;
  };
  const struct {
    const char* what;
    std::string bytes;
    IndexProblem problem;
    std::string reason;
    bool opens;
  } cases[] = {
      {"empty", "", IndexProblem::notIndex, "not a versefind index", false},
      {"text", "Shall I compare thee to a summer's day?\n", IndexProblem::notIndex,
       "not a versefind index", false},
      {"wrong magic", flipped(1), IndexProblem::notIndex, "not a versefind index", false},
      {"other version", [&] { std::string b = sound; b[8] = 2; return b; }(),
       IndexProblem::otherVersion, "an index of version 2; this versefind reads version 1", false},
      {"cut in the magic", sound.substr(0, 5), IndexProblem::truncated, "truncated: 5 bytes", false},
      {"cut in the header", sound.substr(0, 60), IndexProblem::truncated, "truncated: 60 bytes", false},
      {"cut in half", sound.substr(0, sound.size() / 2), IndexProblem::truncated,
       ("truncated: " + std::to_string(sound.size() / 2) + " of " + std::to_string(sound.size())) , false},
      {"last byte cut", sound.substr(0, sound.size() - 1), IndexProblem::truncated, "truncated: ", false},
      {"a byte too many", sound + "x", IndexProblem::damaged, "damaged: 1 bytes past", false},
      {"header", flipped(40), IndexProblem::damaged, "damaged: the header fails its checksum", false},
      {"section directory", flipped(sound.size() - 10), IndexProblem::damaged,
       "damaged: the section directory fails its checksum", false},
      {"totals", flipped(totals + 2), IndexProblem::damaged, "damaged: the totals fails its checksum", false},
      {"texts", flipped(texts + 6), IndexProblem::damaged, "damaged: the list of texts fails its checksum", false},
      {"root page", flipped(root + 30), IndexProblem::damaged,
       ("damaged: the page at byte " + std::to_string(root) + " fails its checksum"), true},
      {"list of places", flipped(list + 3), IndexProblem::damaged, "fail their checksum", true},
      {"line directory", flipped(lines + 5), IndexProblem::damaged,
       "damaged: the line table of text 0.txt fails its checksum", true},
      {"line block", flipped(block + 1), IndexProblem::damaged,
       "damaged: a block of a line table fails its checksum", true},
      {"children swapped", swapped, IndexProblem::damaged, "holds words outside its parent's range", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    writeFile("index", c.bytes);
    IndexFile index;
    EXPECT_EQ(index.open("index"), c.opens) << index.reason();
    if (c.opens) {
      EXPECT_FALSE(readEverything(index));
    }
    if (c.bytes == swapped) {
      // Counting places, as the corpus tools do, passes the leaves by
      // another road, which sees the same fault.
      IndexFile again;
      ASSERT_TRUE(again.open("index"));
      std::vector<std::uint64_t> counts;
      IndexFileReader(again).countPlaces(secondChild, counts);
      EXPECT_NE(again.reason().find(c.reason), std::string::npos) << again.reason();
      EXPECT_EQ(counts, std::vector<std::uint64_t>(secondChild.size(), 0));
    }
    EXPECT_EQ(index.problem(), c.problem);
    EXPECT_NE(index.reason().find(c.reason), std::string::npos) << index.reason();
  }
}

TEST(IndexFile, RefusesWhatIsNoFileWithoutOpeningIt) {
  const ScratchDir folder;
  std::filesystem::create_directory("folder");
  std::vector<std::pair<std::string, std::string>> cases{
      {"folder", "is a folder"}, {"missing", std::strerror(ENOENT)}};
#ifndef _WIN32
  ASSERT_EQ(mkfifo("fifo", 0600), 0);
  cases.emplace_back("fifo", "is a FIFO");
  cases.emplace_back("/dev/null", "is a device");
#endif
  for (const auto& [path, reason] : cases) {
    IndexFile index;
    EXPECT_FALSE(index.open(path)) << path;
    EXPECT_EQ(index.problem(), IndexProblem::unreadable) << path;
    EXPECT_NE(index.reason().find(reason), std::string::npos) << index.reason();
    IndexFileWriter writer(2);
    IndexFailure failure;
    if (path != "missing") {
      EXPECT_FALSE(writer.create(path, failure)) << path;
    }
  }
}

TEST(IndexFile, LeavesTheEarlierIndexWhenABuildStopsShort) {
  const ScratchDir folder;
  writeModel(randomModel(20, 1, 3), 2, "index");
  const std::string before = readBytes("index");
  {
    IndexFileWriter writer(2);
    IndexFailure failure;
    ASSERT_TRUE(writer.create("index", failure));
    writer.addWord("word", {WordPlace{1, 1}});
  }
  EXPECT_EQ(readBytes("index"), before);
  std::size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(".")) files += entry.is_regular_file() ? 1 : 0;
  EXPECT_EQ(files, 1U);
}

}  // namespace
