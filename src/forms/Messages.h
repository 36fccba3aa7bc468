#pragma once

// The window messages a form's message dispatch (TForm::WndProc) receives.

#include <cstdint>

namespace Sumtide {

struct TMessage {
  std::uint32_t Msg = 0;
  std::uintptr_t WParam = 0;
  std::intptr_t LParam = 0;
  std::intptr_t Result = 0;
};

// Files were dropped on the form: WParam carries the drop's handle (see DroppedFiles.h), which
// the handler queries and then releases with DragFinish.
constexpr std::uint32_t WM_DROPFILES = 563;

using TDropHandle = std::uintptr_t;

} // namespace Sumtide
