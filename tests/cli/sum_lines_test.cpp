// The lines of a checksum list. Every line written here is the one GNU's md5sum, sha1sum, ...
// sha512sum and b2sum 9.1 write for the same file, and every line read is read as they read it
// (what they report for a one-line list: the name they open, or "improperly formatted").

#include "cli/SumLines.h"
#include "scl/lanes/DigestCatalogue.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <optional>
#include <span>
#include <string>
#include <vector>

using namespace Sumtide;
using namespace Sumtide::Cli;

namespace {

using namespace std::string_literals;

// The digests of "abc", as the tools print them.
const std::string Md5 = "900150983cd24fb0d6963f7d28e17f72";
const std::string Md5Upper = "900150983CD24FB0D6963F7D28E17F72";
const std::string Sha256 = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
// BLAKE2b's, at 512, 256, 128, 24 and 8 bits (b2sum -l).
const std::string Blake2b =
    "ba80a53f981c4d0d6a2797b69f12f6e94c212f14685ac4b74b12bb6fdbffa2d17d87c5392aab792dc252d5de4533c"
    "c9518d38aa8dbf1925ab92386edd4009923";
const std::string Blake2b256 = "bddd813c634239723171ef3fee98579b94964e3bb1cb3e427262c8c068d52319";
const std::string Blake2b128 = "cf4ab791c62b8d2b2109c90275287816";
const std::string Blake2b24 = "8c45ed";
const std::string Blake2b8 = "6b";
// BLAKE3's, at its 32 bytes and at 16 and 1 (b3sum -l).
const std::string Blake3 = "6437b3ac38465133ffb63b75273a8db548c558465d79db03fd359c6cd5bd9d85";
const std::string Blake3x16 = Blake3.substr(0, 32);
const std::string Blake3x1 = "64";

struct TAlgorithmLines {
  std::string Name;
  std::string Plain;  // "<name>sum abc"
  std::string Tagged; // "<name>sum --tag abc"
};

const TAlgorithmLines EveryAlgorithm[] = {
    {"md5", Md5 + "  abc\n", "MD5 (abc) = " + Md5 + "\n"},
    {"sha1", "a9993e364706816aba3e25717850c26c9cd0d89d  abc\n",
     "SHA1 (abc) = a9993e364706816aba3e25717850c26c9cd0d89d\n"},
    {"sha224", "23097d223405d8228642a477bda255b32aadbce4bda0b3f7e36c9da7  abc\n",
     "SHA224 (abc) = 23097d223405d8228642a477bda255b32aadbce4bda0b3f7e36c9da7\n"},
    {"sha256", Sha256 + "  abc\n", "SHA256 (abc) = " + Sha256 + "\n"},
    {"sha384",
     "cb00753f45a35e8bb5a03d699ac65007272c32ab0eded1631a8b605a43ff5bed8086072ba1e7cc2358baeca134c8"
     "25a7  abc\n",
     "SHA384 (abc) = cb00753f45a35e8bb5a03d699ac65007272c32ab0eded1631a8b605a43ff5bed8086072ba1e7cc"
     "2358baeca134c825a7\n"},
    {"sha512",
     "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836ba3c23a3fe"
     "ebbd454d4423643ce80e2a9ac94fa54ca49f  abc\n",
     "SHA512 (abc) = ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1"
     "a836ba3c23a3feebbd454d4423643ce80e2a9ac94fa54ca49f\n"},
    {"blake2b", Blake2b + "  abc\n", "BLAKE2b (abc) = " + Blake2b + "\n"},
    {"blake3", Blake3 + "  abc\n", "BLAKE3 (abc) = " + Blake3 + "\n"},
};

std::vector<std::uint8_t> Bytes(const std::string& Hex) {
  std::vector<std::uint8_t> Digest;
  for (std::size_t I = 0; I + 1 < Hex.size(); I += 2)
    Digest.push_back(static_cast<std::uint8_t>(std::stoi(Hex.substr(I, 2), nullptr, 16)));
  return Digest;
}

const TDigestKind& Kind(const std::string& Name) {
  const TDigestKind* Found = FindDigestKind(Name);
  EXPECT_NE(Found, nullptr) << Name;
  return Found ? *Found : *FindDigestKind("md5");
}

TCheckLineReader ReaderFor(const TDigestKind& Digest) {
  return TCheckLineReader(Digest);
}

// What the reader makes of one line: "skipped", "improper", or the hex digits and the name.
std::string ReadLine(TCheckLineReader& Reader, const std::string& Line, bool Stdin = false) {
  // Skipped must tell of this line alone, whatever it held before.
  TCheckLineReader Again = Reader;
  bool Skipped = false, SkippedAgain = true;
  const std::optional<TCheckEntry> Entry = Reader.Read(Line, Stdin, Skipped);
  Again.Read(Line, Stdin, SkippedAgain);
  EXPECT_EQ(Skipped, SkippedAgain);
  if (Entry)
    return (Skipped ? "(skipped) " : "") + Entry->Hex + " [" + Entry->Name + "]";
  return Skipped ? "skipped" : "improper";
}

std::string WithoutEnd(const std::string& Line) {
  return Line.substr(0, Line.size() - 1);
}

// For each algorithm, the plain and the tagged line of the tool, written with its tag and digest
// length, read back by its own reader and refused by every other algorithm's, but for a plain
// line whose digits another algorithm's digests may have: SHA-512's and BLAKE2b's have the same
// number, and BLAKE2b's any even number up to that.
TEST(SumLines, WritesAndReadsEachAlgorithmsLines) {
  for (const TAlgorithmLines& Lines : EveryAlgorithm) {
    SCOPED_TRACE(Lines.Name);
    const TDigestKind& Digest = Kind(Lines.Name);
    const std::string Hex = Lines.Plain.substr(0, Lines.Plain.find(' '));
    const std::vector<std::uint8_t> Bin = Bytes(Hex);
    EXPECT_EQ(SumLine("abc", Bin, Digest.Tag, false, false, false), Lines.Plain);
    EXPECT_EQ(SumLine("abc", Bin, Digest.Tag, true, true, false), Lines.Tagged);
    for (const TDigestKind& Reading : DigestKinds()) {
      SCOPED_TRACE("read as " + std::string(Reading.Name));
      const std::size_t Most = 2 * LongestDigestBytes(Reading);
      const bool ReadsDigits = TakesDigestSizes(Reading) ? Hex.size() <= Most : Hex.size() == Most;
      for (const std::string& Line : {Lines.Plain, Lines.Tagged}) {
        const bool Reads = &Reading == &Digest || (Line == Lines.Plain && ReadsDigits);
        TCheckLineReader Reader = ReaderFor(Reading);
        EXPECT_EQ(ReadLine(Reader, WithoutEnd(Line)), Reads ? Hex + " [abc]" : "improper") << Line;
      }
    }
  }
}

// Binary mode, NUL ends, and the names escaped behind a leading backslash (only those holding a
// backslash, a line feed or a carriage return, and never with NUL ends).
TEST(SumLines, WritesNamesAsMd5sumDoes) {
  struct TCase {
    std::string Name;
    bool Binary, Tagged, Zero;
    std::string Expected;
  };
  const TCase Cases[] = {
      {"abc", true, false, false, Md5 + " *abc\n"},
      {"abc", false, false, true, Md5 + "  abc\0"s},
      {"-", false, false, false, Md5 + "  -\n"},
      {" lead", true, false, false, Md5 + " * lead\n"},
      {"a\tb", false, false, false, Md5 + "  a\tb\n"},
      {"a\\b", false, false, false, "\\" + Md5 + "  a\\\\b\n"},
      {"a\nb", true, false, false, "\\" + Md5 + " *a\\nb\n"},
      {"a\rb", false, false, false, "\\" + Md5 + "  a\\rb\n"},
      {"a\\b\n", false, true, false, "\\MD5 (a\\\\b\\n) = " + Md5 + "\n"},
      {"a\tb", false, true, false, "MD5 (a\tb) = " + Md5 + "\n"},
      {"a\nb", false, false, true, Md5 + "  a\nb\0"s},
      {"a\\b", true, false, true, Md5 + " *a\\b\0"s},
      {"a\r\nb", false, true, true, "MD5 (a\r\nb) = " + Md5 + "\0"s},
  };
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(::testing::PrintToString(Case.Name));
    EXPECT_EQ(SumLine(Case.Name, Bytes(Md5), "MD5", Case.Binary, Case.Tagged, Case.Zero),
              Case.Expected);
  }
}

