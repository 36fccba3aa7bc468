#pragma once

// The lines of a checksum list, as md5sum writes and reads them.
//
// Written: "<hex>  <name>" ("<hex> *<name>" in binary mode) or, tagged, "<TAG> (<name>) = <hex>",
// the tag naming the algorithm ("MD5", "SHA256").
// A name holding a backslash, a line feed or a carriage return is written escaped ("\\", "\n",
// "\r") behind a leading backslash, unless the lines end with NUL instead of a line feed.
//
// Read: those two forms and the reversed one ("<hex> <name>", one space), with leading blanks,
// a trailing carriage return, comments ("#...") and empty lines skipped. The reversed form is
// taken only as long as no line of the first form came before it, in this list or an earlier one
// of the same run (md5sum keeps that state for the whole run).
//
// A digest of several sizes (BLAKE2b, BLAKE3) is read as b2sum reads it: an untagged line holds a
// digest of any whole number of bytes up to the longest, its size the number of its digits; a
// tagged line names a size other than the component's own after the tag ("BLAKE2b-256 (<name>) =
// <hex>", in bits), and its digits must be that many. b3sum's lines are read this way too: it
// writes them as md5sum does, except for a carriage return it leaves unescaped (and a name that
// is not UTF-8, written with U+FFFD, which names another file).

#include "scl/lanes/DigestCatalogue.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace Sumtide::Cli {

// True when a name must be written escaped.
bool NeedsEscape(std::string_view Name);
// The name with backslash, line feed and carriage return escaped.
std::string EscapeName(std::string_view Name);

// One output line of the checksum of Name, with its end (line feed or NUL); Tag names the
// algorithm in a tagged line.
std::string SumLine(std::string_view Name, std::span<const std::uint8_t> Digest,
                    std::string_view Tag, bool Binary, bool Tagged, bool Zero);

struct TCheckEntry {
  std::string Name;
  std::string Hex; // the digest's hexadecimal digits, either case
};

// Reads the lines of the checksum lists of one run: keeps the state that decides on the reversed
// form.
class TCheckLineReader {
public:
  // Lines of the algorithm whose tagged lines begin with Tag and whose digests are written with
  // HexDigits hexadecimal digits; with Sizes, of a digest of several sizes, HexDigits its own
  // size and LongestHexDigits its longest.
  TCheckLineReader(std::string_view Tag, std::size_t HexDigits, bool Sizes = false,
                   std::size_t LongestHexDigits = 0)
      : FTag(Tag), FHexDigits(HexDigits), FLongestHexDigits(std::max(HexDigits, LongestHexDigits)),
        FSizes(Sizes) {}
  // Lines of Kind's digest (one of DigestKinds()), at any of its sizes.
  explicit TCheckLineReader(const TDigestKind& Kind)
      : TCheckLineReader(Kind.Tag, 2 * Kind.DigestBytes, TakesDigestSizes(Kind),
                         2 * LongestDigestBytes(Kind)) {}

  // Line is one line without its line feed (a trailing carriage return is dropped here).
  // Nothing for a comment or an empty line (Skipped is set) or an improperly formatted line.
  // Names "-" is refused when the list itself is read from standard input. The entry's digest
  // has as many bytes as half its digits.
  std::optional<TCheckEntry> Read(std::string_view Line, bool ListIsStandardInput, bool& Skipped);

private:
  std::optional<TCheckEntry> ReadEntry(std::string_view Line, std::size_t& HexDigits);
  std::optional<std::size_t> TaggedHexDigits(std::string_view Line, std::size_t& At) const;

  std::string FTag;
  std::size_t FHexDigits;
  std::size_t FLongestHexDigits;
  bool FSizes;
  int FReversed = -1; // -1: not decided; 0: the first form seen; 1: the reversed form seen
};

// Compares a digest with its hexadecimal text, letter case aside.
bool DigestMatches(std::span<const std::uint8_t> Digest, std::string_view Hex);

} // namespace Sumtide::Cli
