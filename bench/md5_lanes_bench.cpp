// Throughput of the MD5 lane kernels (several messages at once, one per lane) beside the
// single-stream TSCL_md5 on the same messages: sixteen messages of 1 MiB, and 1024 of 4 KiB.
// Bytes per second count the bytes of every message, so a kernel's figure covers all its lanes.
// After the usual report it prints, per kernel, the median throughput, cycles per byte and the
// gain over the single stream, then which kernel the timing choice picks on this processor
// (SUMTIDE_MD5_LANES=portable, =avx2 or =avx512 forces one).

#include "BenchClock.h"
#include "BenchData.h"
#include "RateReporter.h"
#include "scl/SCLmd5.h"
#include "scl/md5/Md5Kernels.h"
#include "scl/md5/Md5Lanes.h"

#include <algorithm>
#include <array>
#include <benchmark/benchmark.h>
#include <bit>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

namespace {

namespace M = Sumtide::Md5Internal;
using TDigest = Sumtide::TMd5Lanes::TDigest;
using TMessages = std::vector<std::span<const std::uint8_t>>;

// The two message sets, cut from one buffer: 16 MiB in either case.
struct TWorkload {
  const char* Name;
  std::size_t MessageSize;
};
constexpr TWorkload Workloads[] = {{"16x1MiB", 1 << 20}, {"1024x4KiB", 4 << 10}};
constexpr std::size_t TotalBytes = 16 << 20;

const std::vector<std::uint8_t>& Buffer() {
  static const std::vector<std::uint8_t> Bytes = Sumtide::Bench::PatternBytes(TotalBytes);
  return Bytes;
}

TMessages Messages(std::size_t MessageSize) {
  TMessages List;
  for (std::size_t At = 0; At < TotalBytes; At += MessageSize)
    List.push_back(std::span(Buffer()).subspan(At, MessageSize));
  return List;
}

// What the command-line checker does with whole messages: every free lane takes the next one,
// Run, and the digests of the lanes that are done are taken.
void HashWithLanes(Sumtide::TMd5Lanes& Lanes, const TMessages& List, std::vector<TDigest>& Out) {
  std::array<std::size_t, M::MaxLanes> Holding{};
  std::size_t Next = 0;
  std::size_t Done = 0;
  while (Done < List.size()) {
    for (auto Free = Lanes.FreeLanes(); Free != 0 && Next < List.size(); Free &= Free - 1) {
      const auto Lane = static_cast<std::size_t>(std::countr_zero(Free));
      Lanes.Start(Lane);
      Lanes.Feed(Lane, List[Next]);
      Lanes.End(Lane);
      Holding[Lane] = Next++;
    }
    Lanes.Run();
    for (auto Finished = Lanes.DoneLanes(); Finished != 0; Finished &= Finished - 1) {
      const auto Lane = static_cast<std::size_t>(std::countr_zero(Finished));
      Out[Holding[Lane]] = Lanes.TakeDigest(Lane);
      ++Done;
    }
  }
}

void HashOneByOne(const TMessages& List, std::vector<TDigest>& Out) {
  Sumtide::TSCL_md5 Hash(nullptr);
  for (std::size_t I = 0; I < List.size(); ++I) {
    Hash.Init();
    Hash.Update(List[I].data(), static_cast<std::uint32_t>(List[I].size()));
    Hash.Final(Out[I].data());
  }
}

void BenchLanes(benchmark::State& State, std::size_t Kernel, std::size_t MessageSize) {
  const TMessages List = Messages(MessageSize);
  std::vector<TDigest> Digests(List.size());
  Sumtide::TMd5Lanes Lanes(Kernel);
  for (auto _ : State) {
    HashWithLanes(Lanes, List, Digests);
    benchmark::DoNotOptimize(Digests.data());
  }
  State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations() * TotalBytes));
}

void BenchSingle(benchmark::State& State, std::size_t MessageSize) {
  const TMessages List = Messages(MessageSize);
  std::vector<TDigest> Digests(List.size());
  for (auto _ : State) {
    HashOneByOne(List, Digests);
    benchmark::DoNotOptimize(Digests.data());
  }
  State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations() * TotalBytes));
}

