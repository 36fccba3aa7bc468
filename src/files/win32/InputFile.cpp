#include "files/InputFile.h"

#include "files/win32/HandleStamp.h"
#include "rtl/win32/WideText.h"

#include <windows.h>

namespace Sumtide {

// On Windows a file is opened with read sharing only: nobody writes to it while it is read, and a
// file another program holds open for writing is refused. A folder is refused at the open ("Is a
// directory"), standard input may be a console, a pipe or a file, and the end of a pipe is its end
// of file. The error texts are the POSIX ones, so that messages read the same on every system.

namespace {

HANDLE AsHandle(std::intptr_t Handle) {
  return reinterpret_cast<HANDLE>(Handle);
}

TInputError ErrorOf(DWORD Code) {
  switch (Code) {
  case ERROR_FILE_NOT_FOUND:
  case ERROR_PATH_NOT_FOUND:
  case ERROR_INVALID_NAME:
  case ERROR_BAD_NETPATH:
    return {"No such file or directory", true};
  case ERROR_ACCESS_DENIED:
    return {"Permission denied", false};
  case ERROR_SHARING_VIOLATION:
  case ERROR_LOCK_VIOLATION:
    return {"Device or resource busy", false};
  case ERROR_FILENAME_EXCED_RANGE:
    return {"File name too long", false};
  default:
    return {"Input/output error", false};
  }
}

// The stamp of a file on disk; nothing for a pipe, a console or a device.
std::optional<TFileStamp> DiskFileStamp(HANDLE File) {
  if (::GetFileType(File) != FILE_TYPE_DISK)
    return std::nullopt;
  const std::optional<THandleInfo> Info = HandleInfo(File);
  if (!Info || Info->Directory)
    return std::nullopt;
  return Info->Stamp;
}

} // namespace

// Windows sets no per-process limit on open handles that a few hundred files could reach.
std::size_t OpenFileAllowance() {
  return 4096;
}

std::optional<std::int64_t> RegularFileSize(const std::string& Name) {
  const std::optional<std::wstring> Path = SystemFileName(Name);
  WIN32_FILE_ATTRIBUTE_DATA Data;
  if (!Path || !::GetFileAttributesExW(Path->c_str(), GetFileExInfoStandard, &Data) ||
      (Data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0)
    return std::nullopt;
  return (static_cast<std::int64_t>(Data.nFileSizeHigh) << 32) | Data.nFileSizeLow;
}

// Folders, devices and the device namespace (\\.\pipe\..., \\.\COM1) are read in their turn,
// as a POSIX FIFO is.
TNameKind LookUpName(const std::string& Name, TFileStamp&) {
  if (Name.rfind("\\\\.\\", 0) == 0 || Name.rfind("//./", 0) == 0)
    return TNameKind::Other;
  const std::optional<std::wstring> Path = SystemFileName(Name);
  WIN32_FILE_ATTRIBUTE_DATA Data;
  if (!Path || Name.empty() || !::GetFileAttributesExW(Path->c_str(), GetFileExInfoStandard, &Data))
    return TNameKind::Unknown;
  return (Data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0
             ? TNameKind::Other
             : TNameKind::Regular;
}

TInputFile TInputFile::StandardInput() {
  const HANDLE Input = ::GetStdHandle(STD_INPUT_HANDLE);
  return TInputFile(reinterpret_cast<std::intptr_t>(Input), false, DiskFileStamp(Input));
}

// The stamp of a file is always read from its handle here: Known goes unused.
std::optional<TInputFile> TInputFile::Open(const std::string& Name, TFileKinds Kinds,
                                           TInputError& Error, const TFileStamp*) {
  const std::optional<std::wstring> Path = SystemFileName(Name);
  if (!Path || Name.empty()) {
    Error = ErrorOf(ERROR_FILE_NOT_FOUND);
    return std::nullopt;
  }
  const DWORD Attributes =
      Kinds == TFileKinds::RegularOnly ? FILE_ATTRIBUTE_NORMAL : FILE_FLAG_SEQUENTIAL_SCAN;
  const HANDLE File = ::CreateFileW(Path->c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, Attributes, nullptr);
  if (File == INVALID_HANDLE_VALUE) {
    const DWORD Code = ::GetLastError();
    const DWORD Found = ::GetFileAttributesW(Path->c_str());
    if (Found != INVALID_FILE_ATTRIBUTES && (Found & FILE_ATTRIBUTE_DIRECTORY) != 0)
      Error = {"Is a directory", false};
    else
      Error = ErrorOf(Code);
    return std::nullopt;
  }
  if (Kinds == TFileKinds::RegularOnly && !DiskFileStamp(File)) {
    ::CloseHandle(File);
    Error = {"Not a regular file", false};
    return std::nullopt;
  }
  return Adopt(reinterpret_cast<std::intptr_t>(File));
}

TInputFile TInputFile::Adopt(std::intptr_t Handle, const TFileStamp*) {
  return TInputFile(Handle, true, DiskFileStamp(AsHandle(Handle)));
}

void TInputFile::Close() noexcept {
  if (FOwned && FHandle != ClosedHandle)
    ::CloseHandle(AsHandle(FHandle));
  FHandle = ClosedHandle;
}

std::int64_t TInputFile::Read(void* Buffer, std::size_t Count, TInputError& Error) {
  if (FOwned && SlowReadMilliseconds() > 0)
    ::Sleep(static_cast<DWORD>(SlowReadMilliseconds()));
  const DWORD Chunk = Count > (DWORD{1} << 30) ? (DWORD{1} << 30) : static_cast<DWORD>(Count);
  DWORD Got = 0;
  if (!::ReadFile(AsHandle(FHandle), Buffer, Chunk, &Got, nullptr)) {
    const DWORD Code = ::GetLastError();
    if (Code == ERROR_BROKEN_PIPE || Code == ERROR_HANDLE_EOF)
      return 0;
    Error = ErrorOf(Code);
    return -1;
  }
  return Got;
}

bool TInputFile::SeekTo(std::int64_t Offset) {
  LARGE_INTEGER Distance;
  Distance.QuadPart = Offset;
  return ::SetFilePointerEx(AsHandle(FHandle), Distance, nullptr, FILE_BEGIN) != 0;
}

bool TInputFile::ReadWouldWait() const {
  return false;
}

void TInputFile::Prefetch(std::int64_t, std::int64_t) const {}

std::optional<TFileStamp> TInputFile::Stamp() const {
  return DiskFileStamp(AsHandle(FHandle));
}

} // namespace Sumtide
