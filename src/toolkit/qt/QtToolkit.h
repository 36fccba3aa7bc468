#pragma once

#include "toolkit/Toolkit.h"

#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <string>
#include <vector>

namespace Sumtide::QtBackend {

// The toolkit on Qt 6 Widgets. A QApplication must exist while it is used.
class TQtToolkit : public Toolkit::IToolkit {
public:
  TQtToolkit();
  ~TQtToolkit() override;

  // Tests answer the file dialog themselves: the non-native dialog lets them find its widgets.
  bool UseNativeDialogs = true;

  // Shows the main form as Run does (show state, centring, tab order) without entering the loop.
  void ShowMainForm(Toolkit::IPeer& MainForm, Toolkit::TShowState ShowState);

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

private:
  QPointer<QWidget> FMainWindow;
  bool FTerminated = false;
};

// The address as the desktop expects it: a stored "scheme:\\host" becomes "scheme://host".
std::string DesktopAddress(const std::string& Address);

// The dialog's name filters for a "Description|pattern|..." filter list. Each description stays
// as written; "*.*" becomes "*" so that names without a dot are shown too.
std::vector<std::string> NameFilters(const std::string& Filter);

} // namespace Sumtide::QtBackend
