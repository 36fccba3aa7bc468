// The checksum window on Qt: its geometry, the look and behaviour of its controls, focus and keys.

#include "QtWindow.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFontMetrics>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

using namespace Sumtide;
using namespace Sumtide::QtTest;

class WindowTest : public QObject {
  Q_OBJECT

  std::unique_ptr<TQtWindow> W;

  // A length of the layout on this screen: the layout was made where a line of its font is 13
  // pixels high, and follows the text height found here.
  int Scaled(int Length) const {
    const int TextHeight = QFontMetrics(W->Window->font()).height();
    return static_cast<int>(std::lround(double(Length) * TextHeight / 13.0));
  }

  // The names of the widgets that take the focus, starting on From, pressing Key until the focus
  // comes back to From (at most 10 presses).
  QStringList FocusCycle(QWidget* From, Qt::Key Key) {
    From->setFocus(Qt::OtherFocusReason);
    QStringList Names{From->objectName()};
    for (int I = 0; I < 10; ++I) {
      QTest::keyClick(QApplication::focusWidget(), Key);
      if (QApplication::focusWidget() == From)
        break;
      Names << (QApplication::focusWidget() ? QApplication::focusWidget()->objectName()
                                            : QStringLiteral("(none)"));
    }
    return Names;
  }

private slots:
  void init() {
    W = std::make_unique<TQtWindow>();
    QVERIFY(W->Complete());
    QVERIFY(QTest::qWaitForWindowActive(W->Window));
  }
  void cleanup() { W.reset(); }

