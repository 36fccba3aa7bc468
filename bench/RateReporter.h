#pragma once

// The report the benchmarks print their summaries from: Google Benchmark's usual console report,
// and every throughput measured (bytes_per_second), kept by benchmark and argument.

#include "BenchData.h"

#include <benchmark/benchmark.h>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace Sumtide::Bench {

class TRateReporter : public benchmark::ConsoleReporter {
public:
  void ReportRuns(const std::vector<Run>& Runs) override {
    for (const Run& R : Runs) {
      const auto It = R.counters.find("bytes_per_second");
      if (R.error_occurred || It == R.counters.end())
        continue;
      const std::pair Key{R.run_name.function_name, R.run_name.args};
      if (R.run_type == Run::RT_Iteration)
        FRates[Key].push_back(It->second.value);
      else if (R.aggregate_name == "median") // all there is with --benchmark_report_aggregates_only
        FMedians[Key] = It->second.value;
    }
    ConsoleReporter::ReportRuns(Runs);
  }

  // The median throughput of a benchmark (with Args, its argument as the report writes it), 0 if
  // it did not run.
  double Median(const std::string& Name, const std::string& Args = {}) const {
    const std::pair Key{Name, Args};
    const auto It = FRates.find(Key);
    if (It != FRates.end() && !It->second.empty())
      return MedianOf(It->second);
    const auto Given = FMedians.find(Key);
    return Given == FMedians.end() ? 0 : Given->second;
  }

private:
  std::map<std::pair<std::string, std::string>, std::vector<double>> FRates;
  std::map<std::pair<std::string, std::string>, double> FMedians;
};

} // namespace Sumtide::Bench
