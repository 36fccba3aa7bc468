#include "QtWindow.h"

#include "toolkit/qt/QtPeers.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

namespace Sumtide::QtTest {

TQtWindow::TQtWindow() {
  Kit.UseNativeDialogs = false;
  RegisterUnit1();
  App = std::make_unique<TApplication>(Kit);
  App->SetTitle("Sumtide");
  App->CreateForm(Form1);
  if (!Form1)
    return;
  Kit.ShowMainForm(Form1->Handle(), Toolkit::TShowState::Normal);
  Window = static_cast<QtBackend::TQtPeer&>(Form1->Handle()).Widget();
  if (!Window)
    return;
  auto Find = [this](auto*& Field, const char* Name) {
    Field = Window->findChild<std::remove_reference_t<decltype(*Field)>*>(QLatin1String(Name));
  };
  Find(GroupBox1, "GroupBox1");
  Find(GroupBox2, "GroupBox2");
  Find(GroupBox3, "GroupBox3");
  Find(Button1, "Button1");
  Find(Button2, "Button2");
  Find(Button3, "Button3");
  Find(Button4, "Button4");
  Find(Edit1, "Edit1");
  Find(Edit2, "Edit2");
  Find(Edit3, "Edit3");
  Find(Label1, "Label1");
  Find(Label2, "Label2");
}

TQtWindow::~TQtWindow() {
  App.reset();
  Form1 = nullptr;
}

bool TQtWindow::Complete() const {
  return Window && GroupBox1 && GroupBox2 && GroupBox3 && Button1 && Button2 && Button3 &&
         Button4 && Edit1 && Edit2 && Edit3 && Label1 && Label2;
}

bool WhileModal(const std::function<void()>& Action, const std::function<void(QWidget*)>& Inspect) {
  bool Seen = false;
  QTimer Poll;
  Poll.setInterval(10);
  QObject::connect(&Poll, &QTimer::timeout, [&] {
    QWidget* Modal = QApplication::activeModalWidget();
    if (!Modal || !Modal->isVisible())
      return;
    Poll.stop();
    Seen = true;
    Inspect(Modal);
    if (auto* Dialog = qobject_cast<QDialog*>(Modal); Dialog && Dialog->isVisible())
      Dialog->reject();
  });
  Poll.start();
  Action();
  Poll.stop();
  return Seen;
}

TBoxSeen AnswerMessageBox(const std::function<void()>& Action) {
  TBoxSeen Seen;
  WhileModal(Action, [&](QWidget* Modal) {
    auto* Box = qobject_cast<QMessageBox*>(Modal);
    if (!Box)
      return;
    Seen.Text = Box->text();
    Seen.Title = Box->windowTitle();
    Seen.Icon = Box->icon();
    Seen.Buttons = static_cast<int>(Box->buttons().size());
    if (QAbstractButton* Ok = Box->button(QMessageBox::Ok)) {
      Seen.OkOnly = Seen.Buttons == 1;
      QTest::mouseClick(Ok, Qt::LeftButton);
    }
  });
  return Seen;
}

} // namespace Sumtide::QtTest
