#include "toolkit/qt/QtToolkit.h"

#include "toolkit/qt/QtAccessible.h"
#include "toolkit/qt/QtPeers.h"
#include "toolkit/qt/QtText.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QProcess>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QScreen>
#include <QUrl>
#include <algorithm>
#include <stdexcept>

namespace Sumtide::QtBackend {

namespace {

// The widgets that take the focus by the Tab key, in the layout's order: the children of each
// container by TabOrder, each followed by what lies inside it.
void CollectTabStops(QWidget* Container, QList<QWidget*>& Stops) {
  QList<QWidget*> Children;
  for (QObject* Child : Container->children())
    if (auto* Widget = qobject_cast<QWidget*>(Child);
        Widget && !Widget->isWindow() && Widget->property("sumtideTabOrder").isValid())
      Children << Widget;
  std::stable_sort(Children.begin(), Children.end(), [](QWidget* A, QWidget* B) {
    const int OrderA = A->property("sumtideTabOrder").toInt();
    const int OrderB = B->property("sumtideTabOrder").toInt();
    return (OrderA < 0 ? INT_MAX : OrderA) < (OrderB < 0 ? INT_MAX : OrderB);
  });
  for (QWidget* Child : Children) {
    if (Child->property("sumtideTabStop").toBool())
      Stops << Child;
    CollectTabStops(Child, Stops);
  }
}

// The run steps the dialog from the thread of the windows: each step handles the events waiting
// for the application, the clicks on "Annuler" and the repaints of the main window among them.
class TQtProgress final : public Toolkit::IProgress {
public:
  TQtProgress(QWidget* Owner, const std::string& Caption, const std::string& Text)
      : FDialog(ToQt(Text), QStringLiteral("Annuler"), 0, 1000, Owner) {
    FDialog.setWindowTitle(ToQt(Caption));
    FDialog.setWindowModality(Qt::ApplicationModal);
    FDialog.setMinimumDuration(0);
    FDialog.setAutoClose(false);
    FDialog.setAutoReset(false);
    FDialog.setValue(0);
    // The caller decided that the run is long: no waiting for the dialog's own estimate.
    FDialog.show();
  }

