// The checksum window's commands on Qt, driven by mouse and keyboard: calculate, compare, drops,
// the file dialog, the link and the exception display.

#include "QtWindow.h"
#include "rtl/Exception.h"

#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QWindow>
#include <cstdio>
#include <fstream>

using namespace Sumtide;
using namespace Sumtide::QtTest;

// Catches the addresses the window hands to the desktop.
class UrlCatcher : public QObject {
  Q_OBJECT
public:
  QList<QUrl> Urls;
public slots:
  void Open(const QUrl& Url) { Urls << Url; }
};

namespace {

// The message the replacement handler throws.
std::string ThrownMessage;
const TMethodInfo Thrower{"Thrower",
                          [](TComponent&, TComponent*) { throw Exception(ThrownMessage); }};

const QStringList FilterTexts{
    "All files (*.*)",      "Fichiers Executable (*.exe)", "Fichiers Texte (*.txt)",
    "Fichiers Doc (*.doc)", "Fichiers 7-Zip (*.7z)",       "Fichiers Ace (*.ace)",
    "Fichiers Rar (*.rar)", "Fichiers Tar (*.tar)",        "Fichiers Zip (*.zip)",
    "Fichiers Iso (*.iso)", "Fichiers Bin (*.bin)"};

// The names the file dialog lists.
QStringList Listed(QFileDialog* Dialog) {
  QStringList Names;
  if (auto* List = Dialog->findChild<QListView*>(QStringLiteral("listView"))) {
    const QModelIndex Root = List->rootIndex();
    for (int Row = 0; Row < List->model()->rowCount(Root); ++Row)
      Names << List->model()->index(Row, 0, Root).data().toString();
  }
  return Names;
}

} // namespace

class CommandsTest : public QObject {
  Q_OBJECT

  std::unique_ptr<TQtWindow> W;
  std::unique_ptr<QTemporaryDir> Dir;

  QString MakeFile(const QString& Name, const QByteArray& Content) {
    QFile File(Dir->filePath(Name));
    if (!File.open(QIODevice::WriteOnly) || File.write(Content) != Content.size())
      return {};
    return File.fileName();
  }

  // The user types a file name over Edit3's text and clicks "Calculer". True when no modal
  // window opened.
  bool Calculate(const QString& FileName) {
    W->Edit3->selectAll();
    QTest::keyClicks(W->Edit3, FileName);
    return !WhileModal([&] { QTest::mouseClick(W->Button1, Qt::LeftButton); }, [](QWidget*) {});
  }

  // Drags Data over the window's point At and drops it there, as the platform delivers a drag:
  // to the native window, which hands it to the widget that takes drops under the point. True
  // when the drag was accepted.
  bool DragAndDrop(QMimeData& Data, QPoint At) {
    QWindow* Native = W->Window->windowHandle();
    QDragEnterEvent Enter(At, Qt::CopyAction, &Data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Native, &Enter);
    if (!Enter.isAccepted()) {
      QDragLeaveEvent Leave;
      QApplication::sendEvent(Native, &Leave);
      return false;
    }
    QDropEvent Drop(QPointF(At), Qt::CopyAction, &Data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Native, &Drop);
    return true;
  }
  QPoint CentreOf(QWidget* Widget) const {
    return Widget->mapTo(W->Window, Widget->rect().center());
  }

