#include "scratch_dir.h"

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

ScratchDir::ScratchDir() : previous_(std::filesystem::current_path()) {
  std::string pattern =
      (std::filesystem::temp_directory_path() / "scratch-XXXXXX").string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (mkdtemp(name.data()) == nullptr) std::abort();
  dir_ = name.data();
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
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in),
                     std::istreambuf_iterator<char>());
}

int runProgram(const std::string& program, const std::string& input,
               std::string& output) {
  writeFile("program-input.txt", input);
  // A program that hangs is stopped after a generous while; its status is
  // then timeout's 124, which no test expects.
  const std::string command = "timeout 300 '" + program +
                              "' < program-input.txt > program-output.txt";
  const int status = std::system(command.c_str());
  output = readFile("program-output.txt");
  if (status == -1 || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

DialogueRun runDialogue(int (*driver)(std::istream&, std::ostream&),
                        const std::string& input) {
  std::istringstream in(input);
  std::ostringstream out;
  const int status = driver(in, out);
  return {status, out.str()};
}
