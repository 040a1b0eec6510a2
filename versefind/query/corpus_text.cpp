#include "query/corpus_text.h"

#include <algorithm>

#include "query/concordance.h"

NearWords::NearWords(const CorpusText& corpus) : corpus_(corpus) {}

const std::vector<const std::string*>& NearWords::cut(std::uint32_t number) {
  const auto [found, isNew] = lines_.try_emplace(number);
  if (isNew) {
    corpus_.rules.cutLine(std::string(corpus_.lines[number - 1]),
                          [this, found = found](const std::string& word, std::size_t, std::size_t) {
                            found->second.push_back(&*kept_.insert(word).first);
                          });
  }
  return found->second;
}

void NearWords::gather(WordPlace place, std::uint32_t before, std::uint32_t after) {
  const TextLines& lines = corpus_.lines;
  const std::uint32_t file = lines.fileOfLine(place.line);
  const std::uint32_t firstLine = lines.linesBeforeFile(file) + 1;
  const auto lastLine = static_cast<std::uint32_t>(
      file + 1 < lines.fileCount() ? lines.linesBeforeFile(file + 1) : lines.size());
  words_.clear();
  // Back from the place, line by line, nearest first; then turned round.
  std::uint32_t line = place.line;
  std::uint32_t number = place.wordNumber;
  while (words_.size() < before) {
    const std::vector<const std::string*>& lineWords = cut(line);
    for (number = std::min<std::uint32_t>(number - 1, static_cast<std::uint32_t>(lineWords.size()));
         number > 0 && words_.size() < before; --number) {
      words_.push_back(PlacedWord{WordPlace{line, number}, lineWords[number - 1]});
    }
    if (line == firstLine) break;
    --line;
    number = static_cast<std::uint32_t>(cut(line).size()) + 1;
  }
  std::reverse(words_.begin(), words_.end());
  self_ = words_.size();
  // The place's own word; a line cut into fewer words (a text that changed
  // unseen) gives the empty word.
  static const std::string none;
  const std::vector<const std::string*>& own = cut(place.line);
  words_.push_back(PlacedWord{place, place.wordNumber <= own.size() ? own[place.wordNumber - 1] : &none});
  // On from the place, line by line.
  line = place.line;
  number = place.wordNumber;
  for (std::size_t taken = 0; taken < after;) {
    const std::vector<const std::string*>& lineWords = cut(line);
    for (++number; number <= lineWords.size() && taken < after; ++number, ++taken) {
      words_.push_back(PlacedWord{WordPlace{line, number}, lineWords[number - 1]});
    }
    if (line == lastLine) break;
    ++line;
    number = 0;
  }
}

bool seekAskedWord(const CorpusText& corpus, const std::string& asked, WordCursor& cursor,
                   std::ostream& errors) {
  std::vector<std::string> words;
  corpus.rules.cutLine(asked, [&words](const std::string& word, std::size_t, std::size_t) {
    words.push_back(word);
  });
  const char* why = words.empty() ? "asks for no word" : words.size() > 1 ? "is not one word" : nullptr;
  if (why == nullptr) {
    cursor.seek(words[0]);
    if (cursor.valid() && cursor.key() == words[0]) return true;
    // A damaged index file is told by the caller, not taken for a word missing.
    if (cursor.failed()) return false;
    why = "not in the text";
  }
  errors << "versefind: " << namedQuery(asked) << ": " << why << "\n";
  return false;
}
