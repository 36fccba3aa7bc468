#include "cli/ListLines.h"

namespace Sumtide::Cli {

namespace {

constexpr std::size_t Piece = 64 * 1024;

} // namespace

TListLines::TListLines(TInputFile& File)
    : FFile(File), FPiece(std::make_unique_for_overwrite<char[]>(Piece)) {}

bool TListLines::Next(std::string& Line) {
  Line.clear();
  for (;;) {
    const std::size_t End = FRest.find('\n');
    if (End != std::string_view::npos) {
      Line.append(FRest.substr(0, End));
      FRest.remove_prefix(End + 1);
      return true;
    }
    Line.append(FRest);
    FRest = {};
    if (FEnded)
      return !Line.empty();
    TInputError Error;
    const std::int64_t Got = FFile.Read(FPiece.get(), Piece, Error);
    if (Got < 0) {
      FError = Error.Text;
      FEnded = true;
      return false;
    }
    FEnded = Got == 0;
    FRest = std::string_view(FPiece.get(), static_cast<std::size_t>(Got));
  }
}

} // namespace Sumtide::Cli
