#pragma once

// What the POSIX file services share: a file's stamp from what the system tells of it.

#include "files/FileServices.h"

#include <sys/stat.h>

namespace Sumtide {

inline TFileStamp StampOf(const struct stat& Info) {
  constexpr std::int64_t Billion = 1'000'000'000;
  return {static_cast<std::int64_t>(Info.st_size),
          static_cast<std::int64_t>(Info.st_mtim.tv_sec) * Billion + Info.st_mtim.tv_nsec,
          static_cast<std::int64_t>(Info.st_ctim.tv_sec) * Billion + Info.st_ctim.tv_nsec};
}

} // namespace Sumtide
