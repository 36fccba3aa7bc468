// The fast Base64 coders against the plain rules they must reproduce exactly: the portable
// table-driven ones everywhere, each vector one where this processor has it, and the one the
// public functions use; and how that one is chosen (CTest runs the latter once more with each
// forced through the environment).

#include "scl/SCLbase64.h"
#include "scl/base64/Base64Coders.h"

#include <algorithm>
#include <array>
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

namespace Sumtide::Base64Internal {

// A row names itself where a test reports its parameter.
void PrintTo(const TCodersRow& Row, std::ostream* Os) {
  *Os << Row.Name;
}

} // namespace Sumtide::Base64Internal

using namespace Sumtide;
using namespace Sumtide::Base64Internal;
using namespace std::string_literals;

namespace {

// Every row of the table the coders in use are chosen from, and the row in use under its own name.
std::vector<TCodersRow> CodersUnderTest() {
  std::vector<TCodersRow> Rows(Coders().begin(), Coders().end());
  Rows.push_back(
      {"in use", {Base64Internal::Encode, Base64Internal::Decode}, FunctionChoice::Always});
  return Rows;
}

const std::string Alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr unsigned char Guard = 0xA5;
constexpr std::size_t GuardSize = 80; // wider than a vector store
constexpr std::size_t MaxShift = 63;  // start offsets tried for the source and the destination

class Base64Fast : public testing::TestWithParam<TCodersRow> {
protected:
  void SetUp() override {
    if (!GetParam().Runs())
      GTEST_SKIP() << GetParam().Name << " coders do not run on this processor";
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
    GetParam().Function.Encode(Source.get() + Shift, Dest.data() + Shift, N);
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
        GetParam().Function.Decode(Source.get() + Shift, Dest.data() + Shift, Text.size());
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
    const std::size_t Count = GetParam().Function.Decode(
        reinterpret_cast<const unsigned char*>(C.Text.data()), Dest.data(), C.Text.size());
    EXPECT_EQ(std::string(Dest.begin(), Dest.begin() + static_cast<std::ptrdiff_t>(Count)),
              C.Expected);
  }
}

INSTANTIATE_TEST_SUITE_P(Coders, Base64Fast, testing::ValuesIn(CodersUnderTest()),
                         [](const testing::TestParamInfo<TCodersRow>& Info) {
                           std::string Name(Info.param.Name);
                           std::replace(Name.begin(), Name.end(), ' ', '_');
                           return Name;
                         });

// The rows' names are what SUMTIDE_BASE64 takes. Runs and Rates are by row.
TEST(Base64Path, ForcedOrFasterByTheMargin) {
  std::vector<std::string_view> Names;
  for (const TCodersRow& Row : Coders())
    Names.push_back(Row.Name);
  ASSERT_EQ(Names, (std::vector<std::string_view>{"portable", "avx2", "vbmi"}));
  using TRuns = std::array<bool, 3>;
  constexpr TRuns Every = {true, true, true}, NoVbmi = {true, true, false},
                  NoAvx2 = {true, false, true}, PortableOnly = {true, false, false};
  struct TCase {
    std::string_view Forced;
    TRuns Runs;
    std::vector<double> Rates;
    std::string_view Expected;
    bool Measures;
  };
  const TCase Cases[] = {
      {"", Every, {1, 4, 8}, "vbmi", true},
      {"", Every, {1, 4, 4.1}, "avx2", true}, // VBMI within the margin of AVX2
      {"", Every, {1, 0.5, 2}, "vbmi", true}, // past slower AVX2 coders
      {"", Every, {1, 1.02, 1.02}, "portable", true},
      {"", NoVbmi, {1, 2, 0}, "avx2", true},
      {"", NoVbmi, {1, 2, 9}, "avx2", true}, // a rate for coders that do not run counts not
      {"", NoAvx2, {1, 9, 2}, "vbmi", true},
      {"", PortableOnly, {}, "portable", false}, // nothing to choose from
      {"portable", Every, {1, 4, 8}, "portable", false},
      {"avx2", Every, {1, 4, 8}, "avx2", false},
      {"vbmi", Every, {1, 4, 8}, "vbmi", false},
      {"vbmi", NoVbmi, {1, 4, 8}, "portable", false}, // not the AVX2 ones
      {"avx2", NoAvx2, {1, 4, 8}, "portable", false},
      {"AVX2", Every, {1, 4, 8}, "vbmi", true}, // anything else forces nothing
      {"avx512", Every, {1, 4, 8}, "vbmi", true},
  };
  for (const TCase& C : Cases) {
    bool Measured = false;
    const std::size_t Got = FunctionChoice::Choose({Names, C.Runs}, C.Forced, CodersMargin, [&] {
      Measured = true;
      return C.Rates;
    });
    ASSERT_LT(Got, Names.size());
    EXPECT_EQ(Names[Got], C.Expected) << "case " << &C - Cases;
    EXPECT_EQ(Measured, C.Measures) << "case " << &C - Cases;
  }
}

TEST(Base64Path, MeasureTimesTheCodersThatRun) {
  const std::vector<double> Rates = MeasureCoders();
  ASSERT_EQ(Rates.size(), Coders().size());
  for (std::size_t I = 0; I < Rates.size(); ++I) {
    EXPECT_EQ(Rates[I] > 0, Coders()[I].Runs()) << Coders()[I].Name;
  }
}

// CTest runs this once more with each row forced through the environment.
TEST(Base64Path, ThePublicFunctionsUseTheForcedCodersOrOnesThatRun) {
  const char* Value = std::getenv(CodersVariable);
  const std::string_view Forced = Value ? Value : "";
  const std::size_t InUse = RowInUse();
  ASSERT_LT(InUse, Coders().size());
  EXPECT_TRUE(Coders()[InUse].Runs()) << Coders()[InUse].Name;
  for (std::size_t I = 0; I < Coders().size(); ++I) {
    if (Forced == Coders()[I].Name) {
      EXPECT_EQ(InUse, Coders()[I].Runs() ? I : 0) << Coders()[I].Name;
    }
  }
  EXPECT_EQ(RowInUse(), InUse); // chosen once
}
