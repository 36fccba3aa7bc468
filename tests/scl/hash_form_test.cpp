#include "rtl/FormReader.h"
#include "rtl/FormWriter.h"
#include "scl/SCLRegister.h"
#include "scl/SCLmd5.h"

#include <gtest/gtest.h>

namespace Sumtide {
namespace {

class HashFormTest : public ::testing::Test {
protected:
  void SetUp() override { RegisterSCLClasses(); }
};

TEST_F(HashFormTest, HashComponentsAlwaysStoreTheirClassValues) {
  TComponent Form(nullptr);
  Form.SetName("Form1");
  NewComponent<TSCL_md5>(Form).SetName("SCL_md51");
  NewComponent<TSCL_hash>(Form).SetName("Plain");
  EXPECT_EQ(WriteComponent(Form), "object Form1: TComponent\n"
                                  "  object SCL_md51: TSCL_md5\n"
                                  "    Id = 16\n"
                                  "    Algorithm = 'MD5'\n"
                                  "    HashSize = 128\n"
                                  "  end\n"
                                  "  object Plain: TSCL_hash\n"
                                  "    Id = -1\n"
                                  "    Algorithm = ''\n"
                                  "    HashSize = -1\n"
                                  "  end\n"
                                  "end\n");
}

TEST_F(HashFormTest, ValuesReadBackChangeNothing) {
  auto Form = ReadComponent("object Form1: TComponent\n"
                            "  object SCL_md51: TSCL_md5\n"
                            "    Id = 99\n"
                            "    Algorithm = 'SHA1'\n"
                            "    HashSize = 160\n"
                            "  end\n"
                            "end\n");
  auto* Md5 = dynamic_cast<TSCL_md5*>(Form->FindComponent("SCL_md51"));
  ASSERT_NE(Md5, nullptr);
  EXPECT_EQ(Md5->Owner(), Form.get());
  EXPECT_EQ(Md5->GetId(), 16);
  EXPECT_EQ(Md5->GetAlgorithm(), "MD5");
  EXPECT_EQ(Md5->GetHashSize(), 128);
  EXPECT_FALSE(Md5->Initialized());
}

TEST_F(HashFormTest, DiscardedValuesMustStillHaveTheRightType) {
  TComponent Owner(nullptr);
  EXPECT_THROW(ReadComponent("object H: TSCL_md5\n  Id = 'sixteen'\nend\n", Owner), EFormError);
  EXPECT_EQ(Owner.ComponentCount(), 0);
}

} // namespace
} // namespace Sumtide
