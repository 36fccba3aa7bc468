#include "cli/B3sumLines.h"

#include "checksum/DigestText.h"
#include "cli/LossyUtf8.h"

namespace Sumtide::Cli {

using Checksum::DigestText;
using Checksum::TLetterCase;

bool FollowsB3sum(const TDigestKind& Kind) {
  return Kind.Name == "blake3";
}

std::string B3sumLine(std::string_view Name, std::span<const std::uint8_t> Digest, bool Binary) {
  const std::string Shown = LossyUtf8(Name);
  const bool Escape = Shown.find_first_of("\\\n") != std::string::npos;
  std::string Line = Escape ? "\\" : "";
  Line += DigestText(Digest, TLetterCase::Lower);
  Line += Binary ? " *" : "  ";
  // A name holding either is escaped: written as they are, the others need nothing.
  for (const char C : Shown) {
    if (C == '\\')
      Line += "\\\\";
    else if (C == '\n')
      Line += "\\n";
    else
      Line += C;
  }
  Line += '\n';
  return Line;
}

std::string DigitsLine(std::span<const std::uint8_t> Digest, bool Zero) {
  return DigestText(Digest, TLetterCase::Lower) + (Zero ? '\0' : '\n');
}

} // namespace Sumtide::Cli
