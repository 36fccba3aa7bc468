// The Base64 decoders against the plain rules: for any text, every decoder (the public ones, the
// one in use, the portable one, and the vector ones this processor runs) writes exactly the bytes
// DecodeSlow writes, into a destination of exactly Size / 4 * 3 bytes, and leaves the bytes after
// its count as they were. Encoding the input and decoding it again gives the input back.

#include "FuzzCheck.h"
#include "scl/SCLbase64.h"
#include "scl/base64/Base64Coders.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

namespace {

using namespace Sumtide;
using namespace Sumtide::Base64Internal;

constexpr std::uint8_t Untouched = 0xA5;

using TDecode = std::size_t (*)(const unsigned char*, unsigned char*, std::size_t);

// Decodes into a heap block of exactly the largest count, filled with Untouched beforehand.
void CheckDecoder(TDecode Decoder, const std::uint8_t* Data, std::size_t Size,
                  const std::uint8_t* Expected, std::size_t ExpectedCount) {
  const std::size_t Room = Size / 4 * 3;
  auto Dest = std::make_unique<std::uint8_t[]>(Room);
  std::memset(Dest.get(), Untouched, Room);
  const std::size_t Count = Decoder(Data, Dest.get(), Size);
  SUMTIDE_FUZZ_CHECK(Count == ExpectedCount);
  SUMTIDE_FUZZ_CHECK(std::memcmp(Dest.get(), Expected, Count) == 0);
  for (std::size_t I = Count; I < Room; ++I)
    SUMTIDE_FUZZ_CHECK(Dest[I] == Untouched);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  if (Size > (std::size_t{1} << 20))
    return 0;
  const std::size_t Room = Size / 4 * 3;
  auto Expected = std::make_unique<std::uint8_t[]>(Room);
  const std::size_t ExpectedCount = DecodeSlow(Data, Expected.get(), Size);
  SUMTIDE_FUZZ_CHECK(ExpectedCount <= Room);

  CheckDecoder(Base64Internal::Decode, Data, Size, Expected.get(), ExpectedCount);
  CheckDecoder(DecodePortable, Data, Size, Expected.get(), ExpectedCount);
#ifdef SUMTIDE_BASE64_X86
  if (HasAvx2())
    CheckDecoder(DecodeAvx2, Data, Size, Expected.get(), ExpectedCount);
  if (HasVbmi())
    CheckDecoder(DecodeVbmi, Data, Size, Expected.get(), ExpectedCount);
#endif
  CheckDecoder(
      [](const unsigned char* S, unsigned char* D, std::size_t N) {
        return static_cast<std::size_t>(DecodeBase64Buffer(S, D, static_cast<std::int32_t>(N)));
      },
      Data, Size, Expected.get(), ExpectedCount);

  const std::string Text(reinterpret_cast<const char*>(Data), Size);
  const std::string Decoded = DecodeBase64Text(Text);
  SUMTIDE_FUZZ_CHECK(Decoded.size() == ExpectedCount);
  SUMTIDE_FUZZ_CHECK(std::memcmp(Decoded.data(), Expected.get(), ExpectedCount) == 0);

  // Any bytes survive the round trip.
  const std::string Encoded = EncodeBase64Text(Text);
  SUMTIDE_FUZZ_CHECK(Encoded.size() == EncodedLength(Size));
  SUMTIDE_FUZZ_CHECK(DecodeBase64Text(Encoded) == Text);
  return 0;
}