  // Clicks "..." and answers the file dialog with Answer.
  bool WithFileDialog(const std::function<void(QFileDialog*)>& Answer) {
    return WhileModal([&] { QTest::mouseClick(W->Button2, Qt::LeftButton); },
                      [&](QWidget* Modal) {
                        auto* Dialog = qobject_cast<QFileDialog*>(Modal);
                        QVERIFY2(Dialog, "the modal window is no file dialog");
                        Answer(Dialog);
                      });
  }
  static void ClickDialogButton(QFileDialog* Dialog, QDialogButtonBox::StandardButton Which) {
    auto* Buttons = Dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    QVERIFY(Buttons && Buttons->button(Which));
    QTest::mouseClick(Buttons->button(Which), Qt::LeftButton);
  }
  // Clicks into the dialog's name field, types Text key by key and presses Enter, as a person
  // does; the completion list that typing opens stays open, and gets the Enter first, as a
  // popup gets the keys the window system delivers.
  static void TypeAndEnter(QLineEdit* Name, const QString& Text) {
    QTest::mouseClick(Name, Qt::LeftButton);
    QTRY_VERIFY(Name->hasFocus());
    QTest::keyClicks(Name, Text);
    QWidget* Popup = QApplication::activePopupWidget();
    QTest::keyClick(Popup ? Popup : static_cast<QWidget*>(Name), Qt::Key_Return);
  }
  // In the first opening: the folder is shown, "chosen.txt" typed, file type 3 picked, Open.
  void ChooseChosenAsText(QFileDialog* Dialog) {
    Dialog->setDirectory(Dir->path());
    Dialog->selectNameFilter(Dialog->nameFilters().value(2));
    auto* Name = Dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QVERIFY(Name);
    Name->setText(QStringLiteral("chosen.txt"));
    ClickDialogButton(Dialog, QDialogButtonBox::Open);
  }

private slots:
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

  void typedNameAndCalculerShowTheChecksum() {
    const QString Abc = MakeFile(QStringLiteral("abc.txt"), "abc");
    QVERIFY(Calculate(Abc));
    QCOMPARE(W->Edit3->text(), Abc);
    QCOMPARE(W->Edit1->text(), QString::fromLatin1(AbcSum));
    QVERIFY(W->Button3->isEnabled());
    QVERIFY(!QApplication::overrideCursor());
  }

  void comparerSaysWhetherTheChecksumsMatch_data() {
    QTest::addColumn<QString>("Expected");
    QTest::addColumn<QString>("Text");
    QTest::addColumn<int>("Icon");
    const QString Same = QStringLiteral("Les sommes de contrôle MD5 sont identiques.");
    const QString Different = QStringLiteral("Les sommes de contrôle MD5 sont différentes.");
    QTest::newRow("same") << QString::fromLatin1(AbcSum) << Same << int(QMessageBox::Information);
    QTest::newRow("same, lower case, spaces around")
        << QStringLiteral("  900150983cd24fb0d6963f7d28e17f72 ") << Same
        << int(QMessageBox::Information);
    QTest::newRow("different") << QStringLiteral("900150983CD24FB0D6963F7D28E17F73") << Different
                               << int(QMessageBox::Critical);
    QTest::newRow("empty") << QString() << Different << int(QMessageBox::Critical);
  }
  void comparerSaysWhetherTheChecksumsMatch() {
    QFETCH(QString, Expected);
    QFETCH(QString, Text);
    QFETCH(int, Icon);
    QVERIFY(Calculate(MakeFile(QStringLiteral("abc.txt"), "abc")));
    QTest::keyClicks(W->Edit2, Expected);
    const TBoxSeen Box = AnswerMessageBox([&] { QTest::mouseClick(W->Button3, Qt::LeftButton); });
    QCOMPARE(Box.Text, Text);
    QCOMPARE(Box.Icon, Icon);
    QCOMPARE(Box.Title, QString());
    QVERIFY(Box.OkOnly);
    QCOMPARE(W->Edit2->text(), Expected.trimmed());
    QVERIFY(!QApplication::activeModalWidget());
  }

