// The fast Base64 coders against the plain rules they must reproduce exactly: the portable
// table-driven ones everywhere, each vector one where this processor has it, and the one the
// public functions use; and how that one is chosen (CTest runs the latter once more with each
// forced through the environment).

#include "scl/SCLbase64.h"
#include "scl/base64/Base64Coders.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

using namespace Sumtide;
using namespace Sumtide::Base64Internal;
using namespace std::string_literals;

namespace {

using TEncode = void (*)(const unsigned char*, char*, std::size_t);
using TDecode = std::size_t (*)(const unsigned char*, unsigned char*, std::size_t);

struct TCoder {
  const char* Name;
  TEncode Encode;
  TDecode Decode;
  bool (*Available)();
};

void PrintTo(const TCoder& Coder, std::ostream* Os) {
  *Os << Coder.Name;
}

bool Always() {
  return true;
}

const TCoder Coders[] = {
    {"portable", EncodePortable, DecodePortable, Always},
#ifdef SUMTIDE_BASE64_X86
    {"AVX2", EncodeAvx2, DecodeAvx2, HasAvx2},
    {"VBMI", EncodeVbmi, DecodeVbmi, HasVbmi},
#endif
    {"in use", Base64Internal::Encode, Base64Internal::Decode, Always},
};

const std::string Alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr unsigned char Guard = 0xA5;
constexpr std::size_t GuardSize = 80; // wider than a vector store
constexpr std::size_t MaxShift = 63;  // start offsets tried for the source and the destination

class Base64Fast : public testing::TestWithParam<TCoder> {
protected:
  void SetUp() override {
    if (!GetParam().Available())
      GTEST_SKIP() << GetParam().Name << " is not supported by this processor";
  }

  // Encodes Plain with the coder under test from Shift bytes into an exactly sized heap copy
  // (so that the sanitizer sees a read past its end) to Shift bytes into a guarded destination,
  // and compares with the plain rules.
  void CheckEncode(const std::string& Plain, std::size_t Shift = 0) const {
    const std::size_t N = Plain.size();
    auto Source = std::make_unique<unsigned char[]>(N + Shift);
    std::memcpy(Source.get() + Shift, Plain.data(), N);
    const std::size_t Length = EncodedLength(N);
    std::vector<char> Expected(Length + 1);
    EncodeSlow(Source.get() + Shift, Expected.data(), N);

    std::vector<char> Dest(Shift + Length + GuardSize, static_cast<char>(Guard));
    GetParam().Encode(Source.get() + Shift, Dest.data() + Shift, N);
    ASSERT_EQ(std::string(Dest.data() + Shift, Length), std::string(Expected.data(), Length))
        << "size " << N << ", shift " << Shift;
    for (std::size_t I = 0; I < Dest.size(); ++I)
      if (I < Shift || I >= Shift + Length) {
        ASSERT_EQ(static_cast<unsigned char>(Dest[I]), Guard)
            << "size " << N << ", shift " << Shift << ": byte " << I << " outside the output";
      }
  }

  // Decodes Text likewise; the source holds exactly Text.size() / 4 * 4 characters past Shift,
  // since the coders must not read the trailing group of 1 to 3, and the destination exactly
  // its capacity plus guards.
  void CheckDecode(const std::string& Text, std::size_t Shift = 0) const {
    const std::size_t Read = Text.size() / 4 * 4;
    auto Source = std::make_unique<unsigned char[]>(Read + Shift);
    std::memcpy(Source.get() + Shift, Text.data(), Read);
    const std::size_t Capacity = Text.size() / 4 * 3;
    std::vector<unsigned char> Expected(Capacity + 1);
    const std::size_t ExpectedCount =
        DecodeSlow(Source.get() + Shift, Expected.data(), Text.size());

    std::vector<unsigned char> Dest(Shift + Capacity + GuardSize, Guard);
    const std::size_t Count =
        GetParam().Decode(Source.get() + Shift, Dest.data() + Shift, Text.size());
    ASSERT_EQ(Count, ExpectedCount) << "size " << Text.size() << ", shift " << Shift;
    ASSERT_TRUE(std::equal(Expected.begin(), Expected.begin() + static_cast<std::ptrdiff_t>(Count),
                           Dest.begin() + static_cast<std::ptrdiff_t>(Shift)))
        << "size " << Text.size() << ", shift " << Shift << ", first difference at byte "
        << (std::mismatch(Expected.begin(), Expected.begin() + static_cast<std::ptrdiff_t>(Count),
                          Dest.begin() + static_cast<std::ptrdiff_t>(Shift))
                .first -
            Expected.begin());
    for (std::size_t I = 0; I < Dest.size(); ++I)
      if (I < Shift || I >= Shift + Count) {
        ASSERT_EQ(Dest[I], Guard) << "size " << Text.size() << ", shift " << Shift << ": byte " << I
                                  << " outside the output";
      }
  }
};

std::string RandomBytes(std::mt19937& Rng, std::size_t Length) {
  std::string S(Length, '\0');
  for (auto& C : S)
    C = static_cast<char>(Rng() & 0xff);
  return S;
}

std::string RandomAlphabet(std::mt19937& Rng, std::size_t Length) {
  std::string S(Length, 'A');
  for (auto& C : S)
    C = Alphabet[Rng() % 64];
  return S;
}

} // namespace

