// The Base64 kernels on x86 vectors: AVX2 (24 bytes or 32 characters a block) and AVX-512 VBMI
// (48 bytes or 64 characters a block). Each function carries its own target attribute, so the
// file builds for any x86 target, and the library calls them only where the processor has the
// instructions.

#include "scl/base64/Base64Coders.h"

#ifdef SUMTIDE_BASE64_X86

#include <array>
#include <cstdint>
#include <immintrin.h>

namespace Sumtide::Base64Internal {

namespace {

constexpr char AlphabetText[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// AVX2 decoding sorts each character by its high nibble into one of five classes and looks up,
// by its low nibble, the classes in which that nibble makes no alphabet character. A character is
// outside the alphabet when the two lookups share a bit.
//   high nibble 2: only 0xB ('+') and 0xF ('/')         class 1
//   high nibble 3: 0x0-0x9 (digits)                     class 2
//   high nibble 4 and 6: 0x1-0xF (A-O, a-o)             class 4
//   high nibble 5 and 7: 0x0-0xA (P-Z, p-z)             class 8
//   any other high nibble: nothing                      class 16
constexpr std::array<std::int8_t, 16> ClassOfHigh = {16, 16, 1,  2,  4,  8,  4,  8,
                                                     16, 16, 16, 16, 16, 16, 16, 16};
constexpr std::array<std::int8_t, 16> ClassesNotWithLow = [] {
  std::array<std::int8_t, 16> Table{};
  for (int L = 0; L < 16; ++L)
    Table[L] = static_cast<std::int8_t>(16 | (L != 0xB && L != 0xF ? 1 : 0) | (L >= 0xA ? 2 : 0) |
                                        (L == 0 ? 4 : 0) | (L >= 0xB ? 8 : 0));
  return Table;
}();
// What to add to an alphabet character to get its value, by its high nibble; '/' is sent to
// entry 1 (its high nibble 2 less one), since it needs another amount than '+'.
constexpr std::array<std::int8_t, 16> AddByHigh = {0, 16, 19, 4, -65, -65, -71, -71,
                                                   0, 0,  0,  0, 0,   0,   0,   0};

// AVX2 encoding turns each six-bit value into its character by adding an amount chosen by the
// value's range: 0-25 (row 13 below), 26-51 (row 0), 52-61 (rows 1-10), 62 (row 11), 63 (row 12).
constexpr std::array<std::int8_t, 16> AddByRange = {71, -4, -4, -4,  -4,  -4, -4, -4,
                                                    -4, -4, -4, -19, -16, 65, 0,  0};

__attribute__((target("avx2"))) inline __m256i BothLanes(const std::array<std::int8_t, 16>& T) {
  return _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(T.data())));
}

// VBMI tables. Encoding: where each byte of a 64-byte vector comes from (three input bytes a b c
// spread to b a c b per 32-bit group), the bit offsets of the four six-bit fields in each 64-bit
// group of that, and the alphabet. Decoding: the value of each 7-bit character, with the high bit
// set outside the alphabet, and where each of the 48 output bytes sits in the 32-bit groups.
alignas(64) constexpr std::array<std::uint8_t, 64> VbmiSpread = [] {
  std::array<std::uint8_t, 64> Table{};
  for (int J = 0; J < 16; ++J) {
    Table[4 * J + 0] = static_cast<std::uint8_t>(3 * J + 1);
    Table[4 * J + 1] = static_cast<std::uint8_t>(3 * J + 0);
    Table[4 * J + 2] = static_cast<std::uint8_t>(3 * J + 2);
    Table[4 * J + 3] = static_cast<std::uint8_t>(3 * J + 1);
  }
  return Table;
}();

alignas(64) constexpr std::array<std::uint8_t, 64> VbmiFieldOffsets = [] {
  std::array<std::uint8_t, 64> Table{};
  constexpr std::uint8_t Offsets[8] = {10, 4, 22, 16, 42, 36, 54, 48};
  for (int I = 0; I < 64; ++I)
    Table[I] = Offsets[I % 8];
  return Table;
}();

alignas(64) constexpr std::array<char, 64> VbmiAlphabet = [] {
  std::array<char, 64> Table{};
  for (int I = 0; I < 64; ++I)
    Table[I] = AlphabetText[I];
  return Table;
}();

alignas(64) constexpr std::array<std::uint8_t, 128> VbmiValues = [] {
  std::array<std::uint8_t, 128> Table{};
  for (auto& Entry : Table)
    Entry = 0x80;
  for (int I = 0; I < 64; ++I)
    Table[static_cast<unsigned char>(AlphabetText[I])] = static_cast<std::uint8_t>(I);
  return Table;
}();

alignas(64) constexpr std::array<std::uint8_t, 64> VbmiGather = [] {
  std::array<std::uint8_t, 64> Table{};
  for (int K = 0; K < 48; ++K)
    Table[K] = static_cast<std::uint8_t>(4 * (K / 3) + 2 - K % 3);
  return Table;
}();

constexpr std::uint64_t Low48 = 0x0000ffffffffffffULL;
// The unmasked forms of some VBMI intrinsics start from an undefined value that GCC 12 warns
// about; the zero-masked forms with every lane selected compile to the same instructions.
constexpr std::uint64_t All64 = ~std::uint64_t{0};

} // namespace

