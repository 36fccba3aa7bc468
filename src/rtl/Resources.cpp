#include "rtl/Resources.h"

#include <algorithm>
#include <map>

namespace Sumtide {

namespace {
std::string UpperAscii(std::string_view Name) {
  std::string Key(Name);
  std::transform(Key.begin(), Key.end(), Key.begin(),
                 [](char C) { return C >= 'a' && C <= 'z' ? static_cast<char>(C - 32) : C; });
  return Key;
}

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
