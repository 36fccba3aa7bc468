#include "toolkit/qt/UriList.h"

#include <optional>

namespace Sumtide::QtBackend {

namespace {

int HexValue(char C) {
  if (C >= '0' && C <= '9')
    return C - '0';
  if (C >= 'A' && C <= 'F')
    return C - 'A' + 10;
  if (C >= 'a' && C <= 'f')
    return C - 'a' + 10;
  return -1;
}

bool StartsWithNoCase(std::string_view Text, std::string_view Prefix) {
  if (Text.size() < Prefix.size())
    return false;
  for (std::size_t I = 0; I < Prefix.size(); ++I) {
    const char C = Text[I];
    const char Lower = C >= 'A' && C <= 'Z' ? static_cast<char>(C - 'A' + 'a') : C;
    if (Lower != Prefix[I])
      return false;
  }
  return true;
}

// The path of a local file: URI, or nothing for any other URI.
std::optional<std::string> LocalPath(std::string_view Uri) {
  if (!StartsWithNoCase(Uri, "file:"))
    return std::nullopt;
  std::string_view Rest = Uri.substr(5);
  if (Rest.starts_with("//")) {
    Rest.remove_prefix(2);
    const std::size_t HostEnd = Rest.find('/');
    const std::string_view Host = Rest.substr(0, HostEnd);
    if (!Host.empty() && !(Host.size() == 9 && StartsWithNoCase(Host, "localhost")))
      return std::nullopt;
    Rest.remove_prefix(Host.size());
  }
  // The path ends where a query or a fragment starts.
  Rest = Rest.substr(0, Rest.find_first_of("?#"));
  if (!Rest.starts_with('/'))
    return std::nullopt;
  std::string Path;
  Path.reserve(Rest.size());
  for (std::size_t I = 0; I < Rest.size(); ++I) {
    if (Rest[I] == '%' && I + 2 < Rest.size() && HexValue(Rest[I + 1]) >= 0 &&
        HexValue(Rest[I + 2]) >= 0) {
      Path += static_cast<char>(HexValue(Rest[I + 1]) * 16 + HexValue(Rest[I + 2]));
      I += 2;
    } else {
      Path += Rest[I];
    }
  }
  // No file name holds a NUL byte.
  if (Path.find('\0') != std::string::npos)
    return std::nullopt;
  return Path;
}

} // namespace

std::vector<std::string> LocalFileNames(std::string_view UriList) {
  std::vector<std::string> Names;
  while (!UriList.empty()) {
    const std::size_t End = UriList.find('\n');
    std::string_view Line = UriList.substr(0, End);
    UriList.remove_prefix(End == std::string_view::npos ? UriList.size() : End + 1);
    if (Line.ends_with('\r'))
      Line.remove_suffix(1);
    if (Line.empty() || Line.starts_with('#'))
      continue;
    std::optional<std::string> Path = LocalPath(Line);
    if (!Path)
      return {};
    Names.push_back(std::move(*Path));
  }
  return Names;
}

} // namespace Sumtide::QtBackend