__attribute__((target("avx2"))) std::size_t EncodeBlocksAvx2(const unsigned char* Source,
                                                             char* Dest, std::size_t Size) {
  // The low lane takes bytes 0-11 of a load at Source, the high lane bytes 4-15 of a load at
  // Source + 8: 24 bytes read, no more. Each lane then spreads its three-byte groups a b c to
  // b a c b, so that the first 16-bit half holds a:b and the second b:c.
  const __m256i Spread = _mm256_setr_epi8(1, 0, 2, 1, 4, 3, 5, 4, 7, 6, 8, 7, 10, 9, 11, 10, //
                                          5, 4, 6, 5, 8, 7, 9, 8, 11, 10, 12, 11, 14, 13, 15, 14);
  const __m256i AddTable = BothLanes(AddByRange);
  std::size_t Left = Size;
  while (Left >= 24) {
    const __m128i Low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Source));
    const __m128i High = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Source + 8));
    const __m256i In =
        _mm256_shuffle_epi8(_mm256_inserti128_si256(_mm256_castsi128_si256(Low), High, 1), Spread);
    // Fields 0 and 2 (bits 10-15 of a:b, bits 6-11 of b:c) move down into bytes 0 and 2;
    // fields 1 and 3 (bits 4-9 of a:b, bits 0-5 of b:c) move up into bytes 1 and 3.
    const __m256i Down = _mm256_mulhi_epu16(_mm256_and_si256(In, _mm256_set1_epi32(0x0fc0fc00)),
                                            _mm256_set1_epi32(0x04000040));
    const __m256i Up = _mm256_mullo_epi16(_mm256_and_si256(In, _mm256_set1_epi32(0x003f03f0)),
                                          _mm256_set1_epi32(0x01000010));
    const __m256i Values = _mm256_or_si256(Down, Up);
    // 0-51 -> 0, 52-63 -> 1-12; then 0-25 -> 13.
    __m256i Range = _mm256_subs_epu8(Values, _mm256_set1_epi8(51));
    Range = _mm256_or_si256(Range, _mm256_and_si256(_mm256_cmpgt_epi8(_mm256_set1_epi8(26), Values),
                                                    _mm256_set1_epi8(13)));
    const __m256i Chars = _mm256_add_epi8(Values, _mm256_shuffle_epi8(AddTable, Range));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(Dest), Chars);
    Source += 24;
    Dest += 32;
    Left -= 24;
  }
  return Size - Left;
}

