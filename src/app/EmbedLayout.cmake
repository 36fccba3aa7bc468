# Writes OUTPUT: a C++ source whose Unit1Layout() returns the bytes of INPUT.
file(READ "${INPUT}" Hex HEX)
string(LENGTH "${Hex}" HexLength)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," Bytes "${Hex}")
file(WRITE "${OUTPUT}" "// Generated from Unit1.form; do not edit.
#include \"app/Unit1Layout.h\"

namespace Sumtide {

namespace {
constexpr char Layout[] = {${Bytes}};
} // namespace

std::string_view Unit1Layout() { return std::string_view(Layout, sizeof Layout); }

} // namespace Sumtide
")
