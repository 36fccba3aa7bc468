#include "rtl/FileStream.h"

#include "rtl/win32/WideText.h"

#include <algorithm>
#include <windows.h>

namespace Sumtide {

namespace {

struct TOpenMode {
  DWORD Access;
  DWORD Disposition;
};

TOpenMode OpenMode(TFileMode Mode) {
  switch (Mode) {
  case TFileMode::fmOpenRead:
    return {GENERIC_READ, OPEN_EXISTING};
  case TFileMode::fmOpenWrite:
    return {GENERIC_WRITE, OPEN_EXISTING};
  case TFileMode::fmOpenReadWrite:
    return {GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING};
  case TFileMode::fmCreate:
    return {GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS};
  }
  return {GENERIC_READ, OPEN_EXISTING};
}

HANDLE AsHandle(std::intptr_t Handle) {
  return reinterpret_cast<HANDLE>(Handle);
}

// ReadFile and WriteFile take 32-bit counts.
constexpr std::size_t MaxTransfer = std::size_t{1} << 30;

} // namespace

TFileStream::TFileStream(const std::string& FileName, TFileMode Mode) : FFileName(FileName) {
  const std::optional<std::wstring> Path = SystemFileName(FileName);
  const TOpenMode Open = OpenMode(Mode);
  const HANDLE File =
      Path ? ::CreateFileW(Path->c_str(), Open.Access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           Open.Disposition, FILE_ATTRIBUTE_NORMAL, nullptr)
           : INVALID_HANDLE_VALUE;
  if (File == INVALID_HANDLE_VALUE) {
    const DWORD Error = Path ? ::GetLastError() : ERROR_INVALID_NAME;
    const char* What =
        Mode == TFileMode::fmCreate ? "Cannot create file \"" : "Cannot open file \"";
    throw EFOpenError(What + FileName + "\". " + SystemErrorMessage(Error));
  }
  FHandle = reinterpret_cast<std::intptr_t>(File);
}

TFileStream::~TFileStream() {
  ::CloseHandle(AsHandle(FHandle));
}

std::size_t TFileStream::Read(void* Buffer, std::size_t Count) {
  DWORD Got = 0;
  if (!::ReadFile(AsHandle(FHandle), Buffer, static_cast<DWORD>(std::min(Count, MaxTransfer)), &Got,
                  nullptr))
    throw EStreamError("Cannot read from file \"" + FFileName + "\". " +
                       SystemErrorMessage(::GetLastError()));
  return Got;
}

std::size_t TFileStream::Write(const void* Buffer, std::size_t Count) {
  DWORD Put = 0;
  if (!::WriteFile(AsHandle(FHandle), Buffer, static_cast<DWORD>(std::min(Count, MaxTransfer)),
                   &Put, nullptr))
    throw EStreamError("Cannot write to file \"" + FFileName + "\". " +
                       SystemErrorMessage(::GetLastError()));
  return Put;
}

std::int64_t TFileStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  const DWORD Method = Origin == TSeekOrigin::soBeginning ? FILE_BEGIN
                       : Origin == TSeekOrigin::soCurrent ? FILE_CURRENT
                                                          : FILE_END;
  LARGE_INTEGER Distance, Position;
  Distance.QuadPart = Offset;
  if (!::SetFilePointerEx(AsHandle(FHandle), Distance, &Position, Method))
    throw EStreamError("Cannot seek in file \"" + FFileName + "\". " +
                       SystemErrorMessage(::GetLastError()));
  return Position.QuadPart;
}

} // namespace Sumtide
