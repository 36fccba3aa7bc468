#include "cli/ListLines.h"

namespace Sumtide::Cli {

namespace {

constexpr std::size_t Piece = 64 * 1024;

} // namespace

TListLines::TListLines(TInputFile& File)
    : FFile(File), FPiece(std::make_unique_for_overwrite<char[]>(Piece)) {}

TListLines::TGot TListLines::Next(std::string& Line, bool MayWait) {
  for (;;) {
    const std::size_t End = FRest.find('\n');
    if (End != std::string_view::npos) {
      Line.assign(FBegun).append(FRest.substr(0, End));
      FBegun.clear();
      FRest.remove_prefix(End + 1);
      return TGot::Line;
    }
    FBegun.append(FRest);
    FRest = {};
    if (FEnded) {
      if (FBegun.empty())
        return TGot::End;
      Line.swap(FBegun);
      FBegun.clear();
      return TGot::Line;
    }
    if (!MayWait && FFile.ReadWouldWait())
      return TGot::NotYet;
    TInputError Error;
    const std::int64_t Got = FFile.Read(FPiece.get(), Piece, Error);
    if (Got < 0) {
      FError = Error.Text;
      FEnded = true;
      FBegun.clear();
      return TGot::End;
    }
    FEnded = Got == 0;
    FRest = std::string_view(FPiece.get(), static_cast<std::size_t>(Got));
  }
}

} // namespace Sumtide::Cli