struct TReadCase {
  std::string Line;
  std::string Expected;
};

// Each line by a new reader of the digest named (MD5's by default), the form of the lines not yet
// known.
void ExpectReads(std::span<const TReadCase> Cases, bool Stdin = false,
                 const std::string& Digest = "md5") {
  for (const TReadCase& Case : Cases) {
    SCOPED_TRACE(::testing::PrintToString(Case.Line));
    TCheckLineReader Reader = ReaderFor(Kind(Digest));
    EXPECT_EQ(ReadLine(Reader, Case.Line, Stdin), Case.Expected);
  }
}

TEST(SumLines, ReadsUntaggedLinesAsMd5sumDoes) {
  const std::string Short = Md5.substr(0, 31);
  const TReadCase Cases[] = {
      // Comments and empty lines; '#' only in the first column.
      {"", "skipped"},
      {"#", "skipped"},
      {"#" + Md5 + "  abc", "skipped"},
      {"\r", "skipped"},
      {" # comment", "improper"},
      {"   ", "improper"},
      {"  \r", "improper"},
      // Text and binary mode, either case, one carriage return dropped, leading blanks skipped.
      {Md5 + "  abc", Md5 + " [abc]"},
      {Md5 + " *abc", Md5 + " [abc]"},
      {Md5Upper + "  abc", Md5Upper + " [abc]"},
      {Md5 + "  abc\r", Md5 + " [abc]"},
      {Md5 + "  abc\r\r", Md5 + " [abc\r]"},
      {" \t" + Md5 + "  abc", Md5 + " [abc]"},
      {Md5 + "  a b ", Md5 + " [a b ]"},
      // The blank after the digest may be a tab; what follows it is the mode marker, or else
      // the name itself (the reversed form).
      {Md5 + "\t abc", Md5 + " [abc]"},
      {Md5 + "\tabc", Md5 + " [abc]"},
      {Md5 + " a", Md5 + " [a]"},
      {Md5 + " *", Md5 + " [*]"},
      {Md5 + "  ", Md5 + " [ ]"},
      {Md5 + " ", "improper"},
      // Exactly 32 hexadecimal digits, then a blank.
      {Short + "  abc", "improper"},
      {Md5 + "0  abc", "improper"},
      {Md5 + "abc", "improper"},
      {Md5.substr(0, 8) + "\0"s + Md5.substr(9) + "  abc", "improper"},
      {Short + "g  abc", "improper"},
      {Sha256 + "  abc", "improper"},
      // A NUL ends an unescaped name; an escaped one may not hold one.
      {Md5 + "  a\0bc"s, Md5 + " [a]"},
      {"\\" + Md5 + "  a\0bc"s, "improper"},
      // Escaped names: only \\, \n and \r, and no lone backslash at the end.
      {"\\" + Md5 + "  abc", Md5 + " [abc]"},
      {"\\" + Md5 + "  a\\nb", Md5 + " [a\nb]"},
      {"\\" + Md5 + " *a\\rb\\\\", Md5 + " [a\rb\\]"},
      {Md5 + "  a\\nb", Md5 + " [a\\nb]"},
      {"\\" + Md5 + "  ab\\c", "improper"},
      {"\\" + Md5 + "  abc\\", "improper"},
      {"\\ " + Md5 + "  abc", "improper"},
      // "-" is a file here.
      {Md5 + "  -", Md5 + " [-]"},
  };
  ExpectReads(Cases);
  // "-" is refused when the list itself is standard input.
  const TReadCase FromStandardInput[] = {{Md5 + "  -", "improper"},
                                         {"MD5 (-) = " + Md5, "improper"}};
  ExpectReads(FromStandardInput, true);
}

