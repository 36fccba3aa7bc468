#pragma once

#include "toolkit/Toolkit.h"
#include "toolkit/headless/HeadlessPeer.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Sumtide::Headless {

struct TMessageBoxRecord {
  std::string Text;
  std::string Caption;
  Toolkit::TMessageKind Kind;
  friend bool operator==(const TMessageBoxRecord&, const TMessageBoxRecord&) = default;
};

// One scripted answer of the file-open dialog: a chosen file (with the filter the user ended
// on, 0 to keep the one given), or a cancel.
struct TDialogAnswer {
  std::optional<std::string> FileName;
  std::int32_t FilterIndex = 0;
};

// A toolkit without a screen. It builds in-memory peers, records what the program shows (message
// boxes, dialogs, shell opens, cursors, progress), answers dialogs from a script, and plays the
// user: clicks, typing, drops and closing, delivered through the peers' event sinks exactly as a
// real backend delivers them.
class THeadlessToolkit : public Toolkit::IToolkit {
public:
  THeadlessToolkit() = default;
  THeadlessToolkit(const THeadlessToolkit&) = delete;
  THeadlessToolkit& operator=(const THeadlessToolkit&) = delete;
  ~THeadlessToolkit() override = default;

  // --- The screen.
  std::int32_t ScreenTextHeight = 13;
  std::int32_t ScreenPixelsPerInch = 96;

  // --- What the program did.
  std::vector<TMessageBoxRecord> MessageBoxes;
  std::vector<Toolkit::TOpenDialogParams> DialogRequests;
  std::vector<std::string> ShellOpens;
  int ReleaseCaptureCalls = 0;
  int BusyDepth = 0; // wait cursors shown and not yet taken back
  int BusyCursorsShown = 0;
  bool DropsAccepted = false;
  bool Running = false;
  bool Terminated = false;
  std::optional<Toolkit::TShowState> RunShowState; // empty until Run
  struct TProgressRecord {
    std::string Caption, Text;
    std::vector<std::pair<std::int64_t, std::int64_t>> Steps;
    bool Closed = false;
  };
  std::vector<TProgressRecord> Progress;

  // --- Scripts.
  std::deque<TDialogAnswer> DialogAnswers; // empty: the user cancels
  int CancelProgressAtStep = -1;           // the user cancels at that step (0-based); -1: never
  // Runs at each step of a progress display (after it is recorded), as what goes on meanwhile:
  // another program writing the file being read.
  std::function<void(const TProgressRecord&)> OnProgressStep;
  // The user's session while the message loop runs; Run returns when it is done.
  std::function<void(THeadlessToolkit&)> OnRun;
  // Runs while a message box is up (after it is recorded), as a user reading it.
  std::function<void(const TMessageBoxRecord&)> OnMessageBox;

  // --- Playing the user. Each returns whether the action reached the program.
  THeadlessPeer* Find(std::string_view Name) const;
  THeadlessPeer& Get(std::string_view Name) const; // throws std::out_of_range if absent
  THeadlessPeer* MainForm() const { return FMainForm; }
  // A click on the named button or label: delivered when it is enabled, visible and clickable.
  bool Click(std::string_view Name);
  // A click at a point of the main form's client area: the topmost control there gets it.
  bool ClickAt(int X, int Y);
  // Replaces the text of an enabled, editable edit, as typing or pasting does.
  bool Type(std::string_view Name, const std::string& Text);
  // Drops files from the desktop on the main form: delivered, names in the order given, when
  // drops are accepted.
  bool DropFiles(const std::vector<std::string>& Paths);
  void CloseMainForm();
  // The main form's window moves to a screen of PixelsPerInch: from then on the toolkit answers
  // for that screen, as the system does.
  void MoveToScreen(std::int32_t PixelsPerInch);

  // --- IToolkit.
  std::unique_ptr<Toolkit::IPeer> CreatePeer(const Toolkit::TPeerProps& Props,
                                             Toolkit::IPeer* Parent,
                                             Toolkit::IPeerEvents& Events) override;
  std::int32_t TextHeight(const Toolkit::TFontSpec& Font) override;
  std::int32_t PixelsPerInch() override { return ScreenPixelsPerInch; }
  void Run(Toolkit::IPeer& MainForm, Toolkit::TShowState ShowState) override;
  void Terminate() override { Terminated = true; }
  void ShowMessageBox(const std::string& Text, const std::string& Caption,
                      Toolkit::TMessageKind Kind) override;
  bool OpenDialog(Toolkit::TOpenDialogParams& Params) override;
  void AcceptDrops(Toolkit::IPeer& Form, bool Accept) override;
  void ShellOpen(const std::string& Address) override { ShellOpens.push_back(Address); }
  void ReleaseCapture() override { ++ReleaseCaptureCalls; }
  void SetBusyCursor(bool Busy) override;
  std::unique_ptr<Toolkit::IProgress> BeginProgress(const std::string& Caption,
                                                    const std::string& Text) override;
  // Upper-cases ASCII and the Latin-1 letters, as a French locale does.
  std::string UpperCase(const std::string& Text) override;

private:
  friend class THeadlessPeer;
  void PeerCreated(THeadlessPeer& Peer);
  void PeerDestroyed(THeadlessPeer& Peer);

  std::vector<THeadlessPeer*> FPeers; // in creation order
  THeadlessPeer* FMainForm = nullptr;
};

} // namespace Sumtide::Headless
