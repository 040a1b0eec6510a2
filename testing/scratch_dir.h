// Helpers shared by the tests of both programs: a scratch folder to work in,
// whole-file reading and writing, and running a dialogue in-process or as a
// built program.
#ifndef TESTING_SCRATCH_DIR_H
#define TESTING_SCRATCH_DIR_H

#include <filesystem>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

// Whether the tests run on Windows, where text files and the console end
// lines with CR LF and a few POSIX-only checks do not apply.
#ifdef _WIN32
constexpr bool ON_WINDOWS = true;
#else
constexpr bool ON_WINDOWS = false;
#endif

// A fresh, empty folder that becomes the working directory for the life of
// this object; the former working directory is restored and the folder
// removed afterwards.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::filesystem::path& path() const { return dir_; }

 private:
  std::filesystem::path previous_;
  std::filesystem::path dir_;
};

// Writes `bytes` to `file` exactly, replacing what it held.
void writeFile(const std::filesystem::path& file, const std::string& bytes);

// The whole content of `file` read as text (on Windows a CR LF reads as a
// line feed), or an empty string when it cannot be read.
std::string readFile(const std::filesystem::path& file);

// What a program reading `bytes` as a text file sees: the bytes themselves,
// except on Windows, where a CR LF reads as a line feed and a Ctrl-Z byte
// ends the file.
std::string asReadInTextMode(const std::string& bytes);

// Runs `program` with `arguments` (plain words, no quoting needed) in the
// working directory, with `input` on its standard input, its standard output
// captured in `output` and, when `errors` is given, its standard error
// there. Returns its exit status, or -1 when it did not exit normally. The
// tests give it a time limit.
int runProgram(const std::string& program, const std::string& input,
               std::string& output, const std::vector<std::string>& arguments = {},
               std::string* errors = nullptr);

// A program's driver: its arguments, then standard input, output and error.
using Driver = int (*)(const std::vector<std::string>&, std::istream&, std::ostream&,
                       std::ostream&);

// What a program's dialogue printed on standard output and on standard
// error, and the status it ended with.
struct DialogueRun {
  int status;
  std::string output;
  std::string errors;
};

// Runs a driver in-process with `input` as everything typed.
DialogueRun runDialogue(Driver driver, const std::string& input,
                        const std::vector<std::string>& arguments = {});

#endif  // TESTING_SCRATCH_DIR_H
