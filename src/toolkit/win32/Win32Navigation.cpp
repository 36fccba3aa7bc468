#include "toolkit/win32/Win32Navigation.h"

#include <cwchar>

namespace Sumtide::Win32Backend {

bool PressFocusedButton(HWND Window, const MSG& Message) {
  if (Message.message != WM_KEYDOWN || Message.wParam != VK_RETURN)
    return false;
  const HWND Focus = ::GetFocus();
  if (!Focus || !::IsChild(Window, Focus))
    return false;
  wchar_t Class[16] = {};
  ::GetClassNameW(Focus, Class, 16);
  const LONG Type = ::GetWindowLongW(Focus, GWL_STYLE) & BS_TYPEMASK;
  if (std::wcscmp(Class, L"Button") != 0 || (Type != BS_PUSHBUTTON && Type != BS_DEFPUSHBUTTON))
    return false;
  ::SendMessageW(Focus, BM_CLICK, 0, 0);
  return true;
}

} // namespace Sumtide::Win32Backend
