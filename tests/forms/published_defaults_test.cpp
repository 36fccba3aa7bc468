#include "app/Unit1.h"
#include "rtl/ClassRegistry.h"

#include <gtest/gtest.h>
#include <set>
#include <string>
#include <string_view>

namespace Sumtide::Test {
namespace {

// The writer leaves out a property that holds its published default, so a new instance must hold
// exactly that default, or the value read back differs from the one written (an edit written
// with TabStop off once came back with it on).
TEST(PublishedDefaultsTest, ANewInstanceOfEveryRegisteredClassHoldsItsDefaults) {
  RegisterUnit1();
  std::set<std::string_view> Checked;
  for (const TComponentClass* Class : RegisteredClasses()) {
    const auto Instance = Class->CreateOwned(nullptr);
    for (const TPropInfo* Prop : Class->Properties()) {
      if (!Prop->Default)
        continue;
      SCOPED_TRACE(std::string(Class->ClassName()) + "." + std::string(Prop->Name));
      EXPECT_EQ(Prop->Read(*Instance), *Prop->Default);
      Checked.insert(Class->ClassName());
    }
  }
  // The window's controls, dialog and form, the block cipher base and BLAKE2b and BLAKE3 all publish
  // defaults: a registration that left one out would pass unchecked.
  for (std::string_view Name : {"TForm1", "TButton", "TEdit", "TGroupBox", "TLabel", "TOpenDialog",
                                "TSCL_blockcipher", "TSCL_blake2b", "TSCL_blake3"})
    EXPECT_TRUE(Checked.contains(Name)) << Name;
}

} // namespace
} // namespace Sumtide::Test
