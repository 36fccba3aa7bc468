#include "checksum/DigestText.h"

namespace Sumtide::Checksum {

std::string DigestText(std::span<const std::uint8_t> Digest, TLetterCase Case) {
  const char* const Digits = Case == TLetterCase::Upper ? "0123456789ABCDEF" : "0123456789abcdef";
  std::string Text;
  Text.reserve(Digest.size() * 2);
  for (const std::uint8_t Byte : Digest) {
    Text += Digits[Byte >> 4];
    Text += Digits[Byte & 15];
  }
  return Text;
}

} // namespace Sumtide::Checksum
