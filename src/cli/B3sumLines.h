#pragma once

// The lines of BLAKE3 digests as b3sum writes them, where sumtide-sum follows b3sum rather than the
// GNU tools: "<hex>  <name>", the name read as UTF-8 the lossy way (a byte that is not UTF-8 shows
// as U+FFFD), a name holding a backslash or a line feed written escaped ("\\", "\n") behind a
// leading backslash (a carriage return is written as it is); with --no-names, the digits alone.
// The tagged lines and the lines ending with NUL have no b3sum form: they are the GNU tools'.

#include "scl/lanes/DigestCatalogue.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace Sumtide::Cli {

// Whether Kind's options and lines are b3sum's: -l counted in bytes, --no-names, the lines above.
bool FollowsB3sum(const TDigestKind& Kind);

// An untagged line ending with a line feed; Binary marks the name with '*' instead of a space
// (b3sum has no binary mode: sumtide-sum's -b).
std::string B3sumLine(std::string_view Name, std::span<const std::uint8_t> Digest, bool Binary);

// The digits alone, then the line's end (a line feed, or NUL with Zero).
std::string DigitsLine(std::span<const std::uint8_t> Digest, bool Zero);

} // namespace Sumtide::Cli
