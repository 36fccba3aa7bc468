// Update throughput of TSCL_md5 against OpenSSL's MD5 on the same buffers, in the same run.
// After the usual report it prints, for each buffer size, the median throughput of each and the
// ratio ours / OpenSSL, and which block function TSCL_md5 uses on this processor
// (SUMTIDE_MD5_BLOCK=portable or =vector forces one).

#include "BenchClock.h"
#include "BenchData.h"
#include "OpenSslPeer.h"
#include "RateReporter.h"
#include "scl/SCLmd5.h"
#include "scl/md5/Md5Kernels.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <openssl/evp.h>
#include <string>
#include <utility>
#include <vector>

namespace {

const char* const OursName = "MD5_Update/Sumtide";
const char* const PeerName = "MD5_Update/OpenSSL";

void BenchOurs(benchmark::State& State) {
  const auto Buffer = Sumtide::Bench::PatternBytes(static_cast<std::size_t>(State.range(0)));
  Sumtide::TSCL_md5 Hash(nullptr);
  Hash.Init();
  for (auto _ : State) {
    Hash.Update(Buffer.data(), static_cast<std::uint32_t>(Buffer.size()));
    benchmark::ClobberMemory();
  }
  std::uint8_t Digest[16];
  Hash.Final(Digest);
  benchmark::DoNotOptimize(Digest);
  State.SetBytesProcessed(State.iterations() * State.range(0));
}

// The median throughput of each size, ours beside OpenSSL's.
void PrintRatios(const Sumtide::Bench::TRateReporter& Reporter,
                 const std::vector<std::string>& Sizes, double CyclesPerSecond) {
  std::printf("\n%-10s %14s %14s %12s %12s %8s\n", "bytes", "ours MB/s", "OpenSSL MB/s", "ours c/B",
              "OpenSSL c/B", "ratio");
  for (const std::string& Size : Sizes) {
    const double Ours = Reporter.Median(OursName, Size);
    const double Peer = Reporter.Median(PeerName, Size);
    if (Ours <= 0 || Peer <= 0)
      continue;
    std::printf("%-10s %14.1f %14.1f %12.2f %12.2f %8.3f\n", Size.c_str(), Ours / 1e6, Peer / 1e6,
                CyclesPerSecond / Ours, CyclesPerSecond / Peer, Ours / Peer);
  }
  std::printf("(MB = 10^6 bytes; c/B at a measured core clock of %.0f MHz; ratio = ours / "
              "OpenSSL throughput; medians over repetitions)\n",
              CyclesPerSecond / 1e6);
}

// The two on the same 16 KiB in turns, each going first in every other round, keeping the
// fastest round of each: far less moved by other work on a shared machine than the medians.
void PrintBestOfAlternating(double CyclesPerSecond) {
  constexpr std::size_t Size = 16 << 10;
  constexpr int Rounds = 300;
  const auto Buffer = Sumtide::Bench::PatternBytes(Size);
  Sumtide::TSCL_md5 Hash(nullptr);
  Hash.Init();
  std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> Ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
  if (!Ctx || EVP_DigestInit_ex(Ctx.get(), EVP_md5(), nullptr) != 1)
    return;
  using TClock = std::chrono::steady_clock;
  const auto TimeOurs = [&] {
    const auto Start = TClock::now();
    Hash.Update(Buffer.data(), static_cast<std::uint32_t>(Buffer.size()));
    return std::chrono::duration<double>(TClock::now() - Start).count();
  };
  const auto TimePeer = [&] {
    const auto Start = TClock::now();
    EVP_DigestUpdate(Ctx.get(), Buffer.data(), Buffer.size());
    return std::chrono::duration<double>(TClock::now() - Start).count();
  };
  double Ours = 1e9;
  double Peer = 1e9;
  for (int Round = 0; Round < Rounds; ++Round) {
    if (Round % 2 == 0) {
      Ours = std::min(Ours, TimeOurs());
      Peer = std::min(Peer, TimePeer());
    } else {
      Peer = std::min(Peer, TimePeer());
      Ours = std::min(Ours, TimeOurs());
    }
  }
  std::printf("best of %d alternating rounds on 16 KiB: ours %.2f c/B, OpenSSL %.2f c/B, "
              "ratio %.3f\n",
              Rounds, Ours * CyclesPerSecond / Size, Peer * CyclesPerSecond / Size, Peer / Ours);
}

// Which block function the hash uses and why, with the timings the choice rests on.
void PrintBlockFunction() {
  namespace M = Sumtide::Md5Internal;
  const char* Forced = std::getenv(M::BlockFunctionVariable);
  const std::string InUse(M::BlockCandidates()[M::BlockFunctionInUse()].Name);
  std::printf("block function in use: %s", InUse.c_str());
  if (!M::HasAvx512Compress()) {
    std::printf(" (this processor cannot run the vector one)\n");
    return;
  }
  if (Forced && *Forced)
    std::printf(" (%s=%s)", M::BlockFunctionVariable, Forced);
  // A fresh measurement, as the choice makes it: the best time-stamp counter ticks of each over
  // the same 4 KiB.
  const std::vector<double> Rates = M::MeasureBlockFunctions();
  const double Portable = Rates[0] > 0 ? 1 / Rates[0] : 0, Vector = Rates[1] > 0 ? 1 / Rates[1] : 0;
  std::printf("\nchoice's measurement: portable %.0f ticks, vector %.0f ticks per 4 KiB "
              "(vector / portable %.3f)\n",
              Portable, Vector, Portable > 0 ? Vector / Portable : 0.0);
}

} // namespace

int main(int argc, char** argv) {
  const std::vector<std::int64_t> Sizes = {16 << 10, 1 << 20};
  // Each size measures ours, then OpenSSL, so the two runs of a pair sit side by side.
  for (const std::int64_t Size : Sizes) {
    benchmark::RegisterBenchmark(OursName, BenchOurs)->Arg(Size);
    benchmark::RegisterBenchmark(PeerName, [](benchmark::State& S) {
      Sumtide::Bench::BenchEvpUpdate(S, EVP_md5(), static_cast<std::size_t>(S.range(0)));
    })->Arg(Size);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv))
    return 1;
  double Clock = Sumtide::Bench::MeasureCoreClock();
  Sumtide::Bench::TRateReporter Reporter;
  benchmark::RunSpecifiedBenchmarks(&Reporter);
  Clock = std::max(Clock, Sumtide::Bench::MeasureCoreClock());
  std::vector<std::string> SizeNames;
  for (const std::int64_t Size : Sizes)
    SizeNames.push_back(std::to_string(Size));
  PrintRatios(Reporter, SizeNames, Clock);
  PrintBestOfAlternating(Clock);
  PrintBlockFunction();
  benchmark::Shutdown();
  return 0;
}
