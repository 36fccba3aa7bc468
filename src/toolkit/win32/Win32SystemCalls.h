#pragma once

// The calls the backend makes into the common controls, the common dialogs and the shell, from
// libraries loaded out of the system folder the first time one is needed, not imported. Under
// an emulation of Windows, importing them pulls in, before the program's first line runs, further
// libraries that are looked for in the program's folder first; loaded later, after the program
// restricted the library search (RestrictLibrarySearch), everything they bring comes from the
// system folder. A call whose library or function is missing does nothing and answers "no".

#include "toolkit/win32/WinApi.h"

#include <oleacc.h>

namespace Sumtide::Win32Backend {

// The common controls (version 6, through the program's manifest) with the classes given.
bool InitCommonControls(DWORD Classes);
bool ShowOpenDialog(OPENFILENAMEW& Dialog);
void AcceptDroppedFiles(HWND Window, bool Accept);
// As DragQueryFileW: the count for Index 0xFFFFFFFF, else the name's length or characters copied.
UINT DroppedFile(HDROP Drop, UINT Index, wchar_t* Name, UINT Room);
void FinishDrop(HDROP Drop);
void ShellExecuteOpen(HWND Owner, const wchar_t* Address);
// The screen readers' calls; E_FAIL and 0 without their library.
HRESULT CreateStdAccessible(HWND Window, LONG Object, REFIID Interface, void** Accessible);
LRESULT ResultFromObject(REFIID Interface, WPARAM WParam, IUnknown* Object);

} // namespace Sumtide::Win32Backend
