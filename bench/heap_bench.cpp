// heapsort's heap algorithms beside the standard library's heap algorithms,
// on the same 99999 random ints.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "bench_support.h"
#include "heap.h"

namespace {

constexpr std::uint32_t SEED = 20261207;

// The numbers every case starts from, at [1 .. NUMBER_CAPACITY] as in `a`.
const std::vector<int>& randomNumbers() {
  static const std::vector<int> numbers = [] {
    std::vector<int> v(ARRAY_SIZE, 0);
    std::mt19937 random(SEED);
    for (int i = 1; i < ARRAY_SIZE; ++i) v[i] = static_cast<int>(random());
    return v;
  }();
  return numbers;
}

int a[ARRAY_SIZE];

// Refills `a` with the fresh numbers outside the timed part.
void refill(benchmark::State& state) {
  state.PauseTiming();
  std::copy(randomNumbers().begin(), randomNumbers().end(), a);
  state.ResumeTiming();
}

void heapSort(benchmark::State& state) {
  numberCount = NUMBER_CAPACITY;
  for (auto _ : state) {
    refill(state);
    heapSortNumbers(a);
    benchmark::ClobberMemory();
  }
  if (!std::is_sorted(a + 1, a + ARRAY_SIZE)) state.SkipWithError("not sorted");
}

void stdSortHeap(benchmark::State& state) {
  for (auto _ : state) {
    refill(state);
    std::make_heap(a + 1, a + ARRAY_SIZE);
    std::sort_heap(a + 1, a + ARRAY_SIZE);
    benchmark::ClobberMemory();
  }
}

void buildHeap(benchmark::State& state) {
  numberCount = NUMBER_CAPACITY;
  for (auto _ : state) {
    refill(state);
    buildMaxHeap(a);
    benchmark::ClobberMemory();
  }
  if (!std::is_heap(a + 1, a + ARRAY_SIZE)) state.SkipWithError("not a heap");
}

void stdMakeHeap(benchmark::State& state) {
  for (auto _ : state) {
    refill(state);
    std::make_heap(a + 1, a + ARRAY_SIZE);
    benchmark::ClobberMemory();
  }
}

}  // namespace

int main(int argc, char** argv) {
  const auto unit = benchmark::kMicrosecond;
  addCase("heapSortNumbers", unit, heapSort);
  addCase("heapSortNumbers/baseline", unit, stdSortHeap);
  addCase("buildMaxHeap", unit, buildHeap);
  addCase("buildMaxHeap/baseline", unit, stdMakeHeap);
  return runBenchmarksWithRatios(argc, argv);
}
