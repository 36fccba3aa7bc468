#include "scl/SCLmd5.h"

#include "rtl/SecureWipe.h"
#include "scl/Md5Compress.h"

#include <bit>
#include <cstring>

namespace Sumtide {

namespace {

#define SUMTIDE_MD5_INLINE [[gnu::always_inline]] inline

template <int N> SUMTIDE_MD5_INLINE std::uint32_t RotateLeft(std::uint32_t X) {
  static_assert(N > 0 && N < 32);
  return (X << N) | (X >> (32 - N));
}

// An opaque register move: the compiler must take V as computed here, so it cannot fold the
// sum it holds back into the operations that wait on the previous step.
SUMTIDE_MD5_INLINE std::uint32_t Pin(std::uint32_t V) {
  __asm__("" : "+r"(V));
  return V;
}

SUMTIDE_MD5_INLINE std::uint32_t LoadWord(const std::uint8_t* P) {
  std::uint32_t W;
  std::memcpy(&W, P, sizeof W);
  if constexpr (std::endian::native == std::endian::big)
    W = __builtin_bswap32(W);
  return W;
}

SUMTIDE_MD5_INLINE void StoreWord(std::uint8_t* P, std::uint32_t W) {
  P[0] = static_cast<std::uint8_t>(W);
  P[1] = static_cast<std::uint8_t>(W >> 8);
  P[2] = static_cast<std::uint8_t>(W >> 16);
  P[3] = static_cast<std::uint8_t>(W >> 24);
}

// One step updates A from B, C, D. B is the value the previous step produced, so everything that
// does not need it (the message word, the constant, the terms in C and D alone) is summed into A
// first; what is left after B arrives is the shortest chain each round function allows.

// F = (B & C) | (~B & D), written as D ^ (B & (C ^ D)).
template <std::uint32_t K, int S>
SUMTIDE_MD5_INLINE std::uint32_t StepF(std::uint32_t A, std::uint32_t B, std::uint32_t C,
                                       std::uint32_t D, std::uint32_t X) {
  const std::uint32_t T = Pin(A + K + X);
  return RotateLeft<S>(T + (D ^ (B & (C ^ D)))) + B;
}

// G = (B & D) | (C & ~D). The two terms never share a bit, so G is their sum, and C & ~D goes
// into A before B is known.
template <std::uint32_t K, int S>
SUMTIDE_MD5_INLINE std::uint32_t StepG(std::uint32_t A, std::uint32_t B, std::uint32_t C,
                                       std::uint32_t D, std::uint32_t X) {
  const std::uint32_t T = Pin(Pin(A + K + X) + (~D & C));
  return RotateLeft<S>(T + (D & B)) + B;
}

// H = B ^ C ^ D, with C ^ D formed before B arrives.
template <std::uint32_t K, int S>
SUMTIDE_MD5_INLINE std::uint32_t StepH(std::uint32_t A, std::uint32_t B, std::uint32_t C,
                                       std::uint32_t D, std::uint32_t X) {
  const std::uint32_t T = Pin(A + K + X);
  const std::uint32_t CD = Pin(C ^ D);
  return RotateLeft<S>(T + (B ^ CD)) + B;
}

// I = C ^ (B | ~D), with ~D formed before B arrives.
template <std::uint32_t K, int S>
SUMTIDE_MD5_INLINE std::uint32_t StepI(std::uint32_t A, std::uint32_t B, std::uint32_t C,
                                       std::uint32_t D, std::uint32_t X) {
  const std::uint32_t T = Pin(A + K + X);
  const std::uint32_t NotD = Pin(~D);
  return RotateLeft<S>(T + (C ^ (B | NotD))) + B;
}

// Which block function TSCL_md5 uses, decided while the program starts. Should a block be hashed
// before that, in another file's static initialisation, this still reads false and the portable
// function, which runs everywhere, hashes it.
#if defined(SUMTIDE_MD5_VECTOR_COMPRESS) && defined(__AVX512F__) && defined(__AVX512VL__)
constexpr bool VectorCompressInUse = true; // built for processors that have them
#elif defined(SUMTIDE_MD5_VECTOR_COMPRESS)
const bool VectorCompressInUse = Md5Internal::HasVectorCompress();
#else
constexpr bool VectorCompressInUse = false;
#endif

} // namespace

const TSCL_md5::TClass& TSCL_md5::Class() {
  static const TClass Descriptor("TSCL_md5", &TSCL_hash::Class(), {});
  return Descriptor;
}

bool TSCL_md5::TClass::SelfTest() const {
  static constexpr std::uint8_t DigestAbc[16] = {0x90, 0x01, 0x50, 0x98, 0x3c, 0xd2, 0x4f, 0xb0,
                                                 0xd6, 0x96, 0x3f, 0x7d, 0x28, 0xe1, 0x7f, 0x72};
  static constexpr std::uint8_t DigestAlphabet[16] = {0xc3, 0xfc, 0xd3, 0xd7, 0x61, 0x92,
                                                      0xe4, 0x00, 0x7d, 0xfb, 0x49, 0x6c,
                                                      0xca, 0x67, 0xe1, 0x3b};
  TSCL_md5 Hash(nullptr);
  std::uint8_t Digest[16];

  Hash.Init();
  Hash.UpdateStr("abc");
  Hash.Final(Digest);
  const bool AbcOk = std::memcmp(Digest, DigestAbc, sizeof Digest) == 0;

  Hash.Init();
  Hash.UpdateStr("abcdefghijklmnopqrstuvwxyz");
  Hash.Final(Digest);
  const bool AlphabetOk = std::memcmp(Digest, DigestAlphabet, sizeof Digest) == 0;

  return AbcOk && AlphabetOk;
}

TSCL_md5::~TSCL_md5() {
  if (FInitialized)
    Burn();
}

void TSCL_md5::Init() {
  Burn();
  FChainState[0] = 0x67452301;
  FChainState[1] = 0xefcdab89;
  FChainState[2] = 0x98badcfe;
  FChainState[3] = 0x10325476;
  FInitialized = true;
}

void TSCL_md5::Burn() {
  SecureZero(&FBitCountHigh, sizeof FBitCountHigh);
  SecureZero(&FBitCountLow, sizeof FBitCountLow);
  SecureZero(&FBlockFill, sizeof FBlockFill);
  SecureZero(FBlock, sizeof FBlock);
  SecureZero(FChainState, sizeof FChainState);
  FInitialized = false;
}

void TSCL_md5::Update(const void* Buffer, std::uint32_t Length) {
  if (!FInitialized)
    throw ESCL_hash("Hash not initialized");

  // The count for the whole call goes in first; n << 3 may wrap, and its lost top bits are n >> 29.
  const std::uint32_t Bits = Length << 3;
  FBitCountHigh += Length >> 29;
  FBitCountLow += Bits;
  if (FBitCountLow < Bits)
    ++FBitCountHigh;

  const auto* P = static_cast<const std::uint8_t*>(Buffer);
  while (Length > 0) {
    const std::uint32_t Room = 64 - FBlockFill;
    if (Room > Length) {
      std::memcpy(FBlock + FBlockFill, P, Length);
      FBlockFill += Length;
      return;
    }
    // An empty block takes a whole one: a copy of fixed size the compiler does inline.
    if (Room == 64)
      std::memcpy(FBlock, P, 64);
    else
      std::memcpy(FBlock + FBlockFill, P, Room);
    P += Room;
    Length -= Room;
    Compress();
  }
}

void TSCL_md5::Final(void* Digest) {
  if (!FInitialized)
    throw ESCL_hash("Hash not initialized");

  // Everything after the marker is already zero, so the padding needs no writing.
  FBlock[FBlockFill] = 0x80;
  if (FBlockFill >= 56)
    Compress();
  StoreWord(FBlock + 56, FBitCountLow);
  StoreWord(FBlock + 60, FBitCountHigh);
  Compress();

  auto* Out = static_cast<std::uint8_t*>(Digest);
  for (int I = 0; I < 4; ++I)
    StoreWord(Out + 4 * I, FChainState[I]);
  Burn();
}

namespace {

// The 64 steps, adding the block at M into State. TSCL_md5::Compress takes them inline: there
// the chaining words and the block sit at fixed offsets from one pointer, and GCC reloads each
// word from the block as it needs it. Called out of line with two pointers, it keeps some words
// in registers and parks others on the stack, and runs about 4% slower.
SUMTIDE_MD5_INLINE void PortableSteps(std::uint32_t State[4], const std::uint8_t* M) {
  std::uint32_t A = State[0];
  std::uint32_t B = State[1];
  std::uint32_t C = State[2];
  std::uint32_t D = State[3];

  A = StepF<0xd76aa478, 7>(A, B, C, D, LoadWord(M + 0));
  D = StepF<0xe8c7b756, 12>(D, A, B, C, LoadWord(M + 4));
  C = StepF<0x242070db, 17>(C, D, A, B, LoadWord(M + 8));
  B = StepF<0xc1bdceee, 22>(B, C, D, A, LoadWord(M + 12));
  A = StepF<0xf57c0faf, 7>(A, B, C, D, LoadWord(M + 16));
  D = StepF<0x4787c62a, 12>(D, A, B, C, LoadWord(M + 20));
  C = StepF<0xa8304613, 17>(C, D, A, B, LoadWord(M + 24));
  B = StepF<0xfd469501, 22>(B, C, D, A, LoadWord(M + 28));
  A = StepF<0x698098d8, 7>(A, B, C, D, LoadWord(M + 32));
  D = StepF<0x8b44f7af, 12>(D, A, B, C, LoadWord(M + 36));
  C = StepF<0xffff5bb1, 17>(C, D, A, B, LoadWord(M + 40));
  B = StepF<0x895cd7be, 22>(B, C, D, A, LoadWord(M + 44));
  A = StepF<0x6b901122, 7>(A, B, C, D, LoadWord(M + 48));
  D = StepF<0xfd987193, 12>(D, A, B, C, LoadWord(M + 52));
  C = StepF<0xa679438e, 17>(C, D, A, B, LoadWord(M + 56));
  B = StepF<0x49b40821, 22>(B, C, D, A, LoadWord(M + 60));

  A = StepG<0xf61e2562, 5>(A, B, C, D, LoadWord(M + 4));
  D = StepG<0xc040b340, 9>(D, A, B, C, LoadWord(M + 24));
  C = StepG<0x265e5a51, 14>(C, D, A, B, LoadWord(M + 44));
  B = StepG<0xe9b6c7aa, 20>(B, C, D, A, LoadWord(M + 0));
  A = StepG<0xd62f105d, 5>(A, B, C, D, LoadWord(M + 20));
  D = StepG<0x02441453, 9>(D, A, B, C, LoadWord(M + 40));
  C = StepG<0xd8a1e681, 14>(C, D, A, B, LoadWord(M + 60));
  B = StepG<0xe7d3fbc8, 20>(B, C, D, A, LoadWord(M + 16));
  A = StepG<0x21e1cde6, 5>(A, B, C, D, LoadWord(M + 36));
  D = StepG<0xc33707d6, 9>(D, A, B, C, LoadWord(M + 56));
  C = StepG<0xf4d50d87, 14>(C, D, A, B, LoadWord(M + 12));
  B = StepG<0x455a14ed, 20>(B, C, D, A, LoadWord(M + 32));
  A = StepG<0xa9e3e905, 5>(A, B, C, D, LoadWord(M + 52));
  D = StepG<0xfcefa3f8, 9>(D, A, B, C, LoadWord(M + 8));
  C = StepG<0x676f02d9, 14>(C, D, A, B, LoadWord(M + 28));
  B = StepG<0x8d2a4c8a, 20>(B, C, D, A, LoadWord(M + 48));

  A = StepH<0xfffa3942, 4>(A, B, C, D, LoadWord(M + 20));
  D = StepH<0x8771f681, 11>(D, A, B, C, LoadWord(M + 32));
  C = StepH<0x6d9d6122, 16>(C, D, A, B, LoadWord(M + 44));
  B = StepH<0xfde5380c, 23>(B, C, D, A, LoadWord(M + 56));
  A = StepH<0xa4beea44, 4>(A, B, C, D, LoadWord(M + 4));
  D = StepH<0x4bdecfa9, 11>(D, A, B, C, LoadWord(M + 16));
  C = StepH<0xf6bb4b60, 16>(C, D, A, B, LoadWord(M + 28));
  B = StepH<0xbebfbc70, 23>(B, C, D, A, LoadWord(M + 40));
  A = StepH<0x289b7ec6, 4>(A, B, C, D, LoadWord(M + 52));
  D = StepH<0xeaa127fa, 11>(D, A, B, C, LoadWord(M + 0));
  C = StepH<0xd4ef3085, 16>(C, D, A, B, LoadWord(M + 12));
  B = StepH<0x04881d05, 23>(B, C, D, A, LoadWord(M + 24));
  A = StepH<0xd9d4d039, 4>(A, B, C, D, LoadWord(M + 36));
  D = StepH<0xe6db99e5, 11>(D, A, B, C, LoadWord(M + 48));
  C = StepH<0x1fa27cf8, 16>(C, D, A, B, LoadWord(M + 60));
  B = StepH<0xc4ac5665, 23>(B, C, D, A, LoadWord(M + 8));

  A = StepI<0xf4292244, 6>(A, B, C, D, LoadWord(M + 0));
  D = StepI<0x432aff97, 10>(D, A, B, C, LoadWord(M + 28));
  C = StepI<0xab9423a7, 15>(C, D, A, B, LoadWord(M + 56));
  B = StepI<0xfc93a039, 21>(B, C, D, A, LoadWord(M + 20));
  A = StepI<0x655b59c3, 6>(A, B, C, D, LoadWord(M + 48));
  D = StepI<0x8f0ccc92, 10>(D, A, B, C, LoadWord(M + 12));
  C = StepI<0xffeff47d, 15>(C, D, A, B, LoadWord(M + 40));
  B = StepI<0x85845dd1, 21>(B, C, D, A, LoadWord(M + 4));
  A = StepI<0x6fa87e4f, 6>(A, B, C, D, LoadWord(M + 32));
  D = StepI<0xfe2ce6e0, 10>(D, A, B, C, LoadWord(M + 60));
  C = StepI<0xa3014314, 15>(C, D, A, B, LoadWord(M + 24));
  B = StepI<0x4e0811a1, 21>(B, C, D, A, LoadWord(M + 52));
  A = StepI<0xf7537e82, 6>(A, B, C, D, LoadWord(M + 16));
  D = StepI<0xbd3af235, 10>(D, A, B, C, LoadWord(M + 44));
  C = StepI<0x2ad7d2bb, 15>(C, D, A, B, LoadWord(M + 8));
  B = StepI<0xeb86d391, 21>(B, C, D, A, LoadWord(M + 36));

  State[0] += A;
  State[1] += B;
  State[2] += C;
  State[3] += D;
}

#undef SUMTIDE_MD5_INLINE

} // namespace

namespace Md5Internal {

void CompressPortable(std::uint32_t State[4], const std::uint8_t Block[64]) {
  PortableSteps(State, Block);
}

bool UsesVectorCompress() {
  return VectorCompressInUse;
}

} // namespace Md5Internal

// One branch per block, on a value that never changes and so is always predicted.
void TSCL_md5::Compress() {
#ifdef SUMTIDE_MD5_VECTOR_COMPRESS
  if (VectorCompressInUse)
    Md5Internal::CompressVector(FChainState, FBlock);
  else
#endif
    PortableSteps(FChainState, FBlock);
  FBlockFill = 0;
  std::memset(FBlock, 0, sizeof FBlock);
}

} // namespace Sumtide
