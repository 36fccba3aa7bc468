#pragma once

namespace Sumtide {

// Makes the form framework's component classes known to the form description reader.
void RegisterFormsClasses();

} // namespace Sumtide
