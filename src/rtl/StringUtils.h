#pragma once

#include <string>
#include <string_view>

namespace Sumtide {

// Removes the bytes 0 to 32 (control characters and the space) from both ends, nothing else.
std::string Trim(std::string_view Text);

} // namespace Sumtide
