#pragma once

namespace Sumtide {

// Makes the library's component classes known to the form description reader by class name.
void RegisterSCLClasses();

} // namespace Sumtide
