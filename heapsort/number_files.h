// Everything heapsort reads from or writes to disk: the input number file,
// the result file and the time log. Paths are relative to the working
// directory. A file that cannot be opened is answered on `console` with the
// line "Unable to open file"; every trouble is also told on `errors` as
// "heapsort: PATH: WHY", and the operation then returns and the run goes on.
// Whatever came from the user or a file is shown there through
// escapeControlBytes, so that no message sends a control byte to a terminal.
#ifndef HEAPSORT_NUMBER_FILES_H
#define HEAPSORT_NUMBER_FILES_H

#include <cstddef>
#include <fstream>
#include <istream>
#include <ostream>
#include <string>

#include "unfinished_file.h"

// Chooses the result file's suffix: "_b.txt" when set, "_s.txt" otherwise.
extern bool buildMode;

// How a number file was read.
enum class Reading {
  whole,         // every item was an int
  stoppedEarly,  // an item that is not an int, or one number too many, ended it
  failed,        // the file could not be opened or read: nothing was read
};

// `text` as it may be shown on a terminal: every control byte (below 0x20
// but the tab, and 0x7F), every byte of a C1 control (U+0080 to U+009F) or
// a bidi control (U+202A to U+202E, U+2066 to U+2069), and every byte that
// is no part of valid UTF-8 written as \xHH, HH in upper-case hexadecimal.
std::string escapeControlBytes(const std::string& text);

// Every escape heapsort shows is written by appendHexEscape (terminal_text.h),
// in upper case.

// Whether `name` names a file inside its folder: it holds no "/" or "\" and
// is neither "." nor "..", so that no name reaches outside input/ or output/.
bool isFileName(const std::string& name);

// Opens "input/" + fileName for reading as readNumbers does; when it cannot,
// answers as readNumbers does and returns false.
bool openInput(const std::string& fileName, std::ifstream& infile, std::ostream& console,
               std::ostream& errors);

// What the line that tells where reading stopped says after the path, for
// `item`, the first that is not an int (or is outside the int range), read
// after `count` numbers: "stopped at item N, "ITEM": not an integer; ...".
std::string stoppedAt(long long count, const std::string& item, bool outsideIntRange);

// Tells "heapsort: PATH: WHY" on `errors`, the path escaped.
void tellTrouble(std::ostream& errors, const std::string& path, const std::string& why);

// The system's reason for the last failed call (errno), or `otherwise` when
// it gave none.
std::string systemReason(const char* otherwise);

// Reads whitespace-separated integers from "input/" + fileName into
// a[1 ..] and sets numberCount. Reading ends at the end of the file, at the
// first item that is not an int (read as stream extraction reads one: an
// optional sign and decimal digits), or after NUMBER_CAPACITY numbers (a
// line on `console` and one on `errors` then say so); nothing is stored
// beyond the array. A fileName that is not a file name (see isFileName) is
// answered as a file that cannot be opened, and nothing is read. A read
// that fails, at the first byte or any later one, fails the whole reading.
Reading readNumbers(std::string fileName, int a[], std::ostream& console,
                    std::ostream& errors);

// The reading of readNumbers from `infile`, an open stream named `path` in
// the messages: everything after the opening.
Reading readNumbersFrom(std::istream& infile, const std::string& path, int a[],
                        std::ostream& console, std::ostream& errors);

// The input file: "input/" + fileName.
std::string inputPath(const std::string& fileName);

// How the result file is named after the number file.
enum class Naming {
  firstNineCharacters,   // a typed command: "initdata1.txt" gives "initdata1"
  withoutLastExtension,  // a name given at the shell: "nums.txt" gives "nums"
};

// The result file: "output/" + the base that `naming` takes from fileName +
// the suffix chosen by buildMode. Without its last extension, a name keeps
// a dot it starts with (".hidden" stays ".hidden") and loses a final one.
std::string resultPath(const std::string& fileName, Naming naming);

// Creates "./output" if it can, then writes a[1 .. numberCount], one number
// per line, flushing each line, to a new file of a name of its own in
// output/ (so that runs at once never share it, and any result name the
// file system takes leaves room for it), and renames that over the result
// file once it is whole and closed. Returns true when it was; otherwise the
// result file is as it was and the temporary file is removed.
// REQUIRES: isFileName(fileName).
bool writeResult(std::string fileName, Naming naming, const int a[], std::ostream& console,
                 std::ostream& errors);

// A result file while it is written: creates "./output" if it can, then
// writes to a new file of a name of its own beside the result (so that runs
// at once never share it, and any result name the file system takes leaves
// room for it), which finish() renames over the result once it is whole and
// closed. A device (/dev/null) is written in place. A result not finished
// leaves the file it would replace as it was, and its own file is removed.
class ResultFile {
 public:
  // Opens the new file for the result `path`. Returns false, with a line on
  // `console` and one on `errors`, when it cannot.
  bool open(const std::string& path, std::ostream& console, std::ostream& errors);
  std::ostream& stream() { return out_; }
  // The folder the result stands in, once opened.
  std::string folder() const { return folderOf(replaced_.path); }
  // Closes the stream and puts the file in place. Returns false, telling
  // why, when it was not written whole or cannot replace the result.
  bool finish(std::ostream& console, std::ostream& errors);

 private:
  std::string path_;
  ReplacedFile replaced_;
  bool inPlace_ = false;
  UnfinishedFile unfinished_{"heapsort"};
  std::ofstream out_;  // closed before the unfinished file goes
};

// The time log, "output/time.txt".
extern const char* const TIME_LOG;

// Appends "command TAB readTime TAB sortTime TAB writeTime" and a line break
// to the time log. Returns true when the line was written and the log closed.
bool logTimes(std::string command, int readTime, int sortTime, int writeTime,
              std::ostream& console, std::ostream& errors);

#endif  // HEAPSORT_NUMBER_FILES_H
