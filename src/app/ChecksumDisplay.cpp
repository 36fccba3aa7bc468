#include "app/ChecksumDisplay.h"

#include <utility>

namespace Sumtide {

namespace {
// The clock a test put in place of the steady clock; empty otherwise.
std::function<TChecksumDisplay::TClock::time_point()>& ReplacedClock() {
  static std::function<TChecksumDisplay::TClock::time_point()> Clock;
  return Clock;
}
} // namespace

void TChecksumDisplay::SetClock(std::function<TClock::time_point()> Now) {
  ReplacedClock() = std::move(Now);
}

TChecksumDisplay::TClock::time_point TChecksumDisplay::Now() {
  const auto& Clock = ReplacedClock();
  return Clock ? Clock() : TClock::now();
}

void TChecksumDisplay::Started(std::int64_t) {
  FBusy.emplace();
  FStarted = Now();
}

bool TChecksumDisplay::Reached(std::int64_t Done, std::int64_t Total) {
  const TClock::time_point Time = Now();
  if (!FDisplay) {
    if (Time - FStarted < ShowAfter)
      return true;
    FDisplay = BeginProgress("Sumtide", "Calcul de la somme de contrôle MD5…");
  } else if (Time - FStepped < StepEvery) {
    return true;
  }
  FStepped = Time;
  // Without a total (a file that reports no size, which may never end) the display shows only
  // that work goes on.
  return FDisplay->Step(Done, Total);
}

} // namespace Sumtide
