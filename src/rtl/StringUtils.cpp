#include "rtl/StringUtils.h"

namespace Sumtide {

std::string Trim(std::string_view Text) {
  auto Blank = [](char C) { return static_cast<unsigned char>(C) <= 32; };
  std::size_t First = 0, Last = Text.size();
  while (First < Last && Blank(Text[First]))
    ++First;
  while (Last > First && Blank(Text[Last - 1]))
    --Last;
  return std::string(Text.substr(First, Last - First));
}

} // namespace Sumtide
