// sumtide-sum: md5sum's command line and output, over the multi-file engine.

#include "cli/SumProgram.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char* argv[]) {
  static char OutBuffer[64 * 1024];
  std::setvbuf(stdout, OutBuffer, _IOFBF, sizeof OutBuffer);
  std::vector<std::string> Args(argv + (argc > 0 ? 1 : 0), argv + argc);
  Sumtide::Cli::TSequentialEngine Engine;
  return Sumtide::Cli::RunSum(Args, Engine, {}, std::getenv("POSIXLY_CORRECT") != nullptr);
}
