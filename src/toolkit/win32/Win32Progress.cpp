#include "toolkit/win32/Win32Progress.h"

#include "toolkit/win32/Win32Navigation.h"

#include <algorithm>

namespace Sumtide::Win32Backend {

namespace {

constexpr const wchar_t* ProgressClassName = L"SumtideProgress";
constexpr int CancelId = 100;
constexpr int ClientWidth = 320, ClientHeight = 104;

} // namespace

LRESULT CALLBACK TWin32Progress::WindowProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (Msg == WM_NCCREATE)
    ::SetWindowLongPtrW(
        Window, GWLP_USERDATA,
        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(LParam)->lpCreateParams));
  auto* Self = reinterpret_cast<TWin32Progress*>(::GetWindowLongPtrW(Window, GWLP_USERDATA));
  if (Self && ((Msg == WM_COMMAND && LOWORD(WParam) == CancelId) ||
               (Msg == WM_COMMAND && LOWORD(WParam) == IDCANCEL) || Msg == WM_CLOSE)) {
    Self->FCancelled = true;
    return 0;
  }
  return ::DefWindowProcW(Window, Msg, WParam, LParam);
}

TWin32Progress::TWin32Progress(HINSTANCE Instance, HWND Owner, HFONT Font,
                               const std::wstring& Caption, const std::wstring& Text)
    : FOwner(Owner) {
  static bool Registered = false;
  if (!Registered) {
    WNDCLASSEXW Class{};
    Class.cbSize = sizeof Class;
    Class.lpfnWndProc = WindowProc;
    Class.hInstance = Instance;
    Class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    Class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    Class.lpszClassName = ProgressClassName;
    Registered = ::RegisterClassExW(&Class) != 0;
  }
  const DWORD Style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  const DWORD ExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
  RECT Frame{0, 0, ClientWidth, ClientHeight};
  ::AdjustWindowRectEx(&Frame, Style, FALSE, ExStyle);
  const int Width = Frame.right - Frame.left, Height = Frame.bottom - Frame.top;
  // Centred over the owner, or on the screen.
  RECT Over{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  if (Owner)
    ::GetWindowRect(Owner, &Over);
  FWindow = ::CreateWindowExW(ExStyle, ProgressClassName, Caption.c_str(), Style,
                              Over.left + (Over.right - Over.left - Width) / 2,
                              Over.top + (Over.bottom - Over.top - Height) / 2, Width, Height,
                              Owner, nullptr, Instance, this);
  if (!FWindow)
    return; // the run goes on without a display
  const auto Child = [&](const wchar_t* Class, const wchar_t* Caption, DWORD Style, int X, int Y,
                         int W, int H, int Id) {
    const HWND Control =
        ::CreateWindowExW(0, Class, Caption, WS_CHILD | WS_VISIBLE | Style, X, Y, W, H, FWindow,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(Id)), Instance, nullptr);
    ::SendMessageW(Control, WM_SETFONT, reinterpret_cast<WPARAM>(Font), FALSE);
    return Control;
  };
  Child(L"STATIC", Text.c_str(), SS_LEFT | SS_NOPREFIX, 12, 12, ClientWidth - 24, 16, -1);
  FBar = Child(PROGRESS_CLASSW, L"", 0, 12, 36, ClientWidth - 24, 18, -1);
  ::SendMessageW(FBar, PBM_SETRANGE32, 0, 1000);
  const HWND Cancel = Child(L"BUTTON", L"Annuler", BS_PUSHBUTTON | WS_TABSTOP,
                            (ClientWidth - 75) / 2, 66, 75, 25, CancelId);
  FOwnerWasEnabled = Owner && !::EnableWindow(Owner, FALSE);
  ::ShowWindow(FWindow, SW_SHOWNORMAL);
  ::UpdateWindow(FWindow);
  ::SetFocus(Cancel);
}

TWin32Progress::~TWin32Progress() {
  // The owner first, so that it takes the activation back when the display goes.
  if (FOwnerWasEnabled)
    ::EnableWindow(FOwner, TRUE);
  if (FWindow)
    ::DestroyWindow(FWindow);
}

bool TWin32Progress::Step(std::int64_t Done, std::int64_t Total) {
  if (!FWindow)
    return true;
  if (Total > 0) {
    ::SendMessageW(FBar, PBM_SETPOS,
                   static_cast<WPARAM>(std::clamp<std::int64_t>(Done * 1000 / Total, 0, 1000)), 0);
  } else if (!FMarquee) {
    // Without a total (a file that reports no size) the bar only shows that work goes on.
    ::SetWindowLongPtrW(FBar, GWL_STYLE, ::GetWindowLongPtrW(FBar, GWL_STYLE) | PBS_MARQUEE);
    ::SendMessageW(FBar, PBM_SETMARQUEE, TRUE, 0);
    FMarquee = true;
  }
  MSG Message;
  while (!FCancelled && ::PeekMessageW(&Message, nullptr, 0, 0, PM_REMOVE)) {
    if (Message.message == WM_QUIT) {
      // The application is ending: the run stops, and the loop above hears the quit too.
      ::PostQuitMessage(static_cast<int>(Message.wParam));
      FCancelled = true;
      break;
    }
    if (PressFocusedButton(FWindow, Message) || ::IsDialogMessageW(FWindow, &Message))
      continue;
    ::TranslateMessage(&Message);
    ::DispatchMessageW(&Message);
  }
  return !FCancelled;
}

} // namespace Sumtide::Win32Backend