// Every kernel gives the single stream's digests, or there is nothing to measure.
bool DigestsAgree() {
  for (const TWorkload& W : Workloads) {
    const TMessages List = Messages(W.MessageSize);
    std::vector<TDigest> Expected(List.size());
    HashOneByOne(List, Expected);
    for (std::size_t Kernel = 0; Kernel < M::LaneCandidates().size(); ++Kernel) {
      if (!M::LaneCandidates()[Kernel].Runs())
        continue;
      std::vector<TDigest> Got(List.size());
      Sumtide::TMd5Lanes Lanes(Kernel);
      HashWithLanes(Lanes, List, Got);
      if (Got != Expected) {
        std::fprintf(stderr, "%s: wrong digests on %s\n", M::LaneCandidates()[Kernel].Name.data(),
                     W.Name);
        return false;
      }
    }
  }
  return true;
}

std::string RunName(const std::string& Who, const TWorkload& W) {
  return "MD5_" + Who + "/" + W.Name;
}

void PrintSummary(const Sumtide::Bench::TRateReporter& Reporter, double CyclesPerSecond) {
  std::printf("\n%-10s %-10s %6s %10s %10s %8s\n", "messages", "kernel", "lanes", "GB/s", "c/B",
              "x single");
  for (const TWorkload& W : Workloads) {
    const double Single = Reporter.Median(RunName("Single", W));
    std::vector<std::pair<std::string, std::size_t>> Rows = {{"single", 1}};
    for (std::size_t Kernel = 0; Kernel < M::LaneCandidates().size(); ++Kernel)
      if (M::LaneCandidates()[Kernel].Runs())
        Rows.emplace_back(M::LaneCandidates()[Kernel].Name, M::LaneCandidates()[Kernel].Lanes);
    for (const auto& [Name, Lanes] : Rows) {
      const double Rate =
          Reporter.Median(Name == "single" ? RunName("Single", W) : RunName("Lanes_" + Name, W));
      if (Rate <= 0)
        continue;
      std::printf("%-10s %-10s %6zu %10.2f %10.3f %8.2f\n", W.Name, Name.c_str(), Lanes, Rate / 1e9,
                  CyclesPerSecond / Rate, Single > 0 ? Rate / Single : 0.0);
    }
  }
  std::printf("(GB = 10^9 bytes of all messages; c/B at a measured core clock of %.0f MHz; "
              "medians over repetitions)\n",
              CyclesPerSecond / 1e6);

  const char* Forced = std::getenv(M::LaneKernelVariable);
  std::printf("\nkernel the lanes use: %s", M::LaneCandidates()[M::LaneKernelInUse()].Name.data());
  if (Forced && *Forced)
    std::printf(" (%s=%s)", M::LaneKernelVariable, Forced);
  // A fresh measurement, as the choice makes it, and what it costs.
  const auto Start = std::chrono::steady_clock::now();
  const std::vector<double> Rates = M::MeasureLaneKernels();
  const std::chrono::duration<double, std::milli> Took = std::chrono::steady_clock::now() - Start;
  std::printf("\nchoice's measurement (%.3f ms), bytes per time-stamp tick:", Took.count());
  for (std::size_t Kernel = 0; Kernel < M::LaneCandidates().size(); ++Kernel)
    if (M::LaneCandidates()[Kernel].Runs())
      std::printf(" %s %.3f", M::LaneCandidates()[Kernel].Name.data(), Rates[Kernel]);
  std::printf("\n");
}

} // namespace

int main(int argc, char** argv) {
  if (!DigestsAgree())
    return 1;
  for (const TWorkload& W : Workloads) {
    benchmark::RegisterBenchmark(RunName("Single", W).c_str(), BenchSingle, W.MessageSize);
    for (std::size_t Kernel = 0; Kernel < M::LaneCandidates().size(); ++Kernel)
      if (M::LaneCandidates()[Kernel].Runs())
        benchmark::RegisterBenchmark(
            RunName("Lanes_" + std::string(M::LaneCandidates()[Kernel].Name), W).c_str(),
            BenchLanes, Kernel, W.MessageSize);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv))
    return 1;
  double Clock = Sumtide::Bench::MeasureCoreClock();
  Sumtide::Bench::TRateReporter Reporter;
  benchmark::RunSpecifiedBenchmarks(&Reporter);
  Clock = std::max(Clock, Sumtide::Bench::MeasureCoreClock());
  PrintSummary(Reporter, Clock);
  benchmark::Shutdown();
  return 0;
}
