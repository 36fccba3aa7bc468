#pragma once

// What the user sees while the window hashes a file: the wait cursor from the open on, and once
// the run has taken a second, the progress display with its cancel button. The hash runs on the
// window's own thread, so the display's steps are what keep the window painted and answering:
// from the moment it shows, each piece hashed gives it a step, a few dozen a second at most.

#include "checksum/FileChecksum.h"
#include "forms/SystemServices.h"
#include "toolkit/Toolkit.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace Sumtide {

class TChecksumDisplay final : public Checksum::IProgress {
public:
  using TClock = std::chrono::steady_clock;
  // A run that has gone on this long gets the display, whatever the file's size: a small file
  // on a slow medium takes as long as a large one on a fast disk.
  static constexpr TClock::duration ShowAfter = std::chrono::seconds(1);
  // The display handles the window's input and repaints at each step; steps closer than this
  // are left out, so that pieces that come fast are hashed without the toolkit in between.
  static constexpr TClock::duration StepEvery = std::chrono::milliseconds(40);

  // The clock every display reads: the steady clock, or one a test sets in its place (an empty
  // one puts the steady clock back). Read once when the run starts and once per piece.
  static void SetClock(std::function<TClock::time_point()> Now);

  void Started(std::int64_t Total) override;
  bool Reached(std::int64_t Done, std::int64_t Total) override;

private:
  static TClock::time_point Now();

  std::optional<TBusyCursor> FBusy;
  std::unique_ptr<Toolkit::IProgress> FDisplay; // closed before the wait cursor goes
  TClock::time_point FStarted{};
  TClock::time_point FStepped{}; // the display's last step
};

} // namespace Sumtide
