#pragma once

// The native peers of the Win32 toolkit: a form is a window of the toolkit's own class; a group
// box, button, edit or label is the system's control of that kind. Messages that the controls
// send to their parent (commands, colours) all reach the form's window procedure, group boxes
// passing theirs on.

#include "toolkit/win32/Win32Accessible.h"
#include "toolkit/win32/Win32Toolkit.h"
#include "toolkit/win32/WinApi.h"

#include <vector>

namespace Sumtide::Win32Backend {

class TWin32Peer final : public Toolkit::IPeer {
public:
  TWin32Peer(TWin32Toolkit& Toolkit, const Toolkit::TPeerProps& Props, TWin32Peer* Parent,
             Toolkit::IPeerEvents& Events);
  ~TWin32Peer() override;
  TWin32Peer(const TWin32Peer&) = delete;
  TWin32Peer& operator=(const TWin32Peer&) = delete;

  std::string GetText() const override;
  void SetText(const std::string& Text) override;
  void SetEnabled(bool Enabled) override;
  void SetVisible(bool Visible) override;
  void Reshape(std::int32_t Left, std::int32_t Top, std::int32_t Width, std::int32_t Height,
               const Toolkit::TFontSpec& Font) override;

  HWND Handle() const { return FHandle; }
  Toolkit::TPeerKind Kind() const { return FProps.Kind; }
  const Toolkit::TPeerProps& Props() const { return FProps; }

  // Shows a form the first time: tab order, centring, the start-up show state, the focus.
  void ShowForm(Toolkit::TShowState ShowState);

  // The peer of a window this toolkit made, or null.
  static TWin32Peer* FromHandle(HWND Window);
  static void RegisterClasses(HINSTANCE Instance);

private:
  static LRESULT CALLBACK FormProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam);
  static LRESULT CALLBACK GroupBoxProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam);
  // Edits and labels: what screen readers are told, and opaque labels repainting transparent
  // ones over them.
  static LRESULT CALLBACK ControlProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam);
  TAccessibleOverride AccessibleOverride() const;
  void RepaintTransparentOver();
  LRESULT HandleFormMessage(UINT Msg, WPARAM WParam, LPARAM LParam);
  bool ControlColour(HDC Dc, HWND Control, LRESULT& Brush);
  void ArrangeTabOrder();
  void FitToText();

  TWin32Toolkit& FToolkit;
  Toolkit::TPeerProps FProps;
  TWin32Peer* FParent;
  Toolkit::IPeerEvents& FEvents;
  HWND FHandle = nullptr;
  WNDPROC FBaseProc = nullptr; // the control's own procedure, under ours
  std::vector<TWin32Peer*> FChildren;
  HWND FSavedFocus = nullptr; // a form's focused control while another window is active
};

} // namespace Sumtide::Win32Backend
