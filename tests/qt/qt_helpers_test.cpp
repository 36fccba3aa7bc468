// The Qt toolkit's pure helpers: the address handed to the desktop and the file dialog's filters.

#include "toolkit/qt/QtToolkit.h"

#include <QStringList>
#include <QTest>

using Sumtide::QtBackend::DesktopAddress;
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
};

QTEST_APPLESS_MAIN(HelpersTest)
#include "qt_helpers_test.moc"
