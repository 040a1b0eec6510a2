// What both benchmark programs share: a private working folder, and a main
// that runs every case and then prints each case's time beside its baseline.
//
// A case and its baseline are paired by name: the baseline of "X" and of
// "X/anything" is "X/baseline". The ratio printed is X's time over the baseline's, so a
// ratio under 1 means this program's code is the faster one.
#ifndef BENCH_BENCH_SUPPORT_H
#define BENCH_BENCH_SUPPORT_H

#include <benchmark/benchmark.h>

#include <string>

// Makes a fresh folder under the system's temporary folder the working
// directory and removes it when the program ends, so that the files a case
// writes never land where the benchmark was started. Returns false when no
// folder could be made.
bool enterPrivateFolder();

// Runs the registered benchmarks with Google Benchmark's own options and
// prints the ratio table. Returns the exit status.
int runBenchmarksWithRatios(int argc, char** argv);

// Adds the "min" statistic to a case, so that with repetitions the table
// shows the fastest run.
benchmark::internal::Benchmark* withMinimum(benchmark::internal::Benchmark* b);

// The name of the baseline paired with `name`.
std::string baselineOf(const std::string& name);

#endif  // BENCH_BENCH_SUPPORT_H
