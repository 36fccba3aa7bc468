#pragma once

// The member functions of TSCL_mdhash (SCLmdhash.h), included by the source file of each
// algorithm, which instantiates the class for its description. The message a component keeps
// goes through the library's framing (MerkleDamgard.h).

#include "rtl/SecureWipe.h"
#include "scl/SCLmdhash.h"
#include "scl/mdhash/MerkleDamgard.h"

#include <algorithm>
#include <cstring>

namespace Sumtide {

// The framing for an algorithm's block size and length order.
template <class TAlgorithm>
using TMdFramingOf = TMdFraming<TAlgorithm::BlockSize, TAlgorithm::Order>;

template <class TDescription> void TSCL_mdhash<TDescription>::Init() {
  Burn();
  std::copy_n(TAlgorithm::Initial(), TAlgorithm::StateWords, FState);
  FInitialized = true;
}

template <class TDescription> void TSCL_mdhash<TDescription>::Burn() {
  TMdFramingOf<TAlgorithm>::Burn(FMessage);
  SecureZero(FState, sizeof FState);
  FInitialized = false;
}

template <class TDescription>
void TSCL_mdhash<TDescription>::Update(const void* Buffer, std::uint32_t Length) {
  if (!FInitialized)
    throw ESCL_hash("Hash not initialized");
  const auto Compress = [this](const std::uint8_t* Blocks, std::size_t Count) {
    TAlgorithm::Compress(FState, Blocks, Count);
  };
  TMdFramingOf<TAlgorithm>::Update(FMessage, Buffer, Length, Compress);
}

template <class TDescription> void TSCL_mdhash<TDescription>::Final(void* Digest) {
  if (!FInitialized)
    throw ESCL_hash("Hash not initialized");
  const auto Compress = [this](const std::uint8_t* Blocks, std::size_t Count) {
    TAlgorithm::Compress(FState, Blocks, Count);
  };
  TMdFramingOf<TAlgorithm>::Final(FMessage, Compress);
  auto* Out = static_cast<std::uint8_t*>(Digest);
  for (std::size_t I = 0; I < TAlgorithm::DigestBytes; ++I) {
    const std::size_t Shift =
        8 * (TAlgorithm::Order == std::endian::little ? I % sizeof(TWord)
                                                      : sizeof(TWord) - 1 - I % sizeof(TWord));
    Out[I] = static_cast<std::uint8_t>(FState[I / sizeof(TWord)] >> Shift);
  }
  Burn();
}

template <class TDescription>
bool TSCL_mdhash<TDescription>::DigestEquals(const char* Message, std::size_t Length,
                                             const std::uint8_t* Expected) {
  TSCL_mdhash Hash(nullptr);
  std::uint8_t Digest[TAlgorithm::DigestBytes];
  Hash.Init();
  Hash.Update(Message, static_cast<std::uint32_t>(Length));
  Hash.Final(Digest);
  return std::memcmp(Digest, Expected, sizeof Digest) == 0;
}

} // namespace Sumtide
