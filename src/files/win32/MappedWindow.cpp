// No mapped reading on Windows: the reader reads.

#include "files/MappedWindow.h"

namespace Sumtide {

std::unique_ptr<TMappedWindow> TMappedWindow::Map(std::intptr_t, std::int64_t, std::size_t) {
  return nullptr;
}

TMappedWindow::~TMappedWindow() = default;

bool TMappedWindow::LostPages() const {
  return false;
}

} // namespace Sumtide
