#pragma once

// The system services a window's commands call, reached through the application's toolkit.

#include "forms/Messages.h"
#include "toolkit/Toolkit.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Sumtide {

void DragAcceptFiles(Toolkit::IPeer& Window, bool Accept);
// The drop a window's WM_DROPFILES carries: its number of files, each file's full name (empty past
// the last), and its release, which the handler owes once it is done with the drop.
std::uint32_t DragQueryFileCount(TDropHandle Drop);
std::string DragQueryFileName(TDropHandle Drop, std::uint32_t Index);
void DragFinish(TDropHandle Drop);
void ShellExecuteOpen(const std::string& Address);
// Upper-cases by the rules of the user's locale.
std::string AnsiUpperCase(const std::string& Text);

// Shows the wait cursor for as long as it lives.
class TBusyCursor {
public:
  TBusyCursor();
  ~TBusyCursor();
  TBusyCursor(const TBusyCursor&) = delete;
  TBusyCursor& operator=(const TBusyCursor&) = delete;
};

// A modal progress display with a cancel button.
std::unique_ptr<Toolkit::IProgress> BeginProgress(const std::string& Caption,
                                                  const std::string& Text);

} // namespace Sumtide