  void windowHasAFixedSizeACaptionAndNoMaximiseButton() {
    QWidget* Window = W->Window;
    const QSize Client(Scaled(413), Scaled(180));
    QCOMPARE(Window->size(), Client);
    QCOMPARE(Window->minimumSize(), Client);
    QCOMPARE(Window->maximumSize(), Client);
    QCOMPARE(Window->windowTitle(), QStringLiteral("Sumtide"));
    const Qt::WindowFlags Flags = Window->windowFlags();
    QVERIFY(Flags.testFlag(Qt::Window));
    QVERIFY(Flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(Flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!Flags.testFlag(Qt::WindowMaximizeButtonHint));
    // Centred on the screen, to within the frame the platform adds.
    const QRect Area = Window->screen()->availableGeometry();
    const QRect Frame = Window->frameGeometry();
    const int Margin = std::max(Frame.width() - Window->width(), Frame.height() - Window->height());
    QVERIFY(std::abs(Frame.center().x() - Area.center().x()) <= Margin);
    QVERIFY(std::abs(Frame.center().y() - Area.center().y()) <= Margin);
  }

  void theCloseBoxEndsTheApplication() {
    QVERIFY(!W->Window->close()); // the application closes it as it ends
    QVERIFY(W->App->Terminated());
  }

  void controlsSitWhereTheLayoutPutsThem_data() {
    QTest::addColumn<QString>("Name");
    QTest::addColumn<QString>("Parent");
    QTest::addColumn<QRect>("Place"); // a width of 0: sized to the caption
    const QString Form = QStringLiteral("Form1"), Box1 = QStringLiteral("GroupBox1"),
                  Box2 = QStringLiteral("GroupBox2"), Box3 = QStringLiteral("GroupBox3");
    QTest::newRow("Label1") << "Label1" << Form << QRect(389, 165, 0, 0);
    QTest::newRow("Label2") << "Label2" << Form << QRect(388, 164, 0, 0);
    QTest::newRow("Button1") << "Button1" << Form << QRect(332, 68, 75, 25);
    QTest::newRow("GroupBox1") << "GroupBox1" << Form << QRect(6, 8, 313, 53);
    QTest::newRow("Button2") << "Button2" << Box1 << QRect(272, 18, 25, 22);
    QTest::newRow("Edit3") << "Edit3" << Box1 << QRect(8, 19, 257, 21);
    QTest::newRow("GroupBox2") << "GroupBox2" << Form << QRect(6, 64, 313, 53);
    QTest::newRow("Edit1") << "Edit1" << Box2 << QRect(8, 19, 289, 21);
    QTest::newRow("GroupBox3") << "GroupBox3" << Form << QRect(6, 120, 313, 53);
    QTest::newRow("Edit2") << "Edit2" << Box3 << QRect(8, 19, 289, 21);
    QTest::newRow("Button3") << "Button3" << Form << QRect(332, 100, 75, 25);
    QTest::newRow("Button4") << "Button4" << Form << QRect(332, 132, 75, 25);
  }
  void controlsSitWhereTheLayoutPutsThem() {
    QFETCH(QString, Name);
    QFETCH(QString, Parent);
    QFETCH(QRect, Place);
    auto* Widget = W->Window->findChild<QWidget*>(Name);
    QVERIFY(Widget);
    QVERIFY(Widget->parentWidget());
    QCOMPARE(Widget->parentWidget()->objectName(), Parent);
    QVERIFY(Widget->isVisible());
    QCOMPARE(Widget->pos(), QPoint(Scaled(Place.x()), Scaled(Place.y())));
    if (Place.width() > 0) {
      QCOMPARE(Widget->size(), QSize(Scaled(Place.width()), Scaled(Place.height())));
    } else {
      auto* Label = qobject_cast<QLabel*>(Widget);
      QVERIFY(Label);
      QCOMPARE(Label->width(), QFontMetrics(Label->font()).horizontalAdvance(Label->text()));
    }
  }

  void captionsAreTheLayouts() {
    QCOMPARE(W->GroupBox1->title(), QStringLiteral(" Nom de fichier "));
    QCOMPARE(W->GroupBox2->title(), QStringLiteral("Somme de contrôle MD5 "));
    QCOMPARE(W->GroupBox3->title(), QStringLiteral(" Comparaison "));
    QCOMPARE(W->Button1->text(), QStringLiteral("Calculer"));
    QCOMPARE(W->Button2->text(), QStringLiteral("..."));
    QCOMPARE(W->Button3->text(), QStringLiteral("Comparer"));
    QCOMPARE(W->Button4->text(), QStringLiteral("Quitter"));
    QCOMPARE(W->Label2->text(), QStringLiteral("K!Vo"));
    QVERIFY(!W->Button3->isEnabled());
  }

  void checksumFieldIsReadOnlyButCopyable() {
    QLineEdit* Edit1 = W->Edit1;
    Form1->Edit1->SetText(AbcSum);
    QVERIFY(Edit1->isReadOnly());
    QCOMPARE(Edit1->palette().color(QPalette::Base), W->Window->palette().color(QPalette::Window));
    QCOMPARE(W->Edit3->palette().color(QPalette::Base),
             QApplication::palette(W->Edit3).color(QPalette::Base));

    QTest::mouseClick(Edit1, Qt::LeftButton);
    QVERIFY(Edit1->hasFocus());
    QTest::keyClicks(Edit1, QStringLiteral("xy"));
    QTest::keyClick(Edit1, Qt::Key_Backspace);
    QCOMPARE(Edit1->text(), QString::fromLatin1(AbcSum));

    QApplication::clipboard()->clear();
    QTest::keySequence(Edit1, QKeySequence::SelectAll);
    QTest::keySequence(Edit1, QKeySequence::Copy);
    QCOMPARE(QApplication::clipboard()->text(), QString::fromLatin1(AbcSum));
  }

  void editsRefuseDropsAndTakeTheFocusByClickOnly_data() {
    QTest::addColumn<QString>("Name");
    for (const char* Name : {"Edit1", "Edit2", "Edit3"})
      QTest::newRow(Name) << QString::fromLatin1(Name);
  }
  void editsRefuseDropsAndTakeTheFocusByClickOnly() {
    QFETCH(QString, Name);
    auto* Edit = W->Window->findChild<QLineEdit*>(Name);
    QVERIFY(Edit);
    QVERIFY(!Edit->acceptDrops());
    QCOMPARE(Edit->focusPolicy(), Qt::ClickFocus);
    W->Button2->setFocus();
    QTest::mouseClick(Edit, Qt::LeftButton);
    QVERIFY(Edit->hasFocus());
  }

  void signatureLabelsAreAShadowAndALink() {
    QLabel* Shadow = W->Label1;
    QLabel* Link = W->Label2;
    QCOMPARE(Shadow->palette().color(QPalette::WindowText), QColor(Qt::white));
    QVERIFY(Shadow->testAttribute(Qt::WA_TransparentForMouseEvents));
    QCOMPARE(Link->palette().color(QPalette::WindowText), QColor(128, 128, 128));
    QVERIFY(!Link->testAttribute(Qt::WA_TransparentForMouseEvents));
    QCOMPARE(Link->cursor().shape(), Qt::PointingHandCursor);
    // The link lies over its shadow, and the mouse over the shadow's uncovered edge reaches the
    // window, not the shadow.
    const QPoint Overlap = Shadow->geometry().center();
    QCOMPARE(W->Window->childAt(Overlap), Link);
    QVERIFY(W->Window->childAt(Shadow->geometry().bottomRight()) != Shadow);
  }

  void tabVisitsTheEnabledButtonsInTheLayoutsOrder_data() {
    QTest::addColumn<bool>("CompareEnabled");
    QTest::addColumn<QStringList>("Forward");
    QTest::newRow("Comparer disabled") << false << QStringList{"Button2", "Button1", "Button4"};
    QTest::newRow("Comparer enabled")
        << true << QStringList{"Button2", "Button1", "Button3", "Button4"};
  }
  void tabVisitsTheEnabledButtonsInTheLayoutsOrder() {
    QFETCH(bool, CompareEnabled);
    QFETCH(QStringList, Forward);
    Form1->Button3->SetEnabled(CompareEnabled);
    QCOMPARE(FocusCycle(W->Button2, Qt::Key_Tab), Forward);
    QStringList Backward{Forward.front()};
    for (qsizetype I = Forward.size() - 1; I > 0; --I)
      Backward << Forward[I];
    QCOMPARE(FocusCycle(W->Button2, Qt::Key_Backtab), Backward);
  }

  void enterOrSpaceOnAFocusedButtonPressesIt_data() {
    QTest::addColumn<int>("Key");
    QTest::addColumn<int>("Modifiers");
    QTest::newRow("Return") << int(Qt::Key_Return) << int(Qt::NoModifier);
    QTest::newRow("Enter of the keypad") << int(Qt::Key_Enter) << int(Qt::KeypadModifier);
    QTest::newRow("Enter") << int(Qt::Key_Enter) << int(Qt::NoModifier);
    QTest::newRow("Space") << int(Qt::Key_Space) << int(Qt::NoModifier);
  }
  void enterOrSpaceOnAFocusedButtonPressesIt() {
    QFETCH(int, Key);
    QFETCH(int, Modifiers);
    W->Button4->setFocus();
    QTest::keyClick(W->Button4, Qt::Key(Key), Qt::KeyboardModifiers(Modifiers));
    QVERIFY(W->App->Terminated()); // "Quitter"
  }

  void escapePressesNothing() {
    QTemporaryDir Dir;
    QFile File(Dir.filePath(QStringLiteral("abc.txt")));
    QVERIFY(File.open(QIODevice::WriteOnly) && File.write("abc") == 3);
    File.close();
    Form1->Edit3->SetText(File.fileName().toStdString());
    for (QPushButton* Button : {W->Button4, W->Button1}) {
      Button->setFocus();
      QTest::keyClick(Button, Qt::Key_Escape);
    }
    QVERIFY(!W->App->Terminated());
    QCOMPARE(W->Edit1->text(), QString());
    QVERIFY(W->Window->isVisible());
  }
};

QTEST_MAIN(WindowTest)
#include "qt_window_test.moc"
