#include "rtl/FormReader.h"
#include "rtl/FormWriter.h"
#include "scl/SCLRegister.h"
#include "scl/SCLblake2b.h"
#include "scl/SCLmd5.h"
#include "scl/SCLsha1.h"
#include "scl/SCLsha256.h"
#include "scl/SCLsha512.h"

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

// Every hash class of the library is known by name to a form description, written with its own
// values, and read back as itself whatever values the description holds.
TEST_F(HashFormTest, EveryHashClassWritesAndReadsBackAsItself) {
  const struct {
    const char* ClassName;
    const char* Values;
  } Cases[] = {
      {"TSCL_md5", "    Id = 16\n    Algorithm = 'MD5'\n    HashSize = 128\n"},
      {"TSCL_sha1", "    Id = 20\n    Algorithm = 'SHA1'\n    HashSize = 160\n"},
      {"TSCL_sha224", "    Id = 28\n    Algorithm = 'SHA224'\n    HashSize = 224\n"},
      {"TSCL_sha256", "    Id = 32\n    Algorithm = 'SHA256'\n    HashSize = 256\n"},
      {"TSCL_sha384", "    Id = 48\n    Algorithm = 'SHA384'\n    HashSize = 384\n"},
      {"TSCL_sha512", "    Id = 64\n    Algorithm = 'SHA512'\n    HashSize = 512\n"},
      {"TSCL_blake2b", "    Id = 45632\n    Algorithm = 'BLAKE2b'\n    HashSize = 512\n"},
      {"TSCL_blake3", "    Id = 45856\n    Algorithm = 'BLAKE3'\n    HashSize = 256\n"},
  };
  for (const auto& Case : Cases) {
    SCOPED_TRACE(Case.ClassName);
    const std::string Stored = std::string("object Form1: TComponent\n  object H: ") +
                               Case.ClassName + "\n" + Case.Values + "  end\nend\n";
    const std::string Altered = std::string("object Form1: TComponent\n  object H: ") +
                                Case.ClassName +
                                "\n    Id = 1\n    Algorithm = 'X'\n    HashSize = 8\n  end\nend\n";
    const auto Form = ReadComponent(Altered);
    auto* Hash = dynamic_cast<TSCL_hash*>(Form->FindComponent("H"));
    ASSERT_NE(Hash, nullptr);
    EXPECT_EQ(Hash->ClassName(), Case.ClassName);
    EXPECT_EQ(WriteComponent(*Form), Stored);
  }
}

// BLAKE2b's digest size is stored when it is not the default, read back, and refused where the
// component refuses it, at the line that holds it.
TEST_F(HashFormTest, Blake2bStoresADigestSizeOtherThanTheDefault) {
  const std::string Stored = "object H: TSCL_blake2b\n"
                             "  Id = 45632\n"
                             "  Algorithm = 'BLAKE2b'\n"
                             "  HashSize = 512\n"
                             "  DigestBits = 256\n"
                             "end\n";
  TComponent Owner(nullptr);
  auto* Hash = dynamic_cast<TSCL_blake2b*>(&ReadComponent(Stored, Owner));
  ASSERT_NE(Hash, nullptr);
  EXPECT_EQ(Hash->DigestBits(), 256);
  EXPECT_EQ(WriteComponent(*Hash), Stored);
  Hash->SetDigestBits(512);
  EXPECT_EQ(WriteComponent(*Hash), "object H: TSCL_blake2b\n"
                                   "  Id = 45632\n"
                                   "  Algorithm = 'BLAKE2b'\n"
                                   "  HashSize = 512\n"
                                   "end\n");
  try {
    ReadComponent("object Refused: TSCL_blake2b\n  DigestBits = 260\nend\n", Owner);
    ADD_FAILURE() << "no EFormError raised";
  } catch (const EFormError& E) {
    EXPECT_EQ(E.Line(), 2);
    EXPECT_EQ(E.Message(),
              "Line 2: Invalid digest size: 260 bits (BLAKE2b gives 8 to 512 bits in steps of 8)");
  }
  EXPECT_EQ(Owner.ComponentCount(), 1);
}

TEST_F(HashFormTest, DiscardedValuesMustStillHaveTheRightType) {
  TComponent Owner(nullptr);
  EXPECT_THROW(ReadComponent("object H: TSCL_md5\n  Id = 'sixteen'\nend\n", Owner), EFormError);
  EXPECT_EQ(Owner.ComponentCount(), 0);
}

} // namespace
} // namespace Sumtide
