#include "bench_support.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

std::vector<std::string> caseNames;  // in the order they were added

// Prints Google Benchmark's usual lines and remembers the CPU time of each
// case, by name. CPU time rather than wall time, and with repetitions the
// fastest run (it comes last): on a shared virtual machine the rest mostly
// measures the neighbours.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  RatioReporter()
      : ConsoleReporter(isatty(STDOUT_FILENO) != 0 ? OO_ColorTabular : OO_Tabular) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "min") {
        continue;
      }
      const std::string name = run.run_name.str();
      times_[name] = {run.GetAdjustedCPUTime(), benchmark::GetTimeUnitString(run.time_unit)};
    }
  }

  void printRatios() const {
    std::printf("\n%-24s %14s %14s %6s %7s\n", "case", "this program", "baseline",
                "unit", "ratio");
    for (const std::string& name : caseNames) {
      const auto ours = times_.find(name);
      const auto base = times_.find(baselineOf(name));
      if (ours == times_.end() || base == times_.end() || base->first == name ||
          base->second.time <= 0) {
        continue;
      }
      std::printf("%-24s %14.1f %14.1f %6s %7.2f\n", name.c_str(), ours->second.time,
                  base->second.time, ours->second.unit, ours->second.time / base->second.time);
    }
  }

 private:
  struct Time {
    double time;       // CPU time per iteration
    const char* unit;  // its unit
  };
  std::map<std::string, Time> times_;
};

}  // namespace

void rememberCase(const std::string& name) { caseNames.push_back(name); }

double minimumOf(const std::vector<double>& times) {
  return *std::min_element(times.begin(), times.end());
}

std::string baselineOf(const std::string& name) {
  return name.substr(0, name.find('/')) + "/baseline";
}

int runBenchmarksWithRatios(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.printRatios();
  benchmark::Shutdown();
  return 0;
}

bool takeFlag(int& argc, char** argv, const char* name) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], name) != 0) continue;
    for (int j = i; j + 1 <= argc; ++j) argv[j] = argv[j + 1];
    --argc;
    return true;
  }
  return false;
}

std::string takeOption(int& argc, char** argv, const char* name) {
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], name) != 0) continue;
    std::string value = argv[i + 1];
    for (int j = i; j + 2 <= argc; ++j) argv[j] = argv[j + 2];
    argc -= 2;
    return value;
  }
  return std::string();
}

