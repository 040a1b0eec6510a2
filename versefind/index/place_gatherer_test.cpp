#include "index/place_gatherer.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "scratch_dir.h"

namespace {

// Whatever the memory, every word comes once, in byte order, with all its
// places in text order, as a map of every place has them; the runs written
// to keep within the memory are gone at the end.
TEST(PlaceGatherer, GivesEveryWordInOrderWhateverTheMemory) {
  const struct {
    std::uint64_t memory;
    std::size_t places;
    // As many runs as the memory asks for, and not many more, before the
    // last (each run is written before a place that would not fit).
    std::size_t leastRuns;
    std::size_t mostRuns;
  } cases[] = {{1 << 30, 0, 0, 0}, {1 << 30, 5000, 0, 0}, {1, 3, 2, 2}, {4096, 20000, 400, 800}, {200000, 20000, 5, 12}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.memory) + " bytes, " + std::to_string(c.places) + " places");
    const ScratchDir folder;
    std::mt19937 random(static_cast<unsigned>(c.places));
    std::map<std::string, std::vector<WordPlace>> model;
    auto owned = std::make_unique<PlaceGatherer>(c.memory, ".");
    PlaceGatherer& gathered = *owned;
    WordPlace place{1, 0};
    for (std::size_t k = 0; k < c.places; ++k) {
      // Words of all lengths, the empty one and bytes above 0x7F among them,
      // on lines far apart now and then.
      std::string word(random() % 12, 'a');
      for (char& letter : word) letter = static_cast<char>(random() % 3 == 0 ? 0xE0 + random() % 4 : 'a' + random() % 6);
      place = random() % 7 == 0 ? WordPlace{place.line + 1 + static_cast<std::uint32_t>(random() % 100000), 1}
                                : WordPlace{place.line, place.wordNumber + 1};
      model[word].push_back(place);
      ASSERT_TRUE(gathered.add(word, place));
    }
    EXPECT_GE(gathered.runCount(), c.leastRuns);
    EXPECT_LE(gathered.runCount(), c.mostRuns);
    auto expected = model.begin();
    IndexFailure failure;
    ASSERT_TRUE(gathered.finish(
        [&](const std::string& word, const std::vector<WordPlace>& places) {
          ASSERT_NE(expected, model.end());
          EXPECT_EQ(word, expected->first);
          EXPECT_EQ(places, expected->second);
          ++expected;
        },
        failure));
    EXPECT_EQ(expected, model.end());
    const auto files = [] {
      std::size_t count = 0;
      for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(".")) ++count;
      return count;
    };
    EXPECT_EQ(files(), c.mostRuns > 0 ? 1U : 0U);  // the run file, until the gatherer goes
    owned.reset();
    EXPECT_EQ(files(), 0U);
  }
}

// A run that cannot be written stops the gathering, and the build is told
// which file and why.
TEST(PlaceGatherer, SaysWhyARunCouldNotBeWritten) {
  const ScratchDir folder;
  PlaceGatherer gathered(1, "missing");
  EXPECT_TRUE(gathered.add("word", WordPlace{1, 1}));  // the table holds one place at least
  EXPECT_FALSE(gathered.add("more", WordPlace{1, 2}));
  EXPECT_FALSE(gathered.add("again", WordPlace{1, 3}));
  IndexFailure failure;
  EXPECT_FALSE(gathered.finish([](const std::string&, const std::vector<WordPlace>&) { FAIL(); }, failure));
  EXPECT_EQ(failure.file, "missing");
  EXPECT_EQ(failure.cause, ENOENT);
}

}  // namespace
