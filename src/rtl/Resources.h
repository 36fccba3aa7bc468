#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace Sumtide {

// Named data built into the program, such as the layouts of its forms (TFORM1). Names compare
// without regard to ASCII case; registering a name again replaces its data. The data must outlive
// its registration (it is normally a constant of the program).
void RegisterResource(std::string_view Name, std::string_view Data);
std::optional<std::string_view> FindResource(std::string_view Name);

} // namespace Sumtide
