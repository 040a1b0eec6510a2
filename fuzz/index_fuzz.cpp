// Text in, index out. The first byte chooses the order (2 to 50), the rest
// is the text. After buildIndex the tree must keep every invariant, the
// listing must be whole, and at every place of the text wordAt must return
// the word standing there and search must find that word with the place at
// its occurrence number (the first 50 occurrences are kept, in order).
// Indexed again as the concordance's compact tree, the tree keeps every
// invariant and the text its lines, and every word of its first line by the
// text rules, asked as a query, is answered.
#include <cstddef>
#include <cstdint>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "query/concordance.h"
#include "fuzz_check.h"
#include "scratch_dir.h"
#include "text/sonnet_text.h"
#include "test_files.h"
#include "index/text_index.h"
#include "index/tree_cursor.h"
#include "text_rules_model.h"
#include "tree_check.h"
#include "index/word_index.h"
#include "word_rules_model.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const ScratchDir folder;
  if (size == 0) return 0;
  const int order = 2 + data[0] % 49;
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  writeFile("sonnets.txt", text);

  BTree tree(order);
  const int passes = tree.buildIndex("sonnets.txt");
  const std::vector<std::vector<std::string>> lines = wordsByLine(text);
  FUZZ_CHECK(passes == static_cast<int>(lines.size()));
  int keyCount = 0;
  FUZZ_CHECK(findTreeFault(tree, keyCount).empty());
  FUZZ_CHECK(readFile("output.txt") == listingOf(text));

  std::map<std::string, int> occurrences;
  for (int line = 1; line <= passes; ++line) {
    const std::vector<std::string>& words = lines[static_cast<std::size_t>(line - 1)];
    for (int n = 1; n <= static_cast<int>(words.size()); ++n) {
      const std::string& word = words[static_cast<std::size_t>(n - 1)];
      FUZZ_CHECK(tree.wordAt("sonnets.txt", line, n) == word);
      const int occurrence = ++occurrences[word];
      const WordEntry entry = tree.search(tree.root, word);
      FUZZ_CHECK(entry.word == word && entry.placeCount >= 1);
      if (occurrence <= MAX_PLACES) {
        FUZZ_CHECK(entry.places[occurrence - 1] == makePlace(line, n));
      }
    }
    FUZZ_CHECK(tree.wordAt("sonnets.txt", line, static_cast<int>(words.size()) + 1).empty());
  }
  FUZZ_CHECK(keyCount == static_cast<int>(occurrences.size()));

  CompactTree quiet(order);
  TextLines kept;
  IndexFailure failure;
  FUZZ_CHECK(indexTextFile("sonnets.txt", queryRules(), quiet, kept, failure) == passes);
  FUZZ_CHECK(kept.size() == lines.size());
  FUZZ_CHECK(findTreeFault(quiet, keyCount).empty());
  std::ostringstream out;
  std::ostringstream errors;
  const TreeReader<CompactEntry> index(quiet);
  const Concordance concordance{
      index, kept, queryRules(), {order % 7 * 10, order % 2 == 0, order % 3}, out, errors};
  // Every word of the first line, as the text rules cut it, is found.
  for (const ModelWord& word : modelWords(std::string(kept[0]))) {
    FUZZ_CHECK(answerQuery(concordance, word.word));
  }
  FUZZ_CHECK(errors.str().empty());
  return 0;
}
