#pragma once

// The toolkit on plain Win32: one window class for forms, the system's BUTTON, EDIT and STATIC
// controls inside, the common dialogs and the shell for the rest. Wide-character calls only.
// This header stays free of <windows.h>: the system's handles cross it as void*.

#include "toolkit/Toolkit.h"
#include "toolkit/win32/Win32ComApartment.h"

#include <map>
#include <memory>
#include <string>
#include <utility>

namespace Sumtide::Win32Backend {

class TWin32Peer;

class TWin32Toolkit : public Toolkit::IToolkit {
public:
  // Instance: the module whose resources the windows use (its MAINICON is the window icon).
  explicit TWin32Toolkit(void* Instance);
  ~TWin32Toolkit() override;
  TWin32Toolkit(const TWin32Toolkit&) = delete;
  TWin32Toolkit& operator=(const TWin32Toolkit&) = delete;

  std::unique_ptr<Toolkit::IPeer> CreatePeer(const Toolkit::TPeerProps& Props,
                                             Toolkit::IPeer* Parent,
                                             Toolkit::IPeerEvents& Events) override;
  std::int32_t TextHeight(const Toolkit::TFontSpec& Font) override;
  std::int32_t PixelsPerInch() override;
  void Run(Toolkit::IPeer& MainForm, Toolkit::TShowState ShowState) override;
  void Terminate() override;
  void ShowMessageBox(const std::string& Text, const std::string& Caption,
                      Toolkit::TMessageKind Kind) override;
  bool OpenDialog(Toolkit::TOpenDialogParams& Params) override;
  void AcceptDrops(Toolkit::IPeer& Form, bool Accept) override;
  void ShellOpen(const std::string& Address) override;
  void ReleaseCapture() override;
  void SetBusyCursor(bool Busy) override;
  std::unique_ptr<Toolkit::IProgress> BeginProgress(const std::string& Caption,
                                                    const std::string& Text) override;
  std::string UpperCase(const std::string& Text) override;

  // Backend internals shared by the peers.
  void* Instance() const { return FInstance; }
  void* Font(const Toolkit::TFontSpec& Spec); // an HFONT the toolkit owns
  void* MainWindow() const;                   // the main form's HWND, or null
  void SetMainWindow(TWin32Peer* Peer) { FMainForm = Peer; }
  void FormGone(TWin32Peer* Peer);
  bool Busy() const { return FBusy > 0; }

private:
  TComApartment FApartment; // before any window: screen readers reach the controls through it
  void* FInstance;
  std::map<std::pair<std::wstring, std::int32_t>, void*> FFonts;
  TWin32Peer* FMainForm = nullptr;
  int FBusy = 0;
};

// The show state the program was started with (WinMain's show command): SW_SHOWMAXIMIZED and
// SW_SHOWMINNOACTIVE are kept, every other command shows the window normally.
Toolkit::TShowState ShowStateOf(int ShowCommand);

} // namespace Sumtide::Win32Backend
