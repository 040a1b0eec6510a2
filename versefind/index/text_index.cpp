// The concordance's index: the lines kept once, the word rules behind an
// interface, and the reading loop that feeds the tree.
#include "index/text_index.h"

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <utility>

#include "text/sonnet_text.h"
#include "text/text_rules.h"

// ---- TextLines -------------------------------------------------------------------

void TextLines::add(std::string_view line, std::uint32_t words) {
  for (std::size_t at = 0; at < line.size();) {
    if (static_cast<unsigned char>(line[at]) < 0x80) {
      ++at;
      continue;
    }
    std::size_t length = 0;
    if (decodeUtf8(line, at, length) == NOT_A_CHARACTER) {
      ++bytesNotUtf8_;
      if (firstLineNotUtf8_ == 0) {
        firstLineNotUtf8_ = positions_.lineCount() + 1 - (fileStarts_.empty() ? 0 : fileStarts_.back());
      }
    }
    at += length;
  }
  if (keepBytes_) {
    starts_.push_back(text_.size());
    text_.append(line);
  } else if (positions_.lineCount() == (fileStarts_.empty() ? 0 : fileStarts_.back())) {
    firstLine_.assign(line);
  }
  positions_.addLine(words);
}

void TextLines::startFile(std::string name) {
  fileNames_.push_back(std::move(name));
  fileStarts_.push_back(positions_.lineCount());
  positions_.startFile();
  bytesNotUtf8_ = 0;
  firstLineNotUtf8_ = 0;
}

void TextLines::nameFiles(std::vector<std::string> names, std::vector<std::uint32_t> linesBefore) {
  assert(names.size() == linesBefore.size());
  fileNames_ = std::move(names);
  fileStarts_ = std::move(linesBefore);
}

std::uint32_t TextLines::fileCount() const {
  return fileNames_.empty() ? 1 : static_cast<std::uint32_t>(fileNames_.size());
}

const std::string& TextLines::fileName(std::uint32_t file) const {
  static const std::string none;
  return fileNames_.empty() ? none : fileNames_[file];
}

std::uint32_t TextLines::fileOfLine(std::uint32_t line) const {
  if (fileStarts_.empty()) return 0;
  const auto after = std::upper_bound(fileStarts_.begin(), fileStarts_.end(), line - 1);
  return static_cast<std::uint32_t>(after - fileStarts_.begin() - 1);
}

std::uint32_t TextLines::linesBeforeFile(std::uint32_t file) const {
  return fileStarts_.empty() ? 0 : fileStarts_[file];
}

void TextLines::fetchFrom(std::size_t count, Fetch fetch, CountWords countWords) {
  fetchedCount_ = count;
  fetch_ = std::move(fetch);
  countWords_ = std::move(countWords);
}

const WordPositions& TextLines::positions() const {
  if (countWords_) {
    const CountWords count = std::move(countWords_);
    countWords_ = nullptr;
    count(positions_);
  }
  return positions_;
}

std::string_view TextLines::operator[](std::size_t index) const {
  if (fetch_) {
    assert(index < fetchedCount_);
    const auto [kept, isNew] = fetched_.try_emplace(index);
    if (isNew) fetch_(index, kept->second);
    return kept->second;
  }
  if (!keepBytes_) {
    assert(index == (fileStarts_.empty() ? 0 : fileStarts_.back()));
    return firstLine_;
  }
  assert(index < starts_.size());
  const std::size_t begin = starts_[index];
  const std::size_t end = index + 1 < starts_.size() ? starts_[index + 1] : text_.size();
  return std::string_view(text_).substr(begin, end - begin);
}

void TextLines::copyLine(std::size_t index, std::string& line) const {
  if (fetch_) {
    assert(index < fetchedCount_);
    const auto kept = fetched_.find(index);
    if (kept == fetched_.end()) {
      line.clear();  // what a fetch that fails leaves
      fetch_(index, line);
    } else {
      line = kept->second;
    }
    return;
  }
  line.assign((*this)[index]);
}

// ---- the word rules --------------------------------------------------------------

namespace {

class ClassicRules final : public WordRules {
 public:
  // The fields are cut by LineFields, the one definition of these rules;
  // their bytes are found beside it (nextWord).
  void cutLine(const std::string& line, const Each& each) const override {
    LineFields fields(line);
    std::size_t at = 0;
    std::size_t begin = 0;
    std::size_t end = 0;
    while (fields.next(word_)) {
      nextWord(line, at, begin, end);
      each(word_, begin, end);
    }
  }

  // Each field ends at the next blank, the last one at the line's first NUL
  // or its end; a walk past that last field finds no more.
  bool nextWord(std::string_view line, std::size_t& at, std::size_t& begin,
                std::size_t& end) const override {
    const std::size_t scanned = std::min(line.size(), line.find('\0'));
    if (at > scanned) return false;
    begin = at;
    end = std::min(line.find(' ', at), scanned);
    at = end + 1;
    return true;
  }


