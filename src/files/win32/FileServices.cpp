#include "files/FileServices.h"

#include "files/win32/HandleStamp.h"
#include "rtl/win32/WideText.h"

#include <algorithm>
#include <windows.h>

namespace Sumtide {

// On Windows:
// - The existence test is a find-first search, so `*` and `?` match as patterns there; the open
//   that follows takes the name literally and fails for such a name.
// - The file is opened with read sharing only: a file another program holds open for writing is
//   refused, and nobody can write to it while it is read.
// - Only files on disk count: a directory or a device name (CON, NUL, a pipe) is refused.
// - Long paths work: a name whose full path passes 260 characters is handed on with \\?\.

namespace {

// ReadFile moves at most 4 GiB - 1 per call; 1 GiB at a time keeps well under it.
constexpr std::int64_t MaxTransfer = std::int64_t{1} << 30;

HANDLE AsHandle(std::intptr_t Handle) {
  return reinterpret_cast<HANDLE>(Handle);
}

} // namespace

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

std::optional<TReadOnlyFile> TReadOnlyFile::Open(const std::string& Name) {
  const std::optional<std::wstring> Path = SystemFileName(Name);
  if (!Path)
    return std::nullopt;
  const HANDLE File = ::CreateFileW(Path->c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (File == INVALID_HANDLE_VALUE)
    return std::nullopt;
  LARGE_INTEGER Size;
  BY_HANDLE_FILE_INFORMATION Info;
  if (::GetFileType(File) != FILE_TYPE_DISK || !::GetFileInformationByHandle(File, &Info) ||
      (Info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 || !::GetFileSizeEx(File, &Size)) {
    ::CloseHandle(File);
    return std::nullopt;
  }
  return TReadOnlyFile(Name, reinterpret_cast<std::intptr_t>(File),
                       static_cast<std::int64_t>(Size.QuadPart));
}

void TReadOnlyFile::Close() noexcept {
  if (IsOpen())
    ::CloseHandle(AsHandle(std::exchange(FHandle, ClosedHandle)));
}

std::int64_t TReadOnlyFile::Read(void* Buffer, std::int64_t Count) {
  if (!IsOpen())
    throw EFileReadError(FName);
  auto* Next = static_cast<unsigned char*>(Buffer);
  std::int64_t Done = 0;
  while (Done < Count) {
    const auto Chunk = static_cast<DWORD>(std::min(Count - Done, MaxTransfer));
    DWORD Got = 0;
    if (!::ReadFile(AsHandle(FHandle), Next + Done, Chunk, &Got, nullptr))
      throw EFileReadError(FName);
    if (Got == 0)
      break; // end of file
    Done += std::min<std::int64_t>(Got, Chunk);
  }
  return Done;
}

// The file is open deny-write, so its stamp only changes through a writer that held it before the
// open was refused to it; the stamp is taken all the same, as on POSIX.
TFileStamp TReadOnlyFile::Stamp() const {
  const std::optional<THandleInfo> Info = IsOpen() ? HandleInfo(AsHandle(FHandle)) : std::nullopt;
  if (!Info)
    throw EFileReadError(FName);
  return Info->Stamp;
}

void TReadOnlyFile::Rewind() {
  LARGE_INTEGER Start{};
  if (!IsOpen() || !::SetFilePointerEx(AsHandle(FHandle), Start, nullptr, FILE_BEGIN))
    throw EFileReadError(FName);
}

// Files are read, not mapped, on Windows: the caller falls back to Read.
bool TReadOnlyFile::ConsumeMapped(std::int64_t, std::int64_t, TConsume, void*) {
  return false;
}

} // namespace Sumtide
