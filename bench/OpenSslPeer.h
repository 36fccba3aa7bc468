#pragma once

// OpenSSL's digests (through EVP) as the peer of the hash benchmarks: Update on the same pattern
// bytes as ours.

#include "BenchData.h"

#include <benchmark/benchmark.h>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <openssl/evp.h>

namespace Sumtide::Bench {

inline void BenchEvpUpdate(benchmark::State& State, const EVP_MD* Md, std::size_t Size) {
  const auto Buffer = PatternBytes(Size);
  std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> Ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
  if (!Ctx || EVP_DigestInit_ex(Ctx.get(), Md, nullptr) != 1) {
    State.SkipWithError("EVP_DigestInit_ex failed");
    return;
  }
  for (auto _ : State) {
    EVP_DigestUpdate(Ctx.get(), Buffer.data(), Buffer.size());
    benchmark::ClobberMemory();
  }
  unsigned char Digest[EVP_MAX_MD_SIZE];
  unsigned int Length = 0;
  EVP_DigestFinal_ex(Ctx.get(), Digest, &Length);
  benchmark::DoNotOptimize(Digest);
  State.SetBytesProcessed(State.iterations() * static_cast<std::int64_t>(Size));
}

} // namespace Sumtide::Bench
