#pragma once

#include "toolkit/Toolkit.h"

#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <map>
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
  void ShowMainForm(Toolkit::IPeer& MainForm, int ShowState);

  std::unique_ptr<Toolkit::IPeer> CreatePeer(const Toolkit::TPeerProps& Props,
                                             Toolkit::IPeer* Parent,
                                             Toolkit::IPeerEvents& Events) override;
  std::int32_t TextHeight(const Toolkit::TFontSpec& Font) override;
  std::int32_t PixelsPerInch() override;
  void Run(Toolkit::IPeer& MainForm, int ShowState) override;
  void Terminate() override;
  int MessageBox(const std::string& Text, const std::string& Caption, int Flags) override;
  bool OpenDialog(Toolkit::TOpenDialogParams& Params) override;
  void AcceptDrops(Toolkit::IPeer& Form, bool Accept) override;
  std::uint32_t DropFileCount(Toolkit::TDropHandle Drop) override;
  std::string DropFileName(Toolkit::TDropHandle Drop, std::uint32_t Index) override;
  void DropFinish(Toolkit::TDropHandle Drop) override;
  void ShellOpen(const std::string& Address) override;
  void ReleaseCapture() override;
  void SetBusyCursor(bool Busy) override;
  std::unique_ptr<Toolkit::IProgress> BeginProgress(const std::string& Caption,
                                                    const std::string& Text) override;
  std::string UpperCase(const std::string& Text) override;

  // A drop from the desktop: the backend's form hands the dropped paths here and gets the handle
  // its message carries.
  Toolkit::TDropHandle NewDrop(std::vector<std::string> Paths);

private:
  QPointer<QWidget> FMainWindow;
  bool FTerminated = false;
  std::map<Toolkit::TDropHandle, std::vector<std::string>> FDrops;
  Toolkit::TDropHandle FNextDrop = 1;
};

// The address as the desktop expects it: a stored "scheme:\\host" becomes "scheme://host".
std::string DesktopAddress(const std::string& Address);

// The dialog's name filters for a "Description|pattern|..." filter list. Each description stays
// as written; "*.*" becomes "*" so that names without a dot are shown too.
std::vector<std::string> NameFilters(const std::string& Filter);

} // namespace Sumtide::QtBackend
