#pragma once

// The names of local files in a text/uri-list, as bytes: a name that is not UTF-8 stays as the
// file system holds it.

#include <string>
#include <string_view>
#include <vector>

namespace Sumtide::QtBackend {

// The paths of the list's file: URIs (host empty or "localhost"), percent-decoded to bytes, in
// order. Lines end with CRLF (a bare LF is taken too); empty lines and lines starting with '#'
// are skipped. A '%' not followed by two hexadecimal digits stands for itself. Nothing when the
// list names no file or anything else than a local file.
std::vector<std::string> LocalFileNames(std::string_view UriList);

} // namespace Sumtide::QtBackend
