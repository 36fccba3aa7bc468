#pragma once

// Checks every block function of a candidate table (FunctionChoice.h) that this processor runs
// against the table's first row, the portable function, so that a new row is tested as soon as
// it is added.

#include "scl/cpu/FunctionChoice.h"

#include <cstddef>
#include <cstdint>
#include <gtest/gtest.h>
#include <random>
#include <span>
#include <vector>

namespace Sumtide::Test {

// From random states (with guard words after them that must stay as they were), runs of 0 to 24
// random blocks at every offset from a 64-byte boundary, each in a buffer that ends where the run
// does, so that a read past the last block is caught in the sanitized build: every row that runs
// leaves the state the portable row leaves.
template <class TWord, std::size_t StateWords, std::size_t BlockSize, class TFunction>
void ExpectEveryRowAgreesWithThePortableOne(
    std::span<const FunctionChoice::TCandidate<TFunction>> Table) {
  ASSERT_FALSE(Table.empty());
  ASSERT_TRUE(Table[0].Runs()) << "the first row runs everywhere";
  std::mt19937_64 Rng(20261211);
  for (const FunctionChoice::TCandidate<TFunction>& Row : Table) {
    SCOPED_TRACE(Row.Name);
    if (!Row.Runs())
      continue;
    ASSERT_NE(Row.Function, nullptr);
    for (int Trial = 0; Trial < 256; ++Trial) {
      const std::size_t Count = Rng() % 25;
      const std::size_t Offset = static_cast<std::size_t>(Trial) % 64;
      std::vector<std::uint8_t> Buffer(Offset + BlockSize * Count);
      for (std::uint8_t& Byte : Buffer)
        Byte = static_cast<std::uint8_t>(Rng());
      std::vector<TWord> Initial(StateWords + 4);
      for (TWord& Word : Initial)
        Word = static_cast<TWord>(Rng());
      std::vector<TWord> Expected = Initial, Got = Initial;
      Table[0].Function(Expected.data(), Buffer.data() + Offset, Count);
      Row.Function(Got.data(), Buffer.data() + Offset, Count);
      ASSERT_EQ(Got, Expected) << Count << " blocks at offset " << Offset;
    }
  }
}

} // namespace Sumtide::Test
