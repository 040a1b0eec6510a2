#include "program_run.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "test_files.h"

#ifdef _WIN32

#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>

#include <cstdint>
#include <string>
#include <windows.h>

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
  // The arguments are UTF-8: they go by the wide command line, as a
  // person's typed words do, not through the console's code page.
  const auto wide = [](const std::string& text) {
    std::wstring converted(text.size() + 1, L'\0');
    const int units = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, &converted[0],
                                          static_cast<int>(converted.size()));
    converted.resize(units > 0 ? static_cast<std::size_t>(units - 1) : 0);
    return converted;
  };
  // The command line is the arguments joined by blanks: one that holds a
  // blank, or none at all, is quoted to stay one.
  const auto quoted = [](const std::wstring& argument) {
    return argument.find_first_of(L" \t") == std::wstring::npos && !argument.empty()
               ? argument
               : L"\"" + argument + L"\"";
  };
  const std::wstring path = wide(program);
  std::vector<std::wstring> wideArguments{quoted(path)};
  for (const std::string& argument : arguments) wideArguments.push_back(quoted(wide(argument)));
  std::vector<const wchar_t*> argv;
  for (const std::wstring& argument : wideArguments) argv.push_back(argument.c_str());
  argv.push_back(nullptr);
  const std::intptr_t status = _wspawnv(_P_WAIT, path.c_str(), argv.data());
  for (int fd = 0; fd < 3; ++fd) {
    _dup2(saved[fd], fd);
    _close(saved[fd]);
  }
  output = readFile("program-output.txt");
  if (errors != nullptr) *errors = readFile("program-errors.txt");
  return status == -1 ? -1 : static_cast<int>(status);
}

int runProgramOnFullDevice(const std::string&, const std::vector<std::string>&, std::string&,
                           const std::string&) {
  return -1;  // Windows has no such device
}

int runProgramLimited(const std::string&, const std::vector<std::string>&, const std::string&,
                      long, std::string&, std::string&) {
  return -1;  // no ulimit there
}

long startProgram(const std::string&, const std::vector<std::string>&, long) { return -1; }

long endedProcess() { return -1; }

long thisProcess() { return _getpid(); }

int waitForProgram(long) { return -1; }

#else

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Runs `program` with `arguments` through the shell, with `redirections`
// after them and `before` (shell commands ending in "&&") ahead; returns its
// exit status, or -1 when it did not exit normally.
int runWithRedirections(const std::string& program, const std::vector<std::string>& arguments,
                        const std::string& redirections, const std::string& before = "") {
  std::string command = before + "'" + program + "'";
  for (const std::string& argument : arguments) command += " '" + argument + "'";
  const int status = std::system((command + redirections).c_str());
  if (status == -1 || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

}  // namespace

int runProgram(const std::string& program, const std::string& input,
               std::string& output, const std::vector<std::string>& arguments,
               std::string* errors) {
  writeFile("program-input.txt", input);
  const int status = runWithRedirections(
      program, arguments,
      std::string(" < program-input.txt > program-output.txt") +
          (errors != nullptr ? " 2> program-errors.txt" : ""));
  output = readFile("program-output.txt");
  if (errors != nullptr) *errors = readFile("program-errors.txt");
  return status;
}

int runProgramOnFullDevice(const std::string& program, const std::vector<std::string>& arguments,
                           std::string& errors, const std::string& input) {
  writeFile("program-input.txt", input);
  const int status = runWithRedirections(
      program, arguments, " < program-input.txt > /dev/full 2> program-errors.txt");
  errors = readFile("program-errors.txt");
  return status;
}

int runProgramLimited(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& inputFile, long memoryKiB, std::string& output,
                      std::string& errors) {
  const std::string limit =
      memoryKiB != 0 ? "ulimit -v " + std::to_string(memoryKiB) + " && exec " : "exec ";
  const int status = runWithRedirections(
      program, arguments,
      " < '" + inputFile + "' > program-output.txt 2> program-errors.txt", limit);
  output = readFile("program-output.txt");
  errors = readFile("program-errors.txt");
  return status;
}

long startProgram(const std::string& program, const std::vector<std::string>& arguments,
                  long fileSizeBytes) {
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  const pid_t child = fork();
  if (child != 0) return child;
  const int files[3] = {open("/dev/null", O_RDONLY),
                        open("program-output.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644),
                        open("program-errors.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644)};
  for (int fd = 0; fd < 3; ++fd) dup2(files[fd], fd);
  if (fileSizeBytes != 0) {
    const rlimit limit{static_cast<rlim_t>(fileSizeBytes), static_cast<rlim_t>(fileSizeBytes)};
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  execv(program.c_str(), argv.data());
  _exit(127);
}

int waitForProgram(long process) {
  int status = 0;
  if (waitpid(static_cast<pid_t>(process), &status, 0) == -1) return -1;
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

long thisProcess() { return getpid(); }

long endedProcess() {
  const pid_t child = fork();
  if (child == 0) _exit(0);
  waitForProgram(child);
  return child;
}

#endif

bool waitForFileIn(const std::string& folder, const std::string& prefix, int checks) {
  for (int check = 0; check <= checks; ++check) {
    std::error_code unknown;
    for (std::filesystem::directory_iterator entry(folder, unknown), end; !unknown && entry != end;
         entry.increment(unknown)) {
      if (entry->path().filename().string().rfind(prefix, 0) == 0) return true;
    }
    if (check < checks) std::this_thread::sleep_for(std::chrono::microseconds(100));
  }
  return false;
}
