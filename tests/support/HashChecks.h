#pragma once

// Checks and references the hash, checksum and window tests share.

#include "scl/SCLmd5.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <random>
#include <span>
#include <string>
#include <vector>

namespace Sumtide::Test {

// Lower-case hexadecimal digits, two per byte, high half first.
inline std::string Hex(std::span<const std::uint8_t> Bytes) {
  static const char Digits[] = "0123456789abcdef";
  std::string S;
  for (const std::uint8_t B : Bytes) {
    S += Digits[B >> 4];
    S += Digits[B & 15];
  }
  return S;
}

inline std::vector<std::uint8_t> RandomBytes(std::size_t Size, std::uint32_t Seed) {
  std::mt19937 Rng(Seed);
  std::vector<std::uint8_t> B(Size);
  for (auto& X : B)
    X = static_cast<std::uint8_t>(Rng());
  return B;
}

// Call must raise ESCL_hash with the message an idle hash gives.
template <class F> void ExpectNotInitialized(F&& Call) {
  try {
    Call();
    ADD_FAILURE() << "no ESCL_hash raised";
  } catch (const ESCL_hash& E) {
    EXPECT_EQ(E.Message(), "Hash not initialized");
  }
}

// The MD5 checksum of Content by the library's MD5 component, in hexadecimal: upper case, as the
// window shows it, unless Lower.
inline std::string Md5Text(const std::string& Content, bool Lower = false) {
  TSCL_md5 Hash(nullptr);
  Hash.Init();
  Hash.UpdateStr(Content);
  std::uint8_t Digest[16];
  Hash.Final(Digest);
  std::string Text = Hex(Digest);
  if (!Lower)
    for (char& C : Text)
      if (C >= 'a' && C <= 'f')
        C = static_cast<char>(C - 'a' + 'A');
  return Text;
}

} // namespace Sumtide::Test
