#include "scl/cpu/FunctionChoice.h"
#include "scl/sha/ShaKernels.h"

#include <algorithm>
#include <array>
#include <vector>

namespace Sumtide::ShaInternal {

namespace {

void Sha1Portable(std::uint32_t* State, const std::uint8_t* Blocks, std::size_t Count) {
  for (; Count > 0; --Count, Blocks += 64)
    Sha1CompressPortable(State, Blocks);
}
void Sha256Portable(std::uint32_t* State, const std::uint8_t* Blocks, std::size_t Count) {
  for (; Count > 0; --Count, Blocks += 64)
    Sha256CompressPortable(State, Blocks);
}
void Sha512Portable(std::uint64_t* State, const std::uint8_t* Blocks, std::size_t Count) {
  for (; Count > 0; --Count, Blocks += 128)
    Sha512CompressPortable(State, Blocks);
}

#ifdef SUMTIDE_SHA_NI_COMPRESS
constexpr TBlocks<std::uint32_t> Sha1ShaNi = Sha1CompressShaNi;
constexpr TBlocks<std::uint32_t> Sha256ShaNi = Sha256CompressShaNi;
#else
constexpr TBlocks<std::uint32_t> Sha1ShaNi = nullptr;
constexpr TBlocks<std::uint32_t> Sha256ShaNi = nullptr;
#endif
#ifdef SUMTIDE_SHA512_WIDE_SCHEDULE
constexpr TBlocks<std::uint64_t> Sha512Avx2 = Sha512CompressAvx2;
constexpr TBlocks<std::uint64_t> Sha512Avx512 = Sha512CompressAvx512;
#else
constexpr TBlocks<std::uint64_t> Sha512Avx2 = nullptr;
constexpr TBlocks<std::uint64_t> Sha512Avx512 = nullptr;
#endif

const TBlockCandidate<std::uint32_t> Sha1List[] = {
    {"portable", Sha1Portable, FunctionChoice::Always}, {"shani", Sha1ShaNi, HasShaExtensions}};
const TBlockCandidate<std::uint32_t> Sha256List[] = {
    {"portable", Sha256Portable, FunctionChoice::Always}, {"shani", Sha256ShaNi, HasShaExtensions}};
const TBlockCandidate<std::uint64_t> Sha512List[] = {
    {"portable", Sha512Portable, FunctionChoice::Always},
    {"avx2", Sha512Avx2, HasSha512Avx2},
    {"avx512", Sha512Avx512, HasSha512Avx512}};

// Times each candidate that runs over the same 8 KiB (a few microseconds each) and chooses.
template <class TWord>
std::size_t Choose(std::span<const TBlockCandidate<TWord>> Candidates, std::size_t BlockSize,
                   const char* Variable) {
  return FunctionChoice::ChooseRow(
      Candidates, FunctionChoice::Forced(Variable), FunctionChoice::DefaultMargin, [&] {
        std::vector<std::uint8_t> Data(8192);
        for (std::size_t I = 0; I < Data.size(); ++I)
          Data[I] = static_cast<std::uint8_t>(I * 131 + 7);
        std::array<TWord, 8> State{};
        return FunctionChoice::MeasureRows(
            Candidates, static_cast<double>(Data.size()), [&](const TBlockCandidate<TWord>& Row) {
              const double Start = FunctionChoice::Ticks();
              Row.Function(State.data(), Data.data(), Data.size() / BlockSize);
              return FunctionChoice::Ticks() - Start;
            });
      });
}

} // namespace

std::span<const TBlockCandidate<std::uint32_t>> Sha1Candidates() {
  return Sha1List;
}
std::span<const TBlockCandidate<std::uint32_t>> Sha256Candidates() {
  return Sha256List;
}
std::span<const TBlockCandidate<std::uint64_t>> Sha512Candidates() {
  return Sha512List;
}

std::size_t Sha1BlocksInUse() {
  static const std::size_t Chosen = Choose(Sha1Candidates(), 64, Sha1BlockVariable);
  return Chosen;
}
std::size_t Sha256BlocksInUse() {
  static const std::size_t Chosen = Choose(Sha256Candidates(), 64, Sha256BlockVariable);
  return Chosen;
}
std::size_t Sha512BlocksInUse() {
  static const std::size_t Chosen = Choose(Sha512Candidates(), 128, Sha512BlockVariable);
  return Chosen;
}

} // namespace Sumtide::ShaInternal
