#include "toolkit/qt/QtPeers.h"

#include "toolkit/qt/QtAccessible.h"
#include "toolkit/qt/QtText.h"
#include "toolkit/qt/UriList.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontDatabase>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QUrl>

namespace Sumtide::QtBackend {

namespace {

using Toolkit::IPeerEvents;
using Toolkit::TColor;
using Toolkit::TPeerKind;
using Toolkit::TPeerProps;

QColor ColorOf(TColor Color, const QPalette& Palette) {
  switch (Color) {
  case TColor::clBtnFace:
    return Palette.color(QPalette::Window);
  case TColor::clWindow:
    return Palette.color(QPalette::Base);
  case TColor::clWindowText:
    return Palette.color(QPalette::WindowText);
  case TColor::clWhite:
    return Qt::white;
  case TColor::clGray:
    return QColor(128, 128, 128);
  case TColor::clDefault:
    break;
  }
  return {};
}

// The names of the local files of a drag, as bytes, or nothing when anything in it is not a local
// file. The uri-list is read as it came: through QUrl, a name that is not UTF-8 would be altered.
std::vector<std::string> DroppedNames(const QMimeData* Data) {
  if (!Data)
    return {};
  const QByteArray UriList = Data->data(QStringLiteral("text/uri-list"));
  if (!UriList.isEmpty())
    return LocalFileNames(std::string_view(UriList.constData(), std::size_t(UriList.size())));
  std::vector<std::string> Names;
  for (const QUrl& Url : Data->urls()) {
    if (!Url.isLocalFile())
      return {};
    Names.push_back(FromQt(Url.toLocalFile()));
  }
  return Names;
}

class TFormWindow final : public QWidget {
public:
  explicit TFormWindow(IPeerEvents& Events) : FEvents(Events) {}

protected:
  void closeEvent(QCloseEvent* Event) override {
    // The application decides: closing the main window terminates it, and the window goes with
    // the application.
    Event->ignore();
    FEvents.PeerCloseRequested();
  }
  void dragEnterEvent(QDragEnterEvent* Event) override {
    if (acceptDrops() && !DroppedNames(Event->mimeData()).empty())
      Event->acceptProposedAction();
  }
  void dragMoveEvent(QDragMoveEvent* Event) override {
    if (acceptDrops() && !DroppedNames(Event->mimeData()).empty())
      Event->acceptProposedAction();
  }
  void dropEvent(QDropEvent* Event) override {
    std::vector<std::string> Names = DroppedNames(Event->mimeData());
    if (Names.empty())
      return;
    Event->acceptProposedAction();
    FEvents.PeerFilesDropped(std::move(Names));
  }

private:
  IPeerEvents& FEvents;
};

// A push button that Enter and Return press while it has the focus, as on the desktop the layout
// was made for; Qt presses a plain window's buttons with the space bar only.
class TButtonWidget final : public QPushButton {
public:
  TButtonWidget(QWidget* Parent, IPeerEvents& Events) : QPushButton(Parent), FEvents(Events) {
    setAutoDefault(false);
    connect(this, &QPushButton::clicked, this, [this] { FEvents.PeerClicked(); });
  }

protected:
  void keyPressEvent(QKeyEvent* Event) override {
    // The keypad's Enter comes with the keypad modifier.
    if ((Event->key() == Qt::Key_Return || Event->key() == Qt::Key_Enter) &&
        (Event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
      click();
      return;
    }
    QPushButton::keyPressEvent(Event);
  }

private:
  IPeerEvents& FEvents;
};

class TLabelWidget final : public TLinkLabel {
public:
  TLabelWidget(QWidget* Parent, IPeerEvents& Events, bool Clickable)
      : TLinkLabel(Parent), FEvents(Events), FClickable(Clickable) {
    // A label without a handler lets the mouse through to what lies under it.
    setAttribute(Qt::WA_TransparentForMouseEvents, !Clickable);
  }

