#pragma once

// Libraries from the system folder only. Windows looks for a library that is not one of its
// known DLLs first in the program's own folder, where a web page can have left a file of any name
// (a Downloads folder): such a library is loaded here by its full system path, and the process
// keeps every later search, its own and that of the system's libraries, to the system folder.

#include <type_traits>
#include <windows.h>

namespace Sumtide {

// Restricts every later library search of the process to the system folder. Called first thing
// at start, before the shell, the dialogs or the common controls load more; false when the system
// refused.
bool RestrictLibrarySearch();

// A library loaded from the system folder, freed with the object. Empty when it is not there.
class TSystemLibrary {
public:
  explicit TSystemLibrary(const wchar_t* Name)
      : FModule(::LoadLibraryExW(Name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {}
  ~TSystemLibrary() {
    if (FModule)
      ::FreeLibrary(FModule);
  }
  TSystemLibrary(const TSystemLibrary&) = delete;
  TSystemLibrary& operator=(const TSystemLibrary&) = delete;

  // The library's function Name as the type TFunction (decltype of the system header's
  // declaration, which does not import it), or null.
  template <typename TFunction> TFunction* Function(const char* Name) const {
    static_assert(std::is_function_v<TFunction>);
    const FARPROC Found = FModule ? ::GetProcAddress(FModule, Name) : nullptr;
    // Through a pointer to a function without parameters, which GCC takes as the generic one.
    return reinterpret_cast<TFunction*>(reinterpret_cast<void (*)()>(Found));
  }

private:
  HMODULE FModule;
};

} // namespace Sumtide