TEST(SumLines, ReadsTaggedLinesAsMd5sumDoes) {
  const std::string Short = Md5.substr(0, 31);
  const TReadCase Cases[] = {
      // Blanks around '=' optional, the space after the tag too.
      {"MD5 (abc) = " + Md5, Md5 + " [abc]"},
      {"MD5(abc)= " + Md5, Md5 + " [abc]"},
      {"MD5 (abc)=" + Md5, Md5 + " [abc]"},
      {"MD5 (abc)\t=\t" + Md5, Md5 + " [abc]"},
      {"MD5 (abc) = " + Md5Upper + "\r", Md5Upper + " [abc]"},
      {" MD5 (abc) = " + Md5, Md5 + " [abc]"},
      // The name runs to the last ')', blanks and all.
      {"MD5 (a)b) = " + Md5, Md5 + " [a)b]"},
      {"MD5 ( abc ) = " + Md5, Md5 + " [ abc ]"},
      {"MD5 () = " + Md5, Md5 + " []"},
      {"MD5 (abc) = " + Md5 + ")", "improper"},
      // The shape around the name.
      {"MD5  (abc) = " + Md5, "improper"},
      {"MD5 abc = " + Md5, "improper"},
      {"MD5 (abc) " + Md5, "improper"},
      {"MD5 (", "improper"},
      {"MD50 (abc) = " + Md5, "improper"},
      {"md5 (abc) = " + Md5, "improper"},
      // The digest: its length exactly, up to a NUL.
      {"MD5 (abc) = " + Md5 + "x", "improper"},
      {"MD5 (abc) = " + Short, "improper"},
      {"MD5 (abc) = ", "improper"},
      {"MD5 (abc) = " + Md5 + "\0zz"s, Md5 + " [abc]"},
      // NUL and escapes in the name.
      {"MD5 (a\0b) = "s + Md5, Md5 + " [a]"},
      {"\\MD5 (a\0b) = "s + Md5, "improper"},
      {"\\MD5 (back\\\\slash) = " + Md5, Md5 + " [back\\slash]"},
      {"MD5 (back\\\\slash) = " + Md5, Md5 + " [back\\\\slash]"},
      {"  \\MD5 (a\\nb) = " + Md5, Md5 + " [a\nb]"},
      {"\\MD5 (ab\\c) = " + Md5, "improper"},
  };
  ExpectReads(Cases);
}

