// Typed lines in: the bytes are everything typed to heapsort. The dialogue
// must end (libFuzzer's timeout catches one that does not) with status 0 or
// 1, and a run without a usable command must end with the message that says
// so.
//
// A typed file name that climbs out of its folder ("../") is refused; should
// that ever fail, each run works four folders deep inside a private folder,
// which no 13-character name can climb out of.
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <sstream>
#include <string>

#include "command_driver.h"
#include "fuzz_check.h"
#include "scratch_dir.h"
#include "test_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const ScratchDir folder;
  // Start each run afresh, so that results and time logs do not pile up.
  std::filesystem::current_path(folder.path());
  std::filesystem::remove_all("run");
  std::filesystem::create_directories("run/a/b/c/input");
  std::filesystem::current_path("run/a/b/c");
  writeFile("input/initdata1.txt", "4 1 3 2 16 9 10 14 8 7\n");
  writeFile("input/initdata2.txt", "-5 12 0 2147483647 -2147483648 7 word\n");

  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  std::ostringstream out;
  std::ostringstream errors;
  const int status = runCommandDriver({}, in, out, errors, std::clock);
  FUZZ_CHECK(status == 0 || status == 1);
  FUZZ_CHECK(!endsWith(out.str(), "\nNo command was given.\n") || status == 1);
  return 0;
}
