// The Sumtide program on Qt: the checksum window on the Qt toolkit backend.

#include "app/AppMain.h"
#include "app/Unit1.h"
#include "toolkit/qt/QtToolkit.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[]) {
  QApplication QtApp(argc, argv); // Qt's own options only; the program reads no arguments
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/sumtide/sumtide.svg")));
  Sumtide::QtBackend::TQtToolkit Toolkit;
  Sumtide::RegisterUnit1();
  return Sumtide::SumtideMain(Toolkit, Sumtide::Toolkit::SW_SHOWNORMAL);
}