  bool IsLink() const override { return FClickable; }
  void Press() override { FEvents.PeerClicked(); }

protected:
  void mouseReleaseEvent(QMouseEvent* Event) override {
    if (Event->button() == Qt::LeftButton && rect().contains(Event->position().toPoint()))
      FEvents.PeerClicked();
  }

private:
  IPeerEvents& FEvents;
  bool FClickable;
};

QWidget* MakeWidget(const TPeerProps& Props, QWidget* Parent, IPeerEvents& Events) {
  switch (Props.Kind) {
  case TPeerKind::Form: {
    auto* Window = new TFormWindow(Events);
    Window->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                           (Props.MinimizeBox ? Qt::WindowMinimizeButtonHint : Qt::Widget) |
                           (Props.MaximizeBox ? Qt::WindowMaximizeButtonHint : Qt::Widget));
    Window->setWindowTitle(ToQt(Props.Text));
    return Window;
  }
  case TPeerKind::GroupBox:
    return new QGroupBox(ToQt(Props.Text), Parent);
  case TPeerKind::Button: {
    auto* Button = new TButtonWidget(Parent, Events);
    Button->setText(ToQt(Props.Text));
    return Button;
  }
  case TPeerKind::Edit: {
    auto* Edit = new QLineEdit(ToQt(Props.Text), Parent);
    Edit->setReadOnly(Props.ReadOnly);
    // A file dropped on an edit goes to the window, not into the text.
    Edit->setAcceptDrops(false);
    if (auto* Box = qobject_cast<QGroupBox*>(Parent))
      NameFieldsByCaption(*Box);
    return Edit;
  }
  case TPeerKind::Label: {
    auto* Label = new TLabelWidget(Parent, Events, Props.Clickable);
    Label->setText(ToQt(Props.Text));
    Label->setTextFormat(Qt::PlainText);
    return Label;
  }
  }
  return new QWidget(Parent);
}

} // namespace

QFont QtFont(const Toolkit::TFontSpec& Font) {
  QFont Result = Font.Name == "MS Sans Serif"
                     ? QFontDatabase::systemFont(QFontDatabase::GeneralFont)
                     : QFont(ToQt(Font.Name));
  Result.setStyleHint(QFont::SansSerif);
  const int Pixels = Font.Height < 0 ? -Font.Height : Font.Height;
  Result.setPixelSize(Pixels > 0 ? Pixels : 11);
  return Result;
}

std::unique_ptr<TQtPeer> CreateQtPeer(const TPeerProps& Props, TQtPeer* Parent,
                                      IPeerEvents& Events) {
  QWidget* Widget = MakeWidget(Props, Parent ? Parent->Widget() : nullptr, Events);
  auto Peer = std::make_unique<TQtPeer>(Widget, Props.Kind, Props.AutoSize);
  Widget->setObjectName(ToQt(Props.Name));
  Widget->setFont(QtFont(Props.Font));
  Widget->setEnabled(Props.Enabled);

  QPalette Palette = Widget->palette();
  if (Props.Font.Color != TColor::clWindowText && Props.Font.Color != TColor::clDefault)
    Palette.setColor(QPalette::WindowText, ColorOf(Props.Font.Color, Palette));
  if (Props.Color != TColor::clDefault) {
    const QColor Face = ColorOf(Props.Color, Palette);
    Palette.setColor(Props.Kind == TPeerKind::Edit ? QPalette::Base : QPalette::Window, Face);
  }
  Widget->setPalette(Palette);
  if (Props.Kind == TPeerKind::Label)
    Widget->setAutoFillBackground(!Props.Transparent);
  if (Props.Cursor == Toolkit::TCursor::crHandPoint)
    Widget->setCursor(Qt::PointingHandCursor);

  // Tab order and focus as the layout gives them: a control without TabStop takes the focus only
  // by the mouse; labels and group boxes never.
  const bool Focusable = Props.Kind == TPeerKind::Button || Props.Kind == TPeerKind::Edit;
  Widget->setFocusPolicy(!Focusable      ? Qt::NoFocus
                         : Props.TabStop ? Qt::StrongFocus
                                         : Qt::ClickFocus);
  Widget->setProperty("sumtideTabOrder", Props.TabOrder);
  Widget->setProperty("sumtideTabStop", Focusable && Props.TabStop);
  Widget->setProperty("sumtideCentre", Props.CentreOnScreen);

  if (Props.Kind == TPeerKind::Form) {
    Widget->setFixedSize(Props.Width, Props.Height);
    Widget->move(Props.Left, Props.Top);
  } else {
    Widget->setGeometry(Props.Left, Props.Top, Props.Width, Props.Height);
    if (Props.Kind == TPeerKind::Label && Props.AutoSize)
      Widget->adjustSize();
    Widget->setVisible(Props.Visible);
  }
  return Peer;
}

TQtPeer::TQtPeer(QWidget* Widget, Toolkit::TPeerKind Kind, bool AutoSize)
    : FWidget(Widget), FKind(Kind), FAutoSize(AutoSize) {}

TQtPeer::~TQtPeer() {
  delete FWidget.data();
}

std::string TQtPeer::GetText() const {
  if (!FWidget)
    return {};
  QString Text;
  switch (FKind) {
  case TPeerKind::Form:
    Text = FWidget->windowTitle();
    break;
  case TPeerKind::GroupBox:
    Text = static_cast<QGroupBox*>(FWidget.data())->title();
    break;
  case TPeerKind::Button:
    Text = static_cast<QPushButton*>(FWidget.data())->text();
    break;
  case TPeerKind::Edit:
    Text = static_cast<QLineEdit*>(FWidget.data())->text();
    break;
  case TPeerKind::Label:
    Text = static_cast<QLabel*>(FWidget.data())->text();
    break;
  }
  if (Text == FTextShown)
    return FTextSet;
  return FromQt(Text);
}

void TQtPeer::SetText(const std::string& Text) {
  if (!FWidget)
    return;
  const QString Value = ToQt(Text);
  FTextSet = Text;
  FTextShown = Value;
  switch (FKind) {
  case TPeerKind::Form:
    FWidget->setWindowTitle(Value);
    break;
  case TPeerKind::GroupBox:
    static_cast<QGroupBox*>(FWidget.data())->setTitle(Value);
    NameFieldsByCaption(*static_cast<QGroupBox*>(FWidget.data()));
    break;
  case TPeerKind::Button:
    static_cast<QPushButton*>(FWidget.data())->setText(Value);
    break;
  case TPeerKind::Edit:
    static_cast<QLineEdit*>(FWidget.data())->setText(Value);
    break;
  case TPeerKind::Label:
    static_cast<QLabel*>(FWidget.data())->setText(Value);
    if (FAutoSize)
      FWidget->adjustSize();
    break;
  }
}

void TQtPeer::SetEnabled(bool Enabled) {
  if (FWidget)
    FWidget->setEnabled(Enabled);
}

void TQtPeer::SetVisible(bool Visible) {
  if (FWidget)
    FWidget->setVisible(Visible);
}

void TQtPeer::Reshape(std::int32_t Left, std::int32_t Top, std::int32_t Width, std::int32_t Height,
                      const Toolkit::TFontSpec& Font) {
  if (!FWidget)
    return;
  FWidget->setFont(QtFont(Font));
  if (FKind == TPeerKind::Form) {
    FWidget->setFixedSize(Width, Height);
    return;
  }
  FWidget->setGeometry(Left, Top, Width, Height);
  if (FKind == TPeerKind::Label && FAutoSize)
    FWidget->adjustSize();
}

} // namespace Sumtide::QtBackend
