#pragma once

#include "rtl/ComponentClass.h"

#include <string_view>
#include <vector>

namespace Sumtide {

// The classes a form description may name. Registering a class twice is harmless; registering
// another class under a name already taken raises Exception.
void RegisterClass(const TComponentClass& Class);
const TComponentClass* FindClass(std::string_view ClassName);
// Every registered class, in the order of their names.
std::vector<const TComponentClass*> RegisteredClasses();

} // namespace Sumtide
