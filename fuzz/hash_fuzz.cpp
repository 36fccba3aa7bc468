// Every hash class of the library under random splits: the first four bytes of the input seed the
// split points, the whole input is the message. Feeding it in pieces of any sizes (empty ones
// among them), through Update, UpdateStr or UpdateStream, gives the digest of one Update; an
// instance used again after Final gives the same digest as a new one.

#include "FuzzCheck.h"
#include "rtl/Stream.h"
#include "scl/SCLblake2b.h"
#include "scl/SCLblake3.h"
#include "scl/SCLmd5.h"
#include "scl/SCLsha1.h"
#include "scl/SCLsha256.h"
#include "scl/SCLsha512.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace Sumtide;
using TDigest = std::array<std::uint8_t, 64>; // room for the largest digest; the rest stays 0

const TSCL_hashclassref Classes[] = {
    &TSCL_md5::Class(),    &TSCL_sha1::Class(),   &TSCL_sha224::Class(),  &TSCL_sha256::Class(),
    &TSCL_sha384::Class(), &TSCL_sha512::Class(), &TSCL_blake2b::Class(), &TSCL_blake3::Class()};

TDigest OneUpdate(TSCL_hashclassref Class, const std::uint8_t* Data, std::size_t Size) {
  const auto Hash = Class->CreateOwned();
  Hash->Init();
  Hash->Update(Data, static_cast<std::uint32_t>(Size));
  TDigest Digest{};
  Hash->Final(Digest.data());
  return Digest;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  if (Size > (std::size_t{1} << 20))
    return 0;
  std::uint32_t Seed = 0x9E3779B9;
  for (std::size_t I = 0; I < std::min<std::size_t>(Size, 4); ++I)
    Seed = Seed * 31 + Data[I];
  auto Next = [&Seed] { // xorshift32
    Seed ^= Seed << 13;
    Seed ^= Seed >> 17;
    Seed ^= Seed << 5;
    return Seed;
  };
  for (const TSCL_hashclassref Class : Classes) {
    const TDigest Whole = OneUpdate(Class, Data, Size);
    // The same instance, three times over: pieces through Update, UpdateStr, UpdateStream.
    const auto Hash = Class->CreateOwned();
    for (int Way = 0; Way < 3; ++Way) {
      Hash->Init();
      std::size_t Done = 0;
      while (Done < Size) {
        // Mostly short pieces that straddle the 64- and 128-byte blocks, now and then a long one.
        const std::uint32_t R = Next();
        const std::size_t Limit = (R & 7) == 0 ? Size : 260;
        const std::size_t Piece = std::min<std::size_t>(Size - Done, (R >> 3) % (Limit + 1));
        if (Way == 0) {
          Hash->Update(Data + Done, static_cast<std::uint32_t>(Piece));
        } else if (Way == 1) {
          Hash->UpdateStr(std::string(reinterpret_cast<const char*>(Data) + Done, Piece));
        } else {
          TMemoryStream Stream(std::vector<std::uint8_t>(Data + Done, Data + Done + Piece));
          // Asking for more than the stream holds reads what there is.
          Hash->UpdateStream(Stream, static_cast<std::uint32_t>(Piece + (R & 1)));
        }
        Done += Piece;
      }
      TDigest Digest{};
      Hash->Final(Digest.data());
      SUMTIDE_FUZZ_CHECK(Digest == Whole);
    }
  }
  return 0;
}
