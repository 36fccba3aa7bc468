#include "cli/ProgressLine.h"

#include "cli/SumProgram.h"

#include <cinttypes>

namespace Sumtide::Cli {

namespace {

using namespace std::chrono_literals;
constexpr auto Delay = 1s;
constexpr auto Redraw = 250ms;

std::string Mebibytes(std::int64_t Bytes) {
  char Text[32];
  std::snprintf(Text, sizeof Text, "%.1f MiB", static_cast<double>(Bytes) / (1024.0 * 1024.0));
  return Text;
}

std::string Duration(double Seconds) {
  const auto Whole = static_cast<std::int64_t>(Seconds + 0.5);
  char Text[32];
  if (Whole >= 3600)
    std::snprintf(Text, sizeof Text, "%" PRId64 ":%02d:%02d", Whole / 3600,
                  static_cast<int>(Whole / 60 % 60), static_cast<int>(Whole % 60));
  else
    std::snprintf(Text, sizeof Text, "%d:%02d", static_cast<int>(Whole / 60),
                  static_cast<int>(Whole % 60));
  return Text;
}

} // namespace

TProgressLine::TProgressLine(std::FILE* Terminal)
    : FTerminal(Terminal), FStart(std::chrono::steady_clock::now()) {}

void TProgressLine::SetTotals(std::uint64_t Files, std::int64_t Bytes) {
  FTotalFiles = Files;
  FTotalBytes = Bytes;
}

bool TProgressLine::Due() const {
  return std::chrono::steady_clock::now() - FStart >= Delay;
}

std::string TProgressLine::Text(std::uint64_t FilesDone, std::int64_t BytesDone,
                                std::uint64_t Files, std::int64_t Bytes, double Seconds) {
  const bool Known = Bytes >= 0;
  std::string Line = std::string(ProgramName) + ": " + std::to_string(FilesDone);
  if (Known)
    Line += "/" + std::to_string(Files);
  Line += Known || FilesDone != 1 ? " files, " : " file, ";
  Line += Mebibytes(BytesDone);
  if (Known)
    Line += " of " + Mebibytes(Bytes);
  const double Speed = Seconds > 0 ? static_cast<double>(BytesDone) / Seconds : 0;
  Line += ", " + Mebibytes(static_cast<std::int64_t>(Speed)) + "/s";
  if (Known && Speed > 0 && Bytes >= BytesDone)
    Line += ", " + Duration(static_cast<double>(Bytes - BytesDone) / Speed) + " left";
  return Line;
}

void TProgressLine::Update(std::uint64_t FilesDone, std::int64_t BytesDone) {
  const auto Now = std::chrono::steady_clock::now();
  if (Now - FStart < Delay || (FShown && Now - FDrawn < Redraw))
    return;
  FDrawn = Now;
  const double Seconds = std::chrono::duration<double>(Now - FStart).count();
  const std::string Line = Text(FilesDone, BytesDone, FTotalFiles, FTotalBytes, Seconds);
  // Back to the line's start, the text, and the rest of the line cleared.
  std::fprintf(FTerminal, "\r%s\033[K", Line.c_str());
  std::fflush(FTerminal);
  FShown = true;
}

void TProgressLine::Wipe() {
  if (!FShown)
    return;
  std::fputs("\r\033[K", FTerminal);
  std::fflush(FTerminal);
  FShown = false;
}

} // namespace Sumtide::Cli