  void dropsTakeOneLocalFile_data() {
    QTest::addColumn<QStringList>("Urls"); // "@name": a file of the temporary folder
    QTest::addColumn<QString>("Text");
    QTest::addColumn<bool>("Accepted");
    QTest::addColumn<bool>("Taken");
    QTest::newRow("one file") << QStringList{"@dropped.txt"} << QString() << true << true;
    QTest::newRow("two files") << QStringList{"@dropped.txt", "@other.txt"} << QString() << true
                               << false;
    QTest::newRow("a web address")
        << QStringList{"https://sumtide.example.org/dropped.txt"} << QString() << false << false;
    QTest::newRow("a file and a web address")
        << QStringList{"@dropped.txt", "https://sumtide.example.org/other.txt"} << QString()
        << false << false;
    QTest::newRow("text") << QStringList() << QStringLiteral("dropped.txt") << false << false;
  }
  void dropsTakeOneLocalFile() {
    QFETCH(QStringList, Urls);
    QFETCH(QString, Text);
    QFETCH(bool, Accepted);
    QFETCH(bool, Taken);
    const QString Abc = MakeFile(QStringLiteral("abc.txt"), "abc");
    const QString Dropped = MakeFile(QStringLiteral("dropped.txt"), "dropped");
    MakeFile(QStringLiteral("other.txt"), "other");
    QVERIFY(Calculate(Abc));

    QMimeData Data;
    QList<QUrl> UrlList;
    for (const QString& Url : Urls)
      UrlList << (Url.startsWith(QLatin1Char('@')) ? QUrl::fromLocalFile(Dir->filePath(Url.mid(1)))
                                                   : QUrl(Url));
    if (!UrlList.isEmpty())
      Data.setUrls(UrlList);
    if (!Text.isEmpty())
      Data.setText(Text);
    // Over the window itself: right of the file name box, above "Calculer".
    const QPoint Free(W->Button1->x() + 10, W->GroupBox1->y() + 10);
    QVERIFY(!W->Window->childAt(Free));
    bool WasAccepted = false;
    QVERIFY(!WhileModal([&] { WasAccepted = DragAndDrop(Data, Free); }, [](QWidget*) {}));
    QCOMPARE(WasAccepted, Accepted);
    QCOMPARE(W->Edit3->text(), Taken ? Dropped : Abc);
    QCOMPARE(W->Edit1->text(), QString::fromLatin1(Taken ? DroppedSum : AbcSum));
    QVERIFY(W->Button3->isEnabled());
  }

  void aDroppedNameThatIsNotUtf8IsKeptAndHashed() {
    // The name's bytes as the file system holds them; Qt cannot spell them as a QString.
    const QByteArray Name = QFile::encodeName(Dir->path()) + "/dropped-\xff.txt";
    // QTemporaryDir cannot spell the name to remove it either.
    const struct TRemoved {
      std::string Path;
      ~TRemoved() { std::remove(Path.c_str()); }
    } Removed{Name.toStdString()};
    {
      std::ofstream File(Name.toStdString(), std::ios::binary);
      QVERIFY(File << "dropped");
    }
    // As a file manager offers it: the uri-list, percent-encoded, and the same as plain text.
    QMimeData Data;
    const QByteArray Uri = "file://" + Name.toPercentEncoding("/");
    Data.setData(QStringLiteral("text/uri-list"), "# one file\r\n" + Uri + "\r\n");
    Data.setText(QString::fromLatin1(Uri));
    QVERIFY(!WhileModal([&] { QVERIFY(DragAndDrop(Data, CentreOf(W->Edit1))); }, [](QWidget*) {}));
    QCOMPARE(QByteArray::fromStdString(Form1->Edit3->Text()), Name);
    QCOMPARE(W->Edit1->text(), QString::fromLatin1(DroppedSum));
    QVERIFY(W->Button3->isEnabled());
  }

  void aFileDroppedOnAnEditGoesToTheWindow_data() {
    QTest::addColumn<QString>("Name");
    for (const char* Name : {"Edit1", "Edit2", "Edit3"})
      QTest::newRow(Name) << QString::fromLatin1(Name);
  }
  void aFileDroppedOnAnEditGoesToTheWindow() {
    QFETCH(QString, Name);
    const QString Dropped = MakeFile(QStringLiteral("dropped.txt"), "dropped");
    W->Edit3->setText(QStringLiteral("typed"));
    W->Edit2->setText(QStringLiteral("expected"));
    auto* Target = W->Window->findChild<QLineEdit*>(Name);
    QVERIFY(Target);
    // As a file manager offers it: the URL, and the same as plain text, which an edit that
    // took drops would insert.
    QMimeData Data;
    Data.setUrls({QUrl::fromLocalFile(Dropped)});
    Data.setText(QUrl::fromLocalFile(Dropped).toString());
    QVERIFY(DragAndDrop(Data, CentreOf(Target)));
    QCOMPARE(W->Edit3->text(), Dropped);
    QCOMPARE(W->Edit1->text(), QString::fromLatin1(DroppedSum));
    QCOMPARE(W->Edit2->text(), QStringLiteral("expected"));
  }

