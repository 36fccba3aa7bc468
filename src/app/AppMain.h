#pragma once

#include "toolkit/Toolkit.h"

namespace Sumtide {

// The program's entry function: the application titled "Sumtide", its window created from its
// layout, the message loop run in the start-up show state. An exception during start-up is shown
// in the standard exception display. The exit code is always 0. The classes and the layout must
// be registered first (RegisterUnit1).
int SumtideMain(Toolkit::IToolkit& Toolkit, Toolkit::TShowState ShowState);

} // namespace Sumtide
