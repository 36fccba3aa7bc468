// The cipher wrappers with the test ciphers: the first byte of the input picks the key length,
// the second how far the stream size strays from the data, then come the key and the data. For
// any of them, EncryptString gives 4 * ((n + 2) / 3) characters and DecryptString gives the data
// back; EncryptStream and DecryptStream move exactly the bytes there are (up to the size asked)
// and give the data back; the block cipher's string wrappers do the same; and DecryptString of
// any text gives as many bytes as its Base64 decoding.

#include "FuzzCheck.h"
#include "TestCiphers.h"
#include "scl/SCLbase64.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using namespace Sumtide;
using Test::TRecordingBlockCipher;
using Test::TRecordingCipher;

std::vector<std::uint8_t> Bytes(const std::string& S) {
  return {S.begin(), S.end()};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  if (Size < 2 || Size > (std::size_t{1} << 18))
    return 0;
  Test::Journal.clear();
  const std::size_t KeyBytes = std::min<std::size_t>(Data[0] % 32 + 1, Size - 2);
  const std::uint8_t Stray = Data[1];
  const std::string Key(reinterpret_cast<const char*>(Data) + 2, KeyBytes);
  const std::string Plain(reinterpret_cast<const char*>(Data) + 2 + KeyBytes, Size - 2 - KeyBytes);

  const auto Cipher = TRecordingCipher::Cipher256().CreateOwned();
  if (KeyBytes > 0)
    Cipher->Init(Key.data(), static_cast<std::uint32_t>(KeyBytes * 8), nullptr);

  const std::string Encrypted = Cipher->EncryptString(Plain);
  SUMTIDE_FUZZ_CHECK(Encrypted.size() == 4 * ((Plain.size() + 2) / 3));
  Cipher->Reset();
  SUMTIDE_FUZZ_CHECK(Cipher->DecryptString(Encrypted) == Plain);

  // The stream size may fall short of the data, match it or exceed it.
  const std::size_t Asked = (Stray & 1) ? Plain.size() + Stray / 2 : Plain.size() * Stray / 255;
  const std::size_t Moved = std::min(Asked, Plain.size());
  Cipher->Reset();
  TMemoryStream In(Bytes(Plain));
  TMemoryStream Out;
  SUMTIDE_FUZZ_CHECK(Cipher->EncryptStream(In, Out, static_cast<std::uint32_t>(Asked)) ==
                     static_cast<std::int32_t>(Moved));
  SUMTIDE_FUZZ_CHECK(Out.Data().size() == Moved);
  Cipher->Reset();
  Out.SetPosition(0);
  TMemoryStream Back;
  SUMTIDE_FUZZ_CHECK(Cipher->DecryptStream(Out, Back, static_cast<std::uint32_t>(Asked)) ==
                     static_cast<std::int32_t>(Moved));
  SUMTIDE_FUZZ_CHECK(Back.Data() == Bytes(Plain.substr(0, Moved)));

  // Any text, decrypted: its Base64 bytes, transformed in place.
  Cipher->Reset();
  SUMTIDE_FUZZ_CHECK(Cipher->DecryptString(Plain).size() == DecodeBase64Text(Plain).size());

  const auto Block = TRecordingBlockCipher::Class().CreateOwned();
  const std::string BlockEncrypted = Block->EncryptString(Plain);
  SUMTIDE_FUZZ_CHECK(BlockEncrypted.size() == Encrypted.size());
  SUMTIDE_FUZZ_CHECK(Block->DecryptString(BlockEncrypted) == Plain);
  Test::Journal.clear();
  return 0;
}