  void fileDialogOffersAllFilesFirstAndHashesTheChosenFile() {
    MakeFile(QStringLiteral("README"), "no dot");
    const QString Chosen = MakeFile(QStringLiteral("chosen.txt"), "chosen");
    const bool Opened = WithFileDialog([&](QFileDialog* Dialog) {
      auto* Types = Dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
      QVERIFY(Types);
      QStringList Visible;
      for (int I = 0; I < Types->count(); ++I)
        Visible << Types->itemText(I);
      QCOMPARE(Visible, FilterTexts);
      QCOMPARE(Types->currentIndex(), 0);
      // All files: a name without a dot is listed too; text files: it is not.
      Dialog->setDirectory(Dir->path());
      QVERIFY(QTest::qWaitFor([&] {
        const QStringList Names = Listed(Dialog);
        return Names.contains(QStringLiteral("README")) && Names.contains("chosen.txt");
      }));
      Dialog->selectNameFilter(Dialog->nameFilters().value(2));
      QVERIFY(QTest::qWaitFor([&] { return !Listed(Dialog).contains(QStringLiteral("README")); }));
      ChooseChosenAsText(Dialog);
    });
    QVERIFY(Opened);
    QCOMPARE(W->Edit3->text(), Chosen);
    QCOMPARE(W->Edit1->text(), QString::fromLatin1(ChosenSum));
    QVERIFY(W->Button3->isEnabled());
    QCOMPARE(Form1->OpenDialog1->FilterIndex(), 3); // the type the user picked
  }

  void fileDialogOffersTheLastChoiceAgainAndCancelChangesNothing() {
    const QString Chosen = MakeFile(QStringLiteral("chosen.txt"), "chosen");
    QVERIFY(WithFileDialog([&](QFileDialog* Dialog) { ChooseChosenAsText(Dialog); }));
    QCOMPARE(W->Edit3->text(), Chosen);
    const QString Abc = MakeFile(QStringLiteral("abc.txt"), "abc");
    QVERIFY(Calculate(Abc));

    const bool Opened = WithFileDialog([&](QFileDialog* Dialog) {
      auto* Name = Dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      QVERIFY(Name);
      QCOMPARE(Name->text(), QStringLiteral("chosen.txt"));
      QCOMPARE(Dialog->directory().absolutePath(), QDir(Dir->path()).absolutePath());
      QCOMPARE(Dialog->selectedFiles().value(0), Chosen);
      auto* Types = Dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
      QVERIFY(Types);
      QCOMPARE(Types->currentIndex(), 0);
      ClickDialogButton(Dialog, QDialogButtonBox::Cancel);
    });
    QVERIFY(Opened);
    QCOMPARE(W->Edit3->text(), Abc);
    QCOMPARE(W->Edit1->text(), QString::fromLatin1(AbcSum));
  }

  // Typed with real keys: a folder's path and Enter open the folder and empty the name field, so
  // the file's name typed next is taken in that folder.
  void aFolderTypedInTheFileDialogOpensAndTheNameIsTakenThere() {
    QVERIFY(QDir(Dir->path()).mkdir(QStringLiteral("dossier choisi")));
    const QString Chosen = MakeFile(QStringLiteral("dossier choisi/fichier choisi.bin"), "abc");
    const QString Folder = QFileInfo(Chosen).absolutePath();
    const bool Opened = WithFileDialog([&](QFileDialog* Dialog) {
      auto* Name = Dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      QVERIFY(Name);
      TypeAndEnter(Name, Folder);
      QVERIFY(QTest::qWaitFor([&] { return Dialog->directory().absolutePath() == Folder; }));
      QVERIFY(Dialog->isVisible());
      QCOMPARE(Name->text(), QString());
      TypeAndEnter(Name, QStringLiteral("fichier choisi.bin"));
    });
    QVERIFY(Opened);
    QCOMPARE(W->Edit3->text(), Chosen);
    QCOMPARE(W->Edit1->text(), QString::fromLatin1(AbcSum));
  }

