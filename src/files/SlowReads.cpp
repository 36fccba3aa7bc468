#include "files/InputFile.h"

#include <algorithm>
#include <cstdlib>
#include <string>

namespace Sumtide {

int SlowReadMilliseconds() {
  static const int Milliseconds = [] {
    const char* Text = std::getenv("SUMTIDE_SLOW_READS");
    if (!Text || *Text == '\0')
      return 0;
    char* End = nullptr;
    const long Value = std::strtol(Text, &End, 10);
    return *End == '\0' ? static_cast<int>(std::clamp(Value, 0L, 1000L)) : 0;
  }();
  return Milliseconds;
}

} // namespace Sumtide