// BLAKE2b's lines hold digests of several lengths: an untagged line's is that of its digits, a
// tagged line's is named after the tag, in bits, and its digits must have it.
TEST(SumLines, ReadsBlake2bLinesOfEveryLengthAsB2sumDoes) {
  const TReadCase Cases[] = {
      // Untagged: any even number of digits up to 128, then a blank.
      {Blake2b + "  abc", Blake2b + " [abc]"},
      {Blake2b256 + " *abc", Blake2b256 + " [abc]"},
      {Blake2b24 + "  abc", Blake2b24 + " [abc]"},
      {Blake2b8 + "\tabc", Blake2b8 + " [abc]"},
      {"6B  abc", "6B [abc]"},
      {Md5 + "  abc", Md5 + " [abc]"},
      {Blake2b24.substr(0, 5) + "  abc", "improper"},
      {Blake2b + "00  abc", "improper"},
      {Blake2b8 + "x abc", "improper"},
      {Blake2b8, "improper"},
      {"  abc", "improper"},
      {"BLAKE2b  abc", "improper"},
      // So short a digest leaves room for names of no character or one, read reversed.
      {Blake2b8 + " ", Blake2b8 + " []"},
      {"\\" + Blake2b8 + " ", Blake2b8 + " []"},
      {Blake2b8 + " \0x"s, Blake2b8 + " []"},
      {Blake2b8 + " *", Blake2b8 + " [*]"},
      {Blake2b8 + "  ", Blake2b8 + " [ ]"},
      {Blake2b8 + "   ", Blake2b8 + " [ ]"},
      // Tagged: no length for 512 bits; any other after a '-', read as strtoumax reads a number
      // of any base, then the space and '(' as for the other tags.
      {"BLAKE2b (abc) = " + Blake2b, Blake2b + " [abc]"},
      {"BLAKE2b-512 (abc) = " + Blake2b, Blake2b + " [abc]"},
      {"BLAKE2b-256 (abc) = " + Blake2b256, Blake2b256 + " [abc]"},
      {"BLAKE2b-256(abc) = " + Blake2b256, Blake2b256 + " [abc]"},
      {"\\BLAKE2b-8 (a\\\\c) = " + Blake2b8, Blake2b8 + " [a\\c]"},
      {"BLAKE2b-0400 (abc) = " + Blake2b256, Blake2b256 + " [abc]"},
      {"BLAKE2b-0x100 (abc) = " + Blake2b256, Blake2b256 + " [abc]"},
      {"BLAKE2b-0X80 (abc) = " + Blake2b128, Blake2b128 + " [abc]"},
      {"BLAKE2b-+256 (abc) = " + Blake2b256, Blake2b256 + " [abc]"},
      {"BLAKE2b- \t256 (abc) = " + Blake2b256, Blake2b256 + " [abc]"},
      {"BLAKE2b-010 (abc) = " + Blake2b8, Blake2b8 + " [abc]"},
      {"BLAKE2b-8 (abc) = 6B", "6B [abc]"},
      // The digits the length asks for, exactly.
      {"BLAKE2b-256 (abc) = " + Blake2b128, "improper"},
      {"BLAKE2b (abc) = " + Blake2b256, "improper"},
      {"BLAKE2b-8 (abc) = " + Blake2b8 + " ", "improper"},
      // No digest of that length: none, 0, not whole bytes, more than 512 bits.
      {"BLAKE2b-0 (abc) = " + Blake2b, "improper"},
      {"BLAKE2b-00 (abc) = " + Blake2b, "improper"},
      {"BLAKE2b-7 (abc) = " + Blake2b8, "improper"},
      {"BLAKE2b-12 (abc) = " + Blake2b24.substr(0, 3), "improper"},
      {"BLAKE2b-520 (abc) = " + Blake2b, "improper"},
      {"BLAKE2b-4294967552 (abc) = " + Blake2b256, "improper"},
      {"BLAKE2b-18446744073709551872 (abc) = " + Blake2b256, "improper"},
      {"BLAKE2b--256 (abc) = " + Blake2b256, "improper"},
      {"BLAKE2b- (abc) = " + Blake2b256, "improper"},
      {"BLAKE2b-(abc) = " + Blake2b, "improper"},
      {"BLAKE2b-x (abc) = " + Blake2b256, "improper"},
      {"BLAKE2b-0x (abc) = " + Blake2b256, "improper"},
      {"BLAKE2b-08 (abc) = " + Blake2b8, "improper"},
      // After the length, nothing but the space and '('.
      {"BLAKE2b-256k (abc) = " + Blake2b256, "improper"},
      {"BLAKE2b-256  (abc) = " + Blake2b256, "improper"},
      {"BLAKE2b-256\t(abc) = " + Blake2b256, "improper"},
      {"BLAKE2b-256((abc) = " + Blake2b256, Blake2b256 + " [(abc]"},
      // Without a length, any one character may stand between the tag and the space or '('.
      {"BLAKE2b(abc) = " + Blake2b, Blake2b + " [abc]"},
      {"BLAKE2bx (abc) = " + Blake2b, Blake2b + " [abc]"},
      {"BLAKE2b0(abc) = " + Blake2b, Blake2b + " [abc]"},
      {"BLAKE2b  (abc) = " + Blake2b, Blake2b + " [abc]"},
      {"BLAKE2b\t(abc) = " + Blake2b, Blake2b + " [abc]"},
      {"BLAKE2b((abc) = " + Blake2b, Blake2b + " [(abc]"},
      {"BLAKE2b   (abc) = " + Blake2b, "improper"},
      {"BLAKE2bxy(abc) = " + Blake2b, "improper"},
      {"BLAKE2b00 (abc) = " + Blake2b, "improper"},
      {"BLAKE2b256 (abc) = " + Blake2b256, "improper"},
      {"blake2b-256 (abc) = " + Blake2b256, "improper"},
  };
  ExpectReads(Cases, false, "blake2b");
}

