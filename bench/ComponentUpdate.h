#pragma once

// Our side of the hash benchmarks: Update of a hash component on the same pattern bytes as the
// peer's (OpenSslPeer.h), the whole buffer each iteration.

#include "BenchData.h"

#include <benchmark/benchmark.h>
#include <cstddef>
#include <cstdint>

namespace Sumtide::Bench {

template <class THash> void BenchComponentUpdate(benchmark::State& State, std::size_t Size) {
  const auto Buffer = PatternBytes(Size);
  THash Hash(nullptr);
  Hash.Init();
  for (auto _ : State) {
    Hash.Update(Buffer.data(), static_cast<std::uint32_t>(Buffer.size()));
    benchmark::ClobberMemory();
  }
  std::uint8_t Digest[64];
  Hash.Final(Digest);
  benchmark::DoNotOptimize(Digest);
  State.SetBytesProcessed(State.iterations() * static_cast<std::int64_t>(Size));
}

} // namespace Sumtide::Bench
