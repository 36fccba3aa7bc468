#include "files/FileServices.h"

#include "files/InputFile.h"

namespace Sumtide {

bool FileExists(const std::string& Name) {
  return RegularFileSize(Name).has_value();
}

} // namespace Sumtide
