#pragma once

// sumtide-sum: prints or checks MD5 checksums as GNU md5sum does, with the same standard output
// and exit codes for the same arguments and files.

#include "cli/FileDigest.h"

#include <cstdio>
#include <string>
#include <vector>

namespace Sumtide::Cli {

inline constexpr const char* ProgramName = "sumtide-sum";

// Hashes a list of files; the outcomes come back in the order of the names.
class IDigestEngine {
public:
  virtual void DigestAll(const std::vector<std::string>& Names,
                         std::vector<TDigestOutcome>& Outcomes) = 0;

protected:
  ~IDigestEngine() = default;
};

// One file after the other on the calling thread.
class TSequentialEngine final : public IDigestEngine {
public:
  void DigestAll(const std::vector<std::string>& Names,
                 std::vector<TDigestOutcome>& Outcomes) override;
};

struct TSumStreams {
  std::FILE* Out = stdout;
  std::FILE* Err = stderr;
};

// Runs the program on Args (after the program's name) and returns its exit code.
int RunSum(const std::vector<std::string>& Args, IDigestEngine& Engine,
           const TSumStreams& Streams = {}, bool PosixlyCorrect = false);

} // namespace Sumtide::Cli
