// The Qt window on a slow medium: every read of a file waits first (SUMTIDE_SLOW_READS, set for
// this whole process before its first read). A run that takes a second gets the progress dialog,
// the window keeps painting under it, and "Annuler" clicked with the mouse ends the run with
// nothing changed; a quick run shows no dialog.

#include "QtWindow.h"
#include "files/InputFile.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

using namespace Sumtide;
using namespace Sumtide::QtTest;

namespace {

constexpr int SlowRead = 200; // milliseconds before each read

// Counts the paint events a widget gets.
class PaintCounter : public QObject {
public:
  int Paints = 0;

protected:
  bool eventFilter(QObject*, QEvent* Event) override {
    if (Event->type() == QEvent::Paint)
      ++Paints;
    return false;
  }
};

// What the user saw of the progress dialog during one run of "Calculer".
struct TDialogSeen {
  bool Shown = false;
  qint64 ShownAfter = -1; // milliseconds from the click on "Calculer"
  QString Title, Label, Button;
  int Maximum = -1;
  bool WindowPainted = false; // the main window painted while the dialog was up
};

} // namespace

class ProgressTest : public QObject {
  Q_OBJECT

  std::unique_ptr<TQtWindow> W;
  std::unique_ptr<QTemporaryDir> Dir;

  QString MakeFile(const QString& Name, const QByteArray& Content) {
    QFile File(Dir->filePath(Name));
    if (!File.open(QIODevice::WriteOnly) || File.write(Content) != Content.size())
      return {};
    return File.fileName();
  }

  // The user types Name over Edit3's text and clicks "Calculer"; returns when the run is over,
  // with the milliseconds it took. True when no modal window opened meanwhile.
  bool Calculate(const QString& Name, qint64* Took = nullptr) {
    W->Edit3->selectAll();
    QTest::keyClicks(W->Edit3, Name);
    QElapsedTimer Clock;
    Clock.start();
    const bool Modal =
        WhileModal([&] { QTest::mouseClick(W->Button1, Qt::LeftButton); }, [](QWidget*) {});
    if (Took)
      *Took = Clock.elapsed();
    return !Modal;
  }

  // The user types Name and clicks "Calculer". While the run goes on: once the progress dialog
  // shows, part of the main window needs painting again (as when a window over it moves away);
  // once it has painted (or after five seconds), the user clicks "Annuler".
  TDialogSeen CalculateAndCancel(const QString& Name) {
    TDialogSeen Seen;
    PaintCounter Counter;
    W->Window->installEventFilter(&Counter);
    int PaintsAtSight = 0;
    QElapsedTimer Clock;
    QTimer Poll;
    Poll.setInterval(10);
    QObject::connect(&Poll, &QTimer::timeout, [&] {
      auto* Dialog = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
      if (!Dialog || !Dialog->isVisible())
        return;
      if (!Seen.Shown) {
        Seen.Shown = true;
        Seen.ShownAfter = Clock.elapsed();
        Seen.Title = Dialog->windowTitle();
        Seen.Label = Dialog->labelText();
        Seen.Maximum = Dialog->maximum();
        PaintsAtSight = Counter.Paints;
        W->Window->update();
        return;
      }
      // A file that never ends is cancelled all the same once the window had long enough.
      Seen.WindowPainted = Counter.Paints != PaintsAtSight;
      if (!Seen.WindowPainted && Clock.elapsed() < Seen.ShownAfter + 5000)
        return;
      Poll.stop();
      auto* Cancel = Dialog->findChild<QPushButton*>();
      QVERIFY(Cancel);
      Seen.Button = Cancel->text();
      QTest::mouseClick(Cancel, Qt::LeftButton);
    });
    W->Edit3->selectAll();
    QTest::keyClicks(W->Edit3, Name);
    Poll.start();
    Clock.start();
    QTest::mouseClick(W->Button1, Qt::LeftButton);
    Poll.stop();
    W->Window->removeEventFilter(&Counter);
    return Seen;
  }

private slots:
  void initTestCase() {
    // Read once, at the first read of a file: nothing has been read yet.
    qputenv("SUMTIDE_SLOW_READS", QByteArray::number(SlowRead));
    QCOMPARE(SlowReadMilliseconds(), SlowRead);
  }
  void init() {
    Dir = std::make_unique<QTemporaryDir>();
    QVERIFY(Dir->isValid());
    W = std::make_unique<TQtWindow>();
    QVERIFY(W->Complete());
    QVERIFY(QTest::qWaitForWindowActive(W->Window));
  }
  void cleanup() {
    W.reset();
    Dir.reset();
  }

  void aQuickRunShowsNoDialog() {
    qint64 Took = 0;
    QVERIFY(Calculate(MakeFile(QStringLiteral("abc.txt"), "abc"), &Took));
    QVERIFY2(Took >= SlowRead, "the reads were not slowed down");
    QCOMPARE(W->Edit1->text(), QString::fromLatin1(AbcSum));
    QVERIFY(!QApplication::overrideCursor());
  }

  void aSlowRunShowsTheDialogAndAnnulerChangesNothing_data() {
    QTest::addColumn<QString>("Name");
    QTest::addColumn<int>("Maximum"); // of the bar: 0 when the file has no total
    // 64 reads of 200 ms: long enough that the run cannot end by itself before "Annuler", even on
    // a busy machine.
    QTest::newRow("a file of 64 MiB") << QStringLiteral("@slow.bin") << 1000;
    const QFileInfo Endless(QStringLiteral("/proc/self/pagemap"));
    if (Endless.isFile() && Endless.size() == 0)
      QTest::newRow("a file that never ends") << Endless.filePath() << 0;
  }
  void aSlowRunShowsTheDialogAndAnnulerChangesNothing() {
    QFETCH(QString, Name);
    QFETCH(int, Maximum);
    if (Name.startsWith(QLatin1Char('@')))
      Name = MakeFile(Name.mid(1), QByteArray(64 << 20, 's'));
    QVERIFY(Calculate(MakeFile(QStringLiteral("abc.txt"), "abc")));
    QCOMPARE(W->Edit1->text(), QString::fromLatin1(AbcSum));

    const TDialogSeen Seen = CalculateAndCancel(Name);
    QVERIFY2(Seen.Shown, "no progress dialog");
    QVERIFY2(Seen.ShownAfter >= 1000, qPrintable(QString::number(Seen.ShownAfter)));
    QCOMPARE(Seen.Title, QStringLiteral("Sumtide"));
    QCOMPARE(Seen.Label, QStringLiteral("Calcul de la somme de contrôle MD5…"));
    QCOMPARE(Seen.Maximum, Maximum);
    QVERIFY2(Seen.WindowPainted, "the window did not paint while the dialog was up");
    QCOMPARE(Seen.Button, QStringLiteral("Annuler"));

    QCOMPARE(W->Edit3->text(), Name);
    QCOMPARE(W->Edit1->text(), QString::fromLatin1(AbcSum));
    QVERIFY(W->Button3->isEnabled());
    QVERIFY(!QApplication::activeModalWidget());
    QVERIFY(W->Window->findChildren<QProgressDialog*>().isEmpty());
    QVERIFY(!QApplication::overrideCursor());
  }
};

QTEST_MAIN(ProgressTest)
#include "qt_progress_test.moc"
