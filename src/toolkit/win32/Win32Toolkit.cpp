#include "toolkit/win32/Win32Toolkit.h"

#include "rtl/win32/WideText.h"
#include "toolkit/win32/Win32Navigation.h"
#include "toolkit/win32/Win32Peers.h"
#include "toolkit/win32/Win32Progress.h"
#include "toolkit/win32/Win32SystemCalls.h"

#include <algorithm>

namespace Sumtide::Win32Backend {

namespace {

// Room for a path of the long form, whatever the dialog returns.
constexpr std::size_t FileNameRoom = 32768;

// "Description|pattern|..." as the dialog takes it: each item ends with a NUL, the list with
// another.
std::wstring DialogFilter(const std::string& Filter) {
  std::wstring Result = Wide(Filter);
  std::replace(Result.begin(), Result.end(), L'|', L'\0');
  Result.push_back(L'\0');
  Result.push_back(L'\0');
  return Result;
}

} // namespace

Toolkit::TShowState ShowStateOf(int ShowCommand) {
  switch (ShowCommand) {
  case SW_SHOWMAXIMIZED:
    return Toolkit::TShowState::Maximized;
  case SW_SHOWMINNOACTIVE:
    return Toolkit::TShowState::MinimizedInactive;
  default:
    return Toolkit::TShowState::Normal;
  }
}

TWin32Toolkit::TWin32Toolkit(void* Instance) : FInstance(Instance) {
  InitCommonControls(ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS);
}

TWin32Toolkit::~TWin32Toolkit() {
  for (auto& [Key, Font] : FFonts)
    ::DeleteObject(static_cast<HFONT>(Font));
}

void* TWin32Toolkit::Font(const Toolkit::TFontSpec& Spec) {
  const auto Key = std::make_pair(Wide(Spec.Name), Spec.Height);
  if (auto It = FFonts.find(Key); It != FFonts.end())
    return It->second;
  // The height is the layout's, already scaled to this screen: negative for the character height.
  const HFONT Font = ::CreateFontW(Spec.Height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                   DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                   DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, Key.first.c_str());
  FFonts.emplace(Key, Font);
  return Font;
}

void* TWin32Toolkit::MainWindow() const {
  return FMainForm ? FMainForm->Handle() : nullptr;
}

void TWin32Toolkit::FormGone(TWin32Peer* Peer) {
  if (FMainForm == Peer)
    FMainForm = nullptr;
}

std::unique_ptr<Toolkit::IPeer> TWin32Toolkit::CreatePeer(const Toolkit::TPeerProps& Props,
                                                          Toolkit::IPeer* Parent,
                                                          Toolkit::IPeerEvents& Events) {
  auto Peer = std::make_unique<TWin32Peer>(*this, Props, static_cast<TWin32Peer*>(Parent), Events);
  if (!Parent && !FMainForm)
    FMainForm = Peer.get();
  return Peer;
}

std::int32_t TWin32Toolkit::TextHeight(const Toolkit::TFontSpec& Font) {
  const HDC Dc = ::GetDC(nullptr);
  const HGDIOBJ Old = ::SelectObject(Dc, static_cast<HFONT>(this->Font(Font)));
  TEXTMETRICW Metrics{};
  const bool Known = ::GetTextMetricsW(Dc, &Metrics);
  ::SelectObject(Dc, Old);
  ::ReleaseDC(nullptr, Dc);
  return Known ? Metrics.tmHeight : 0;
}

std::int32_t TWin32Toolkit::PixelsPerInch() {
  const HDC Dc = ::GetDC(nullptr);
  const int Ppi = ::GetDeviceCaps(Dc, LOGPIXELSY);
  ::ReleaseDC(nullptr, Dc);
  return Ppi > 0 ? Ppi : 96;
}

void TWin32Toolkit::Run(Toolkit::IPeer& MainForm, Toolkit::TShowState ShowState) {
  auto& Form = static_cast<TWin32Peer&>(MainForm);
  Form.ShowForm(ShowState);
  MSG Message;
  while (::GetMessageW(&Message, nullptr, 0, 0) > 0) {
    // Tab, Shift+Tab, Enter and the arrows move and press as in a dialog.
    const HWND Window = Form.Handle();
    if (Window && (PressFocusedButton(Window, Message) || ::IsDialogMessageW(Window, &Message)))
      continue;
    ::TranslateMessage(&Message);
    ::DispatchMessageW(&Message);
  }
}

void TWin32Toolkit::Terminate() {
  ::PostQuitMessage(0);
}

void TWin32Toolkit::ShowMessageBox(const std::string& Text, const std::string& Caption,
                                   Toolkit::TMessageKind Kind) {
  const UINT Icon = Kind == Toolkit::TMessageKind::Error ? MB_ICONSTOP : MB_ICONINFORMATION;
  ::MessageBoxW(static_cast<HWND>(MainWindow()), Wide(Text).c_str(), Wide(Caption).c_str(),
                Icon | MB_OK);
}

bool TWin32Toolkit::OpenDialog(Toolkit::TOpenDialogParams& Params) {
  const std::wstring Filter = DialogFilter(Params.Filter);
  std::wstring FileName = Wide(Params.FileName);
  FileName.resize(FileNameRoom, L'\0');
  FileName.back() = L'\0';
  OPENFILENAMEW Dialog{};
  Dialog.lStructSize = sizeof Dialog;
  Dialog.hwndOwner = static_cast<HWND>(MainWindow());
  Dialog.lpstrFilter = Filter.c_str();
  Dialog.nFilterIndex = static_cast<DWORD>(std::max(Params.FilterIndex, 0));
  Dialog.lpstrFile = FileName.data();
  Dialog.nMaxFile = static_cast<DWORD>(FileName.size());
  Dialog.Flags = OFN_EXPLORER | (Params.HideReadOnly ? OFN_HIDEREADONLY : 0) |
                 (Params.EnableSizing ? OFN_ENABLESIZING : 0);
  if (!ShowOpenDialog(Dialog))
    return false;
  Params.FileName = WideToUtf8(FileName.c_str(), ::wcsnlen(FileName.c_str(), FileName.size()));
  Params.FilterIndex = static_cast<std::int32_t>(Dialog.nFilterIndex);
  return true;
}

void TWin32Toolkit::AcceptDrops(Toolkit::IPeer& Form, bool Accept) {
  AcceptDroppedFiles(static_cast<TWin32Peer&>(Form).Handle(), Accept);
}

void TWin32Toolkit::ShellOpen(const std::string& Address) {
  ShellExecuteOpen(static_cast<HWND>(MainWindow()), Wide(Address).c_str());
}

void TWin32Toolkit::ReleaseCapture() {
  ::ReleaseCapture();
}

void TWin32Toolkit::SetBusyCursor(bool Busy) {
  FBusy = std::max(FBusy + (Busy ? 1 : -1), 0);
  if (FBusy > 0) {
    ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
  } else {
    // The window under the mouse chooses its cursor again.
    POINT Mouse;
    if (::GetCursorPos(&Mouse))
      ::SetCursorPos(Mouse.x, Mouse.y);
  }
}

std::unique_ptr<Toolkit::IProgress> TWin32Toolkit::BeginProgress(const std::string& Caption,
                                                                 const std::string& Text) {
  return std::make_unique<TWin32Progress>(
      static_cast<HINSTANCE>(FInstance), static_cast<HWND>(MainWindow()),
      static_cast<HFONT>(Font(Toolkit::TFontSpec{})), Wide(Caption), Wide(Text));
}

std::string TWin32Toolkit::UpperCase(const std::string& Text) {
  std::wstring Wide16 = Wide(Text);
  if (Wide16.empty())
    return Text;
  ::CharUpperBuffW(Wide16.data(), static_cast<DWORD>(Wide16.size()));
  return WideToUtf8(Wide16);
}

} // namespace Sumtide::Win32Backend
