#include "number_files.h"

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <filesystem>
#include <fstream>

#include "heap.h"
#include "out_of_memory.h"
#include "platform.h"
#include "terminal_text.h"
#include "unfinished_file.h"
#include "utf8.h"

bool buildMode = false;
const char* const TIME_LOG = "output/time.txt";

const char* const UNABLE_TO_OPEN = "Unable to open file";

std::string systemReason(const char* otherwise) {
  return errno != 0 ? std::strerror(errno) : otherwise;
}

void tellTrouble(std::ostream& errors, const std::string& path, const std::string& why) {
  errors << "heapsort: " << escapeControlBytes(path) << ": " << why << std::endl;
}

namespace {

// A folder opens like a file with some standard libraries and then reads
// as empty (with others the read fails); either way it holds no numbers.
bool isFolder(const std::string& path) {
  std::error_code unknown;
  return std::filesystem::is_directory(path, unknown);
}

enum class Item { number, notAnInteger, outsideIntRange };

// The longest stretch of an item kept to be shown.
constexpr std::size_t SHOWN_MOST = 40;

bool isBlank(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Reads one int from `in` as stream extraction does, white space already
// skipped: an optional sign, then every decimal digit that follows; what
// follows them is the next item. When it is no int, `item` receives its
// first characters (up to the next blank), to be shown. Every byte is taken
// through the stream, never from its buffer directly, so that a read that
// fails sets the stream's badbit like any other extraction; the caller
// checks it.
Item readInt(std::istream& in, int& value, std::string& item) {
  using Traits = std::char_traits<char>;
  constexpr long long INT_MAGNITUDE = 2147483648LL;  // of the smallest int
  item.clear();
  const auto keep = [&item](int c) {
    if (item.size() <= SHOWN_MOST) item += Traits::to_char_type(c);
  };
  const auto next = [&in]() {
    in.ignore();
    return in.peek();
  };
  int c = in.peek();
  const bool negative = c == '-';
  if (c == '-' || c == '+') {
    keep(c);
    c = next();
  }
  bool digits = false;
  long long magnitude = 0;  // stops growing once past any int
  for (; c >= '0' && c <= '9'; c = next()) {
    digits = true;
    keep(c);
    if (magnitude <= INT_MAGNITUDE) magnitude = magnitude * 10 + (c - '0');
  }
  const bool inRange = magnitude <= (negative ? INT_MAGNITUDE : INT_MAGNITUDE - 1);
  if (digits && inRange) {
    value = static_cast<int>(negative ? -magnitude : magnitude);
    return Item::number;
  }
  for (; c != Traits::eof() && !isBlank(c) && item.size() <= SHOWN_MOST; c = next()) keep(c);
  return digits ? Item::outsideIntRange : Item::notAnInteger;
}

// An item as it may be shown on a terminal: at most 40 characters, with
// control bytes escaped.
std::string shown(const std::string& item) {
  std::string text = escapeControlBytes(item.substr(0, SHOWN_MOST));
  if (item.size() > SHOWN_MOST) text += "...";
  return text;
}

std::string numbersUsed(long long count) {
  return std::to_string(count) + (count == 1 ? " number used" : " numbers used");
}

}  // namespace

std::string stoppedAt(long long count, const std::string& item, bool outsideIntRange) {
  return "stopped at item " + std::to_string(count + 1) + ", \"" + shown(item) + "\": " +
         (outsideIntRange ? "outside the int range" : "not an integer") + "; " + numbersUsed(count);
}

std::string escapeControlBytes(const std::string& text) {
  std::string shownText;
  for (std::size_t k = 0; k < text.size();) {
    const auto c = static_cast<unsigned char>(text[k]);
    std::size_t length = 1;
    const char32_t decoded = c < 0x80 ? c : decodeUtf8(text, k, length);
    if (decoded == NOT_A_CHARACTER || foolsTerminal(decoded) || (c < 0x20 && c != '\t') || c == 0x7F) {
      // Every byte of a control, or a byte that is no part of valid UTF-8.
      for (std::size_t n = k; n < k + length; ++n) {
        appendHexEscape(shownText, static_cast<unsigned char>(text[n]), true);
      }
    } else {
      shownText.append(text, k, length);
    }
    k += length;
  }
  return shownText;
}

std::string inputPath(const std::string& fileName) { return "input/" + fileName; }

bool isFileName(const std::string& name) {
  return name != "." && name != ".." && name.find_first_of("/\\") == std::string::npos;
}

bool openInput(const std::string& fileName, std::ifstream& infile, std::ostream& console,
               std::ostream& errors) {
  if (!isFileName(fileName)) {
    console << UNABLE_TO_OPEN << std::endl;
    tellTrouble(errors, fileName, "a file name, not a path, is expected inside input/");
    return false;
  }
  const std::string path = inputPath(fileName);
  errno = 0;
  infile.open(path);
  const int openError = errno;
  const bool folder = isFolder(path);  // refused to open on some systems
  if (!infile.is_open() || folder) {
    console << UNABLE_TO_OPEN << std::endl;
    errno = folder ? EISDIR : openError;
    tellTrouble(errors, path, systemReason("cannot be opened"));
    return false;
  }
  return true;
}

Reading readNumbers(std::string fileName, int a[], std::ostream& console,
                    std::ostream& errors) {
  numberCount = 0;
  std::ifstream infile;
  if (!openInput(fileName, infile, console, errors)) return Reading::failed;
  return readNumbersFrom(infile, inputPath(fileName), a, console, errors);
}

Reading readNumbersFrom(std::istream& infile, const std::string& path, int a[],
                        std::ostream& console, std::ostream& errors) {
  numberCount = 0;
  int count = 0;
  std::string item;
  // Skipping the white space first tells the clean end of the file apart
  // from an item that is not a number.
  while (!(infile >> std::ws).eof() && !infile.bad()) {
    int value = 0;
    const Item read = readInt(infile, value, item);
    if (infile.bad()) break;  // the item may be cut short: the read failed
    if (read != Item::number) {
      tellTrouble(errors, path, stoppedAt(count, item, read == Item::outsideIntRange));
      numberCount = count;
      return Reading::stoppedEarly;
    }
    if (count == NUMBER_CAPACITY) {
      console << "Only the first " << NUMBER_CAPACITY << " numbers were read." << std::endl;
      tellTrouble(errors, path,
                  "stopped at item " + std::to_string(count + 1) + ": heapsort holds at most " +
                      std::to_string(NUMBER_CAPACITY) + " numbers; " + numbersUsed(count) +
                      "; --all sorts every number");
      numberCount = count;
      return Reading::stoppedEarly;
    }
    a[++count] = value;
  }

  if (infile.bad()) {
    console << UNABLE_TO_OPEN << std::endl;
    tellTrouble(errors, path, systemReason("cannot be read"));
    return Reading::failed;
  }
  numberCount = count;
  return Reading::whole;
}

std::string resultPath(const std::string& fileName, Naming naming) {
  std::string base = fileName.substr(0, 9);
  if (naming == Naming::withoutLastExtension) {
    const std::size_t dot = fileName.rfind('.');
    base = dot == std::string::npos || dot == 0 ? fileName : fileName.substr(0, dot);
  }
  return "output/" + base + (buildMode ? "_b.txt" : "_s.txt");
}

bool ResultFile::open(const std::string& path, std::ostream& console, std::ostream& errors) {
  path_ = path;
  // Whether the folder was made is of no interest: it is usually there
  // already, and the file opened in it next reports any trouble.
  static_cast<void>(makeDirectory("./output"));
  // A symbolic link stays one: the file it leads to is replaced. A device
  // (/dev/null) is written in place, since no rename may replace it.
  replaced_ = findReplacedFile(path);
  using Kind = ReplacedFile::Kind;
  if (replaced_.kind == Kind::folder || replaced_.kind == Kind::refused) {
    console << UNABLE_TO_OPEN << std::endl;
    tellTrouble(errors, path,
                replaced_.kind == Kind::folder ? std::strerror(EISDIR)
                                               : "is a FIFO or a socket; give the result a file or a device");
    return false;
  }
  inPlace_ = replaced_.kind == Kind::device;
  // The numbers go to a file beside the result first, so that a run that
  // cannot finish its writing leaves the earlier result whole. Its name is
  // the run's own and short, so that two runs at once never write into one
  // file and a result name as long as the file system takes still leaves
  // room for it.
  int cause = 0;
  if (!inPlace_ && !unfinished_.create(folderOf(replaced_.path), cause)) {
    // What refuses the new file is its folder, not the result.
    console << UNABLE_TO_OPEN << std::endl;
    errno = cause;
    tellTrouble(errors, folderOf(replaced_.path), systemReason("cannot take a new file"));
    return false;
  }
  errno = 0;
  out_.open(inPlace_ ? path : unfinished_.name(), std::ios::out | std::ios::trunc);
  if (!out_.is_open()) {
    console << UNABLE_TO_OPEN << std::endl;
    tellTrouble(errors, path, systemReason("cannot be opened"));
    return false;
  }
  errno = 0;
  return true;
}

bool ResultFile::finish(std::ostream& console, std::ostream& errors) {
  out_.close();
  if (out_.fail()) {
    tellTrouble(errors, path_, systemReason("could not be written"));
    return false;
  }
  bool readOnly = false;
  int cause = 0;
  if (!inPlace_ && !unfinished_.finish(replaced_.path, readOnly, cause)) {
    // A result that cannot be put in place (a file held by another
    // program) is one that cannot be opened for writing.
    console << UNABLE_TO_OPEN << std::endl;
    errno = cause;
    tellTrouble(errors, path_, systemReason("cannot be replaced"));
    return false;
  }
  if (readOnly) tellTrouble(errors, path_, "was read-only; replaced by the new result, read-only as before");
  return true;
}

bool writeResult(std::string fileName, Naming naming, const int a[], std::ostream& console,
                 std::ostream& errors) {
  assert(isFileName(fileName));
  ResultFile result;
  if (!result.open(resultPath(fileName, naming), console, errors)) return false;
  std::ostream& outfile = result.stream();
  for (int i = 1; i <= numberCount; ++i) outfile << a[i] << std::endl;
  return result.finish(console, errors);
}

bool logTimes(std::string command, int readTime, int sortTime, int writeTime,
              std::ostream& console, std::ostream& errors) {
  // One write of the whole line: a log shared by runs at once never
  // interleaves two lines, and a line that does not fit is taken back.
  const std::string line = command + '\t' + std::to_string(readTime) + '\t' +
                           std::to_string(sortTime) + '\t' + std::to_string(writeTime) + '\n';
  int cause = 0;
  const Appending appended = appendWhole(TIME_LOG, line, cause);
  if (appended == Appending::notOpened) console << UNABLE_TO_OPEN << std::endl;
  if (appended != Appending::whole) {
    errno = cause;
    tellTrouble(errors, TIME_LOG,
                systemReason(appended == Appending::notOpened ? "cannot be opened" : "could not be written"));
    return false;
  }
  return true;
}
