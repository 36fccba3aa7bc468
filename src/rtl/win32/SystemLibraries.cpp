#include "rtl/win32/SystemLibraries.h"

namespace Sumtide {

bool RestrictLibrarySearch() {
  return ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) != 0;
}

} // namespace Sumtide
