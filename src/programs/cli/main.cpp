// sumtide-sum: md5sum's command line and output, over the multi-file engine.

#include "cli/LaneEngine.h"
#include "cli/SumProgram.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char* argv[]) {
  static char OutBuffer[64 * 1024];
  std::setvbuf(stdout, OutBuffer, _IOFBF, sizeof OutBuffer);
  std::vector<std::string> Args(argv + (argc > 0 ? 1 : 0), argv + argc);
  // SUMTIDE_SUM_THREADS sets how many threads hash (benchmarks compare counts); unset or 0: one
  // per processor.
  const char* Threads = std::getenv("SUMTIDE_SUM_THREADS");
  Sumtide::Cli::TLaneEngine Engine(
      Threads ? static_cast<unsigned>(std::strtoul(Threads, nullptr, 10) % 256) : 0);
  return Sumtide::Cli::RunSum(Args, Engine, {}, std::getenv("POSIXLY_CORRECT") != nullptr);
}
