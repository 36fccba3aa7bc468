#include "scl/SCLbase64.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace Sumtide;
using namespace std::string_literals;

namespace {

const std::string Alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The decoder's rules written out plainly, independent of the library's tables: per quartet, a
// letter, digit, '+' or '/' sets its slot, '=' sets it to 255, anything else keeps it; slots
// start at 0 and carry over from quartet to quartet.
std::string ReferenceDecode(const std::string& Text) {
  unsigned Slot[4] = {0, 0, 0, 0};
  std::string Out;
  for (std::size_t Q = 0; Q + 4 <= Text.size(); Q += 4) {
    for (std::size_t K = 0; K < 4; ++K) {
      const char C = Text[Q + K];
      if (C == '=')
        Slot[K] = 255;
      else if (const auto P = Alphabet.find(C); P != std::string::npos)
        Slot[K] = static_cast<unsigned>(P);
    }
    Out += static_cast<char>((Slot[0] * 4 % 256) | (Slot[1] / 16));
    if (Slot[2] == 255)
      continue;
    Out += static_cast<char>((Slot[1] * 16 % 256) | (Slot[2] / 4));
    if (Slot[3] == 255)
      continue;
    Out += static_cast<char>((Slot[2] * 64 % 256) | Slot[3]);
  }
  return Out;
}

std::string RandomBytes(std::mt19937& Rng, std::size_t Length) {
  std::uniform_int_distribution<int> Byte(0, 255);
  std::string S(Length, '\0');
  for (auto& C : S)
    C = static_cast<char>(Byte(Rng));
  return S;
}

std::string Printable(const std::string& S) {
  std::string Out;
  for (const unsigned char C : S) {
    if (C >= 0x20 && C < 0x7F) {
      Out += static_cast<char>(C);
    } else {
      const char* Hex = "0123456789ABCDEF";
      Out += "\\x";
      Out += Hex[C >> 4];
      Out += Hex[C & 15];
    }
  }
  return Out;
}

constexpr unsigned char Guard = 0xA5;
constexpr std::size_t GuardSize = 16;

} // namespace

TEST(Base64, Rfc4648Vectors) {
  struct Case {
    std::string Plain, Encoded;
  };
  const Case Cases[] = {
      {"", ""},
      {"f", "Zg=="},
      {"fo", "Zm8="},
      {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="},
      {"fooba", "Zm9vYmE="},
      {"foobar", "Zm9vYmFy"},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Plain);
    EXPECT_EQ(EncodeBase64Text(C.Plain), C.Encoded);
    EXPECT_EQ(DecodeBase64Text(C.Encoded), C.Plain);

    std::vector<char> Buffer(C.Encoded.size() + 1, '#');
    EXPECT_EQ(EncodeBase64Buffer(C.Plain.data(), Buffer.data(),
                                 static_cast<std::int32_t>(C.Plain.size())),
              static_cast<std::int32_t>(C.Encoded.size()));
    EXPECT_EQ(std::string(Buffer.data(), C.Encoded.size()), C.Encoded);
    EXPECT_EQ(Buffer.back(), '#'); // no terminating zero

    std::vector<char> Plain(C.Plain.size() + 1, '#');
    EXPECT_EQ(DecodeBase64Buffer(C.Encoded.data(), Plain.data(),
                                 static_cast<std::int32_t>(C.Encoded.size())),
              static_cast<std::int32_t>(C.Plain.size()));
    EXPECT_EQ(std::string(Plain.data(), C.Plain.size()), C.Plain);
  }
}

TEST(Base64, WholeAlphabetInOrder) {
  // The 48 bytes whose six-bit groups are 0, 1, ..., 63 encode to the alphabet itself.
  std::string Bytes;
  for (unsigned I = 0; I < 64; I += 4)
    Bytes += {static_cast<char>((I << 2) | ((I + 1) >> 4)),
              static_cast<char>(((I + 1) << 4) | ((I + 2) >> 2)),
              static_cast<char>(((I + 2) << 6) | (I + 3))};
  ASSERT_EQ(Bytes.size(), 48u);
  EXPECT_EQ(EncodeBase64Text(Bytes), Alphabet);
  EXPECT_EQ(DecodeBase64Text(Alphabet), Bytes);
}

TEST(Base64, LenientDecoding) {
  // Letter values used below: Z=25 Y=24 F=5 g=32 m=38 v=47 y=50 9=61.
  struct Case {
    std::string Text, Expected;
  };
  const Case Cases[] = {
      // Fewer than four characters: nothing to decode.
      {"Z", ""},
      {"Zm", ""},
      {"Zm9", ""},
      // A trailing group of 1 to 3 characters is not read.
      {"Zm9vYm", "foo"},
      {"Zm9vYmF", "foo"},
      // All four slots 255: (255*4 mod 256) | (255>>4) = FC | 0F; the third '=' stops there.
      {"====", "\xFF"},
      // Third '=' gives one byte whatever the fourth is.
      {"Zg=A", "f"},
      {"Zg=v", "f"},
      // Joined texts: the padded quartet ends early and the next one follows directly.
      {"Zg==Zm9v", "ffoo"},
      {"Zm8=YmFy", "fobar"},
      // Line break in the second quartet: "\nYmF" keeps s0='Z' -> 25,24,38,5 -> 65 89 85; the
      // trailing 'y' is not read.
      {"Zm9v\nYmFy", "foo\x65\x89\x85"},
      // "\r\nYm" keeps s0='Z', s1='m' -> 25,38,24,38 -> 66 66 26.
      {"Zm9v\r\nYmFy", "fooff&"},
      // A stray byte keeps the slot of the previous quartet: '-' keeps 'm', which "YmFy" also
      // has there, so this still reads "bar"; '_' keeps 'v' -> 24,38,5,47 -> 62 61 6F.
      {"Zm9vY-Fy", "foobar"},
      {"Zm9vYmF_", "foobao"},
      // The pad marker is kept too: s2 and s3 stay 255, so "Zm" yields a single byte.
      {"Zg==Zm\n\n", "ff"},
      // In the first quartet a stray byte takes the initial value 0: 0,38,61,47 -> 02 6F 6F.
      {" m9v", "\x02oo"},
      {"-_.*", "\0\0\0"s},
      // '=' first: 255,38,61,47 -> (FC | 02) 6F 6F.
      {"=m9v", "\xFEoo"},
      // '=' second: 25,255,61,47 -> (64 | 0F) (F0 | 0F) 6F.
      {"Z=9v", "o\xFFo"},
      // A zero byte keeps the initial 0 in s2: 25,38,0,47 -> 66 60 2F.
      {"Zm\0v"s, "f`/"},
      // High bytes and zero keep 25,38,61 from "Zm9v"; s3 = 255 -> two bytes 66 6F.
      {"Zm9v\x80\xFF\0="s, "foofo"},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(Printable(C.Text));
    EXPECT_EQ(DecodeBase64Text(C.Text), C.Expected);
    EXPECT_EQ(ReferenceDecode(C.Text), C.Expected);
  }
}

