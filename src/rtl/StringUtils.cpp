#include "rtl/StringUtils.h"

#include <algorithm>

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

std::string UpperAscii(std::string_view Text) {
  std::string Upper(Text);
  std::transform(Upper.begin(), Upper.end(), Upper.begin(),
                 [](char C) { return C >= 'a' && C <= 'z' ? static_cast<char>(C - 32) : C; });
  return Upper;
}

} // namespace Sumtide
