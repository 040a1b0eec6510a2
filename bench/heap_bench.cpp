// heapsort's heap algorithms beside the standard library's heap algorithms,
// on the same 99999 random ints; and the sort once more with an observer
// watching it, as `heapsort --cost` runs it, to show what watching costs
// (ordinary runs set no observer: the first case).
//
//   heap_bench [--sweep [--short]] [Google Benchmark options]
//
// --sweep runs, instead, every algorithm and its standard counterparts (and
// std::sort) on n random ints, for n from 1,000 to 99,999 (two sizes with
// --short), for the charts.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>
#include <random>
#include <vector>

#include "bench_support.h"
#include "heap.h"
#include "heap_trace.h"

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

void heapSortCounted(benchmark::State& state) {
  numberCount = NUMBER_CAPACITY;
  HeapCounter counter;
  heapObserver = &counter;
  for (auto _ : state) {
    refill(state);
    heapSortNumbers(a);
    benchmark::ClobberMemory();
  }
  heapObserver = nullptr;
  if (counter.comparisons == 0) state.SkipWithError("not counted");
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

// The sweep: each case sorts or heapifies n numbers, a different run of n
// from a large pool at every iteration. The same few thousand numbers again
// and again would let the branch predictor learn the whole sort, and show
// small sizes as many times faster than they are.
constexpr int POOL_SIZE = 1 << 20;

const std::vector<int>& numberPool() {
  static const std::vector<int> pool = [] {
    std::vector<int> v(POOL_SIZE);
    std::mt19937 random(SEED + 1);
    for (int& n : v) n = static_cast<int>(random());
    return v;
  }();
  return pool;
}

void refillFirst(benchmark::State& state, int n) {
  static int offset = 0;
  state.PauseTiming();
  if (offset + n > POOL_SIZE) offset = 0;
  std::copy(numberPool().begin() + offset, numberPool().begin() + offset + n, a + 1);
  offset += n;
  state.ResumeTiming();
}

// Times `work` on n fresh numbers at a[1 .. n] per iteration.
template <class Work>
void sweep(benchmark::State& state, Work work) {
  const int n = static_cast<int>(state.range(0));
  numberCount = n;
  for (auto _ : state) {
    refillFirst(state, n);
    work(n);
    benchmark::ClobberMemory();
  }
}

void addSweep(const std::vector<int>& sizes) {
  using Case = void (*)(benchmark::State&);
  const std::pair<const char*, Case> cases[] = {
      {"buildMaxHeap", [](benchmark::State& s) { sweep(s, [](int) { buildMaxHeap(a); }); }},
      {"std_make_heap",
       [](benchmark::State& s) { sweep(s, [](int n) { std::make_heap(a + 1, a + n + 1); }); }},
      {"heapSortNumbers", [](benchmark::State& s) { sweep(s, [](int) { heapSortNumbers(a); }); }},
      {"std_sort_heap", [](benchmark::State& s) {
         sweep(s, [](int n) {
           std::make_heap(a + 1, a + n + 1);
           std::sort_heap(a + 1, a + n + 1);
         });
       }},
      {"std_sort", [](benchmark::State& s) { sweep(s, [](int n) { std::sort(a + 1, a + n + 1); }); }},
  };
  for (const auto& [name, fn] : cases) {
    auto* run = benchmark::RegisterBenchmark(name, fn)
                    ->Unit(benchmark::kMicrosecond)
                    ->ComputeStatistics("min", minimumOf);
    for (const int n : sizes) run->Arg(n);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (takeFlag(argc, argv, "--sweep")) {
    const bool shortSweep = takeFlag(argc, argv, "--short");
    addSweep(shortSweep ? std::vector<int>{1000, 10000}
                        : std::vector<int>{1000, 2000, 5000, 10000, 20000, 50000, 99999});
    return runBenchmarksWithRatios(argc, argv);
  }
  const auto unit = benchmark::kMicrosecond;
  addCase("heapSortNumbers", unit, heapSort);
  addCase("heapSortNumbers/baseline", unit, stdSortHeap);
  addCase("heapSortNumbers/counted", unit, heapSortCounted);
  addCase("buildMaxHeap", unit, buildHeap);
  addCase("buildMaxHeap/baseline", unit, stdMakeHeap);
  return runBenchmarksWithRatios(argc, argv);
}
