#include "rtl/Resources.h"

#include "rtl/StringUtils.h"

#include <map>

namespace Sumtide {

namespace {
std::map<std::string, std::string_view, std::less<>>& Table() {
  static std::map<std::string, std::string_view, std::less<>> Resources;
  return Resources;
}
} // namespace

void RegisterResource(std::string_view Name, std::string_view Data) {
  Table()[UpperAscii(Name)] = Data;
}

std::optional<std::string_view> FindResource(std::string_view Name) {
  auto It = Table().find(UpperAscii(Name));
  if (It == Table().end())
    return std::nullopt;
  return It->second;
}

} // namespace Sumtide