TEST_P(Base64Fast, EncodesEveryLengthAtEveryAlignment) {
  std::mt19937 Rng(1);
  for (std::size_t Length = 0; Length <= 200; ++Length) {
    const std::string Plain = RandomBytes(Rng, Length);
    for (std::size_t Shift = 0; Shift <= MaxShift; Shift += Length % 7 + 1)
      CheckEncode(Plain, Shift);
  }
  for (const std::size_t Length : {1000u, 4095u, 4096u, 65537u, 1u << 20})
    CheckEncode(RandomBytes(Rng, Length), Length % 5);
}

TEST_P(Base64Fast, EncodesEveryByteValueInEveryPosition) {
  // Each byte value at each of the three positions of a group, in every group of a few vector
  // blocks, between random neighbours.
  std::mt19937 Rng(2);
  const std::string Base = RandomBytes(Rng, 150);
  std::string Plain = Base;
  for (int B = 0; B < 256; ++B) {
    for (std::size_t P = 0; P < Plain.size(); ++P)
      Plain[P] = (P + static_cast<std::size_t>(B)) % 5 == 0 ? static_cast<char>(B) : Base[P];
    CheckEncode(Plain);
    CheckEncode(std::string(96, static_cast<char>(B)), 1);
  }
}

TEST_P(Base64Fast, DecodesValidTextOfEveryLengthAtEveryAlignment) {
  std::mt19937 Rng(3);
  for (std::size_t Length = 0; Length <= 200; ++Length) {
    const std::string Text = EncodeBase64Text(RandomBytes(Rng, Length));
    for (std::size_t Shift = 0; Shift <= MaxShift; Shift += Length % 7 + 1)
      CheckDecode(Text, Shift);
  }
  for (std::size_t Length = 0; Length <= 200; ++Length)
    CheckDecode(RandomAlphabet(Rng, Length), Length % 64); // short tails of 1 to 3 characters
  for (const std::size_t Length : {1000u, 4095u, 4096u, 65537u, 1u << 20})
    CheckDecode(EncodeBase64Text(RandomBytes(Rng, Length)), Length % 5);
}

TEST_P(Base64Fast, DecodesEveryByteValueInEveryPosition) {
  // Every byte value once at each position of a 256-character stretch of alphabet text (so in
  // every quartet position and every place in a vector block), and also filling a whole quartet.
  std::mt19937 Rng(4);
  const std::string Base = RandomAlphabet(Rng, 256);
  for (int B = 0; B < 256; ++B) {
    for (std::size_t P = 0; P < Base.size(); ++P) {
      std::string Text = Base;
      Text[P] = static_cast<char>(B);
      CheckDecode(Text);
    }
    std::string Text = Base;
    std::fill_n(Text.begin() + 4 * (B % 64), 4, static_cast<char>(B));
    CheckDecode(Text);
  }
}

TEST_P(Base64Fast, DecodesPadAndJunkAfterLongValidRuns) {
  // After a run of valid quartets that the fast path takes, a quartet with '=' or a byte outside
  // the alphabet must see the slots the run's last quartet set, including when several such
  // quartets follow one another and when fast quartets come back in between.
  const std::string Inserts[] = {"=",    "==", "===", "====", "\n",   "\r\n", "\0"s, "\x80",
                                 "\xFF", " ",  "-_",  "=\n",  "A=B=", "\n==", "*",   ":@[`{"};
  std::mt19937 Rng(5);
  for (const std::size_t Run : {0u, 4u, 28u, 32u, 36u, 60u, 64u, 68u, 124u, 128u, 132u, 200u}) {
    for (const auto& Insert : Inserts) {
      for (std::size_t Offset = 0; Offset < 4; ++Offset) {
        std::string Text = RandomAlphabet(Rng, Run + Offset) + Insert + RandomAlphabet(Rng, 150);
        CheckDecode(Text);
        // and a second insert some way on, in a later block
        Text.insert(Run + Offset + Insert.size() + 1 + Rng() % 100, Insert);
        CheckDecode(Text);
      }
    }
  }
}

TEST_P(Base64Fast, DecodesRandomMixtures) {
  // Alphabet text with a varying share of other bytes: from rare single ones (mostly fast
  // quartets) to mostly junk (mostly slow ones), so that the paths alternate in every pattern.
  const std::string Others = "====\n\r \t\0\x80\xFF-_.,"s;
  std::mt19937 Rng(6);
  for (const unsigned PerMille : {1u, 10u, 50u, 200u, 600u, 1000u}) {
    for (int Round = 0; Round < 60; ++Round) {
      std::string Text = RandomAlphabet(Rng, Rng() % 400);
      for (auto& C : Text)
        if (Rng() % 1000 < PerMille)
          C = Others[Rng() % Others.size()];
      CheckDecode(Text, Rng() % (MaxShift + 1));
    }
  }
  std::string Large = EncodeBase64Text(RandomBytes(Rng, 300000));
  for (std::size_t I = 76; I < Large.size(); I += 77)
    Large.insert(I, 1, '\n'); // line breaks: every later quartet is shifted
  CheckDecode(Large, 3);
}

