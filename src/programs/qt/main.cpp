// The Sumtide program on Qt: the checksum window on the Qt toolkit backend.

#include "app/AppMain.h"
#include "app/Unit1.h"
#include "toolkit/qt/QtToolkit.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[]) {
  // The program takes no arguments, and Qt would read its own options (-platform, -reverse, ...)
  // among them: it gets the program's name alone. Qt's environment variables still apply.
  static char Name[] = "sumtide";
  char* QtArgv[] = {argc > 0 && argv[0] ? argv[0] : Name, nullptr};
  int QtArgc = 1;
  QApplication QtApp(QtArgc, QtArgv);
  // Window and taskbar icon. From the SVG when Qt's SVG icon engine is installed (every size
  // sharp), otherwise that file adds nothing; the PNGs cover the usual sizes either way and are
  // preferred at their own sizes.
  QIcon Icon(QStringLiteral(":/sumtide/sumtide.svg"));
  for (const int Size : {16, 32, 48, 256})
    Icon.addFile(QStringLiteral(":/sumtide/sumtide-%1.png").arg(Size), QSize(Size, Size));
  QApplication::setWindowIcon(Icon);
  // The installed launcher entry's name, without ".desktop": on Wayland it is the windows' app id,
  // by which the desktop finds the entry's name and icon for them.
  QApplication::setDesktopFileName(QStringLiteral(SUMTIDE_APP_ID));
  Sumtide::QtBackend::TQtToolkit Toolkit;
  Sumtide::RegisterUnit1();
  return Sumtide::SumtideMain(Toolkit, Sumtide::Toolkit::TShowState::Normal);
}
