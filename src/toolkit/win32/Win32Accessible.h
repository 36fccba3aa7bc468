#pragma once

// What a screen reader hears of a control: the system's own accessible object, with the name or
// role it cannot know. The system names an edit by a label before it, which a field framed by a
// group box lacks; and a label that opens an address is a link, not static text.

#include "toolkit/win32/WinApi.h"

#include <string>

namespace Sumtide::Win32Backend {

struct TAccessibleOverride {
  std::wstring Name; // empty: the system's name
  bool Link = false; // the link role; its default action clicks the control
};

// The answer to WM_GETOBJECT for Window's client object, or 0 to let the control answer (other
// objects, or when the system's object cannot be made).
LRESULT AnswerGetObject(HWND Window, WPARAM WParam, LPARAM LParam,
                        const TAccessibleOverride& Override);

} // namespace Sumtide::Win32Backend
