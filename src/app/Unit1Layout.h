#pragma once

#include <string_view>

namespace Sumtide {

// The form description of TForm1, built into the program from Unit1.form.
std::string_view Unit1Layout();

} // namespace Sumtide
