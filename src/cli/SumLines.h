#pragma once

// The lines of a checksum list, as md5sum writes and reads them.
//
// Written: "<hex>  <name>" ("<hex> *<name>" in binary mode) or, tagged, "MD5 (<name>) = <hex>".
// A name holding a backslash, a line feed or a carriage return is written escaped ("\\", "\n",
// "\r") behind a leading backslash, unless the lines end with NUL instead of a line feed.
//
// Read: those two forms and the reversed one ("<hex> <name>", one space), with leading blanks,
// a trailing carriage return, comments ("#...") and empty lines skipped. The reversed form is
// taken only as long as no line of the first form came before it, in this list or an earlier one
// of the same run (md5sum keeps that state for the whole run).

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace Sumtide::Cli {

using TMd5Digest = std::array<std::uint8_t, 16>;

// True when a name must be written escaped.
bool NeedsEscape(std::string_view Name);
// The name with backslash, line feed and carriage return escaped.
std::string EscapeName(std::string_view Name);

// One output line of the checksum of Name, with its end (line feed or NUL).
std::string SumLine(std::string_view Name, const TMd5Digest& Digest, bool Binary, bool Tagged,
                    bool Zero);

struct TCheckEntry {
  std::string Name;
  std::string Hex; // 32 hexadecimal digits, either case
};

// Reads the lines of the checksum lists of one run: keeps the state that decides on the reversed
// form.
class TCheckLineReader {
public:
  // Line is one line without its line feed (a trailing carriage return is dropped here).
  // Nothing for a comment or an empty line (Skipped is set) or an improperly formatted line.
  // Names "-" is refused when the list itself is read from standard input.
  std::optional<TCheckEntry> Read(std::string_view Line, bool ListIsStandardInput, bool& Skipped);

private:
  int FReversed = -1; // -1: not decided; 0: the first form seen; 1: the reversed form seen
};

// Compares a digest with its hexadecimal text, letter case aside.
bool DigestMatches(const TMd5Digest& Digest, std::string_view Hex);

} // namespace Sumtide::Cli
