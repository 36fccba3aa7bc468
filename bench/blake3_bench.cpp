// Update throughput of TSCL_blake3 on buffers of 1 MiB and 16 KiB, then the rate of each
// many-input function this processor runs over the same chunks (the choice's own timing) and the
// one in use (SUMTIDE_BLAKE3_MANY forces one). Its peer, b3sum, is timed as a whole process
// beside sumtide-sum (bench/README.md).

#include "ComponentUpdate.h"
#include "RateReporter.h"
#include "scl/SCLblake3.h"
#include "scl/blake3/Blake3Kernels.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <string>

int main(int argc, char** argv) {
  for (const std::size_t Size : {std::size_t{1} << 20, std::size_t{16} << 10})
    benchmark::RegisterBenchmark(("BLAKE3/Sumtide/" + std::to_string(Size)).c_str(),
                                 [Size](benchmark::State& State) {
                                   Sumtide::Bench::BenchComponentUpdate<Sumtide::TSCL_blake3>(
                                       State, Size);
                                 });
  benchmark::Initialize(&argc, argv);
  Sumtide::Bench::TRateReporter Reporter;
  benchmark::RunSpecifiedBenchmarks(&Reporter);
  benchmark::Shutdown();

  namespace B = Sumtide::Blake3Internal;
  const auto Rows = B::ManyCandidates();
  const std::vector<double> Rates = B::MeasureMany();
  std::printf("\n%-10s %16s\n", "function", "bytes per tick");
  for (std::size_t I = 0; I < Rows.size(); ++I)
    std::printf("%-10.*s %16.3f%s\n", static_cast<int>(Rows[I].Name.size()), Rows[I].Name.data(),
                Rates[I], I == B::ManyInUse() ? "   in use" : "");
  return 0;
}
