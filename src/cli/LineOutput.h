#pragma once

// Standard output as the GNU checksum tools give it, which write each line as soon as it is known:
// - to a pipe, a terminal, a socket or a device, each line goes out at once, in one write, so a
//   reader sees it in time and a reader that went away is found at the next line (SIGPIPE, or
//   "write error" where the signal is ignored), as it would be by those tools;
// - to a regular file (or /dev/null), lines are gathered into large writes, which keeps many
//   small files fast, but every write ends at a line's end, and Flush writes them out before the
//   program waits on anything (see IDigestEngine::SetBeforeWait), so an interrupted run leaves
//   whole lines only;
// - at the end, Finish closes the output and says whether anything failed to reach it, as those
//   tools do when they close their standard output.

#include <optional>
#include <string>
#include <string_view>

namespace Sumtide::Cli {

class TLineOutput {
public:
  // Descriptor: where the lines go (standard output: 1), a POSIX descriptor or a C runtime one.
  explicit TLineOutput(int Descriptor);
  ~TLineOutput();
  TLineOutput(const TLineOutput&) = delete;
  TLineOutput& operator=(const TLineOutput&) = delete;

  // Text is one or more whole lines.
  void Write(std::string_view Text);
  // Writes the lines held back, if any.
  void Flush();
  // Writes the lines held back and closes the descriptor. The message for standard error when
  // something did not reach it: "write error", with the system's words when the close failed
  // ("write error: Bad file descriptor" for an output that was closed before the program ran);
  // nothing when all went well. Nothing is written after it.
  std::optional<std::string> Finish();

private:
  bool Send(std::string_view Text);

  int FDescriptor;
  bool FGathers;        // a regular file: lines are gathered into large writes
  bool FFailed = false; // a write failed: nothing more is sent
  bool FFinished = false;
  std::string FHeld;
};

} // namespace Sumtide::Cli