TEST_P(Base64Fast, AgreesWithTheDocumentedExamples) {
  struct TCase {
    std::string Text, Expected;
  };
  const TCase Cases[] = {
      {"Zm9vYmFy", "foobar"},        {"Zg==Zm9v", "ffoo"}, {"Zm9v\r\nYmFy", "fooff&"},
      {"Zm9vY-Fy", "foobar"},        {"Zg==Zm\n\n", "ff"}, {" m9v", "\x02oo"},
      {"Zm9v\x80\xFF\0="s, "foofo"},
  };
  for (const auto& C : Cases) {
    std::vector<unsigned char> Dest(C.Text.size() / 4 * 3 + 1);
    const std::size_t Count = GetParam().Decode(
        reinterpret_cast<const unsigned char*>(C.Text.data()), Dest.data(), C.Text.size());
    EXPECT_EQ(std::string(Dest.begin(), Dest.begin() + static_cast<std::ptrdiff_t>(Count)),
              C.Expected);
  }
}

INSTANTIATE_TEST_SUITE_P(Coders, Base64Fast, testing::ValuesIn(Coders),
                         [](const testing::TestParamInfo<TCoder>& Info) {
                           std::string Name = Info.param.Name;
                           std::replace(Name.begin(), Name.end(), ' ', '_');
                           return Name;
                         });

TEST(Base64Path, ForcedOrFasterByTheMargin) {
  using enum TBase64Path;
  struct TCase {
    std::string_view Forced;
    bool Avx2, Vbmi;
    std::vector<double> Rates; // by TBase64Path
    TBase64Path Expected;
    bool Measures;
  };
  const TCase Cases[] = {
      {"", true, true, {1, 4, 8}, Vbmi, true},
      {"", true, true, {1, 4, 4.1}, Avx2, true}, // VBMI within the margin of AVX2
      {"", true, true, {1, 0.5, 2}, Vbmi, true}, // past slower AVX2 coders
      {"", true, true, {1, 1.02, 1.02}, Portable, true},
      {"", true, false, {1, 2, 0}, Avx2, true},
      {"", true, false, {1, 2, 9}, Avx2, true}, // a rate for coders that do not run counts not
      {"", false, true, {1, 9, 2}, Vbmi, true},
      {"", false, false, {}, Portable, false}, // nothing to choose from
      {"portable", true, true, {1, 4, 8}, Portable, false},
      {"avx2", true, true, {1, 4, 8}, Avx2, false},
      {"vbmi", true, true, {1, 4, 8}, Vbmi, false},
      {"vbmi", true, false, {1, 4, 8}, Portable, false}, // not the AVX2 ones
      {"avx2", false, true, {1, 4, 8}, Portable, false},
      {"AVX2", true, true, {1, 4, 8}, Vbmi, true}, // anything else forces nothing
      {"avx512", true, true, {1, 4, 8}, Vbmi, true},
  };
  for (const TCase& C : Cases) {
    bool Measured = false;
    const TBase64Path Got = ChoosePath(C.Forced, C.Avx2, C.Vbmi, [&] {
      Measured = true;
      return C.Rates;
    });
    EXPECT_EQ(Got, C.Expected) << "case " << &C - Cases;
    EXPECT_EQ(Measured, C.Measures) << "case " << &C - Cases;
  }
}

TEST(Base64Path, MeasureTimesTheCodersThatRun) {
  const std::vector<double> Rates = MeasurePaths();
  const bool Runs[] = {true, HasAvx2(), HasVbmi()};
  ASSERT_EQ(Rates.size(), std::size(Runs));
  for (std::size_t I = 0; I < Rates.size(); ++I) {
    EXPECT_EQ(Rates[I] > 0, Runs[I]) << PathName(static_cast<TBase64Path>(I));
  }
}

// CTest runs this once more with each path forced through the environment.
TEST(Base64Path, ThePublicFunctionsUseTheForcedCodersOrOnesThatRun) {
  const char* Value = std::getenv(PathVariable);
  const std::string Forced = Value ? Value : "";
  const TBase64Path InUse = PathInUse();
  if (Forced == "portable") {
    EXPECT_EQ(InUse, TBase64Path::Portable);
  } else if (Forced == "avx2") {
    EXPECT_EQ(InUse, HasAvx2() ? TBase64Path::Avx2 : TBase64Path::Portable);
  } else if (Forced == "vbmi") {
    EXPECT_EQ(InUse, HasVbmi() ? TBase64Path::Vbmi : TBase64Path::Portable);
  }
  EXPECT_TRUE(InUse == TBase64Path::Portable || (InUse == TBase64Path::Avx2 && HasAvx2()) ||
              (InUse == TBase64Path::Vbmi && HasVbmi()))
      << PathName(InUse);
  EXPECT_EQ(PathInUse(), InUse); // chosen once
}
