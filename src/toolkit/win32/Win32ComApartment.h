#pragma once

namespace Sumtide::Win32Backend {

// The calling thread in a single-threaded COM apartment for its lifetime: screen readers reach
// the accessible objects through it.
class TComApartment {
public:
  TComApartment();
  ~TComApartment();
  TComApartment(const TComApartment&) = delete;
  TComApartment& operator=(const TComApartment&) = delete;

private:
  bool FJoined;
};

} // namespace Sumtide::Win32Backend
