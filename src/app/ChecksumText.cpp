#include "app/ChecksumText.h"

namespace Sumtide {

std::string ChecksumText(const TDigest& Digest) {
  static constexpr char Digits[] = "0123456789ABCDEF";
  std::string Text;
  Text.reserve(Digest.size() * 2);
  for (const std::uint8_t Byte : Digest) {
    Text += Digits[Byte >> 4];
    Text += Digits[Byte & 15];
  }
  return Text;
}

} // namespace Sumtide
