#include "scratch_dir.h"

#include <cstdlib>
#include <random>
#include <string>
#include <system_error>

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