  void cancellingTheFirstFileDialogChangesNothing() {
    QVERIFY(WithFileDialog([](QFileDialog* Dialog) { Dialog->reject(); }));
    QCOMPARE(W->Edit3->text(), QString());
    QCOMPARE(W->Edit1->text(), QString());
    QVERIFY(!W->Button3->isEnabled());
  }

  void theSignatureOpensTheProjectAddress() {
    QCOMPARE(Form1->Label2->Hint(), std::string("https:\\\\sumtide.example.org"));
    UrlCatcher Catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &Catcher, "Open");
    // Clicked where the link lies over its shadow, through the native window.
    QTest::mouseClick(W->Window->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                      CentreOf(W->Label1));
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QCOMPARE(Catcher.Urls, QList<QUrl>{QUrl(QStringLiteral("https://sumtide.example.org"))});
  }

  void anExceptionFromAHandlerIsShownAndTheWindowGoesOn_data() {
    QTest::addColumn<QString>("Message");
    QTest::addColumn<QString>("Shown");
    const struct {
      const char *Row, *Message, *Shown;
    } Cases[] = {
        {"a final period added", "Boom", "Boom."},
        {"one period only", "Fini.", "Fini."},
        {"after a digit", "Taille : 3", "Taille : 3."},
        {"after an accent", "Erreur système", "Erreur système."},
        {"none after an exclamation mark", "Arrêt!", "Arrêt!"},
        {"none after a quote", "Fichier \"x\"", "Fichier \"x\""},
    };
    for (const auto& Case : Cases)
      QTest::newRow(Case.Row) << QString::fromUtf8(Case.Message) << QString::fromUtf8(Case.Shown);
  }
  void anExceptionFromAHandlerIsShownAndTheWindowGoesOn() {
    QFETCH(QString, Message);
    QFETCH(QString, Shown);
    ThrownMessage = Message.toStdString();
    Form1->Button2->SetOnClick(TNotifyEvent{Form1, &Thrower});
    const TBoxSeen Box = AnswerMessageBox([&] { QTest::mouseClick(W->Button2, Qt::LeftButton); });
    QCOMPARE(Box.Text, Shown);
    QCOMPARE(Box.Title, QStringLiteral("Sumtide"));
    QCOMPARE(Box.Icon, int(QMessageBox::Critical));
    QVERIFY(Box.OkOnly);
    QVERIFY(Calculate(MakeFile(QStringLiteral("abc.txt"), "abc")));
    QCOMPARE(W->Edit1->text(), QString::fromLatin1(AbcSum));
  }

  void aFailedReadIsReportedAndChangesNothing() {
    const QString Unreadable = QStringLiteral("/sys/class/net/lo/speed");
    {
      QFile File(Unreadable);
      char Byte;
      if (!File.open(QIODevice::ReadOnly) || File.read(&Byte, 1) >= 0)
        QSKIP("no file here opens but fails to read");
    }
    W->Edit3->selectAll();
    QTest::keyClicks(W->Edit3, Unreadable);
    const TBoxSeen Box = AnswerMessageBox([&] { QTest::mouseClick(W->Button1, Qt::LeftButton); });
    QCOMPARE(Box.Text, QStringLiteral("Impossible de lire le fichier \"%1\"").arg(Unreadable));
    QCOMPARE(Box.Title, QStringLiteral("Sumtide"));
    QCOMPARE(Box.Icon, int(QMessageBox::Critical));
    QVERIFY(Box.OkOnly);
    QCOMPARE(W->Edit1->text(), QString());
    QVERIFY(!W->Button3->isEnabled());
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(Calculate(MakeFile(QStringLiteral("abc.txt"), "abc")));
    QCOMPARE(W->Edit1->text(), QString::fromLatin1(AbcSum));
  }
};

QTEST_MAIN(CommandsTest)
#include "qt_commands_test.moc"
