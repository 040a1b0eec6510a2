// Bytes in, as an index file. Whatever the bytes, opening and reading them
// must end, without a crash, either with an answer that keeps the index's
// promises (words in strictly ascending order, each with places in text
// order, each place of a text the index lists) or with a problem named.
// An input whose first byte is odd is read without its checksums, so that
// the mutations reach the checks of structure behind them; the rest is the
// file.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "index/index_file.h"
#include "scratch_dir.h"
#include "test_files.h"

namespace {

// Reads every word from `from` on, checking each; returns the words seen,
// and the number of places of each in `counts`.
std::vector<std::string> walkFrom(const IndexFile& index, IndexFileCursor& cursor, const std::string& from,
                                  std::vector<std::uint64_t>& counts) {
  std::vector<std::string> words;
  for (cursor.seek(from); cursor.valid(); cursor.next()) {
    FUZZ_CHECK(words.empty() ? !(cursor.key() < from) : words.back() < cursor.key());
    FUZZ_CHECK(!cursor.places().empty() && cursor.files().size() == cursor.places().size());
    for (std::size_t p = 0; p < cursor.places().size(); ++p) {
      FUZZ_CHECK(cursor.files()[p] < index.texts().size());
      FUZZ_CHECK(cursor.places()[p].line >= 1 && cursor.places()[p].wordNumber >= 1);
      if (p > 0 && cursor.files()[p] == cursor.files()[p - 1]) {
        FUZZ_CHECK(cursor.places()[p - 1] < cursor.places()[p]);
      }
    }
    words.push_back(cursor.key());
    counts.push_back(cursor.places().size());
  }
  FUZZ_CHECK(!cursor.failed() || index.problem() == IndexProblem::damaged);
  return words;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const ScratchDir folder;
  if (size == 0) return 0;
  writeFile("index", std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
  IndexFile index((data[0] & 1) == 0);
  if (!index.open("index")) {
    FUZZ_CHECK(index.problem() != IndexProblem::none && !index.reason().empty());
    return 0;
  }
  IndexFileCursor cursor(index);
  std::vector<std::uint64_t> walked;
  const std::vector<std::string> words = walkFrom(index, cursor, "", walked);
  // Counted at once, as the corpus tools count, the same places, unless
  // the counting finds damage the walk did not reach.
  if (!cursor.failed()) {
    std::vector<std::uint64_t> counted;
    IndexFileReader(index).countPlaces(words, counted);
    FUZZ_CHECK(counted == walked || index.problem() == IndexProblem::damaged);
  }
  // A seek to any word read lands on it; a seek past a word, on the next.
  if (!cursor.failed()) {
    for (std::size_t w = 0; w < words.size(); w += 1 + words.size() / 8) {
      IndexFileCursor again(index);
      again.seek(words[w]);
      FUZZ_CHECK(again.failed() || (again.valid() && again.key() == words[w]));
      again.seek(words[w] + '\0');
      FUZZ_CHECK(again.failed() || (w + 1 < words.size() ? again.valid() && again.key() == words[w + 1]
                                                         : !again.valid()));
    }
  }
  for (std::uint32_t t = 0; t < index.texts().size(); ++t) {
    const std::uint32_t lines = index.lineCount(t);
    TextLine line;
    for (std::uint32_t n = 1; n <= lines && n <= 600; ++n) {
      if (!index.readLine(t, n, line)) break;
      FUZZ_CHECK(line.start <= line.end);
      std::uint32_t found = 0;
      if (line.words > 0 && index.lineOfPosition(t, line.firstPosition, found)) FUZZ_CHECK(found == n);
    }
  }
  FUZZ_CHECK(index.problem() == IndexProblem::none || index.problem() == IndexProblem::damaged);
  return 0;
}
