#include "bench_support.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace {

std::filesystem::path privateFolder;

void removePrivateFolder() {
  std::error_code ignored;
  std::filesystem::current_path(std::filesystem::temp_directory_path(), ignored);
  std::filesystem::remove_all(privateFolder, ignored);
}

// Prints Google Benchmark's usual lines and remembers the real time of each
// case, by name. With repetitions the fastest one comes last and stands for
// the case: on a shared machine the others mostly measure the neighbours.
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
      if (times_.count(name) == 0) order_.push_back(name);
      times_[name] = run.GetAdjustedCPUTime();
    }
  }

  void printRatios() const {
    std::printf("\n%-32s %16s %16s %7s\n", "case", "this program", "baseline",
                "ratio");
    for (const std::string& name : order_) {
      const auto base = times_.find(baselineOf(name));
      if (base == times_.end() || base->first == name || base->second <= 0) continue;
      const double ours = times_.at(name);
      std::printf("%-32s %16.1f %16.1f %7.2f\n", name.c_str(), ours,
                  base->second, ours / base->second);
    }
    std::printf("(times per iteration, in the unit of the lines above)\n");
  }

 private:
  std::map<std::string, double> times_;
  std::vector<std::string> order_;
};

}  // namespace

bool enterPrivateFolder() {
  std::string pattern =
      (std::filesystem::temp_directory_path() / "bench-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) return false;
  privateFolder = pattern;
  std::error_code failed;
  std::filesystem::current_path(privateFolder, failed);
  if (failed) return false;
  std::atexit(removePrivateFolder);
  return true;
}

benchmark::internal::Benchmark* withMinimum(benchmark::internal::Benchmark* b) {
  return b->ComputeStatistics("min", [](const std::vector<double>& v) {
    return *std::min_element(v.begin(), v.end());
  });
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
