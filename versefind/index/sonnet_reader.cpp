// BTree::buildIndex and BTree::wordAt: the two operations that read the text
// file, both by the word rules of sonnet_text.h.
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "platform/console.h"
#include "unfinished_file.h"
#include "text/sonnet_text.h"
#include "index/word_index.h"

namespace {

// A folder opens like a file with some standard libraries and then reads as
// an empty text (with others the read fails); either way it is no text.
bool isFolder(const std::string& path) {
  std::error_code unknown;
  return std::filesystem::is_directory(path, unknown);
}

// Records what failed and returns buildIndex's failure value.
int failed(IndexFailure& failure, const std::string& file, int cause) {
  failure.file = file;
  failure.cause = cause;
  return 0;
}

}  // namespace

int BTree::buildIndex(std::string fileName) {
  IndexFailure ignored;
  return buildIndex(std::move(fileName), ignored);
}

int BTree::buildIndex(std::string fileName, IndexFailure& failure) {
  // The listing is written beside the earlier one, and replaces it only
  // once whole: a text that cannot be read, or fails part-way, and a full
  // disk leave the earlier listing as it was.
  errno = 0;
  std::ifstream dosya(fileName);
  const int textCause = errno;
  if (isFolder(fileName)) return failed(failure, fileName, EISDIR);
  if (!dosya.is_open()) return failed(failure, fileName, textCause);
  // Declared before the stream, so that the stream is closed before an
  // unfinished listing is removed (Windows removes no open file).
  UnfinishedFile unfinished("versefind");
  const ReplacedFile replaced = findReplacedFile(LISTING_FILE);
  // A device (/dev/null) is written in place: no rename may replace it.
  const bool inPlace = replaced.kind == ReplacedFile::Kind::device;
  if (replaced.kind == ReplacedFile::Kind::refused) {
    failure.reason = "is a FIFO or a socket; give the listing a file or a device";
    return failed(failure, LISTING_FILE, 0);
  }
  if (replaced.kind == ReplacedFile::Kind::folder) return failed(failure, LISTING_FILE, EISDIR);
  int createCause = 0;
  if (!inPlace && !unfinished.create(folderOf(replaced.path), createCause)) {
    // What refuses the new file is its folder, not the listing.
    return failed(failure, folderOf(replaced.path), createCause);
  }
  errno = 0;
  std::ofstream dosya2(inPlace ? LISTING_FILE : unfinished.name());
  const int listingCause = errno;
  if (!dosya2.is_open()) return failed(failure, LISTING_FILE, listingCause);

  int lineCount = 0;
  std::string line;
  std::string word;
  // The stream is tested before each read, not after it: a text that ends
  // with a line break therefore takes one more pass, which reads an empty
  // line and is counted like any other. good() rather than !eof(), so that a
  // read error ends the loop as well.
  // errno is cleared once a pass: a failing read or write of the pass sets
  // it, and nothing else in between does.
  while (dosya.good()) {
    errno = 0;
    readTextLine(dosya, line);
    if (dosya.bad()) return failed(failure, fileName, errno);
    ++lineCount;
    LineFields fields(line);
    for (int wordNumber = 1; fields.next(word); ++wordNumber) {
      insert(word, makePlace(lineCount, wordNumber));
      dosya2 << word << ' ';
    }
    dosya2 << std::endl;
    if (dosya2.fail()) return failed(failure, LISTING_FILE, errno);
  }
  errno = 0;
  dosya2.close();
  if (dosya2.fail()) return failed(failure, LISTING_FILE, errno);
  int renameCause = 0;
  if (!inPlace && !unfinished.finish(replaced.path, failure.replacedReadOnly, renameCause)) {
    return failed(failure, LISTING_FILE, renameCause);
  }
  return lineCount;
}

std::string BTree::wordAt(std::string fileName, int lineNumber,
                          int wordNumber) const {
  std::ifstream dosya(fileName);
  if (!dosya.is_open() || wordNumber < 1 || lineNumber < 1) return std::string();

  // The lines before the wanted one are skipped without being stored.
  for (int i = 1; i < lineNumber && dosya.good(); ++i) {
    dosya.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
  }
  std::string line;
  if (dosya.good()) {
    readTextLine(dosya, line);
  } else if (!dosya.bad()) {
    // The text ended before the wanted line. Reading line by line would then
    // have left the last line read in the buffer: whatever follows the last
    // line break, with no carriage return taken off. That rare case is
    // answered by reading the file again, keeping each line.
    std::ifstream again(fileName);
    while (again.good()) std::getline(again, line);
  }
  if (dosya.bad()) return std::string();

  LineFields fields(line);
  std::string word;
  for (int n = 1; fields.next(word); ++n) {
    if (n == wordNumber) return word;
  }
  return std::string();
}