  // Without a total (a file that reports no size) the bar only shows that work goes on.
  bool Step(std::int64_t Done, std::int64_t Total) override {
    if (Total > 0) {
      FDialog.setValue(std::clamp(static_cast<int>(Done * 1000 / Total), 0, 1000));
    } else if (FDialog.maximum() != 0) {
      FDialog.setRange(0, 0);
    }
    QCoreApplication::processEvents();
    return !FDialog.wasCanceled();
  }

private:
  QProgressDialog FDialog;
};

} // namespace

std::string DesktopAddress(const std::string& Address) {
  static const QRegularExpression Stored(QStringLiteral("^([A-Za-z][A-Za-z0-9+.-]*):\\\\\\\\"));
  QString Text = ToQt(Address);
  Text.replace(Stored, QStringLiteral("\\1://"));
  return FromQt(Text);
}

std::vector<std::string> NameFilters(const std::string& Filter) {
  std::vector<std::string> Result;
  const QStringList Parts = ToQt(Filter).split(QLatin1Char('|'));
  for (qsizetype I = 0; I + 1 < Parts.size(); I += 2) {
    QStringList Patterns = Parts[I + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (QString& Pattern : Patterns)
      if (Pattern.trimmed() == QLatin1String("*.*"))
        Pattern = QStringLiteral("*");
    // The dialog shows the description alone (HideNameFilterDetails) and filters by what stands
    // in the last parentheses.
    Result.push_back(FromQt(Parts[I] + QStringLiteral(" (") + Patterns.join(QLatin1Char(' ')) +
                            QLatin1Char(')')));
  }
  return Result;
}

TQtToolkit::TQtToolkit() {
  InstallAccessibleFactory();
}
TQtToolkit::~TQtToolkit() = default;

std::unique_ptr<Toolkit::IPeer> TQtToolkit::CreatePeer(const Toolkit::TPeerProps& Props,
                                                       Toolkit::IPeer* Parent,
                                                       Toolkit::IPeerEvents& Events) {
  auto Peer = CreateQtPeer(Props, static_cast<TQtPeer*>(Parent), Events);
  if (!Parent && !FMainWindow)
    FMainWindow = Peer->Widget();
  return Peer;
}

std::int32_t TQtToolkit::TextHeight(const Toolkit::TFontSpec& Font) {
  return QFontMetrics(QtFont(Font)).height();
}

std::int32_t TQtToolkit::PixelsPerInch() {
  const QScreen* Screen = QGuiApplication::primaryScreen();
  return Screen ? static_cast<std::int32_t>(Screen->logicalDotsPerInch() + 0.5) : 96;
}

void TQtToolkit::ShowMainForm(Toolkit::IPeer& MainForm, Toolkit::TShowState ShowState) {
  QWidget* Window = static_cast<TQtPeer&>(MainForm).Widget();
  if (!Window)
    return;
  QList<QWidget*> Stops;
  CollectTabStops(Window, Stops);
  for (qsizetype I = 0; I + 1 < Stops.size(); ++I)
    QWidget::setTabOrder(Stops[I], Stops[I + 1]);
  if (Window->property("sumtideCentre").toBool())
    if (const QScreen* Screen =
            Window->screen() ? Window->screen() : QGuiApplication::primaryScreen()) {
      const QRect Area = Screen->availableGeometry();
      Window->move(Area.x() + (Area.width() - Window->width()) / 2,
                   Area.y() + (Area.height() - Window->height()) / 2);
    }
  switch (ShowState) {
  case Toolkit::TShowState::Maximized:
    Window->showMaximized();
    break;
  case Toolkit::TShowState::MinimizedInactive:
    Window->showMinimized();
    break;
  case Toolkit::TShowState::Normal:
    Window->show();
    break;
  }
}

void TQtToolkit::Run(Toolkit::IPeer& MainForm, Toolkit::TShowState ShowState) {
  ShowMainForm(MainForm, ShowState);
  if (!FTerminated)
    QApplication::exec();
}

void TQtToolkit::Terminate() {
  FTerminated = true;
  QCoreApplication::exit(0);
}

void TQtToolkit::ShowMessageBox(const std::string& Text, const std::string& Caption,
                                Toolkit::TMessageKind Kind) {
  const QMessageBox::Icon Icon =
      Kind == Toolkit::TMessageKind::Error ? QMessageBox::Critical : QMessageBox::Information;
  QMessageBox Box(Icon, ToQt(Caption), ToQt(Text), QMessageBox::Ok, FMainWindow);
  Box.setTextFormat(Qt::PlainText);
  Box.setWindowModality(Qt::ApplicationModal);
  Box.exec();
}

namespace {

// Qt's own open dialog, except that a folder named in the name field opens and the field empties,
// as in the desktop's dialogs; Qt leaves the folder's path in the field for AnyFile, and a file
// name typed next would be appended to it.
class TOpenFileDialog : public QFileDialog {
public:
  using QFileDialog::QFileDialog;

  void accept() override {
    auto* Name = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    const QString Typed = Name ? Name->text() : QString();
    if (!Typed.isEmpty()) {
      const QFileInfo Info(directory(), Typed);
      if (Info.isDir()) {
        setDirectory(Info.absoluteFilePath());
        Name->clear();
        return;
      }
    }
    QFileDialog::accept();
  }
};

} // namespace

bool TQtToolkit::OpenDialog(Toolkit::TOpenDialogParams& Params) {
  TOpenFileDialog Dialog(FMainWindow);
  Dialog.setAcceptMode(QFileDialog::AcceptOpen);
  // A typed name of a file that does not exist is accepted; the command decides what to do.
  Dialog.setFileMode(QFileDialog::AnyFile);
  QFileDialog::Options Options = QFileDialog::HideNameFilterDetails;
  if (!UseNativeDialogs)
    Options |= QFileDialog::DontUseNativeDialog;
  Dialog.setOptions(Options);
  Dialog.setSizeGripEnabled(Params.EnableSizing);
  QStringList Filters;
  for (const std::string& Filter : NameFilters(Params.Filter))
    Filters << ToQt(Filter);
  Dialog.setNameFilters(Filters);
  if (Params.FilterIndex >= 1 && Params.FilterIndex <= Filters.size())
    Dialog.selectNameFilter(Filters[Params.FilterIndex - 1]);
  if (!Params.FileName.empty())
    Dialog.selectFile(ToQt(Params.FileName));
  if (Dialog.exec() != QDialog::Accepted || Dialog.selectedFiles().isEmpty())
    return false;
  Params.FileName = FromQt(Dialog.selectedFiles().first());
  // With the details hidden, some Qt versions name the chosen filter by its description alone.
  const QString Chosen = Dialog.selectedNameFilter();
  for (qsizetype Index = 0; Index < Filters.size(); ++Index)
    if (Filters[Index] == Chosen ||
        Filters[Index].left(Filters[Index].lastIndexOf(QLatin1String(" ("))).simplified() ==
            Chosen) {
      Params.FilterIndex = static_cast<std::int32_t>(Index + 1);
      break;
    }
  return true;
}

void TQtToolkit::AcceptDrops(Toolkit::IPeer& Form, bool Accept) {
  if (QWidget* Window = static_cast<TQtPeer&>(Form).Widget())
    Window->setAcceptDrops(Accept);
}

void TQtToolkit::ShellOpen(const std::string& Address) {
  const QString Url = ToQt(DesktopAddress(Address));
  if (!QDesktopServices::openUrl(QUrl(Url)))
    QProcess::startDetached(QStringLiteral("xdg-open"), {Url});
}

void TQtToolkit::ReleaseCapture() {
  if (QWidget* Grabber = QWidget::mouseGrabber())
    Grabber->releaseMouse();
}

void TQtToolkit::SetBusyCursor(bool Busy) {
  if (Busy)
    QApplication::setOverrideCursor(Qt::WaitCursor);
  else
    QApplication::restoreOverrideCursor();
}

std::unique_ptr<Toolkit::IProgress> TQtToolkit::BeginProgress(const std::string& Caption,
                                                              const std::string& Text) {
  return std::make_unique<TQtProgress>(FMainWindow, Caption, Text);
}

std::string TQtToolkit::UpperCase(const std::string& Text) {
  return FromQt(QLocale::system().toUpper(ToQt(Text)));
}

} // namespace Sumtide::QtBackend
