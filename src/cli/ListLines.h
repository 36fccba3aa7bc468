#pragma once

// The lines of a checksum list, read from its file in pieces.

#include "files/InputFile.h"

#include <memory>
#include <string>
#include <string_view>

namespace Sumtide::Cli {

class TListLines {
public:
  explicit TListLines(TInputFile& File);

  enum class TGot : std::uint8_t {
    Line,  // the next line, without its line feed (the last one may have none)
    End,   // no more lines: the end, or a read failed, which Error then tells
    NotYet // a read would wait (a pipe or a terminal), and MayWait said not to
  };
  // With MayWait false, answers NotYet rather than wait for bytes that have not come; a line begun
  // is kept for the next call.
  TGot Next(std::string& Line, bool MayWait);
  // The next line, waiting for it as needed; false at the end.
  bool Next(std::string& Line) { return Next(Line, true) == TGot::Line; }
  const std::string& Error() const { return FError; }

private:
  TInputFile& FFile;
  std::unique_ptr<char[]> FPiece;
  std::string_view FRest;
  std::string FBegun; // the start of a line whose end has not been read yet
  bool FEnded = false;
  std::string FError;
};

} // namespace Sumtide::Cli
