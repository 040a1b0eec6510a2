// Typed lines in: the bytes are everything typed to versefind. The dialogue
// must end (libFuzzer's timeout catches one that does not) with a run of
// trials and status 0, or with the end-of-input message and status 1.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "fuzz_check.h"
#include "scratch_dir.h"
#include "app/search_driver.h"
#include "test_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const ScratchDir folder;
  static const bool written = [] {
    writeFile("sonnets.txt", "Bright stars, fade -- and  Time's away!\r\nthe stars are bright\n");
    return true;
  }();
  (void)written;

  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  std::ostringstream out;
  std::ostringstream errors;
  const int status = runSearchDriver({}, in, out, errors);
  const std::string console = out.str();
  if (status == 0) {
    FUZZ_CHECK(console.find("\n\nTotal time of searching: ") != std::string::npos);
  } else {
    FUZZ_CHECK(status == 1 && endsWith(console, "\nNo order value was entered.\n"));
  }
  return 0;
}
