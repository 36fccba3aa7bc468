#pragma once

// Text read as UTF-8 the lossy way: each stretch of bytes that is not UTF-8 becomes one U+FFFD
// replacement character (bytes EF BF BD), a stretch being the longest beginning of a sequence
// that could still have been valid, or else one byte. b3sum writes file names this way.

#include <string>
#include <string_view>

namespace Sumtide::Cli {

std::string LossyUtf8(std::string_view Text);

} // namespace Sumtide::Cli
