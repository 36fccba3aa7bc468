#pragma once

// The progress line on a terminal: files and bytes done, of the total once it is known, speed
// and time left, redrawn in place on standard error. It appears only once a run has taken a
// second, and is wiped before anything else is written to the terminal and at the end.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace Sumtide::Cli {

class TProgressLine {
public:
  explicit TProgressLine(std::FILE* Terminal);
  ~TProgressLine() { Wipe(); }
  TProgressLine(const TProgressLine&) = delete;
  TProgressLine& operator=(const TProgressLine&) = delete;

  // The totals, once counted (from any thread).
  void SetTotals(std::uint64_t Files, std::int64_t Bytes);
  // True once the line is due: the run has taken a second.
  bool Due() const;
  // Redraws the line if it is due and was not drawn for a moment.
  void Update(std::uint64_t FilesDone, std::int64_t BytesDone);
  // Takes the line off the terminal, before other output and at the end.
  void Wipe();

  // The text of the line (no terminal codes), for tests.
  static std::string Text(std::uint64_t FilesDone, std::int64_t BytesDone, std::uint64_t Files,
                          std::int64_t Bytes, double Seconds);

private:
  std::FILE* FTerminal;
  std::chrono::steady_clock::time_point FStart;
  std::chrono::steady_clock::time_point FDrawn;
  bool FShown = false;
  std::atomic<std::uint64_t> FTotalFiles = 0;
  std::atomic<std::int64_t> FTotalBytes = -1; // -1: not counted yet
};

} // namespace Sumtide::Cli
