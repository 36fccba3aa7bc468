// The form-description reader on any text, with the test classes (a property of every kind, a
// class that publishes a handler, a write accessor that refuses values) and the window's own
// classes registered. The root is read with an owner. Either the description is read, and what
// the writer makes of it reads again into the same text, or the reader raises EFormError whose
// message begins "Line N: " for a line of the text, and the owner holds no component and no test
// component is left alive. Any other outcome (another exception, a crash, a leak) is a fault.

#include "FuzzCheck.h"
#include "TestComponents.h"
#include "app/Unit1.h"
#include "rtl/FormReader.h"
#include "rtl/FormWriter.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

using namespace Sumtide;

// Reads Text with a fresh owner: false when it was rejected; otherwise Written is what the writer
// makes of the root.
bool ReadOnce(std::string_view Text, std::string& Written) {
  Test::TGadget::Live = 0;
  TComponent Owner(nullptr);
  try {
    TComponent& Root = ReadComponent(Text, Owner);
    SUMTIDE_FUZZ_CHECK(Owner.ComponentCount() == 1);
    SUMTIDE_FUZZ_CHECK(Owner.Components(0) == &Root);
    Written = WriteComponent(Root);
    return true;
  } catch (const EFormError& E) {
    const std::string Prefix = "Line " + std::to_string(E.Line()) + ": ";
    SUMTIDE_FUZZ_CHECK(E.Message().rfind(Prefix, 0) == 0);
    const auto Lines = 1 + std::count(Text.begin(), Text.end(), '\n');
    SUMTIDE_FUZZ_CHECK(E.Line() >= 1 && E.Line() <= Lines);
    SUMTIDE_FUZZ_CHECK(Owner.ComponentCount() == 0);
    SUMTIDE_FUZZ_CHECK(Test::TGadget::Live == 0);
    return false;
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  static const bool Registered = [] {
    Test::RegisterTestClasses();
    RegisterUnit1();
    return true;
  }();
  (void)Registered;
  if (Size > (std::size_t{1} << 16))
    return 0;
  std::string Written;
  if (!ReadOnce(std::string_view(reinterpret_cast<const char*>(Data), Size), Written))
    return 0;
  std::string Again;
  SUMTIDE_FUZZ_CHECK(ReadOnce(Written, Again));
  SUMTIDE_FUZZ_CHECK(Again == Written);
  SUMTIDE_FUZZ_CHECK(Test::TGadget::Live == 0);
  return 0;
}