 private:
  // The buffer each field's word is made in, kept from line to line.
  mutable std::string word_;
};

// What each byte from 0x80 to 0x9F stands for in Windows-1252; the five it
// leaves free keep their ISO-8859-1 meaning, a C1 control.
constexpr char16_t WINDOWS_1252[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// `line`, a line of ISO-8859-1 or Windows-1252, in UTF-8.
void latin1ToUtf8(std::string& line) {
  std::string converted;
  converted.reserve(line.size() + line.size() / 4);
  for (const char byte : line) {
    const auto c = static_cast<unsigned char>(byte);
    const char32_t code = c >= 0x80 && c <= 0x9F ? WINDOWS_1252[c - 0x80] : c;
    if (code < 0x80) {
      converted += static_cast<char>(code);
    } else if (code < 0x800) {
      converted += static_cast<char>(0xC0 | (code >> 6));
      converted += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      converted += static_cast<char>(0xE0 | (code >> 12));
      converted += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      converted += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  line.swap(converted);
}

class TextRules final : public WordRules {
 public:
  explicit TextRules(bool latin1 = false) : latin1_(latin1) {}

  void cutLine(const std::string& line, const Each& each) const override {
    TextWords words(line);
    while (words.next(word_)) each(word_.word, word_.begin, word_.end);
  }

  // A walk ends each word where the next one may start looking.
  bool nextWord(std::string_view line, std::size_t& at, std::size_t& begin,
                std::size_t& end) const override {
    TextWords words(line, at);
    if (!words.next(word_)) return false;
    begin = word_.begin;
    end = word_.end;
    at = end;
    return true;
  }

  bool cutPatterns(const std::string& query, std::vector<std::string>& words) const override {
    words = queryWords(query, true);
    return true;
  }

  void startText(std::string& firstLine) const override { dropByteOrderMark(firstLine); }

  void readyLine(std::string& line) const override {
    if (latin1_) latin1ToUtf8(line);
  }

 private:
  bool latin1_;
  // The word being cut, its buffer kept from line to line.
  mutable TextWord word_;
};

}  // namespace

const WordRules& classicRules() {
  static const ClassicRules rules;
  return rules;
}

const WordRules& queryRules() {
  static const TextRules rules;
  return rules;
}

const WordRules& latin1Rules() {
  static const TextRules rules(true);
  return rules;
}

// ---- the reading loop --------------------------------------------------------------

template <>
std::string placeAt<std::string>(std::uint32_t line, std::uint32_t wordNumber) {
  return makePlace(static_cast<int>(line), static_cast<int>(wordNumber));
}

namespace {

int failed(IndexFailure& failure, const std::string& file, int cause) {
  failure.file = file;
  failure.cause = cause;
  return 0;
}

}  // namespace

namespace {

// Reads as readTextFile does, keeping the lines in `lines` when it is given;
// the text is read as bytes when `binary`.
int readLines(const std::string& fileName, const WordRules& rules, TextLines* lines,
              IndexFailure& failure, const TakeWord& take, std::vector<std::uint64_t>* lineStarts,
              const ReadProgress& progress, bool binary) {
  // "-" is standard input, read once.
  const bool standardInput = fileName == STANDARD_INPUT;
  std::ifstream file;
  errno = 0;
  if (!standardInput) file.open(fileName, binary ? std::ios::in | std::ios::binary : std::ios::in);
  std::istream& text = standardInput ? std::cin : file;
  std::uint64_t consumed = 0;  // bytes read before the line
  const int textCause = errno;
  std::error_code unknown;
  // A folder opens like a file with some standard libraries; it is no text.
  if (!standardInput && std::filesystem::is_directory(fileName, unknown)) {
    return failed(failure, fileName, EISDIR);
  }
  if (!standardInput && !file.is_open()) return failed(failure, fileName, textCause);
  const std::uintmax_t bytes = std::filesystem::file_size(fileName, unknown);
  if (!standardInput && !unknown && lines != nullptr) lines->reserve(static_cast<std::size_t>(bytes));

  std::uint32_t lineCount = 0;
  std::string line;
  // As buildIndex reads: the stream is tested before each read, so a text
  // that ends with a line break takes one more pass, of an empty line.
  while (text.good()) {
    errno = 0;
    const std::size_t taken = readTextLine(text, line);
    if (text.bad()) return failed(failure, fileName, errno);
    if (lineStarts != nullptr) {
      lineStarts->push_back(consumed);
      consumed += taken;
      if (progress && lineStarts->size() % 4096 == 0) progress(consumed);
    }
    ++lineCount;
    rules.readyLine(line);
    if (lineCount == 1) rules.startText(line);
    std::uint32_t wordNumber = 0;
    rules.cutLine(line, [&](const std::string& word, std::size_t, std::size_t) {
      take(word, lineCount, ++wordNumber);
    });
    if (lines != nullptr) lines->add(line, wordNumber);
  }
  return static_cast<int>(lineCount);
}

}  // namespace

int readTextFile(const std::string& fileName, const WordRules& rules, TextLines& lines,
                 IndexFailure& failure, const TakeWord& take,
                 std::vector<std::uint64_t>* lineStarts, const ReadProgress& progress) {
  return readLines(fileName, rules, &lines, failure, take, lineStarts, progress, lineStarts != nullptr);
}

int readTextWords(const std::string& fileName, const WordRules& rules, IndexFailure& failure,
                  const TakeWord& take) {
  return readLines(fileName, rules, nullptr, failure, take, nullptr, nullptr, true);
}
