#include "cli/LossyUtf8.h"

#include <cstdint>

namespace Sumtide::Cli {

namespace {

constexpr std::string_view Replacement = "\xEF\xBF\xBD";

// What may follow a leading byte: how many continuation bytes, and the range the first of them
// must be in (which rules out overlong forms, surrogates and code points past U+10FFFF); the
// others are 80 to BF. No continuation bytes: Lead is no leading byte.
struct TSequence {
  int Continuations = 0;
  std::uint8_t Low = 0x80, High = 0xBF;
};

TSequence SequenceOf(std::uint8_t Lead) {
  if (Lead >= 0xC2 && Lead <= 0xDF)
    return {1};
  if (Lead == 0xE0)
    return {2, 0xA0, 0xBF};
  if (Lead == 0xED)
    return {2, 0x80, 0x9F};
  if (Lead >= 0xE1 && Lead <= 0xEF)
    return {2};
  if (Lead == 0xF0)
    return {3, 0x90, 0xBF};
  if (Lead == 0xF4)
    return {3, 0x80, 0x8F};
  if (Lead >= 0xF1 && Lead <= 0xF3)
    return {3};
  return {};
}

} // namespace

std::string LossyUtf8(std::string_view Text) {
  std::string Result;
  Result.reserve(Text.size());
  std::size_t At = 0;
  while (At < Text.size()) {
    const auto Lead = static_cast<std::uint8_t>(Text[At]);
    if (Lead < 0x80) {
      Result += Text[At++];
      continue;
    }
    const TSequence Sequence = SequenceOf(Lead);
    std::size_t End = At + 1;
    int Taken = 0;
    for (; Taken < Sequence.Continuations && End < Text.size(); ++Taken, ++End) {
      const auto Byte = static_cast<std::uint8_t>(Text[End]);
      const std::uint8_t Low = Taken == 0 ? Sequence.Low : 0x80;
      const std::uint8_t High = Taken == 0 ? Sequence.High : 0xBF;
      if (Byte < Low || Byte > High)
        break;
    }
    if (Sequence.Continuations > 0 && Taken == Sequence.Continuations)
      Result.append(Text.substr(At, End - At));
    else
      Result.append(Replacement); // the byte that broke the sequence begins the next one
    At = End;
  }
  return Result;
}

} // namespace Sumtide::Cli
