#include "forms/SystemServices.h"

#include "forms/Application.h"
#include "rtl/Exception.h"

namespace Sumtide {

namespace {
TApplication& CurrentApplication() {
  if (!Application)
    throw Exception("No application object");
  return *Application;
}
Toolkit::IToolkit& CurrentToolkit() {
  return CurrentApplication().Toolkit();
}
} // namespace

void DragAcceptFiles(Toolkit::IPeer& Window, bool Accept) {
  CurrentToolkit().AcceptDrops(Window, Accept);
}

std::uint32_t DragQueryFileCount(TDropHandle Drop) {
  return CurrentApplication().DroppedFiles().Count(Drop);
}

std::string DragQueryFileName(TDropHandle Drop, std::uint32_t Index) {
  return CurrentApplication().DroppedFiles().Name(Drop, Index);
}

void DragFinish(TDropHandle Drop) {
  CurrentApplication().DroppedFiles().Release(Drop);
}

void ShellExecuteOpen(const std::string& Address) {
  CurrentToolkit().ShellOpen(Address);
}

std::string AnsiUpperCase(const std::string& Text) {
  return CurrentToolkit().UpperCase(Text);
}

TBusyCursor::TBusyCursor() {
  CurrentToolkit().SetBusyCursor(true);
}

TBusyCursor::~TBusyCursor() {
  if (Application)
    Application->Toolkit().SetBusyCursor(false);
}

std::unique_ptr<Toolkit::IProgress> BeginProgress(const std::string& Caption,
                                                  const std::string& Text) {
  return CurrentToolkit().BeginProgress(Caption, Text);
}

} // namespace Sumtide
