#pragma once

#include "rtl/Component.h"

#include <string>

namespace Sumtide {

// Writes Root and the components nested in it as a form description that ReadComponent reads
// back. Each published property is written unless it holds its default value.
std::string WriteComponent(const TComponent& Root);

// A string as a form description literal: printable ASCII and well-formed UTF-8 in quotes,
// every other byte as a character code ('Caption'#13#10'next line').
std::string FormStringLiteral(const std::string& Value);

} // namespace Sumtide
