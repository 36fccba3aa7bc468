#include "files/FileServices.h"

#include "rtl/win32/WideText.h"

#include <windows.h>

namespace Sumtide {

// On Windows the existence test is a find-first search, so `*` and `?` match as patterns there;
// the open that follows takes the name literally and fails for such a name. Long paths work: a
// name whose full path passes 260 characters is handed on with \\?\.
bool FileExists(const std::string& Name) {
  const std::optional<std::wstring> Path = SystemFileName(Name);
  if (!Path)
    return false;
  WIN32_FIND_DATAW Data;
  const HANDLE Find = ::FindFirstFileW(Path->c_str(), &Data);
  if (Find == INVALID_HANDLE_VALUE)
    return false;
  ::FindClose(Find);
  return (Data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

} // namespace Sumtide
