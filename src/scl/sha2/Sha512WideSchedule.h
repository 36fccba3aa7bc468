#pragma once

// What the SHA-512 block functions with their message schedule in vector registers
// (Sha512CompressAvx2.cpp, Sha512CompressAvx512.cpp) share: loading the block, making four words
// of the schedule at a time beside the steps, the order of steps and schedule, and the loop over
// the blocks. Each of those files includes this inside its own unnamed namespace, once it has
// defined what differs between the two:
//
//   SUMTIDE_SHA512_VECTOR                    the attributes of every function: always_inline and
//                                            the file's target
//   TWord                                    std::uint64_t
//   Step<T>(A, B, D, E, F, G, H, BC, WK)     one step, reading W[T] + K[T] from WK
//   SmallSigma0(__m256i), SmallSigma1(__m128i), OnePlaceOn(__m256i Low, __m256i High)
//
// so that the code is compiled once under each target attribute.

// W[t] + K[t] for the four words in X, stored where the steps read word T. The empty asm
// statement says it may change the words it is given, so the steps read them from the stack:
// else GCC takes them out of the vector register it stored, with vmovq and vpextrq, and keeps all
// sixteen in registers until their steps, more than there are beside the schedule's.
template <int T> SUMTIDE_SHA512_VECTOR void StoreWithConstants(__m256i X, TWord* WK) {
  const __m256i Constants =
      _mm256_load_si256(reinterpret_cast<const __m256i*>(Sha512StepConstant + T));
  auto* Four = reinterpret_cast<__m256i*>(WK + T % 16);
  _mm256_store_si256(Four, _mm256_add_epi64(X, Constants));
  __asm__("" : "+m"(*Four));
}

// X[I] holds words 4I to 4I + 3 of the block, read high byte first.
template <int... I>
SUMTIDE_SHA512_VECTOR void LoadBlock(__m256i (&X)[4], TWord* WK, const std::uint8_t* Block,
                                     std::integer_sequence<int, I...>) {
  const __m256i Swap = _mm256_setr_epi8(7, 6, 5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6,
                                        5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11, 10, 9, 8);
  ((X[I] = _mm256_shuffle_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(Block + 32 * I)),
                               Swap),
    StoreWithConstants<4 * I>(X[I], WK)),
   ...);
}

// Words T to T + 3, from T >= 16, replace words T - 16 to T - 13 in X. Words T + 2 and T + 3 take
// the small sigma of words T and T + 1, so the four are finished two at a time.
template <int T> SUMTIDE_SHA512_VECTOR void ScheduleFour(__m256i (&X)[4], TWord* WK) {
  if constexpr (T < 80) {
    constexpr int I = T / 4 % 4;
    const __m256i Sum =
        _mm256_add_epi64(_mm256_add_epi64(X[I], SmallSigma0(OnePlaceOn(X[I], X[(I + 1) % 4]))),
                         OnePlaceOn(X[(I + 2) % 4], X[(I + 3) % 4]));
    const __m128i Low = _mm_add_epi64(_mm256_castsi256_si128(Sum),
                                      SmallSigma1(_mm256_extracti128_si256(X[(I + 3) % 4], 1)));
    const __m128i High = _mm_add_epi64(_mm256_extracti128_si256(Sum, 1), SmallSigma1(Low));
    X[I] = _mm256_inserti128_si256(_mm256_castsi128_si256(Low), High, 1);
    StoreWithConstants<T>(X[I], WK);
  }
}

// Eight steps, which bring the roles back to where they started, and after each four of them the
// four words that take the place of the ones those steps read.
template <int T>
SUMTIDE_SHA512_VECTOR void EightSteps(TWord& A, TWord& B, TWord& C, TWord& D, TWord& E, TWord& F,
                                      TWord& G, TWord& H, TWord& BC, __m256i (&X)[4], TWord* WK) {
  Step<T>(A, B, D, E, F, G, H, BC, WK);
  Step<T + 1>(H, A, C, D, E, F, G, BC, WK);
  Step<T + 2>(G, H, B, C, D, E, F, BC, WK);
  Step<T + 3>(F, G, A, B, C, D, E, BC, WK);
  ScheduleFour<T + 16>(X, WK);
  Step<T + 4>(E, F, H, A, B, C, D, BC, WK);
  Step<T + 5>(D, E, G, H, A, B, C, BC, WK);
  Step<T + 6>(C, D, F, G, H, A, B, BC, WK);
  Step<T + 7>(B, C, E, F, G, H, A, BC, WK);
  ScheduleFour<T + 20>(X, WK);
}

template <int... Group>
SUMTIDE_SHA512_VECTOR void AllSteps(std::integer_sequence<int, Group...>, TWord& A, TWord& B,
                                    TWord& C, TWord& D, TWord& E, TWord& F, TWord& G, TWord& H,
                                    __m256i (&X)[4], TWord* WK) {
  TWord BC = B ^ C;
  (EightSteps<8 * Group>(A, B, C, D, E, F, G, H, BC, X, WK), ...);
}

// Adds Count consecutive 128-byte blocks into State.
SUMTIDE_SHA512_VECTOR void CompressBlocks(TWord State[8], const std::uint8_t* Blocks,
                                          std::size_t Count) {
  alignas(32) TWord WK[16];
  for (; Count > 0; --Count, Blocks += 128) {
    __m256i X[4];
    LoadBlock(X, WK, Blocks, std::make_integer_sequence<int, 4>{});
    TWord A = State[0], B = State[1], C = State[2], D = State[3];
    TWord E = State[4], F = State[5], G = State[6], H = State[7];
    AllSteps(std::make_integer_sequence<int, 10>{}, A, B, C, D, E, F, G, H, X, WK);
    State[0] += A;
    State[1] += B;
    State[2] += C;
    State[3] += D;
    State[4] += E;
    State[5] += F;
    State[6] += G;
    State[7] += H;
  }
}
