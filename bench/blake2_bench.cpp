// Update throughput of TSCL_blake2b beside OpenSSL's BLAKE2b-512 on the same 1 MiB buffer, in the
// same run, and the block function the component uses on this processor (chosen by timing;
// SUMTIDE_BLAKE2B_BLOCK forces one). After the usual report it prints the median throughput of
// each and the ratio ours / OpenSSL.

#include "ComponentUpdate.h"
#include "OpenSslPeer.h"
#include "RateReporter.h"
#include "scl/SCLblake2b.h"
#include "scl/blake2/Blake2Kernels.h"

#include <benchmark/benchmark.h>
#include <cstdint>
#include <cstdio>
#include <string>

namespace {

constexpr std::size_t BufferSize = std::size_t{1} << 20;

template <class THash> void BenchOurs(benchmark::State& State) {
  Sumtide::Bench::BenchComponentUpdate<THash>(State, BufferSize);
}

} // namespace

int main(int argc, char** argv) {
  benchmark::RegisterBenchmark("BLAKE2b/Sumtide", BenchOurs<Sumtide::TSCL_blake2b>);
  benchmark::RegisterBenchmark("BLAKE2b/OpenSSL", [](benchmark::State& S) {
    Sumtide::Bench::BenchEvpUpdate(S, EVP_blake2b512(), BufferSize);
  });
  benchmark::Initialize(&argc, argv);
  Sumtide::Bench::TRateReporter Reporter;
  benchmark::RunSpecifiedBenchmarks(&Reporter);
  benchmark::Shutdown();

  const double Ours = Reporter.Median("BLAKE2b/Sumtide") / 1e6;
  const double Peer = Reporter.Median("BLAKE2b/OpenSSL") / 1e6;
  namespace B = Sumtide::Blake2Internal;
  const std::string_view InUse = B::Blake2bCandidates()[B::Blake2bBlocksInUse()].Name;
  std::printf("\n%-8s %12s %14s %8s   block function in use\n", "digest", "ours MB/s",
              "OpenSSL MB/s", "ratio");
  std::printf("%-8s %12.1f %14.1f %8.3f   %.*s\n", "BLAKE2b", Ours, Peer,
              Peer > 0 ? Ours / Peer : 0.0, static_cast<int>(InUse.size()), InUse.data());
  return 0;
}
