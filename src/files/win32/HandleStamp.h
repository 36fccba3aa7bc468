#pragma once

// What the Windows file services share: an open file's stamp, from its handle.

#include "files/FileServices.h"

#include <optional>
#include <windows.h>

namespace Sumtide {

struct THandleInfo {
  TFileStamp Stamp;
  bool Directory = false;
};

// Size, last write and change times of the file behind File; nothing when the system cannot
// tell (a pipe or a console, for one).
inline std::optional<THandleInfo> HandleInfo(HANDLE File) {
  FILE_BASIC_INFO Times{};
  FILE_STANDARD_INFO Standard{};
  if (!::GetFileInformationByHandleEx(File, FileBasicInfo, &Times, sizeof Times) ||
      !::GetFileInformationByHandleEx(File, FileStandardInfo, &Standard, sizeof Standard))
    return std::nullopt;
  return THandleInfo{
      {Standard.EndOfFile.QuadPart, Times.LastWriteTime.QuadPart, Times.ChangeTime.QuadPart},
      Standard.Directory != FALSE};
}

} // namespace Sumtide
