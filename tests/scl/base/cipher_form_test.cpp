#include "TestCiphers.h"
#include "rtl/FormReader.h"
#include "rtl/FormWriter.h"
#include "scl/SCLRegister.h"

#include <gtest/gtest.h>

namespace Sumtide::Test {
namespace {

class CipherFormTest : public ::testing::Test {
protected:
  void SetUp() override {
    RegisterSCLClasses();
    RegisterTestCiphers();
    Journal.clear();
  }
};

const char* const Description = "object Form1: TComponent\n"
                                "  object Plain: TSCL_cipher\n"
                                "    Id = -1\n"
                                "    Algorithm = ''\n"
                                "    MaxKeySize = -1\n"
                                "  end\n"
                                "  object Cipher1: TCipher64\n"
                                "    Id = 7\n"
                                "    Algorithm = 'Recording'\n"
                                "    MaxKeySize = 64\n"
                                "  end\n"
                                "  object PlainBlock: TSCL_blockcipher\n"
                                "    Id = -1\n"
                                "    Algorithm = ''\n"
                                "    MaxKeySize = -1\n"
                                "    BlockSize = -1\n"
                                "    CipherMode = cmCTR\n"
                                "  end\n"
                                "  object Block1: TRecordingBlockCipher\n"
                                "    Id = 8\n"
                                "    Algorithm = 'RecordingBlock'\n"
                                "    MaxKeySize = 128\n"
                                "    BlockSize = 64\n"
                                "  end\n"
                                "end\n";

TEST_F(CipherFormTest, CiphersStoreTheirClassValuesAndAModeOtherThanCBC) {
  TComponent Form(nullptr);
  Form.SetName("Form1");
  NewComponent<TSCL_cipher>(Form).SetName("Plain");
  NewComponent<TRecordingCipher>(Form, TRecordingCipher::Cipher64()).SetName("Cipher1");
  auto& PlainBlock = NewComponent<TSCL_blockcipher>(Form);
  PlainBlock.SetName("PlainBlock");
  PlainBlock.SetCipherMode(TSCL_ciphermode::cmCTR);
  NewComponent<TRecordingBlockCipher>(Form).SetName("Block1");
  EXPECT_EQ(WriteComponent(Form), Description);
}

TEST_F(CipherFormTest, ReadingBackSetsTheModeAndNothingElse) {
  const auto Form = ReadComponent("object Form1: TComponent\n"
                                  "  object Cipher1: TCipher64\n"
                                  "    Id = 99\n"
                                  "    Algorithm = 'Other'\n"
                                  "    MaxKeySize = 512\n"
                                  "  end\n"
                                  "  object Block1: TRecordingBlockCipher\n"
                                  "    BlockSize = 256\n"
                                  "    CipherMode = cmOFB\n"
                                  "  end\n"
                                  "  object Block2: TRecordingBlockCipher\n"
                                  "  end\n"
                                  "end\n");
  const auto* Cipher = dynamic_cast<const TRecordingCipher*>(Form->FindComponent("Cipher1"));
  const auto* Block1 = dynamic_cast<const TRecordingBlockCipher*>(Form->FindComponent("Block1"));
  const auto* Block2 = dynamic_cast<const TRecordingBlockCipher*>(Form->FindComponent("Block2"));
  ASSERT_TRUE(Cipher && Block1 && Block2);
  EXPECT_EQ(Cipher->GetId(), 7);
  EXPECT_EQ(Cipher->GetAlgorithm(), "Recording");
  EXPECT_EQ(Cipher->GetMaxKeySize(), 64);
  EXPECT_EQ(Block1->GetBlockSize(), 64);
  EXPECT_EQ(Block1->CipherMode(), TSCL_ciphermode::cmOFB);
  EXPECT_EQ(Block2->CipherMode(), TSCL_ciphermode::cmCBC);
  for (const TSCL_cipher* C :
       {static_cast<const TSCL_cipher*>(Cipher), static_cast<const TSCL_cipher*>(Block1),
        static_cast<const TSCL_cipher*>(Block2)})
    EXPECT_FALSE(C->Initialized());
  // Each was burnt once, by its own Burn, when the reader created it.
  EXPECT_EQ(JournalRoutines(), (std::vector<std::string>{"Burn", "Burn", "Burn"}));
}

TEST_F(CipherFormTest, ADescriptionReadsBackToTheSameText) {
  EXPECT_EQ(WriteComponent(*ReadComponent(Description)), Description);
}

TEST_F(CipherFormTest, OnlyTheFiveModesAreNames) {
  TComponent Owner(nullptr);
  for (const char* Mode : {"cmECB", "5", "'cmCBC'"}) {
    SCOPED_TRACE(Mode);
    EXPECT_THROW(
        ReadComponent(std::string("object B: TSCL_blockcipher\n  CipherMode = ") + Mode + "\nend\n",
                      Owner),
        EFormError);
  }
  EXPECT_EQ(Owner.ComponentCount(), 0);
}

} // namespace
} // namespace Sumtide::Test
