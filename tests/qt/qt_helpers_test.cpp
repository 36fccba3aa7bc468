// The Qt toolkit's pure helpers: the address handed to the desktop, the file dialog's filters and
// the names of the files in a dropped uri-list.

#include "toolkit/qt/QtToolkit.h"
#include "toolkit/qt/UriList.h"

#include <QStringList>
#include <QTest>

using Sumtide::QtBackend::DesktopAddress;
using Sumtide::QtBackend::LocalFileNames;
using Sumtide::QtBackend::NameFilters;

class HelpersTest : public QObject {
  Q_OBJECT

private slots:
  void desktopAddress_data() {
    QTest::addColumn<QString>("Stored");
    QTest::addColumn<QString>("Opened");
    const struct {
      const char *Row, *Stored, *Opened;
    } Cases[] = {
        {"stored form", "https:\\\\sumtide.example.org", "https://sumtide.example.org"},
        {"already a URL", "https://sumtide.example.org", "https://sumtide.example.org"},
        {"any scheme", "ftp:\\\\host\\dir", "ftp://host\\dir"},
        {"scheme of letters, digits, + . -", "a1+b.c-d:\\\\h", "a1+b.c-d://h"},
        {"upper case kept", "HTTP:\\\\Host", "HTTP://Host"},
        {"one backslash", "https:\\host", "https:\\host"},
        {"no scheme", "\\\\server\\share", "\\\\server\\share"},
        {"scheme starting with a digit", "1http:\\\\x", "1http:\\\\x"},
        {"not at the start", " https:\\\\x", " https:\\\\x"},
        {"mail", "mailto:someone@example.org", "mailto:someone@example.org"},
        {"empty", "", ""},
        {"UTF-8 kept", "https:\\\\exemple.fr/été", "https://exemple.fr/été"},
    };
    for (const auto& Case : Cases)
      QTest::newRow(Case.Row) << QString::fromUtf8(Case.Stored) << QString::fromUtf8(Case.Opened);
  }
  void desktopAddress() {
    QFETCH(QString, Stored);
    QFETCH(QString, Opened);
    QCOMPARE(QString::fromStdString(DesktopAddress(Stored.toStdString())), Opened);
  }

  void nameFilters_data() {
    QTest::addColumn<QString>("Filter");
    QTest::addColumn<QStringList>("Filters");
    QTest::newRow("the window's")
        << "All files (*.*)|*.*|Fichiers Executable (*.exe)|*.exe|Fichiers Texte (*.txt)|*.txt|"
           "Fichiers Doc (*.doc)|*.doc|Fichiers 7-Zip (*.7z)|*.7z|Fichiers Ace (*.ace)|*.ace|"
           "Fichiers Rar (*.rar)|*.rar|Fichiers Tar (*.tar)|*.tar|Fichiers Zip (*.zip)|*.zip|"
           "Fichiers Iso (*.iso)|*.iso|Fichiers Bin (*.bin)|*.bin"
        << QStringList{"All files (*.*) (*)",
                       "Fichiers Executable (*.exe) (*.exe)",
                       "Fichiers Texte (*.txt) (*.txt)",
                       "Fichiers Doc (*.doc) (*.doc)",
                       "Fichiers 7-Zip (*.7z) (*.7z)",
                       "Fichiers Ace (*.ace) (*.ace)",
                       "Fichiers Rar (*.rar) (*.rar)",
                       "Fichiers Tar (*.tar) (*.tar)",
                       "Fichiers Zip (*.zip) (*.zip)",
                       "Fichiers Iso (*.iso) (*.iso)",
                       "Fichiers Bin (*.bin) (*.bin)"};
    QTest::newRow("several patterns")
        << "Images|*.png;*.jpg;*.*" << QStringList{"Images (*.png *.jpg *)"};
    QTest::newRow("description without parentheses") << "Tout|*.*" << QStringList{"Tout (*)"};
    QTest::newRow("a description without pattern is dropped")
        << "Texte|*.txt|Seul" << QStringList{"Texte (*.txt)"};
    QTest::newRow("empty") << "" << QStringList{};
  }
  void nameFilters() {
    QFETCH(QString, Filter);
    QFETCH(QStringList, Filters);
    QStringList Result;
    for (const std::string& Each : NameFilters(Filter.toStdString()))
      Result << QString::fromStdString(Each);
    QCOMPARE(Result, Filters);
  }

  void localFileNames_data() {
    QTest::addColumn<QByteArray>("UriList");
    QTest::addColumn<QByteArrayList>("Names");
    const struct {
      const char* Row;
      QByteArray UriList;
      QByteArrayList Names;
    } Cases[] = {
        {"one file", "file:///tmp/a.txt\r\n", {"/tmp/a.txt"}},
        {"no final line end", "file:///tmp/a.txt", {"/tmp/a.txt"}},
        {"upper-case escapes", "file:///tmp/%C3%A9t%C3%A9", {"/tmp/\xc3\xa9t\xc3\xa9"}},
        {"lower-case escapes", "file:///tmp/%c3%a9t%c3%a9", {"/tmp/\xc3\xa9t\xc3\xa9"}},
        {"a byte that is not UTF-8", "file:///tmp/a%FF.bin", {"/tmp/a\xff.bin"}},
        {"an escaped slash", "file:///tmp/a%2Fb", {"/tmp/a/b"}},
        {"an escaped percent sign", "file:///tmp/100%25%2541", {"/tmp/100%%41"}},
        {"spaces", "file:///tmp/dossier%20choisi/a%20b.txt", {"/tmp/dossier choisi/a b.txt"}},
        {"several lines", "file:///a\r\nfile:///b\r\n", {"/a", "/b"}},
        {"bare line feeds", "file:///a\nfile:///b\n", {"/a", "/b"}},
        {"comments and empty lines",
         "# from a file manager\r\n\r\nfile:///a\r\n#file:///b\r\n",
         {"/a"}},
        {"localhost", "file://localhost/tmp/a", {"/tmp/a"}},
        {"scheme and host in capitals", "FILE://LocalHost/tmp/a", {"/tmp/a"}},
        {"no authority", "file:/tmp/a", {"/tmp/a"}},
        {"query and fragment left out", "file:///tmp/a?x=1#top", {"/tmp/a"}},
        {"malformed escapes stand for themselves", "file:///tmp/a%zz%4%", {"/tmp/a%zz%4%"}},
        {"another host", "file://server/tmp/a", {}},
        {"a web address", "https://sumtide.example.org/a.txt", {}},
        {"a file and a web address", "file:///a\r\nhttps://sumtide.example.org/b\r\n", {}},
        {"a relative path", "file:a.txt", {}},
        {"no path", "file://", {}},
        {"an escaped NUL", "file:///tmp/a%00b", {}},
        {"comments only", "# nothing\r\n", {}},
        {"empty", "", {}},
    };
    for (const auto& Case : Cases)
      QTest::newRow(Case.Row) << Case.UriList << Case.Names;
  }
  void localFileNames() {
    QFETCH(QByteArray, UriList);
    QFETCH(QByteArrayList, Names);
    QByteArrayList Result;
    for (const std::string& Name :
         LocalFileNames(std::string_view(UriList.constData(), std::size_t(UriList.size()))))
      Result << QByteArray::fromStdString(Name);
    QCOMPARE(Result, Names);
  }
};

QTEST_APPLESS_MAIN(HelpersTest)
#include "qt_helpers_test.moc"
