#pragma once

// What the form framework asks of a platform. The forms layer describes each window and control
// once, from its properties; a backend (headless for tests, Qt, Win32) builds a native peer for
// it and reports what the user does through the peer's event sink. Nothing here knows a
// platform, and nothing in a backend knows the window it shows.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Sumtide::Toolkit {

// Colours as the layout names them; a backend maps the system colours to its own palette.
enum class TColor : std::uint8_t { clDefault, clBtnFace, clWindow, clWindowText, clWhite, clGray };
enum class TCursor : std::uint8_t { crDefault, crHandPoint };
enum class TPeerKind : std::uint8_t { Form, GroupBox, Button, Edit, Label };

struct TFontSpec {
  std::string Name = "MS Sans Serif";
  std::int32_t Height = -11; // negative: character height in pixels at 96 pixels per inch
  TColor Color = TColor::clWindowText;
};

// Everything a backend needs to build one peer. Positions and sizes are already scaled to the
// screen; for a form they give its client area, for a control its place in the parent's.
struct TPeerProps {
  TPeerKind Kind = TPeerKind::Form;
  std::string Name; // the component's name: GUI tests find peers by it
  std::int32_t Left = 0, Top = 0, Width = 0, Height = 0;
  std::string Text; // caption of a form, group box, button or label; text of an edit
  bool Enabled = true;
  bool Visible = true;
  std::int32_t TabOrder = -1; // -1: not in the tab order
  bool TabStop = false;
  bool ReadOnly = false;
  TColor Color = TColor::clDefault;
  TFontSpec Font;
  bool Transparent = false;
  bool AutoSize = false; // labels: size to the caption
  TCursor Cursor = TCursor::crDefault;
  bool Clickable = false; // the peer reports clicks (buttons, and labels with a handler)
  // Forms only.
  bool CentreOnScreen = false;
  bool Resizable = true;
  bool MinimizeBox = true;
  bool MaximizeBox = true;
};

// What a message box tells: each has a single OK button.
enum class TMessageKind : std::uint8_t { Error, Information };

// How the main form first appears.
enum class TShowState : std::uint8_t { Normal, Maximized, MinimizedInactive };

// What the forms layer hears from a peer. Each call is one event of the message loop; the forms
// layer runs the handler inside its exception guard, so nothing thrown comes back to the backend.
class IPeerEvents {
public:
  virtual void PeerClicked() = 0;
  // Files dropped on a form that accepts drops: their full names, UTF-8, in the order given.
  virtual void PeerFilesDropped(std::vector<std::string> Names) = 0;
  // The user closes a form (close box, system menu, Alt+F4).
  virtual void PeerCloseRequested() = 0;
  // A form's window now shows on a screen of another resolution (moved to another monitor): the
  // forms layer scales it for PixelsPerInch and reshapes its peers.
  virtual void PeerScreenChanged(std::int32_t PixelsPerInch) = 0;

protected:
  ~IPeerEvents() = default;
};

class IPeer {
public:
  virtual ~IPeer() = default;
  virtual std::string GetText() const = 0;
  virtual void SetText(const std::string& Text) = 0;
  virtual void SetEnabled(bool Enabled) = 0;
  virtual void SetVisible(bool Visible) = 0;
  // Places the peer anew and gives it Font, after its form was scaled: for a form, Width and
  // Height are its client area's.
  virtual void Reshape(std::int32_t Left, std::int32_t Top, std::int32_t Width, std::int32_t Height,
                       const TFontSpec& Font) = 0;
};

// The file-open dialog's settings going in, and the choice coming out.
struct TOpenDialogParams {
  std::string Filter;           // "Description|pattern|Description|pattern..."
  std::int32_t FilterIndex = 1; // 1-based
  std::string FileName;         // shown in the name box; the chosen file's full path after OK
  bool HideReadOnly = true;
  bool EnableSizing = true;
};

// A modal progress display with a cancel button, for long runs that work on the thread of the
// windows and step the display between pieces of work. It shows as soon as it is begun.
class IProgress {
public:
  virtual ~IProgress() = default;
  // Shows Done of Total (Total 0: unknown, the display only shows that work goes on), then
  // handles what waits for the application: the display's input, and the repaints of every
  // window. False once the user cancelled. Each step costs the run the time the toolkit takes, so
  // the caller paces them (a few dozen a second at most).
  virtual bool Step(std::int64_t Done, std::int64_t Total) = 0;
};

class IToolkit {
public:
  virtual ~IToolkit() = default;

  // Builds the native peer of a form (Parent null) or of a control in Parent.
  virtual std::unique_ptr<IPeer> CreatePeer(const TPeerProps& Props, IPeer* Parent,
                                            IPeerEvents& Events) = 0;
  // The pixel height of a line of text in Font on this screen (13 for the layout's font at 96
  // pixels per inch), and the screen's resolution.
  virtual std::int32_t TextHeight(const TFontSpec& Font) = 0;
  virtual std::int32_t PixelsPerInch() = 0;

  // Shows the main form in the start-up show state and runs the message loop until Terminate.
  virtual void Run(IPeer& MainForm, TShowState ShowState) = 0;
  // Posts the quit message (exit code 0): the loop ends when it takes it.
  virtual void Terminate() = 0;

  // A modal box owned by the application window, with the icon of its kind and an OK button.
  virtual void ShowMessageBox(const std::string& Text, const std::string& Caption,
                              TMessageKind Kind) = 0;
  // Runs the modal file-open dialog; true when a file was chosen (Params updated).
  virtual bool OpenDialog(TOpenDialogParams& Params) = 0;

  // Files dropped on Form arrive as PeerFilesDropped through its event sink.
  virtual void AcceptDrops(IPeer& Form, bool Accept) = 0;

  // Hands an address to the desktop shell's "open".
  virtual void ShellOpen(const std::string& Address) = 0;
  // Makes whatever window holds the mouse capture give it up.
  virtual void ReleaseCapture() = 0;
  // Shows the wait cursor over the application, or the normal cursors again.
  virtual void SetBusyCursor(bool Busy) = 0;
  virtual std::unique_ptr<IProgress> BeginProgress(const std::string& Caption,
                                                   const std::string& Text) = 0;
  // Upper-cases a text by the rules of the user's locale.
  virtual std::string UpperCase(const std::string& Text) = 0;
};

} // namespace Sumtide::Toolkit
