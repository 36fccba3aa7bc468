#include "toolkit/win32/Win32Peers.h"

#include "rtl/win32/WideText.h"
#include "toolkit/win32/Win32SystemCalls.h"

#include <algorithm>
#include <stdexcept>

namespace Sumtide::Win32Backend {

namespace {

using Toolkit::TColor;
using Toolkit::TPeerKind;

constexpr const wchar_t* FormClassName = L"SumtideForm";
constexpr const wchar_t* PeerProperty = L"Sumtide.Peer";

// Control identifiers start above IDOK and IDCANCEL: the dialog navigation sends those for Enter
// on an edit and for Escape, and neither may press a button.
constexpr int FirstControlId = 100;
int NextControlId = FirstControlId;

COLORREF ColourOf(TColor Colour) {
  switch (Colour) {
  case TColor::clWindow:
    return ::GetSysColor(COLOR_WINDOW);
  case TColor::clWindowText:
  case TColor::clDefault:
    return ::GetSysColor(COLOR_WINDOWTEXT);
  case TColor::clWhite:
    return RGB(255, 255, 255);
  case TColor::clGray:
    return RGB(128, 128, 128);
  case TColor::clBtnFace:
    break;
  }
  return ::GetSysColor(COLOR_BTNFACE);
}

// Brushes of the system or stock kind: never freed.
HBRUSH BrushOf(TColor Colour) {
  switch (Colour) {
  case TColor::clWindow:
    return ::GetSysColorBrush(COLOR_WINDOW);
  case TColor::clWindowText:
    return ::GetSysColorBrush(COLOR_WINDOWTEXT);
  case TColor::clWhite:
    return static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
  case TColor::clGray:
    return static_cast<HBRUSH>(::GetStockObject(GRAY_BRUSH));
  case TColor::clBtnFace:
  case TColor::clDefault:
    break;
  }
  return ::GetSysColorBrush(COLOR_BTNFACE);
}

int ShowCommandOf(Toolkit::TShowState ShowState) {
  switch (ShowState) {
  case Toolkit::TShowState::Maximized:
    return SW_SHOWMAXIMIZED;
  case Toolkit::TShowState::MinimizedInactive:
    return SW_SHOWMINNOACTIVE;
  case Toolkit::TShowState::Normal:
    break;
  }
  return SW_SHOWNORMAL;
}

// The names a drop from the shell holds, each whole (the length is asked first, so a long path is
// never cut); the drop is released once they are read.
std::vector<std::string> TakeDroppedNames(HDROP Drop) {
  struct TFinish {
    HDROP Drop;
    ~TFinish() { FinishDrop(Drop); }
  } Finish{Drop};
  const UINT Count = DroppedFile(Drop, 0xFFFFFFFF, nullptr, 0);
  std::vector<std::string> Names;
  Names.reserve(Count);
  for (UINT Index = 0; Index < Count; ++Index) {
    const UINT Length = DroppedFile(Drop, Index, nullptr, 0);
    std::wstring Name(Length + 1, L'\0');
    const UINT Got = Length == 0 ? 0 : DroppedFile(Drop, Index, Name.data(), Length + 1);
    Names.push_back(WideToUtf8(Name.c_str(), std::min<std::size_t>(Got, Length)));
  }
  return Names;
}

// The colour a control shows behind its text: its own, or else its container's.
TColor Background(const TWin32Peer& Peer, TColor Container) {
  return Peer.Props().Color != TColor::clDefault ? Peer.Props().Color : Container;
}

} // namespace

void TWin32Peer::RegisterClasses(HINSTANCE Instance) {
  static bool Registered = false;
  if (Registered)
    return;
  WNDCLASSEXW Class{};
  Class.cbSize = sizeof Class;
  Class.lpfnWndProc = FormProc;
  Class.hInstance = Instance;
  Class.hIcon = ::LoadIconW(Instance, L"MAINICON");
  Class.hIconSm = static_cast<HICON>(
      ::LoadImageW(Instance, L"MAINICON", IMAGE_ICON, ::GetSystemMetrics(SM_CXSMICON),
                   ::GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
  Class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  Class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  Class.lpszClassName = FormClassName;
  if (!::RegisterClassExW(&Class))
    throw std::runtime_error("Cannot register the window class");
  Registered = true;
}

TWin32Peer* TWin32Peer::FromHandle(HWND Window) {
  return Window ? static_cast<TWin32Peer*>(::GetPropW(Window, PeerProperty)) : nullptr;
}

TWin32Peer::TWin32Peer(TWin32Toolkit& Toolkit, const Toolkit::TPeerProps& Props, TWin32Peer* Parent,
                       Toolkit::IPeerEvents& Events)
    : FToolkit(Toolkit), FProps(Props), FParent(Parent), FEvents(Events) {
  const auto Instance = static_cast<HINSTANCE>(Toolkit.Instance());
  const std::wstring Text = Wide(Props.Text);
  if (Props.Kind == TPeerKind::Form || !Parent) {
    RegisterClasses(Instance);
    const DWORD Style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPSIBLINGS |
                        (Props.MinimizeBox ? WS_MINIMIZEBOX : 0) |
                        (Props.MaximizeBox ? WS_MAXIMIZEBOX : 0) |
                        (Props.Resizable ? WS_THICKFRAME : 0);
    // Dialog navigation (IsDialogMessageW) looks into the group boxes for tab stops.
    const DWORD ExStyle = WS_EX_CONTROLPARENT;
    RECT Frame{0, 0, Props.Width, Props.Height}; // the layout gives the client area
    ::AdjustWindowRectEx(&Frame, Style, FALSE, ExStyle);
    // WM_NCCREATE hooks the window to this peer before its first message is handled.
    ::CreateWindowExW(ExStyle, FormClassName, Text.c_str(), Style, Props.Left, Props.Top,
                      Frame.right - Frame.left, Frame.bottom - Frame.top, nullptr, nullptr,
                      Instance, this);
    if (!FHandle)
      throw std::runtime_error("Cannot create the window " + Props.Name);
  } else {
    DWORD Style = WS_CHILD | (Props.Visible ? WS_VISIBLE : 0) | (Props.Enabled ? 0 : WS_DISABLED);
    DWORD ExStyle = 0;
    const wchar_t* ClassName = L"STATIC";
    switch (Props.Kind) {
    case TPeerKind::GroupBox:
      ClassName = L"BUTTON";
      Style |= BS_GROUPBOX;
      ExStyle |= WS_EX_CONTROLPARENT;
      break;
    case TPeerKind::Button:
      ClassName = L"BUTTON";
      Style |= BS_PUSHBUTTON | (Props.TabStop ? WS_TABSTOP : 0);
      break;
    case TPeerKind::Edit:
      ClassName = L"EDIT";
      Style |= ES_LEFT | ES_AUTOHSCROLL | (Props.ReadOnly ? ES_READONLY : 0) |
               (Props.TabStop ? WS_TABSTOP : 0);
      ExStyle |= WS_EX_CLIENTEDGE;
      break;
    case TPeerKind::Label:
    case TPeerKind::Form:
      Style |= SS_LEFT | SS_NOPREFIX | (Props.Clickable ? SS_NOTIFY : 0);
      // A transparent label is painted after what lies under it.
      ExStyle |= Props.Transparent ? WS_EX_TRANSPARENT : 0;
      break;
    }
    FHandle = ::CreateWindowExW(ExStyle, ClassName, Text.c_str(), Style, Props.Left, Props.Top,
                                Props.Width, Props.Height, Parent->Handle(),
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(NextControlId++)),
                                Instance, nullptr);
    if (!FHandle)
      throw std::runtime_error("Cannot create the control " + Props.Name);
    ::SetPropW(FHandle, PeerProperty, this);
    if (Props.Kind == TPeerKind::GroupBox)
      FBaseProc = reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(
          FHandle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TWin32Peer::GroupBoxProc)));
    else if (Props.Kind == TPeerKind::Edit || Props.Kind == TPeerKind::Label)
      FBaseProc = reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(
          FHandle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TWin32Peer::ControlProc)));
    Parent->FChildren.push_back(this);
  }
  ::SendMessageW(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(Toolkit.Font(Props.Font)), FALSE);
  if (Props.Kind == TPeerKind::Label && Props.AutoSize)
    FitToText();
}

