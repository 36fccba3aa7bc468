#include "toolkit/win32/Win32SystemCalls.h"

#include "rtl/win32/SystemLibraries.h"

namespace Sumtide::Win32Backend {

namespace {

// Loaded once, kept for the life of the process: windows of the common controls' classes use the
// library until they are gone.
class TSystemCalls {
  TSystemLibrary FControls{
      L"comctl32.dll"}; // the libraries first: the functions are read from them
  TSystemLibrary FDialogs{L"comdlg32.dll"};
  TSystemLibrary FShell{L"shell32.dll"};
  TSystemLibrary FAccessibility{L"oleacc.dll"};
  TSystemCalls() = default;

public:
  static const TSystemCalls& Get() {
    static const TSystemCalls Calls;
    return Calls;
  }
  decltype(::InitCommonControlsEx)* const InitCommonControlsEx =
      FControls.Function<decltype(::InitCommonControlsEx)>("InitCommonControlsEx");
  decltype(::GetOpenFileNameW)* const GetOpenFileNameW =
      FDialogs.Function<decltype(::GetOpenFileNameW)>("GetOpenFileNameW");
  decltype(::DragAcceptFiles)* const DragAcceptFiles =
      FShell.Function<decltype(::DragAcceptFiles)>("DragAcceptFiles");
  decltype(::DragQueryFileW)* const DragQueryFileW =
      FShell.Function<decltype(::DragQueryFileW)>("DragQueryFileW");
  decltype(::DragFinish)* const DragFinish = FShell.Function<decltype(::DragFinish)>("DragFinish");
  decltype(::ShellExecuteW)* const ShellExecuteW =
      FShell.Function<decltype(::ShellExecuteW)>("ShellExecuteW");
  decltype(::CreateStdAccessibleObject)* const CreateStdAccessibleObject =
      FAccessibility.Function<decltype(::CreateStdAccessibleObject)>("CreateStdAccessibleObject");
  decltype(::LresultFromObject)* const LresultFromObject =
      FAccessibility.Function<decltype(::LresultFromObject)>("LresultFromObject");
};

} // namespace

bool InitCommonControls(DWORD Classes) {
  INITCOMMONCONTROLSEX Controls{sizeof Controls, Classes};
  const auto Call = TSystemCalls::Get().InitCommonControlsEx;
  return Call && Call(&Controls);
}

bool ShowOpenDialog(OPENFILENAMEW& Dialog) {
  const auto Call = TSystemCalls::Get().GetOpenFileNameW;
  return Call && Call(&Dialog);
}

void AcceptDroppedFiles(HWND Window, bool Accept) {
  if (const auto Call = TSystemCalls::Get().DragAcceptFiles)
    Call(Window, Accept);
}

UINT DroppedFile(HDROP Drop, UINT Index, wchar_t* Name, UINT Room) {
  const auto Call = TSystemCalls::Get().DragQueryFileW;
  return Call ? Call(Drop, Index, Name, Room) : 0;
}

void FinishDrop(HDROP Drop) {
  if (const auto Call = TSystemCalls::Get().DragFinish)
    Call(Drop);
}

void ShellExecuteOpen(HWND Owner, const wchar_t* Address) {
  if (const auto Call = TSystemCalls::Get().ShellExecuteW)
    Call(Owner, L"open", Address, nullptr, nullptr, SW_SHOWDEFAULT);
}

HRESULT CreateStdAccessible(HWND Window, LONG Object, REFIID Interface, void** Accessible) {
  const auto Call = TSystemCalls::Get().CreateStdAccessibleObject;
  return Call ? Call(Window, Object, Interface, Accessible) : E_FAIL;
}

LRESULT ResultFromObject(REFIID Interface, WPARAM WParam, IUnknown* Object) {
  const auto Call = TSystemCalls::Get().LresultFromObject;
  return Call ? Call(Interface, WParam, Object) : 0;
}

} // namespace Sumtide::Win32Backend
