// sumtide-sum: md5sum's command line and output, over the multi-file engine. On Windows the
// arguments come in as wide characters and are handed on as UTF-8, like every name in the
// program; the output is written as bytes, without line-end translation, so that lists are the
// same on every system. Standard output is written through its descriptor (cli/LineOutput.h),
// never through the C library's buffer.

#include "cli/LaneEngine.h"
#include "cli/SumProgram.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#ifdef _WIN32
#include "rtl/win32/SystemLibraries.h"
#include "rtl/win32/WideText.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

namespace {

// Invoked: the program's name as the system gave it (argv[0]); empty when it gave none.
int RunProgram(const std::string& Invoked, const std::vector<std::string>& Args, bool OutIsTerminal,
               bool ErrIsTerminal) {
  // SUMTIDE_SUM_THREADS sets how many threads hash (benchmarks compare counts); unset or 0: one
  // per processor.
  const char* Threads = std::getenv("SUMTIDE_SUM_THREADS");
  Sumtide::Cli::TLaneEngine Engine(
      Threads ? static_cast<unsigned>(std::strtoul(Threads, nullptr, 10) % 256) : 0);
  Sumtide::Cli::TSumStreams Streams;
  Streams.Out = 1;
  Streams.OutIsTerminal = OutIsTerminal;
  Streams.Progress = ErrIsTerminal;
  if (!Invoked.empty())
    Streams.Invoked = Invoked;
  return Sumtide::Cli::RunSum(Args, Engine, Streams, std::getenv("POSIXLY_CORRECT") != nullptr);
}

} // namespace

#ifdef _WIN32

namespace {

// A console shows the names' UTF-8 bytes as text while the program runs; its code page is put
// back when the program ends.
class TUtf8Console {
public:
  TUtf8Console() : FPrevious(::GetConsoleOutputCP()) {
    DWORD Mode;
    FConsole = ::GetConsoleMode(::GetStdHandle(STD_OUTPUT_HANDLE), &Mode) ||
               ::GetConsoleMode(::GetStdHandle(STD_ERROR_HANDLE), &Mode);
    if (FConsole)
      ::SetConsoleOutputCP(CP_UTF8);
    // The progress line is redrawn with terminal sequences, which the console must interpret.
    const HANDLE Error = ::GetStdHandle(STD_ERROR_HANDLE);
    if (::GetConsoleMode(Error, &FErrorMode))
      FProgress = ::SetConsoleMode(Error, FErrorMode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
  }
  ~TUtf8Console() {
    if (FConsole)
      ::SetConsoleOutputCP(FPrevious);
    if (FProgress)
      ::SetConsoleMode(::GetStdHandle(STD_ERROR_HANDLE), FErrorMode);
  }

  // Standard error is a console that draws the progress line.
  bool DrawsProgress() const { return FProgress; }
  TUtf8Console(const TUtf8Console&) = delete;
  TUtf8Console& operator=(const TUtf8Console&) = delete;

private:
  UINT FPrevious;
  bool FConsole = false;
  DWORD FErrorMode = 0;
  bool FProgress = false;
};

} // namespace

int wmain(int argc, wchar_t* argv[]) {
  Sumtide::RestrictLibrarySearch();
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  _setmode(_fileno(stdin), _O_BINARY);
  TUtf8Console Console;
  std::vector<std::string> Args;
  for (int I = 1; I < argc; ++I)
    Args.push_back(Sumtide::WideToUtf8(argv[I]));
  DWORD Mode;
  return RunProgram(argc > 0 ? Sumtide::WideToUtf8(argv[0]) : std::string(), Args,
                    ::GetConsoleMode(::GetStdHandle(STD_OUTPUT_HANDLE), &Mode) != 0,
                    ::GetConsoleMode(::GetStdHandle(STD_ERROR_HANDLE), &Mode) != 0);
}

#else

#include <clocale>
#include <unistd.h>

int main(int argc, char* argv[]) {
  // Names in messages are quoted by what the user's locale takes for printable characters.
  std::setlocale(LC_CTYPE, "");
  return RunProgram(argc > 0 ? argv[0] : "",
                    std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc),
                    ::isatty(STDOUT_FILENO) != 0, ::isatty(STDERR_FILENO) != 0);
}

#endif