TWin32Peer::~TWin32Peer() {
  if (FParent)
    std::erase(FParent->FChildren, this);
  for (TWin32Peer* Child : FChildren)
    Child->FParent = nullptr;
  FToolkit.FormGone(this);
  if (FHandle) {
    if (FBaseProc)
      ::SetWindowLongPtrW(FHandle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FBaseProc));
    ::RemovePropW(FHandle, PeerProperty);
    ::DestroyWindow(FHandle);
  }
}

std::string TWin32Peer::GetText() const {
  const int Length = ::GetWindowTextLengthW(FHandle);
  if (Length <= 0)
    return {};
  std::wstring Text(static_cast<std::size_t>(Length) + 1, L'\0');
  const int Got = ::GetWindowTextW(FHandle, Text.data(), Length + 1);
  return WideToUtf8(Text.data(), static_cast<std::size_t>(std::max(Got, 0)));
}

void TWin32Peer::SetText(const std::string& Text) {
  RECT Before{};
  const bool Label = FProps.Kind == TPeerKind::Label;
  if (Label) {
    ::GetWindowRect(FHandle, &Before);
    ::MapWindowPoints(nullptr, ::GetParent(FHandle), reinterpret_cast<POINT*>(&Before), 2);
  }
  ::SetWindowTextW(FHandle, Wide(Text).c_str());
  if (Label) {
    if (FProps.AutoSize)
      FitToText();
    // What shows through a transparent label, and the room it leaves, are painted again.
    ::RedrawWindow(::GetParent(FHandle), &Before, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    ::InvalidateRect(FHandle, nullptr, TRUE);
  }
}

void TWin32Peer::SetEnabled(bool Enabled) {
  ::EnableWindow(FHandle, Enabled);
}

void TWin32Peer::SetVisible(bool Visible) {
  ::ShowWindow(FHandle, Visible ? SW_SHOW : SW_HIDE);
}

void TWin32Peer::Reshape(std::int32_t Left, std::int32_t Top, std::int32_t Width,
                         std::int32_t Height, const Toolkit::TFontSpec& Font) {
  FProps.Left = Left;
  FProps.Top = Top;
  FProps.Width = Width;
  FProps.Height = Height;
  FProps.Font = Font;
  ::SendMessageW(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(FToolkit.Font(Font)), TRUE);
  if (Kind() == TPeerKind::Form) {
    // The client area's new size; where the window goes is the system's suggestion.
    RECT Frame{0, 0, Width, Height};
    ::AdjustWindowRectEx(&Frame, static_cast<DWORD>(::GetWindowLongW(FHandle, GWL_STYLE)), FALSE,
                         static_cast<DWORD>(::GetWindowLongW(FHandle, GWL_EXSTYLE)));
    ::SetWindowPos(FHandle, nullptr, 0, 0, Frame.right - Frame.left, Frame.bottom - Frame.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return;
  }
  ::SetWindowPos(FHandle, nullptr, Left, Top, Width, Height, SWP_NOZORDER | SWP_NOACTIVATE);
  if (Kind() == TPeerKind::Label && FProps.AutoSize)
    FitToText();
}

void TWin32Peer::FitToText() {
  const HDC Dc = ::GetDC(FHandle);
  const HGDIOBJ Old =
      ::SelectObject(Dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(FHandle, WM_GETFONT, 0, 0)));
  const int Length = ::GetWindowTextLengthW(FHandle);
  std::wstring Text(static_cast<std::size_t>(std::max(Length, 0)) + 1, L'\0');
  ::GetWindowTextW(FHandle, Text.data(), Length + 1);
  RECT Area{0, 0, 0, 0};
  ::DrawTextW(Dc, Text.c_str(), Length, &Area, DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS);
  ::SelectObject(Dc, Old);
  ::ReleaseDC(FHandle, Dc);
  ::SetWindowPos(FHandle, nullptr, 0, 0, Area.right - Area.left, Area.bottom - Area.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TWin32Peer::ArrangeTabOrder() {
  // Controls outside the tab order (the labels) stay on top, the later created above the earlier
  // as the layout paints them; the others follow in tab order, which is the order the dialog
  // navigation visits them.
  std::vector<TWin32Peer*> Order = FChildren;
  std::stable_sort(Order.begin(), Order.end(), [](const TWin32Peer* A, const TWin32Peer* B) {
    const int OrderA = A->FProps.TabOrder, OrderB = B->FProps.TabOrder;
    return (OrderA < 0) != (OrderB < 0) ? OrderA < 0 : OrderA >= 0 && OrderA < OrderB;
  });
  const auto FirstOrdered = std::find_if(
      Order.begin(), Order.end(), [](const TWin32Peer* P) { return P->FProps.TabOrder >= 0; });
  std::reverse(Order.begin(), FirstOrdered);
  HWND After = HWND_TOP;
  for (TWin32Peer* Child : Order) {
    ::SetWindowPos(Child->FHandle, After, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    After = Child->FHandle;
    Child->ArrangeTabOrder();
  }
}

void TWin32Peer::ShowForm(Toolkit::TShowState ShowState) {
  ArrangeTabOrder();
  if (FProps.CentreOnScreen) {
    MONITORINFO Monitor{};
    Monitor.cbSize = sizeof Monitor;
    RECT Frame;
    if (::GetWindowRect(FHandle, &Frame) &&
        ::GetMonitorInfoW(::MonitorFromWindow(FHandle, MONITOR_DEFAULTTOPRIMARY), &Monitor)) {
      const RECT& Work = Monitor.rcWork;
      const int Width = Frame.right - Frame.left, Height = Frame.bottom - Frame.top;
      ::SetWindowPos(FHandle, nullptr, Work.left + (Work.right - Work.left - Width) / 2,
                     Work.top + (Work.bottom - Work.top - Height) / 2, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
  ::ShowWindow(FHandle, ShowCommandOf(ShowState));
  ::UpdateWindow(FHandle);
}

bool TWin32Peer::ControlColour(HDC Dc, HWND Control, LRESULT& Brush) {
  const TWin32Peer* Peer = FromHandle(Control);
  if (!Peer)
    return false;
  const TColor Container =
      Peer->FParent ? Background(*Peer->FParent, TColor::clBtnFace) : TColor::clBtnFace;
  switch (Peer->Kind()) {
  case TPeerKind::Label:
    ::SetTextColor(Dc, ColourOf(Peer->FProps.Font.Color));
    if (Peer->FProps.Transparent) {
      ::SetBkMode(Dc, TRANSPARENT);
      Brush = reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
    } else {
      const TColor Face = Background(*Peer, Container);
      ::SetBkColor(Dc, ColourOf(Face));
      Brush = reinterpret_cast<LRESULT>(BrushOf(Face));
    }
    return true;
  case TPeerKind::Edit:
    if (Peer->FProps.Color == TColor::clDefault)
      return false;
    ::SetTextColor(Dc, ColourOf(Peer->FProps.Font.Color));
    ::SetBkColor(Dc, ColourOf(Peer->FProps.Color));
    Brush = reinterpret_cast<LRESULT>(BrushOf(Peer->FProps.Color));
    return true;
  default:
    return false;
  }
}

LRESULT TWin32Peer::HandleFormMessage(UINT Msg, WPARAM WParam, LPARAM LParam) {
  switch (Msg) {
  case WM_COMMAND: {
    // From a control of this form (Enter on a focused button arrives here directly, from the
    // dialog navigation); IDOK and IDCANCEL without a control press nothing.
    TWin32Peer* Peer = FromHandle(reinterpret_cast<HWND>(LParam));
    if (!Peer || Peer == this)
      return 0;
    const UINT Code = HIWORD(WParam);
    if ((Peer->Kind() == TPeerKind::Button && Code == BN_CLICKED) ||
        (Peer->Kind() == TPeerKind::Label && Peer->FProps.Clickable &&
         (Code == STN_CLICKED || Code == STN_DBLCLK)))
      Peer->FEvents.PeerClicked();
    return 0;
  }
  case WM_CTLCOLORSTATIC:
  case WM_CTLCOLOREDIT:
  case WM_CTLCOLORBTN: {
    LRESULT Brush = 0;
    if (ControlColour(reinterpret_cast<HDC>(WParam), reinterpret_cast<HWND>(LParam), Brush))
      return Brush;
    break;
  }
  case WM_DPICHANGED: {
    // Moved to a monitor of another resolution (the manifest declares per-monitor awareness):
    // the forms layer scales the window by the layout's rule, then the window takes the
    // rectangle the system suggests for it there.
    FEvents.PeerScreenChanged(HIWORD(WParam));
    if (const auto* Suggested = reinterpret_cast<const RECT*>(LParam))
      ::SetWindowPos(FHandle, nullptr, Suggested->left, Suggested->top,
                     Suggested->right - Suggested->left, Suggested->bottom - Suggested->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    return 0;
  }
  case WM_SETCURSOR:
    if (FToolkit.Busy()) {
      ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
      return TRUE;
    }
    if (LOWORD(LParam) == HTCLIENT)
      if (const TWin32Peer* Peer = FromHandle(reinterpret_cast<HWND>(WParam));
          Peer && Peer->FProps.Cursor == Toolkit::TCursor::crHandPoint) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
      }
    break;
  case WM_CLOSE: // close box, system menu, Alt+F4: the application decides
    FEvents.PeerCloseRequested();
    return 0;
  case WM_DROPFILES:
    FEvents.PeerFilesDropped(TakeDroppedNames(reinterpret_cast<HDROP>(WParam)));
    return 0;
  case WM_ACTIVATE:
    // The focus leaves with the window and comes back to the same control, as in a dialog.
    if (LOWORD(WParam) == WA_INACTIVE) {
      const HWND Focus = ::GetFocus();
      if (Focus && ::IsChild(FHandle, Focus))
        FSavedFocus = Focus;
    } else if (!HIWORD(WParam)) {
      HWND Focus = FSavedFocus && ::IsWindow(FSavedFocus) && ::IsWindowEnabled(FSavedFocus)
                       ? FSavedFocus
                       : ::GetNextDlgTabItem(FHandle, nullptr, FALSE);
      ::SetFocus(Focus ? Focus : FHandle);
    }
    return 0;
  default:
    break;
  }
  return ::DefWindowProcW(FHandle, Msg, WParam, LParam);
}

LRESULT CALLBACK TWin32Peer::FormProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (Msg == WM_NCCREATE) {
    auto* Peer = static_cast<TWin32Peer*>(reinterpret_cast<CREATESTRUCTW*>(LParam)->lpCreateParams);
    Peer->FHandle = Window;
    ::SetPropW(Window, PeerProperty, Peer);
  }
  if (TWin32Peer* Peer = FromHandle(Window)) {
    // The forms layer guards every handler; nothing may cross the system's call-back anyway.
    try {
      return Peer->HandleFormMessage(Msg, WParam, LParam);
    } catch (...) {
      return 0;
    }
  }
  return ::DefWindowProcW(Window, Msg, WParam, LParam);
}

LRESULT CALLBACK TWin32Peer::GroupBoxProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  TWin32Peer* Peer = FromHandle(Window);
  switch (Msg) {
  case WM_COMMAND:
  case WM_CTLCOLORSTATIC:
  case WM_CTLCOLOREDIT:
  case WM_CTLCOLORBTN:
    // What the controls inside tell their parent goes on to the form.
    return ::SendMessageW(::GetParent(Window), Msg, WParam, LParam);
  default:
    break;
  }
  return Peer && Peer->FBaseProc ? ::CallWindowProcW(Peer->FBaseProc, Window, Msg, WParam, LParam)
                                 : ::DefWindowProcW(Window, Msg, WParam, LParam);
}

void TWin32Peer::RepaintTransparentOver() {
  // A transparent label shows what lies under it only if it is painted after it: the system does
  // not promise that order between siblings, so an opaque label paints the transparent ones over
  // it again once it is done.
  if (!FParent)
    return;
  RECT Mine, Theirs, Common;
  ::GetWindowRect(FHandle, &Mine);
  for (const TWin32Peer* Sibling : FParent->FChildren)
    if (Sibling != this && Sibling->Kind() == TPeerKind::Label && Sibling->FProps.Transparent &&
        ::IsWindowVisible(Sibling->FHandle) && ::GetWindowRect(Sibling->FHandle, &Theirs) &&
        ::IntersectRect(&Common, &Mine, &Theirs))
      ::RedrawWindow(Sibling->FHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

TAccessibleOverride TWin32Peer::AccessibleOverride() const {
  TAccessibleOverride Override;
  // A field framed by a group box is named by its caption, as a label before it would name it.
  if (Kind() == TPeerKind::Edit && FParent && FParent->Kind() == TPeerKind::GroupBox) {
    std::wstring Caption(static_cast<std::size_t>(::GetWindowTextLengthW(FParent->FHandle)) + 1,
                         L'\0');
    Caption.resize(static_cast<std::size_t>(
        ::GetWindowTextW(FParent->FHandle, Caption.data(), static_cast<int>(Caption.size()))));
    const auto First = Caption.find_first_not_of(L' ');
    if (First != std::wstring::npos)
      Override.Name = Caption.substr(First, Caption.find_last_not_of(L' ') - First + 1);
  }
  Override.Link = Kind() == TPeerKind::Label && FProps.Clickable;
  return Override;
}

LRESULT CALLBACK TWin32Peer::ControlProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  TWin32Peer* Peer = FromHandle(Window);
  if (!Peer || !Peer->FBaseProc)
    return ::DefWindowProcW(Window, Msg, WParam, LParam);
  if (Msg == WM_GETOBJECT) {
    const TAccessibleOverride Override = Peer->AccessibleOverride();
    if (!Override.Name.empty() || Override.Link)
      if (const LRESULT Answer = AnswerGetObject(Window, WParam, LParam, Override))
        return Answer;
  }
  const LRESULT Result = ::CallWindowProcW(Peer->FBaseProc, Window, Msg, WParam, LParam);
  if (Msg == WM_PAINT && Peer->Kind() == TPeerKind::Label && !Peer->FProps.Transparent)
    Peer->RepaintTransparentOver();
  return Result;
}

} // namespace Sumtide::Win32Backend
