#include "TestCiphers.h"
#include "scl/SCLmd5.h"

#include <array>
#include <gtest/gtest.h>

namespace Sumtide::Test {
namespace {

using TBytes = std::vector<std::uint8_t>;
using enum TSCL_ciphermode;

struct TRoute {
  TSCL_ciphermode Mode;
  const char* Encrypt;
  const char* Decrypt;
};
constexpr TRoute Routes[] = {
    {cmCBC, "EncryptCBC", "DecryptCBC"},
    {cmCFB8bit, "EncryptCFB8bit", "DecryptCFB8bit"},
    {cmCFBblock, "EncryptCFBblock", "DecryptCFBblock"},
    {cmOFB, "EncryptOFB", "DecryptOFB"},
    {cmCTR, "EncryptCTR", "DecryptCTR"},
};

TBytes Xored(TBytes Bytes, std::uint8_t Tag) {
  for (auto& B : Bytes)
    B ^= Tag;
  return Bytes;
}

class BlockCipherTest : public ::testing::Test {
protected:
  void SetUp() override { Journal.clear(); }

  const TBytes Input = {0x00, 0x01, 0x7F, 0x80, 0xFF};
  TBytes Output = TBytes(5, 0x5C);
  const TBytes Untouched = TBytes(5, 0x5C);
};

TEST_F(BlockCipherTest, ANewBlockCipher) {
  TSCL_blockcipher Plain(nullptr);
  EXPECT_EQ(Plain.CipherMode(), cmCBC);
  EXPECT_FALSE(Plain.Initialized());
  EXPECT_EQ(Plain.GetBlockSize(), -1);
  EXPECT_EQ(TSCL_blockcipher::Class().GetBlockSize(), -1);
  EXPECT_EQ(Plain.GetMaxKeySize(), -1);
  EXPECT_EQ(TSCL_blockcipher::Class().ClassParent(), &TSCL_cipher::Class());

  const auto Recording = TRecordingBlockCipher::Class().CreateOwned();
  EXPECT_EQ(Recording->CipherMode(), cmCBC);
  EXPECT_EQ(Recording->GetBlockSize(), 64);
  EXPECT_EQ(Recording->GetMaxKeySize(), 128);
}

TEST_F(BlockCipherTest, EncryptAndDecryptGoToTheRoutineOfTheMode) {
  TRecordingBlockCipher Cipher(nullptr);
  for (const TRoute& R : Routes) {
    SCOPED_TRACE(R.Encrypt);
    Cipher.SetCipherMode(R.Mode);
    const TBytes Expected = Xored(Input, TRecordingBlockCipher::Tag(R.Mode));
    Journal.clear();
    Output = Untouched;
    Cipher.Encrypt(Input.data(), Output.data(), 5);
    EXPECT_EQ(Journal, (std::vector<TCall>{{R.Encrypt, Input.data(), Output.data(), 5}}));
    EXPECT_EQ(Output, Expected);

    Journal.clear();
    Output = Untouched;
    Cipher.Decrypt(Input.data(), Output.data(), 5);
    EXPECT_EQ(Journal, (std::vector<TCall>{{R.Decrypt, Input.data(), Output.data(), 5}}));
    EXPECT_EQ(Output, Expected);
  }
}

TEST_F(BlockCipherTest, AModeOutsideTheFiveCallsNothing) {
  TRecordingBlockCipher Cipher(nullptr);
  for (const int Value : {5, 6, 200, 255}) {
    SCOPED_TRACE(Value);
    Cipher.SetCipherMode(static_cast<TSCL_ciphermode>(Value));
    Cipher.Encrypt(Input.data(), Output.data(), 5);
    Cipher.Decrypt(Input.data(), Output.data(), 5);
    EXPECT_TRUE(Journal.empty());
    EXPECT_EQ(Output, Untouched);
  }
}

TEST_F(BlockCipherTest, StringsUseEightBitFeedbackWhateverTheMode) {
  TRecordingBlockCipher Cipher(nullptr);
  const std::string Plain = "block cipher text";
  for (const int Value : {0, 1, 2, 3, 4, 5}) {
    SCOPED_TRACE(Value);
    Cipher.SetCipherMode(static_cast<TSCL_ciphermode>(Value));
    Journal.clear();
    const std::string Text = Cipher.EncryptString(Plain);
    EXPECT_EQ(Text.size(), 24u); // 17 bytes
    EXPECT_EQ(Cipher.DecryptString(Text), Plain);
    EXPECT_EQ(JournalRoutines(), (std::vector<std::string>{"EncryptCFB8bit", "DecryptCFB8bit"}));
    EXPECT_EQ(Journal[0].In, Plain.data());
    EXPECT_EQ(Journal[0].Size, 17u);
    EXPECT_EQ(Journal[1].In, Journal[1].Out);
    EXPECT_EQ(Journal[1].Size, 17u);
  }
}

TEST_F(BlockCipherTest, ChangingTheModeTakesEffectAtTheNextCallAndKeepsTheKey) {
  TRecordingBlockCipher Cipher(nullptr);
  Cipher.InitStr("key", &TSCL_md5::Class());
  Journal.clear();
  Cipher.Encrypt(Input.data(), Output.data(), 5);
  Cipher.SetCipherMode(cmOFB);
  Cipher.Encrypt(Input.data(), Output.data(), 5);
  Cipher.SetCipherMode(cmCBC);
  Cipher.Decrypt(Input.data(), Output.data(), 5);
  EXPECT_EQ(JournalRoutines(),
            (std::vector<std::string>{"EncryptCBC", "EncryptOFB", "DecryptCBC"}));
  EXPECT_TRUE(Cipher.Initialized());
  // Keying changes no mode either.
  Cipher.SetCipherMode(cmCTR);
  Cipher.Burn();
  Cipher.Init(Input.data(), 32, nullptr);
  EXPECT_EQ(Cipher.CipherMode(), cmCTR);
}

TEST_F(BlockCipherTest, StreamsFollowTheCurrentMode) {
  TRecordingBlockCipher Cipher(nullptr);
  Cipher.SetCipherMode(cmCTR);
  TMemoryStream In(TBytes(8193, 0x01)), Out, Back;
  EXPECT_EQ(Cipher.EncryptStream(In, Out, 8193), 8193);
  EXPECT_EQ(Out.Data(), TBytes(8193, 0x01 ^ TRecordingBlockCipher::Tag(cmCTR)));
  Out.SetPosition(0);
  EXPECT_EQ(Cipher.DecryptStream(Out, Back, 8193), 8193);
  EXPECT_EQ(Back.Data(), TBytes(8193, 0x01));
  EXPECT_EQ(JournalRoutines(),
            (std::vector<std::string>{"EncryptCTR", "EncryptCTR", "DecryptCTR", "DecryptCTR"}));
}

TEST_F(BlockCipherTest, KeyingCallsNeitherInitKeyNorSetIV) {
  TRecordingBlockCipher Cipher(nullptr);
  const TBytes IV(8, 0x11);
  Cipher.Init(Input.data(), 32, IV.data());
  Cipher.InitStr("key", &TSCL_md5::Class());
  EXPECT_EQ(JournalRoutines(), std::vector<std::string>{"Burn"}); // InitStr's, of the first key
  EXPECT_TRUE(Cipher.Initialized());
}

TEST_F(BlockCipherTest, TheBaseRoutinesLeaveTheirOutputUntouched) {
  TSCL_blockcipher Cipher(nullptr);
  Cipher.Init(Input.data(), 32, nullptr);
  using TRoutine = void (TSCL_blockcipher::*)(const void*, void*, std::uint32_t);
  const TRoutine Routines[] = {
      &TSCL_blockcipher::EncryptCBC,      &TSCL_blockcipher::DecryptCBC,
      &TSCL_blockcipher::EncryptCFB8bit,  &TSCL_blockcipher::DecryptCFB8bit,
      &TSCL_blockcipher::EncryptCFBblock, &TSCL_blockcipher::DecryptCFBblock,
      &TSCL_blockcipher::EncryptOFB,      &TSCL_blockcipher::DecryptOFB,
      &TSCL_blockcipher::EncryptCTR,      &TSCL_blockcipher::DecryptCTR,
      &TSCL_blockcipher::Encrypt,         &TSCL_blockcipher::Decrypt,
  };
  for (const TRoutine Routine : Routines)
    (Cipher.*Routine)(Input.data(), Output.data(), 5);
  Cipher.EncryptECB(Input.data(), Output.data());
  Cipher.DecryptECB(Input.data(), Output.data());
  Cipher.GetIV(Output.data());
  Cipher.SetIV(Input.data());
  Cipher.InitKey(Input.data(), 32);
  EXPECT_EQ(Output, Untouched);
  EXPECT_EQ(Cipher.DecryptString("AAEC"), std::string("\x00\x01\x02", 3));
}

TEST_F(BlockCipherTest, XorBlock) {
  struct TCase {
    TBytes Dest;
    TBytes Source;
    std::uint32_t Size;
    TBytes Expected;
  };
  const TCase Cases[] = {
      {{0x01, 0x02, 0x03}, {0x01, 0x00, 0xFF}, 3, {0x00, 0x02, 0xFC}},
      {{0x01, 0x02, 0x03}, {0x01, 0x00, 0xFF}, 0, {0x01, 0x02, 0x03}},
      {{0x01, 0x02, 0x03}, {0xFF, 0xFF, 0xFF}, 2, {0xFE, 0xFD, 0x03}},
  };
  for (TCase C : Cases) {
    XorBlock(C.Dest.data(), C.Source.data(), C.Size);
    EXPECT_EQ(C.Dest, C.Expected) << C.Size;
  }
}

TEST_F(BlockCipherTest, PublishedBlockSizeAndMode) {
  std::vector<std::string_view> Names;
  for (const TPropInfo* P : TRecordingBlockCipher::Class().Properties())
    Names.push_back(P->Name);
  EXPECT_EQ(Names, (std::vector<std::string_view>{"Id", "Algorithm", "MaxKeySize", "BlockSize",
                                                  "CipherMode"}));
  TRecordingBlockCipher Cipher(nullptr);
  const TPropInfo& BlockSize = *TRecordingBlockCipher::Class().FindProperty("BlockSize");
  const TPropInfo& Mode = *TRecordingBlockCipher::Class().FindProperty("CipherMode");
  BlockSize.Write(Cipher, std::int32_t{128});
  EXPECT_EQ(BlockSize.Read(Cipher), TPropValue(std::int32_t{64}));
  EXPECT_TRUE(BlockSize.IsStored(Cipher));
  EXPECT_FALSE(Mode.IsStored(Cipher));
  Mode.Write(Cipher, std::int32_t{3});
  EXPECT_EQ(Cipher.CipherMode(), cmOFB);
  EXPECT_TRUE(Mode.IsStored(Cipher));
  EXPECT_EQ(Mode.ElementNames.size(), 5u);
  EXPECT_EQ(Mode.ElementNames[4], "cmCTR");
}

} // namespace
} // namespace Sumtide::Test
