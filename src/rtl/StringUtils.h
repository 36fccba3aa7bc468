#pragma once

#include <string>
#include <string_view>

namespace Sumtide {

// Removes the bytes 0 to 32 (control characters and the space) from both ends, nothing else.
std::string Trim(std::string_view Text);

// The letters a to z made capitals; every other byte as it was.
std::string UpperAscii(std::string_view Text);

} // namespace Sumtide
