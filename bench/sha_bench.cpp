// Update throughput of the SHA components beside OpenSSL's digests on the same 1 MiB buffer, in
// the same run, and the block function each component uses on this processor (chosen by timing;
// SUMTIDE_SHA1_BLOCK, SUMTIDE_SHA256_BLOCK and SUMTIDE_SHA512_BLOCK force one). After the usual
// report it prints the median throughput of each pair and the ratio ours / OpenSSL.

#include "ComponentUpdate.h"
#include "OpenSslPeer.h"
#include "RateReporter.h"
#include "scl/SCLsha1.h"
#include "scl/SCLsha256.h"
#include "scl/SCLsha512.h"
#include "scl/sha1/Sha1Kernels.h"
#include "scl/sha2/Sha2Kernels.h"

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
  const struct {
    const char* Name;
    void (*Ours)(benchmark::State&);
    const EVP_MD* Peer;
  } Digests[] = {{"SHA1", BenchOurs<Sumtide::TSCL_sha1>, EVP_sha1()},
                 {"SHA256", BenchOurs<Sumtide::TSCL_sha256>, EVP_sha256()},
                 {"SHA512", BenchOurs<Sumtide::TSCL_sha512>, EVP_sha512()}};
  for (const auto& D : Digests) {
    benchmark::RegisterBenchmark((std::string(D.Name) + "/Sumtide").c_str(), D.Ours);
    benchmark::RegisterBenchmark(
        (std::string(D.Name) + "/OpenSSL").c_str(),
        [Md = D.Peer](benchmark::State& S) { Sumtide::Bench::BenchEvpUpdate(S, Md, BufferSize); });
  }
  benchmark::Initialize(&argc, argv);
  Sumtide::Bench::TRateReporter Reporter;
  benchmark::RunSpecifiedBenchmarks(&Reporter);
  benchmark::Shutdown();

  std::printf("\n%-8s %12s %14s %8s   block function in use\n", "digest", "ours MB/s",
              "OpenSSL MB/s", "ratio");
  namespace Sha = Sumtide::ShaInternal;
  const std::string_view InUse[] = {Sha::Sha1Candidates()[Sha::Sha1BlocksInUse()].Name,
                                    Sha::Sha256Candidates()[Sha::Sha256BlocksInUse()].Name,
                                    Sha::Sha512Candidates()[Sha::Sha512BlocksInUse()].Name};
  for (std::size_t I = 0; I < std::size(Digests); ++I) {
    const double Ours = Reporter.Median(std::string(Digests[I].Name) + "/Sumtide") / 1e6;
    const double Peer = Reporter.Median(std::string(Digests[I].Name) + "/OpenSSL") / 1e6;
    std::printf("%-8s %12.1f %14.1f %8.3f   %.*s\n", Digests[I].Name, Ours, Peer,
                Peer > 0 ? Ours / Peer : 0.0, static_cast<int>(InUse[I].size()), InUse[I].data());
  }
  return 0;
}
