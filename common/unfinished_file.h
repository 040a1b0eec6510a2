// A file that a program writes in place of another: it is written under a
// name of its own beside the file it replaces, and renamed over that file
// only once it is whole and closed, so that the earlier file is never seen
// half-written.
//
// Invariants:
// - An unfinished file is named FOLDER/.PROGRAM-PID-N.part: the program's
//   name, the number of the process that writes it, and an attempt number.
//   The name alone tells whose file it is, so that a later run can remove
//   what a run killed outright (SIGKILL, a power cut) left behind.
// - Every unfinished file of the process is registered from its creation
//   until it is renamed or removed. The registry is held in fixed storage,
//   so that a signal handler and an out-of-memory handler, which may neither
//   allocate nor take locks, can remove the files it holds.
#ifndef COMMON_UNFINISHED_FILE_H
#define COMMON_UNFINISHED_FILE_H

#include <string>

// The file that a new version of `file` replaces, and what it is.
struct ReplacedFile {
  enum class Kind {
    absent,    // nothing there yet: the rename creates it
    regular,   // a file, replaced by the rename
    device,    // a character or block device (/dev/null): written in place
    folder,    // a folder: nothing can be written
    refused,   // a FIFO or a socket: opening it could wait for ever
  };
  // `file` itself, or, when `file` is a symbolic link, the end of its chain
  // of links, whether that exists or not: the link then stays a link.
  std::string path;
  Kind kind = Kind::absent;
};

// Looks `file` up without opening it. A chain of more than 40 links, or one
// that cannot be read, ends at the last link read.
ReplacedFile findReplacedFile(const std::string& file);

// The folder of `path`, as a path to give to the system: "." for a bare name.
std::string folderOf(const std::string& path);

// A new file beside the one it replaces; removed when the object goes,
// unless finish() put it in place.
class UnfinishedFile {
 public:
  // REQUIRES: `program` is a short name of letters only, and outlives this.
  explicit UnfinishedFile(const char* program) : program_(program) {}
  UnfinishedFile(const UnfinishedFile&) = delete;
  UnfinishedFile& operator=(const UnfinishedFile&) = delete;
  ~UnfinishedFile();

  // Creates the file, empty, in `folder`, after removing there the
  // unfinished files of this program's earlier runs that no longer run.
  // Returns false with the system's reason in `cause` (an errno value).
  bool create(const std::string& folder, int& cause);

  // Renames the file over `replaced`, after giving it the permissions of the
  // file it replaces, when there is one. `replacedReadOnly` tells whether
  // that file let no one write it. Returns false with the system's reason in
  // `cause`; the file is then still unfinished.
  bool finish(const std::string& replaced, bool& replacedReadOnly, int& cause);

  // The file's name, "" before create() and after finish().
  const std::string& name() const { return name_; }

 private:
  const char* program_;
  std::string name_;
  int slot_ = -1;
};

// From now on, SIGINT, SIGTERM and SIGHUP remove every unfinished file and
// then end the process as the signal would have (status 128+N in a shell);
// SIGXFSZ is ignored, so that a file-size limit fails a write like a full
// disk instead of ending the process. On Windows, Ctrl-C, Ctrl-Break and a
// closed console window remove them before the console ends the process.
void removeUnfinishedFilesOnSignals();

// Removes every unfinished file registered now. Allocates nothing and is
// safe in a signal handler and an out-of-memory handler.
void removeUnfinishedFiles();

// Whether the process numbered `process` is running (a process that exists
// but may not be signalled counts as running).
bool processIsRunning(long process);

#endif  // COMMON_UNFINISHED_FILE_H
