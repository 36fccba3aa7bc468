#pragma once

// Keyboard navigation in the program's windows, beside the system's dialog navigation.

#include "toolkit/win32/WinApi.h"

namespace Sumtide::Win32Backend {

// Enter on a focused push button of Window presses it, whichever way the button got the focus
// (Tab, Shift+Tab, a click). The system's dialog navigation presses only a default button, and
// no button of these windows is one: without this, Enter after Tab pressed nothing. True when
// Message was that key and the button was pressed.
bool PressFocusedButton(HWND Window, const MSG& Message);

} // namespace Sumtide::Win32Backend