// BLAKE3's lines as b3sum writes them, of any length it writes up to the longest the library
// gives (4096 bytes), and the tagged ones sumtide-sum writes, read as BLAKE2b's are.
TEST(SumLines, ReadsBlake3LinesOfEveryLength) {
  const std::string Longest(8192, 'a');
  const TReadCase Cases[] = {
      {Blake3 + "  abc", Blake3 + " [abc]"},
      {Blake3x16 + "  abc", Blake3x16 + " [abc]"},
      {Blake3x1 + "  abc", Blake3x1 + " [abc]"},
      {Longest + "  abc", Longest + " [abc]"},
      {Longest + "00  abc", "improper"},
      {Blake3x16.substr(1) + "  abc", "improper"},
      // b3sum's escapes, and its carriage return left as it is.
      {"\\" + Blake3 + "  back\\\\slash", Blake3 + " [back\\slash]"},
      {"\\" + Blake3 + "  new\\nline", Blake3 + " [new\nline]"},
      {Blake3 + "  carriage\rreturn", Blake3 + " [carriage\rreturn]"},
      {Blake3 + "  caf\xEF\xBF\xBD", Blake3 + " [caf\xEF\xBF\xBD]"},
      // b3sum -l 0: no digest to check.
      {"  abc", "improper"},
      {"\\  back\\\\slash", "improper"},
      // Tagged: 256 bits without a length, any other after '-', in bits.
      {"BLAKE3 (abc) = " + Blake3, Blake3 + " [abc]"},
      {"BLAKE3-256 (abc) = " + Blake3, Blake3 + " [abc]"},
      {"BLAKE3-128 (abc) = " + Blake3x16, Blake3x16 + " [abc]"},
      {"\\BLAKE3-8 (a\\\\c) = " + Blake3x1, Blake3x1 + " [a\\c]"},
      {"BLAKE3-32768 (abc) = " + Longest, Longest + " [abc]"},
      {"BLAKE3 (abc) = " + Blake3x16, "improper"},
      {"BLAKE3-128 (abc) = " + Blake3, "improper"},
      {"BLAKE3-32776 (abc) = " + Longest + "00", "improper"},
      {"BLAKE3-0 (abc) = ", "improper"},
      {"BLAKE2b (abc) = " + Blake2b, "improper"},
  };
  ExpectReads(Cases, false, "blake3");
}

