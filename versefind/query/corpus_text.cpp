#include "query/corpus_text.h"

#include <algorithm>

#include "index/word_hash.h"
#include "query/concordance.h"

NearWords::NearWords(const CorpusText& corpus) : corpus_(corpus) {}

NearWords::LineCut NearWords::cut(std::uint32_t number) {
  const auto [found, isNew] = lines_.try_emplace(number);
  if (isNew) {
    found->second.first = cutWords_.size();
    corpus_.lines.copyLine(number - 1, line_);
    corpus_.rules.cutLine(line_, [this](const std::string& word, std::size_t, std::size_t) {
      cutWords_.push_back(CutWord{folded_.size(), static_cast<std::uint32_t>(word.size()), NOT_KEPT});
      folded_ += word;
    });
    found->second.count = static_cast<std::uint32_t>(cutWords_.size() - found->second.first);
  }
  return found->second;
}

std::uint32_t NearWords::keep(const std::string& word) {
  if (2 * (keptWords_.size() + 1) > keptSlots_.size()) {
    // Twice the slots, each word put again where its hash now leads.
    std::vector<std::uint32_t> grown(std::max<std::size_t>(64, 2 * keptSlots_.size()), 0);
    const std::size_t mask = grown.size() - 1;
    for (std::uint32_t id = 0; id < keptWords_.size(); ++id) {
      std::size_t at = wordHash(keptWords_[id]) & mask;
      while (grown[at] != 0) at = (at + 1) & mask;
      grown[at] = id + 1;
    }
    keptSlots_.swap(grown);
  }
  const std::size_t mask = keptSlots_.size() - 1;
  for (std::size_t at = wordHash(word) & mask;; at = (at + 1) & mask) {
    const std::uint32_t slot = keptSlots_[at];
    if (slot == 0) {
      keptSlots_[at] = static_cast<std::uint32_t>(keptWords_.size()) + 1;
      keptWords_.push_back(word);
      return static_cast<std::uint32_t>(keptWords_.size() - 1);
    }
    if (keptWords_[slot - 1] == word) return slot - 1;
  }
}

PlacedWord NearWords::wordOf(const LineCut& line, std::uint32_t number, WordPlace place) {
  CutWord& word = cutWords_[line.first + number - 1];
  if (word.id == NOT_KEPT) {
    asked_.assign(folded_, word.begin, word.size);
    word.id = keep(asked_);
  }
  return PlacedWord{place, &keptWords_[word.id], word.id};
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
    const LineCut lineWords = cut(line);
    for (number = std::min(number - 1, lineWords.count); number > 0 && words_.size() < before; --number) {
      words_.push_back(wordOf(lineWords, number, WordPlace{line, number}));
    }
    if (line == firstLine) break;
    --line;
    number = cut(line).count + 1;
  }
  std::reverse(words_.begin(), words_.end());
  self_ = words_.size();
  // The place's own word; a line cut into fewer words (a text that changed
  // unseen) gives the empty word.
  const LineCut own = cut(place.line);
  if (place.wordNumber <= own.count) {
    words_.push_back(wordOf(own, place.wordNumber, place));
  } else {
    const std::uint32_t none = keep(std::string());
    words_.push_back(PlacedWord{place, &keptWords_[none], none});
  }
  // On from the place, line by line.
  line = place.line;
  number = place.wordNumber;
  for (std::size_t taken = 0; taken < after;) {
    const LineCut lineWords = cut(line);
    for (++number; number <= lineWords.count && taken < after; ++number, ++taken) {
      words_.push_back(wordOf(lineWords, number, WordPlace{line, number}));
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
