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

  // The next line, without its line feed (the last one may have none); false at the end, or
  // when a read failed, which Error then tells.
  bool Next(std::string& Line);
  const std::string& Error() const { return FError; }

private:
  TInputFile& FFile;
  std::unique_ptr<char[]> FPiece;
  std::string_view FRest;
  bool FEnded = false;
  std::string FError;
};

} // namespace Sumtide::Cli
