#pragma once

// Readable names of the toolkit's enumerations in test failures.

#include "toolkit/Toolkit.h"

#include <ostream>

namespace Sumtide::Toolkit {

inline void PrintTo(TMessageKind Kind, std::ostream* Out) {
  *Out << (Kind == TMessageKind::Error ? "Error" : "Information");
}

inline void PrintTo(TShowState State, std::ostream* Out) {
  *Out << (State == TShowState::Normal      ? "Normal"
           : State == TShowState::Maximized ? "Maximized"
                                            : "MinimizedInactive");
}

} // namespace Sumtide::Toolkit
