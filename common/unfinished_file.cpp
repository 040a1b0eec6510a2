#include "unfinished_file.h"

#include <cassert>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// The registry. A slot is written only while it is marked empty, and marked
// full only once its path is whole, so that a handler that interrupts a
// change reads either no path or a whole one.
constexpr int SLOTS = 4;
constexpr std::size_t LONGEST_PATH = 4096;
char registeredPath[SLOTS][LONGEST_PATH];
volatile std::sig_atomic_t registered[SLOTS] = {};

// Registers `path`; -1 when every slot is taken or the path is too long to
// keep, and the file is then removed by its owner alone.
int registerFile(const std::string& path) {
  if (path.size() >= LONGEST_PATH) return -1;
  for (int slot = 0; slot < SLOTS; ++slot) {
    if (registered[slot] != 0) continue;
    std::memcpy(registeredPath[slot], path.c_str(), path.size() + 1);
    registered[slot] = 1;
    return slot;
  }
  return -1;
}

void unregisterFile(int slot) {
  if (slot >= 0) registered[slot] = 0;
}

int currentProcess() {
#ifdef _WIN32
  return _getpid();
#else
  return static_cast<int>(getpid());
#endif
}

// The process number in an unfinished file's name, ".PROGRAM-PID-N.part",
// or -1 when `name` is no such name of `program`.
long ownerOf(const std::string& name, const std::string& program) {
  const std::string start = "." + program + "-";
  const std::string end = ".part";
  if (name.size() <= start.size() + end.size() || name.compare(0, start.size(), start) != 0 ||
      name.compare(name.size() - end.size(), end.size(), end) != 0) {
    return -1;
  }
  const std::string middle = name.substr(start.size(), name.size() - start.size() - end.size());
  const std::size_t dash = middle.find('-');
  if (dash == 0 || dash == std::string::npos || dash > 9 || dash + 1 == middle.size()) return -1;
  for (std::size_t i = 0; i < middle.size(); ++i) {
    if (i != dash && (middle[i] < '0' || middle[i] > '9')) return -1;
  }
  return std::stol(middle.substr(0, dash));
}

// Removes, in `folder`, the unfinished files of `program` whose process no
// longer runs. What cannot be removed or read is left: it costs only room.
void removeLeftovers(const std::string& folder, const std::string& program) {
  std::error_code unknown;
  std::filesystem::directory_iterator entry(folder, unknown);
  const std::filesystem::directory_iterator end;
  for (; !unknown && entry != end; entry.increment(unknown)) {
    const long owner = ownerOf(entry->path().filename().string(), program);
    if (owner < 0 || owner == currentProcess() || processIsRunning(owner)) continue;
    std::error_code ignored;
    std::filesystem::remove_all(entry->path(), ignored);
  }
}

// Creates `path` new and empty; 0, or the errno of the failure.
int createNew(const std::string& path) {
#ifdef _WIN32
  int fd = -1;
  const errno_t failed = _sopen_s(&fd, path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY,
                                  _SH_DENYNO, _S_IREAD | _S_IWRITE);
  if (failed != 0) return static_cast<int>(failed);
  _close(fd);
#else
  // O_EXCL: never a file that exists, nor one a symbolic link points to.
  // The mode is the one a new file of the program gets, less the umask.
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return errno;
  close(fd);
#endif
  return 0;
}

// Gives `file` the permissions of `model`, when `model` exists; tells
// whether `model` let no one write it.
void takePermissions(const std::string& file, const std::string& model, bool& readOnly) {
  readOnly = false;
#ifdef _WIN32
  const DWORD attributes = GetFileAttributesA(model.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY) == 0) return;
  // A read-only file cannot be replaced: its mark moves to the new file.
  readOnly = true;
  SetFileAttributesA(model.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  static_cast<void>(file);
#else
  struct stat kind {};
  if (stat(model.c_str(), &kind) != 0 || !S_ISREG(kind.st_mode)) return;
  readOnly = (kind.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
  // Ownership cannot follow without privileges; the permissions can.
  static_cast<void>(chmod(file.c_str(), kind.st_mode & 07777));
#endif
}

bool renameOver(const std::string& from, const std::string& to, int& cause) {
#ifdef _WIN32
  // MoveFileEx, since rename refuses to replace a file on Windows. The
  // system's error code is no errno value: the common reasons are told as
  // the nearest one.
  if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0) {
    return true;
  }
  const DWORD error = GetLastError();
  cause = error == ERROR_DISK_FULL ? ENOSPC : error == ERROR_FILE_NOT_FOUND ? ENOENT : EACCES;
  return false;
#else
  if (std::rename(from.c_str(), to.c_str()) == 0) return true;
  cause = errno;
  return false;
#endif
}

