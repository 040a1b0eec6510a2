// What both benchmark programs share: registering a case, and running every
// case before printing each case's time beside its baseline's.
//
// A case and its baseline are paired by name: the baseline of "X" and of
// "X/anything" is "X/baseline". The ratio printed is X's time over the baseline's, so a
// ratio under 1 means this program's code is the faster one.
#ifndef BENCH_BENCH_SUPPORT_H
#define BENCH_BENCH_SUPPORT_H

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

// Runs the registered benchmarks with Google Benchmark's own options and
// prints the ratio table. Returns the exit status.
int runBenchmarksWithRatios(int argc, char** argv);

// Remembers `name` as the next row of the ratio table.
void rememberCase(const std::string& name);

// The fastest of a case's repetitions.
double minimumOf(const std::vector<double>& times);

// Registers a case, with `args` passed on to `fn` after the state. With
// repetitions the table shows the fastest run.
template <class Fn, class... Args>
void addCase(const std::string& name, benchmark::TimeUnit unit, Fn fn, Args... args) {
  rememberCase(name);
  benchmark::RegisterBenchmark(name.c_str(), fn, args...)
      ->Unit(unit)
      ->ComputeStatistics("min", minimumOf);
}

// The name of the baseline paired with `name`.
std::string baselineOf(const std::string& name);

// Takes the flag `name` out of argv; returns whether it was there.
bool takeFlag(int& argc, char** argv, const char* name);

// Takes "`name` VALUE" out of argv; returns VALUE, or "" when absent.
std::string takeOption(int& argc, char** argv, const char* name);

#endif  // BENCH_BENCH_SUPPORT_H
