#pragma once

// sumtide-sum: prints or checks checksums (MD5, SHA-1, SHA-2, BLAKE2b) as the GNU md5sum,
// sha*sum and b2sum tools do, with the same output, messages and exit codes for the same
// arguments and files; and BLAKE3 checksums with the lines and exit codes of b3sum.

#include "cli/FileDigest.h"

#include <atomic>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace Sumtide::Cli {

inline constexpr const char* ProgramName = "sumtide-sum";

// Hashes the files Next names with the digest Kind, one after the other, until it gives no more,
// and hands each outcome to Deliver in the order of the names. Both are called on the calling
// thread. A file that is not a regular one (standard input "-", a FIFO, a device) is opened and
// read in its turn: only once every name before it was delivered, as a program that reads one file
// after the other would, since opening it early could take a writer's bytes ahead of their reader
// or wait for a writer who first feeds another file.
class IDigestEngine {
public:
  enum class TNames : std::uint8_t {
    Name,  // Name holds the next name
    End,   // there are no more
    NotYet // none has come yet, and MayWait said not to wait for one
  };
  // MayWait false: names that come from a pipe or a terminal are not to be waited for now.
  using TNext = std::function<TNames(std::string& Name, bool MayWait)>;
  using TDeliver = std::function<void(const std::string& Name, TDigestOutcome& Outcome)>;
  virtual void Run(const TDigestKind& Kind, const TNext& Next, const TDeliver& Deliver) = 0;
  // The bytes read so far, from any thread; for a progress display.
  virtual std::int64_t BytesRead() const { return 0; }
  // Called on the calling thread now and then while Run waits for files, for a progress display.
  virtual void SetTick(std::function<void()> Tick) { (void)Tick; }
  // Called on the calling thread before Run waits on anything that may take long or never end (a
  // file being hashed, a file read in its turn, names that have not come), so that what was
  // delivered before reaches its reader first.
  virtual void SetBeforeWait(std::function<void()> BeforeWait) { (void)BeforeWait; }

protected:
  ~IDigestEngine() = default;
};

// One file after the other on the calling thread.
class TSequentialEngine final : public IDigestEngine {
public:
  void Run(const TDigestKind& Kind, const TNext& Next, const TDeliver& Deliver) override;
  std::int64_t BytesRead() const override { return FBytesRead; }
  void SetBeforeWait(std::function<void()> BeforeWait) override {
    FBeforeWait = std::move(BeforeWait);
  }

private:
  std::atomic<std::int64_t> FBytesRead = 0;
  std::function<void()> FBeforeWait;
};

struct TSumStreams {
  // Standard output's descriptor; RunSum closes it at the end, as the GNU tools close theirs, to
  // hear of any write that did not reach it.
  int Out = 1;
  std::FILE* Err = stderr;
  bool OutIsTerminal = false;
  // Err is a terminal: a progress line is drawn there once a run takes a second.
  bool Progress = false;
  // The program's name as it was invoked (argv[0]), which begins every message on Err, as the
  // system's own tools name themselves.
  std::string Invoked = ProgramName;
};

// Runs the program on Args (after the program's name) and returns its exit code.
int RunSum(const std::vector<std::string>& Args, IDigestEngine& Engine,
           const TSumStreams& Streams = {}, bool PosixlyCorrect = false);

} // namespace Sumtide::Cli
