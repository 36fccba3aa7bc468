#pragma once

// sumtide-sum: prints or checks checksums (MD5, SHA-1, SHA-2) as the GNU md5sum and sha*sum
// tools do, with the same output, messages and exit codes for the same arguments and files.

#include "cli/FileDigest.h"

#include <atomic>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace Sumtide::Cli {

inline constexpr const char* ProgramName = "sumtide-sum";

// Hashes the files Next names with the digest Kind, one after the other, until it returns false,
// and hands each outcome to Deliver in the order of the names. Both are called on the calling
// thread.
class IDigestEngine {
public:
  using TNext = std::function<bool(std::string& Name)>;
  using TDeliver = std::function<void(const std::string& Name, TDigestOutcome& Outcome)>;
  virtual void Run(const TDigestKind& Kind, const TNext& Next, const TDeliver& Deliver) = 0;
  // The bytes read so far, from any thread; for a progress display.
  virtual std::int64_t BytesRead() const { return 0; }
  // Called on the calling thread now and then while Run waits for files, for a progress display.
  virtual void SetTick(std::function<void()> Tick) { (void)Tick; }

protected:
  ~IDigestEngine() = default;
};

// One file after the other on the calling thread.
class TSequentialEngine final : public IDigestEngine {
public:
  void Run(const TDigestKind& Kind, const TNext& Next, const TDeliver& Deliver) override;
  std::int64_t BytesRead() const override { return FBytesRead; }

private:
  std::atomic<std::int64_t> FBytesRead = 0;
};

struct TSumStreams {
  std::FILE* Out = stdout;
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
