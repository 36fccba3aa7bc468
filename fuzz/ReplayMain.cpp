// The plain build of a fuzz target: replays the files named on the command line, and every file
// in the folders named there, through LLVMFuzzerTestOneInput. Each input is copied into a block
// of exactly its size, as libFuzzer hands it over, so a read past its end is caught by the
// sanitizers. A broken rule aborts; otherwise the program prints how many inputs it ran.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size);

namespace {

void Replay(const std::filesystem::path& Path) {
  std::ifstream In(Path, std::ios::binary);
  const std::vector<char> Bytes((std::istreambuf_iterator<char>(In)), {});
  auto Exact = std::make_unique<std::uint8_t[]>(Bytes.size());
  std::copy(Bytes.begin(), Bytes.end(), Exact.get());
  LLVMFuzzerTestOneInput(Exact.get(), Bytes.size());
}

} // namespace

int main(int Argc, char** Argv) {
  std::vector<std::filesystem::path> Inputs;
  for (int I = 1; I < Argc; ++I) {
    const std::filesystem::path Path = Argv[I];
    if (std::filesystem::is_directory(Path)) {
      for (const auto& Entry : std::filesystem::directory_iterator(Path))
        if (Entry.is_regular_file())
          Inputs.push_back(Entry.path());
    } else {
      Inputs.push_back(Path);
    }
  }
  std::sort(Inputs.begin(), Inputs.end());
  if (Inputs.empty()) {
    std::fprintf(stderr, "no inputs\n");
    return 1;
  }
  for (const auto& Path : Inputs)
    Replay(Path);
  std::printf("%zu inputs replayed\n", Inputs.size());
  return 0;
}
