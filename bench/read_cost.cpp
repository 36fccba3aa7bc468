// What reading a cached file costs beside hashing it, in the processor time of one thread:
//
//   read_cost FILE [ROUNDS]
//
// Each round runs, one after the other: the hash alone (TSCL_md5 over one buffer already in the
// cache, as many bytes as the file holds); the read alone and read + hash (the file read through
// TReadOnlyFile in the checksum command's pieces into one buffer, its way for files under 8 MiB
// and wherever mapping fails); the map alone and map + hash (the file's 8 MiB windows mapped
// through TReadOnlyFile::ConsumeMapped and hashed in place, the command's way for larger files).
// Prints the median of each (ROUNDS, default 7) and its share of the hash alone. Have the file
// in the page cache first (read it once with cat).

#include "checksum/ReadingSizes.h"
#include "files/FileServices.h"
#include "scl/SCLmd5.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace Sumtide;
using namespace Sumtide::Checksum;

double ThreadSeconds() {
  timespec Now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &Now);
  return static_cast<double>(Now.tv_sec) + static_cast<double>(Now.tv_nsec) * 1e-9;
}

TReadOnlyFile OpenOrExit(const std::string& Path) {
  std::optional<TReadOnlyFile> File = TReadOnlyFile::Open(Path);
  if (!File) {
    std::fprintf(stderr, "read_cost: cannot open %s as a regular file\n", Path.c_str());
    std::exit(1);
  }
  return std::move(*File);
}

struct TMeasure {
  const char* Name;
  std::function<std::uint8_t()> Run; // returns a digest byte, so that nothing is optimised away
  std::vector<double> Seconds = {};
};

} // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: %s FILE [ROUNDS]\n", argc > 0 ? argv[0] : "read_cost");
    return 2;
  }
  const std::string Path = argv[1];
  const int Rounds = argc == 3 ? std::max(1, std::atoi(argv[2])) : 7;
  const std::int64_t Size = OpenOrExit(Path).Size();
  // The buffer as the command gets it: a plain allocation, whose address is not a multiple of
  // 64 (the kernel copies into such a buffer about 8% faster here than into an aligned one).
  auto Buffer = std::make_unique<std::uint8_t[]>(ReadPiece);

  auto Digest = [](TSCL_md5& Hash) {
    std::uint8_t Out[16];
    Hash.Final(Out);
    return Out[0];
  };
  std::vector<TMeasure> Measures;
  Measures.push_back({"hash alone", [&] {
                        TSCL_md5 Hash(nullptr);
                        Hash.Init();
                        for (std::int64_t Done = 0; Done < Size; Done += ReadPiece)
                          Hash.Update(Buffer.get(),
                                      static_cast<std::uint32_t>(std::min(ReadPiece, Size - Done)));
                        return Digest(Hash);
                      }});
  Measures.push_back({"read alone", [&] {
                        TReadOnlyFile File = OpenOrExit(Path);
                        while (File.Read(Buffer.get(), ReadPiece) != 0) {
                        }
                        return Buffer[0];
                      }});
  Measures.push_back({"read + hash", [&] {
                        TReadOnlyFile File = OpenOrExit(Path);
                        TSCL_md5 Hash(nullptr);
                        Hash.Init();
                        while (const std::int64_t Count = File.Read(Buffer.get(), ReadPiece))
                          Hash.Update(Buffer.get(), static_cast<std::uint32_t>(Count));
                        return Digest(Hash);
                      }});
  auto HashMapped = [&](TSCL_md5* Hash) {
    TReadOnlyFile File = OpenOrExit(Path);
    for (std::int64_t Done = 0; Done < Size; Done += MapWindow) {
      const std::int64_t Length = std::min(MapWindow, Size - Done);
      const bool Mapped = File.ConsumeMapped(
          Done, Length,
          Hash ? +[](void* H, const std::uint8_t* Bytes, std::size_t Count) {
            static_cast<TSCL_md5*>(H)->Update(Bytes, static_cast<std::uint32_t>(Count));
          }
               : +[](void*, const std::uint8_t* Bytes, std::size_t Count) {
                   // One byte a page: what faulting the window in costs.
                   for (std::size_t I = 0; I < Count; I += 4096)
                     static_cast<void>(static_cast<const volatile std::uint8_t*>(Bytes)[I]);
                 },
          Hash);
      if (!Mapped) {
        std::fprintf(stderr, "read_cost: %s cannot be mapped\n", Path.c_str());
        std::exit(1);
      }
    }
  };
  Measures.push_back({"map alone", [&] {
                        HashMapped(nullptr);
                        return Buffer[0];
                      }});
  Measures.push_back({"map + hash", [&] {
                        TSCL_md5 Hash(nullptr);
                        Hash.Init();
                        HashMapped(&Hash);
                        return Digest(Hash);
                      }});

  unsigned Sink = 0;
  for (int Round = 0; Round < Rounds; ++Round)
    for (TMeasure& Measure : Measures) {
      const double Start = ThreadSeconds();
      Sink += Measure.Run();
      Measure.Seconds.push_back(ThreadSeconds() - Start);
    }

  std::printf("%s: %.1f MiB, %d rounds, medians of this thread's processor time\n", Path.c_str(),
              static_cast<double>(Size) / (1 << 20), Rounds);
  double HashAlone = 0;
  for (TMeasure& Measure : Measures) {
    std::sort(Measure.Seconds.begin(), Measure.Seconds.end());
    const double Median = Measure.Seconds[Measure.Seconds.size() / 2];
    if (HashAlone == 0)
      HashAlone = Median;
    std::printf("  %-28s %8.3f s  %6.1f%% of the hash alone  (%.3f to %.3f)\n", Measure.Name,
                Median, 100 * Median / HashAlone, Measure.Seconds.front(), Measure.Seconds.back());
  }
  return Sink == 0xFFFFFFFFu ? 3 : 0; // never: keeps the digests alive
}
