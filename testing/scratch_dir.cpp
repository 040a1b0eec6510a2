#include "scratch_dir.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#else
#include <sys/wait.h>
#endif

ScratchDir::ScratchDir() : previous_(std::filesystem::current_path()) {
  std::random_device seed;
  std::mt19937_64 random(seed());
  for (int attempt = 0;; ++attempt) {
    if (attempt == 100) std::abort();
    dir_ = std::filesystem::temp_directory_path() / ("scratch-" + std::to_string(random()));
    std::error_code error;
    if (std::filesystem::create_directory(dir_, error)) break;  // new, and ours
  }
  std::filesystem::current_path(dir_);
}

ScratchDir::~ScratchDir() {
  std::filesystem::current_path(previous_);
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
}

void writeFile(const std::filesystem::path& file, const std::string& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string readFile(const std::filesystem::path& file) {
  std::ifstream in(file);
  return std::string(std::istreambuf_iterator<char>(in),
                     std::istreambuf_iterator<char>());
}

std::string asReadInTextMode(const std::string& bytes) {
  if (!ON_WINDOWS) return bytes;
  std::string text;
  for (std::size_t i = 0; i < bytes.size() && bytes[i] != '\x1A'; ++i) {
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
    text += bytes[i];
  }
  return text;
}

#ifdef _WIN32

int runProgram(const std::string& program, const std::string& input,
               std::string& output, const std::vector<std::string>& arguments,
               std::string* errors) {
  writeFile("program-input.txt", input);
  // A child started with _spawn inherits standard input, output and error,
  // so ours point at the files while it runs.
  std::fflush(stdout);
  std::fflush(stderr);
  const int saved[3] = {_dup(0), _dup(1), _dup(2)};
  const int files[3] = {
      _open("program-input.txt", _O_RDONLY | _O_BINARY),
      _open("program-output.txt", _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, _S_IREAD | _S_IWRITE),
      _open("program-errors.txt", _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, _S_IREAD | _S_IWRITE)};
  for (int fd = 0; fd < 3; ++fd) {
    _dup2(files[fd], fd);
    _close(files[fd]);
  }
  std::vector<const char*> argv{program.c_str()};
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());
  argv.push_back(nullptr);
  const std::intptr_t status = _spawnv(_P_WAIT, program.c_str(), argv.data());
  for (int fd = 0; fd < 3; ++fd) {
    _dup2(saved[fd], fd);
    _close(saved[fd]);
  }
  output = readFile("program-output.txt");
  if (errors != nullptr) *errors = readFile("program-errors.txt");
  return status == -1 ? -1 : static_cast<int>(status);
}

#else

int runProgram(const std::string& program, const std::string& input,
               std::string& output, const std::vector<std::string>& arguments,
               std::string* errors) {
  writeFile("program-input.txt", input);
  std::string command = "'" + program + "'";
  for (const std::string& argument : arguments) command += " '" + argument + "'";
  command += " < program-input.txt > program-output.txt";
  if (errors != nullptr) command += " 2> program-errors.txt";
  const int status = std::system(command.c_str());
  output = readFile("program-output.txt");
  if (errors != nullptr) *errors = readFile("program-errors.txt");
  if (status == -1 || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

#endif

DialogueRun runDialogue(Driver driver, const std::string& input,
                        const std::vector<std::string>& arguments) {
  std::istringstream in(input);
  std::ostringstream out;
  std::ostringstream errors;
  const int status = driver(arguments, in, out, errors);
  return {status, out.str(), errors.str()};
}
