#pragma once

// The modal progress display of long runs: a small window with a progress bar and "Annuler",
// owned by the main window, which stays disabled while it is shown. The run works on the thread
// of the windows; each step handles the messages waiting for it, so the display answers its
// input and the main window repaints between pieces of work.

#include "toolkit/Toolkit.h"
#include "toolkit/win32/WinApi.h"

#include <string>

namespace Sumtide::Win32Backend {

class TWin32Progress final : public Toolkit::IProgress {
public:
  TWin32Progress(HINSTANCE Instance, HWND Owner, HFONT Font, const std::wstring& Caption,
                 const std::wstring& Text);
  ~TWin32Progress() override;
  TWin32Progress(const TWin32Progress&) = delete;
  TWin32Progress& operator=(const TWin32Progress&) = delete;

  bool Step(std::int64_t Done, std::int64_t Total) override;

private:
  static LRESULT CALLBACK WindowProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam);

  HWND FOwner;
  HWND FWindow = nullptr;
  HWND FBar = nullptr;
  bool FOwnerWasEnabled = false;
  bool FCancelled = false;
  bool FMarquee = false; // no total: the bar runs without a position
};

} // namespace Sumtide::Win32Backend