// The reversed form "<hex> <name>" is taken only until a line of the usual form has been read,
// and once taken, lines that look usual are read reversed: their name begins with the blank or
// '*'. Lines that fail before the form is known decide nothing; tagged lines neither. One reader
// serves every list of a run, so the state goes from one list to the next.
TEST(SumLines, DecidesTheFormOnceForTheRun) {
  struct TStep {
    std::string Line;
    bool Stdin;
    std::string Expected;
  };
  const std::string Short = Md5.substr(0, 31);
  const std::vector<std::vector<TStep>> Runs = {
      {{Md5 + " abc", false, Md5 + " [abc]"},
       {Md5 + "  abc", false, Md5 + " [ abc]"},
       {Md5 + " *abc", true, Md5 + " [*abc]"}},
      {{Md5 + "  abc", false, Md5 + " [abc]"}, {Md5 + " abc", true, "improper"}},
      {{"MD5 (abc) = " + Md5, false, Md5 + " [abc]"}, {Md5 + " abc", false, Md5 + " [abc]"}},
      {{Short + ") = ", false, "improper"},
       {Md5 + "0 abc", false, "improper"},
       {Md5 + " abc", false, Md5 + " [abc]"}},
      // Decided by a line refused afterwards, for its name.
      {{"\\" + Md5 + "  ab\\c", false, "improper"}, {Md5 + " abc", false, "improper"}},
      {{Md5 + "  -", true, "improper"}, {Md5 + " abc", true, "improper"}},
  };
  for (const std::vector<TStep>& Run : Runs) {
    TCheckLineReader Reader = ReaderFor(Kind("md5"));
    for (std::size_t Step = 0; Step < Run.size(); ++Step) {
      SCOPED_TRACE("line " + std::to_string(Step + 1) + " of a run beginning " +
                   ::testing::PrintToString(Run.front().Line));
      EXPECT_EQ(ReadLine(Reader, Run[Step].Line, Run[Step].Stdin), Run[Step].Expected);
    }
  }
}

TEST(SumLines, MatchesDigestsInEitherCase) {
  const std::vector<std::uint8_t> Digest = Bytes(Md5);
  const struct {
    std::string Hex;
    bool Matches;
  } Cases[] = {
      {Md5, true},
      {Md5Upper, true},
      {"900150983Cd24fB0d6963F7d28e17F72", true},
      {"090150983cd24fb0d6963f7d28e17f72", false}, // the digits of a byte swapped
      {"800150983cd24fb0d6963f7d28e17f72", false},
      {"900150983cd24fb0d6963f7d28e17f73", false},
      {Md5.substr(0, 30), false},
      {Md5 + "00", false},
      {"", false},
  };
  for (const auto& Case : Cases) {
    SCOPED_TRACE(Case.Hex);
    EXPECT_EQ(DigestMatches(Digest, Case.Hex), Case.Matches);
  }
}

} // namespace
