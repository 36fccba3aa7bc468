#pragma once

// An opaque move through a general register: the compiler must take V as it stands at the call,
// so it can neither regroup nor fold what V holds into the operations around it, nor keep a copy
// of what a pointer points to across it. Each caller says why it needs one. Vector pins need their
// kernel's target and stay with their kernels (LaneTranspose.h, the kernel files). Private to the
// library.

namespace Sumtide {

// V: an integer or a pointer.
template <class T> [[gnu::always_inline]] inline T PinInRegister(T V) {
  __asm__("" : "+r"(V));
  return V;
}

} // namespace Sumtide
