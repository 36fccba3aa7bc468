#pragma once

#include "rtl/Component.h"
#include "rtl/FormError.h"

#include <memory>
#include <string_view>

namespace Sumtide {

// Reads a form description:
//
//   object Form1: TForm1
//     Caption = 'Sumtide'
//     object SCL_md51: TSCL_md5
//       Id = 16
//     end
//   end
//
// Classes are created through the class registry, nested objects owned by the root and placed in
// the object that encloses them; properties are assigned through their write accessors. A
// description that cannot be read raises EFormError naming the line, and whatever the reader had
// created is freed again.

// Creates the root with no owner; the caller owns it.
std::unique_ptr<TComponent> ReadComponent(std::string_view Text);
// Creates the root owned by Owner.
TComponent& ReadComponent(std::string_view Text, TComponent& Owner);
// Reads into an existing root of the class the description names (a form reads its own layout).
// On failure the components it created are freed; properties already assigned to Root stay.
void ReadComponentInto(std::string_view Text, TComponent& Root);

} // namespace Sumtide
