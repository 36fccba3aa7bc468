#include "toolkit/win32/Win32ComApartment.h"

#include "toolkit/win32/WinApi.h"

#include <objbase.h>

namespace Sumtide::Win32Backend {

TComApartment::TComApartment()
    : FJoined(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}

TComApartment::~TComApartment() {
  if (FJoined)
    ::CoUninitialize();
}

} // namespace Sumtide::Win32Backend
