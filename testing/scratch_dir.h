// A scratch folder for a test to work in.
#ifndef TESTING_SCRATCH_DIR_H
#define TESTING_SCRATCH_DIR_H

#include <filesystem>

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

#endif  // TESTING_SCRATCH_DIR_H
