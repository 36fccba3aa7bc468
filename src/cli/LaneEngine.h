#pragma once

// Hashes many files at once: worker threads, each feeding one file per lane of a lane set (the
// library's lane kernels, or streams on the block function, as it chose for the digest) and
// starting the next file in a lane as soon as one ends, whatever its size. The last
// file of all, when it finds its worker idle, is hashed as one stream instead (read ahead on a
// second thread), which is faster for one long message than a lane. Names are taken in order
// through a window of bounded size and the outcomes delivered in order, so memory stays bounded
// whatever the number of files. Anything but a regular file is read in its turn, on a thread of
// its own, once every name before it was delivered.

#include "cli/SumProgram.h"

#include <atomic>
#include <functional>

namespace Sumtide::Cli {

class TLaneEngine final : public IDigestEngine {
public:
  // Workers: how many threads hash; 0 for one per processor the system reports. At most 16.
  explicit TLaneEngine(unsigned Workers = 0);
  void Run(const TDigestKind& Kind, const TNext& Next, const TDeliver& Deliver) override;
  std::int64_t BytesRead() const override { return FBytesRead; }
  void SetTick(std::function<void()> Tick) override { FTick = std::move(Tick); }
  void SetBeforeWait(std::function<void()> BeforeWait) override {
    FBeforeWait = std::move(BeforeWait);
  }

  // Runs on a worker right after a file was opened; tests change the file there.
  using TOpenedHook = std::function<void(const std::string& Name)>;
  void SetOpenedHook(TOpenedHook Hook) { FOpened = std::move(Hook); }

private:
  unsigned FWorkers;
  TOpenedHook FOpened;
  std::function<void()> FTick;
  std::function<void()> FBeforeWait;
  std::atomic<std::int64_t> FBytesRead = 0;
};

} // namespace Sumtide::Cli
