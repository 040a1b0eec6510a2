// Numbers in, heap out. The bytes are the number file. readNumbers must stay
// inside the array (which is allocated to its exact size, so that a store
// past it is caught) and leave a[0] alone; a build must leave a max-heap and
// a sort the numbers in order, each a permutation of what was read.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "heap.h"
#include "number_files.h"
#include "scratch_dir.h"
#include "test_files.h"

namespace {

constexpr int SLOT_ZERO = 0x5A5A5A5A;

bool isMaxHeap(const int a[], int size) {
  for (int i = 2; i <= size; ++i) {
    if (a[i / 2] < a[i]) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const ScratchDir folder;
  static const bool made = std::filesystem::create_directory("input");
  (void)made;
  writeFile("input/numbers.txt", std::string(reinterpret_cast<const char*>(data), size));

  const std::unique_ptr<int[]> a(new int[ARRAY_SIZE]);
  a[0] = SLOT_ZERO;
  numberCount = 0;
  heapSize = 0;
  std::ostringstream console;
  std::ostringstream errors;
  const std::string text(reinterpret_cast<const char*>(data), size);
  const Reading reading = readNumbers("numbers.txt", a.get(), console, errors);
  FUZZ_CHECK(reading != Reading::failed);
  FUZZ_CHECK(numberCount >= 0 && numberCount <= NUMBER_CAPACITY);
  FUZZ_CHECK(console.str().empty() ||
             console.str() == "Only the first 99999 numbers were read.\n");
  FUZZ_CHECK(errors.str().empty() == (reading == Reading::whole || !console.str().empty()));
  const std::vector<int> read(a.get() + 1, a.get() + 1 + numberCount);

  // The numbers are exactly those that stream extraction of ints gives.
  std::istringstream stream(text);
  std::vector<int> extracted;
  int value = 0;
  while (extracted.size() < static_cast<std::size_t>(NUMBER_CAPACITY) && stream >> value) {
    extracted.push_back(value);
  }
  FUZZ_CHECK(read == extracted);
  std::vector<int> sorted = read;
  std::sort(sorted.begin(), sorted.end());

  buildMaxHeap(a.get());
  FUZZ_CHECK(heapSize == numberCount && isMaxHeap(a.get(), numberCount));
  std::vector<int> heap(a.get() + 1, a.get() + 1 + numberCount);
  std::sort(heap.begin(), heap.end());
  FUZZ_CHECK(heap == sorted);

  std::copy(read.begin(), read.end(), a.get() + 1);
  heapSortNumbers(a.get());
  FUZZ_CHECK(std::equal(sorted.begin(), sorted.end(), a.get() + 1));
  FUZZ_CHECK(a[0] == SLOT_ZERO);
  return 0;
}