__attribute__((target("avx2"))) std::size_t
DecodeBlocksAvx2(const unsigned char* Source, unsigned char* Dest, std::size_t Size) {
  const __m256i HighClass = BothLanes(ClassOfHigh);
  const __m256i LowClasses = BothLanes(ClassesNotWithLow);
  const __m256i AddTable = BothLanes(AddByHigh);
  const __m256i Nibble = _mm256_set1_epi8(0x0f);
  // Each 32-bit group ends with its three bytes in bits 16-23, 8-15, 0-7; these pick them in
  // order, twelve per lane, and then the first three 32-bit words of each lane side by side.
  const __m256i Pick = _mm256_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1, //
                                        2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
  const __m256i Join = _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 3, 7);
  std::size_t Left = Size;
  while (Left >= 32) {
    const __m256i In = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(Source));
    const __m256i High = _mm256_and_si256(_mm256_srli_epi32(In, 4), Nibble);
    const __m256i Low = _mm256_and_si256(In, Nibble);
    const __m256i Outside = _mm256_and_si256(_mm256_shuffle_epi8(HighClass, High),
                                             _mm256_shuffle_epi8(LowClasses, Low));
    if (!_mm256_testz_si256(Outside, Outside))
      break;
    const __m256i Slash = _mm256_cmpeq_epi8(In, _mm256_set1_epi8('/'));
    const __m256i Values =
        _mm256_add_epi8(In, _mm256_shuffle_epi8(AddTable, _mm256_add_epi8(High, Slash)));
    // v0 v1 v2 v3 -> v0 * 64 + v1 and v2 * 64 + v3 -> the 24 bits of the group.
    const __m256i Pairs = _mm256_maddubs_epi16(Values, _mm256_set1_epi32(0x01400140));
    const __m256i Groups = _mm256_madd_epi16(Pairs, _mm256_set1_epi32(0x00011000));
    const __m256i Bytes = _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(Groups, Pick), Join);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(Dest), _mm256_castsi256_si128(Bytes));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(Dest + 16), _mm256_extracti128_si256(Bytes, 1));
    Source += 32;
    Dest += 24;
    Left -= 32;
  }
  return Size - Left;
}

__attribute__((target("avx512f,avx512bw,avx512vbmi"))) std::size_t
EncodeBlocksVbmi(const unsigned char* Source, char* Dest, std::size_t Size) {
  const __m512i Spread = _mm512_load_si512(VbmiSpread.data());
  const __m512i Offsets = _mm512_load_si512(VbmiFieldOffsets.data());
  const __m512i Alphabet = _mm512_load_si512(VbmiAlphabet.data());
  std::size_t Left = Size;
  while (Left >= 48) {
    // Only the 48 bytes of the block are read.
    const __m512i In = _mm512_maskz_loadu_epi8(Low48, Source);
    const __m512i Fields = _mm512_maskz_multishift_epi64_epi8(
        All64, Offsets, _mm512_maskz_permutexvar_epi8(All64, Spread, In));
    // The permutation reads the low six bits of each field only.
    _mm512_storeu_si512(Dest, _mm512_maskz_permutexvar_epi8(All64, Fields, Alphabet));
    Source += 48;
    Dest += 64;
    Left -= 48;
  }
  return Size - Left;
}

__attribute__((target("avx512f,avx512bw,avx512vbmi"))) std::size_t
DecodeBlocksVbmi(const unsigned char* Source, unsigned char* Dest, std::size_t Size) {
  const __m512i Values0 = _mm512_load_si512(VbmiValues.data());
  const __m512i Values1 = _mm512_load_si512(VbmiValues.data() + 64);
  const __m512i Gather = _mm512_load_si512(VbmiGather.data());
  std::size_t Left = Size;
  while (Left >= 64) {
    const __m512i In = _mm512_loadu_si512(Source);
    // The table lookup reads the low seven bits of each character; a high bit in either the
    // character or its value marks it outside the alphabet.
    const __m512i Values = _mm512_permutex2var_epi8(Values0, In, Values1);
    if (_mm512_movepi8_mask(_mm512_or_si512(In, Values)) != 0)
      break;
    const __m512i Pairs = _mm512_maddubs_epi16(Values, _mm512_set1_epi32(0x01400140));
    const __m512i Groups = _mm512_madd_epi16(Pairs, _mm512_set1_epi32(0x00011000));
    // Only the 48 bytes of the block are written.
    _mm512_mask_storeu_epi8(Dest, Low48, _mm512_maskz_permutexvar_epi8(All64, Gather, Groups));
    Source += 64;
    Dest += 48;
    Left -= 64;
  }
  return Size - Left;
}

} // namespace Sumtide::Base64Internal

#endif