#ifdef _WIN32
void removeFile(const char* path) { DeleteFileA(path); }
#else
void removeFile(const char* path) { unlink(path); }
#endif

}  // namespace

void removeUnfinishedFiles() {
  for (int slot = 0; slot < SLOTS; ++slot) {
    if (registered[slot] != 0) removeFile(registeredPath[slot]);
  }
}

std::string folderOf(const std::string& path) {
  const std::string folder = std::filesystem::path(path).parent_path().string();
  return folder.empty() ? "." : folder;
}

ReplacedFile findReplacedFile(const std::string& file) {
  namespace fs = std::filesystem;
  ReplacedFile replaced;
  fs::path path(file);
  std::error_code unknown;
  for (int link = 0; link < 40 && fs::is_symlink(fs::symlink_status(path, unknown)); ++link) {
    const fs::path target = fs::read_symlink(path, unknown);
    if (unknown) break;
    path = target.is_absolute() ? target : path.parent_path() / target;
  }
  replaced.path = path.string();
  const fs::file_status kind = fs::symlink_status(path, unknown);
  using Kind = ReplacedFile::Kind;
  switch (kind.type()) {
    case fs::file_type::not_found: replaced.kind = Kind::absent; break;
    case fs::file_type::directory: replaced.kind = Kind::folder; break;
    case fs::file_type::character:
    case fs::file_type::block: replaced.kind = Kind::device; break;
    case fs::file_type::fifo:
    case fs::file_type::socket: replaced.kind = Kind::refused; break;
    default: replaced.kind = Kind::regular; break;
  }
  return replaced;
}

UnfinishedFile::~UnfinishedFile() {
  if (name_.empty()) return;
  // A file that cannot be removed is left for a later run to remove.
  static_cast<void>(std::remove(name_.c_str()));
  unregisterFile(slot_);
}

bool UnfinishedFile::create(const std::string& folder, int& cause) {
  assert(name_.empty());
  removeLeftovers(folder, program_);
  const std::string start =
      (folder == "." ? std::string() : folder + "/") + "." + program_ + "-" + std::to_string(currentProcess()) + "-";
  // The attempt's number passes a name that an earlier process of the same
  // number left behind.
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string candidate = start + std::to_string(attempt) + ".part";
    // Registered before it is made, so that a signal that comes as soon as
    // it stands there finds it. A name taken by a file of an ended process
    // of the same number may be removed by that signal: it is a leftover.
    const int slot = registerFile(candidate);
    cause = createNew(candidate);
    if (cause != 0) unregisterFile(slot);
    if (cause == EEXIST) continue;
    if (cause != 0) return false;
    name_ = std::move(candidate);
    slot_ = slot;
    return true;
  }
  return false;
}

bool UnfinishedFile::finish(const std::string& replaced, bool& replacedReadOnly, int& cause) {
  assert(!name_.empty());
  takePermissions(name_, replaced, replacedReadOnly);
  if (!renameOver(name_, replaced, cause)) return false;
  unregisterFile(slot_);
  slot_ = -1;
  name_.clear();
  return true;
}

#ifdef _WIN32

namespace {

// Runs on a thread of its own while the program goes on. A file the program
// holds open cannot be removed yet; the next run removes it.
BOOL WINAPI onConsoleEvent(DWORD event) {
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT || event == CTRL_CLOSE_EVENT) {
    removeUnfinishedFiles();
  }
  return FALSE;  // the console's own handler ends the process
}

}  // namespace

void removeUnfinishedFilesOnSignals() { SetConsoleCtrlHandler(onConsoleEvent, TRUE); }

bool processIsRunning(long process) {
  const HANDLE handle = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(process));
  if (handle == nullptr) return GetLastError() == ERROR_ACCESS_DENIED;
  DWORD status = 0;
  const bool running = GetExitCodeProcess(handle, &status) != 0 && status == STILL_ACTIVE;
  CloseHandle(handle);
  return running;
}

#else

namespace {

void onEndingSignal(int signal) {
  removeUnfinishedFiles();
  // The handler was reset to the default when it was called: the signal,
  // raised again, ends the process once this returns.
  static_cast<void>(raise(signal));
}

}  // namespace

void removeUnfinishedFilesOnSignals() {
  struct sigaction action {};
  action.sa_handler = onEndingSignal;
  action.sa_flags = SA_RESETHAND;
  sigemptyset(&action.sa_mask);
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction before {};
    // A signal ignored by whoever started the program (nohup) stays ignored.
    if (sigaction(signal, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) continue;
    static_cast<void>(sigaction(signal, &action, nullptr));
  }
  static_cast<void>(std::signal(SIGXFSZ, SIG_IGN));
}

bool processIsRunning(long process) {
  return process > 0 && (kill(static_cast<pid_t>(process), 0) == 0 || errno == EPERM);
}

#endif
