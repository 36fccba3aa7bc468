// The Sumtide program on Windows: the checksum window on the Win32 toolkit backend.

#include "app/AppMain.h"
#include "app/Unit1.h"
#include "rtl/Resources.h"
#include "rtl/win32/SystemLibraries.h"
#include "toolkit/win32/Win32Toolkit.h"

#include <string_view>
#include <windows.h>

namespace {

// The window layout as the program's resources carry it (TFORM1, RCDATA) takes the place of the
// copy compiled into the code.
void RegisterLayoutResource(HINSTANCE Instance) {
  const HRSRC Info = ::FindResourceW(Instance, L"TFORM1", MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  if (!Info)
    return;
  const HGLOBAL Loaded = ::LoadResource(Instance, Info);
  const void* Data = Loaded ? ::LockResource(Loaded) : nullptr;
  if (Data)
    Sumtide::RegisterResource("TFORM1", std::string_view(static_cast<const char*>(Data),
                                                         ::SizeofResource(Instance, Info)));
}

} // namespace

// The command line is not read; the show state is the one the program was started with.
int WINAPI WinMain(HINSTANCE Instance, HINSTANCE, LPSTR, int ShowState) {
  Sumtide::RestrictLibrarySearch();
  Sumtide::Win32Backend::TWin32Toolkit Toolkit(Instance);
  Sumtide::RegisterUnit1();
  RegisterLayoutResource(Instance);
  return Sumtide::SumtideMain(Toolkit, Sumtide::Win32Backend::ShowStateOf(ShowState));
}