TEST(Base64, EveryByteValueInEveryPosition) {
  // "/+9A" fills the slots with 63,62,61,0; a second quartet of one byte value four times then
  // either overwrites all slots or keeps all of them.
  for (int B = 0; B < 256; ++B) {
    const std::string Text = "/+9A" + std::string(4, static_cast<char>(B));
    SCOPED_TRACE(B);
    EXPECT_EQ(DecodeBase64Text(Text), ReferenceDecode(Text));
  }
}

TEST(Base64, RoundTripOfRandomBytes) {
  std::mt19937 Rng(20240611);
  for (std::size_t Length = 0; Length <= 300; ++Length) {
    for (int Round = 0; Round < 4; ++Round) {
      std::string Plain = RandomBytes(Rng, Length);
      if (Length >= 2) {
        Plain[Rng() % Length] = '\0';
        Plain[Rng() % Length] = '\xFF';
      }
      const std::string Encoded = EncodeBase64Text(Plain);
      ASSERT_EQ(Encoded.size(), (Length + 2) / 3 * 4);
      ASSERT_EQ(DecodeBase64Text(Encoded), Plain) << "length " << Length;
    }
  }
}

TEST(Base64, BufferDecoderStaysWithinBounds) {
  // Valid characters, '=', and bytes outside the alphabet, including zero and high bytes.
  const std::string Pool = "AZaz09+/QgwM====\n\r -_.\0\x80\xFF"s;
  std::mt19937 Rng(7);
  for (std::size_t Length = 0; Length <= 40; ++Length) {
    for (int Round = 0; Round < 25; ++Round) {
      // Exactly sized heap source, so a read past the end shows up under the sanitizer.
      auto Source = std::make_unique<char[]>(Length);
      for (std::size_t I = 0; I < Length; ++I)
        Source[I] = Pool[Rng() % Pool.size()];
      const std::string Text(Source.get(), Length);

      const std::size_t Capacity = Length / 4 * 3;
      std::vector<unsigned char> Dest(Capacity + GuardSize, Guard);
      const std::int32_t Written =
          DecodeBase64Buffer(Source.get(), Dest.data(), static_cast<std::int32_t>(Length));

      SCOPED_TRACE(Printable(Text));
      const std::string Expected = ReferenceDecode(Text);
      ASSERT_EQ(Written, static_cast<std::int32_t>(Expected.size()));
      EXPECT_GE(Written, static_cast<std::int32_t>(Length / 4));
      EXPECT_EQ(std::string(Dest.begin(), Dest.begin() + Written), Expected);
      for (std::size_t I = static_cast<std::size_t>(Written); I < Dest.size(); ++I)
        ASSERT_EQ(Dest[I], Guard) << "byte " << I << " past the output was written";
      EXPECT_EQ(DecodeBase64Text(Text), Expected);
    }
  }
}

TEST(Base64, BufferEncoderWritesExactLength) {
  std::mt19937 Rng(11);
  for (std::size_t Length = 0; Length <= 40; ++Length) {
    const std::string Plain = RandomBytes(Rng, Length);
    auto Source = std::make_unique<char[]>(Length);
    std::copy(Plain.begin(), Plain.end(), Source.get());

    const std::size_t Expected = (Length + 2) / 3 * 4;
    std::vector<unsigned char> Dest(Expected + GuardSize, Guard);
    ASSERT_EQ(EncodeBase64Buffer(Source.get(), Dest.data(), static_cast<std::int32_t>(Length)),
              static_cast<std::int32_t>(Expected));
    EXPECT_EQ(std::string(Dest.begin(), Dest.begin() + static_cast<std::ptrdiff_t>(Expected)),
              EncodeBase64Text(Plain));
    for (std::size_t I = Expected; I < Dest.size(); ++I)
      ASSERT_EQ(Dest[I], Guard) << "length " << Length << ", byte " << I;
  }
}

TEST(Base64, NonPositiveSizeWritesNothing) {
  const char Source[] = "Zm9vYmFy";
  for (const std::int32_t Size : {0, -1, -4, INT32_MIN}) {
    SCOPED_TRACE(Size);
    std::vector<unsigned char> Dest(GuardSize, Guard);
    EXPECT_EQ(EncodeBase64Buffer(Source, Dest.data(), Size), 0);
    EXPECT_EQ(DecodeBase64Buffer(Source, Dest.data(), Size), 0);
    EXPECT_EQ(Dest, std::vector<unsigned char>(GuardSize, Guard));
  }
}
