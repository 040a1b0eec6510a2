#include "text/corpus_files.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

bool isHidden(const fs::path& name) {
  const std::string text = name.filename().string();
  return !text.empty() && text[0] == '.';
}

// The regular files under `folder`, as paths under it, in byte order.
bool filesUnder(const std::string& folder, std::vector<std::string>& found, std::string& problem) {
  std::error_code failure;
  fs::recursive_directory_iterator walk(folder, failure);
  const fs::recursive_directory_iterator end;
  for (; !failure && walk != end; walk.increment(failure)) {
    const fs::directory_entry& entry = *walk;
    if (isHidden(entry.path())) {
      if (entry.is_directory(failure)) walk.disable_recursion_pending();
      failure.clear();
      continue;
    }
    std::error_code unknown;
    if (entry.is_regular_file(unknown)) {
      found.push_back(entry.path().lexically_relative(folder).generic_string());
    }
  }
  if (failure) {
    problem = folder + ": " + failure.message();
    return false;
  }
  std::sort(found.begin(), found.end());
  return true;
}

}  // namespace

bool listCorpusFiles(const std::vector<std::string>& given, std::vector<std::string>& files,
                     std::string& problem) {
  for (const std::string& name : given) {
    std::error_code unknown;
    if (!fs::is_directory(name, unknown)) {
      files.push_back(name);
      continue;
    }
    std::vector<std::string> under;
    if (!filesUnder(name, under, problem)) return false;
    if (under.empty()) {
      problem = name + ": a folder that holds no file to read";
      return false;
    }
    for (const std::string& path : under) {
      files.push_back((fs::path(name) / fs::path(path).make_preferred()).string());
    }
  }
  return true;
}
