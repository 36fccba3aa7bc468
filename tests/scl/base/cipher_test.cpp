#include "HashChecks.h"
#include "TestCiphers.h"
#include "rtl/FormReader.h"
#include "scl/SCLRegister.h"
#include "scl/SCLbase64.h"
#include "scl/SCLmd5.h"
#include "scl/SCLsha1.h"
#include "scl/SCLsha256.h"
#include "scl/SCLsha512.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <new>
#include <numeric>

namespace Sumtide::Test {
namespace {

using TBytes = std::vector<std::uint8_t>;

const std::string InvalidKeySize = "Invalid key size";
const std::string NoDigestMemory = "Unable to allocate sufficient memory for hash digest";

TBytes Pattern(std::size_t Size, unsigned Seed = 0) {
  TBytes Bytes(Size);
  for (std::size_t I = 0; I < Size; ++I)
    Bytes[I] = static_cast<std::uint8_t>(I * 131 + Seed * 7 + (I >> 8));
  return Bytes;
}

std::string AsString(const TBytes& Bytes) {
  return std::string(Bytes.begin(), Bytes.end());
}

// The message of the ESCL_cipher that Action raises; a test failure for any other outcome.
std::string CipherError(const std::function<void()>& Action) {
  try {
    Action();
  } catch (const ESCL_cipher& E) {
    return E.Message();
  } catch (const std::exception& E) {
    ADD_FAILURE() << "raised something else: " << E.what();
    return {};
  }
  ADD_FAILURE() << "raised nothing";
  return {};
}

class CipherTest : public ::testing::Test {
protected:
  void SetUp() override { Journal.clear(); }
  void TearDown() override { ResetSwitches(); }
  static void ResetSwitches() {
    TRecordingCipher::FailBurn = false;
    TRecordingCipher::FailInit = false;
    TProbeHash::HashSize = 128;
    TProbeHash::FailAt = TProbeHash::TFailAt::Nothing;
  }

  const TBytes Key = Pattern(64, 1);

  // A recording cipher keyed with the first Bits of Key.
  std::unique_ptr<TRecordingCipher> Keyed(std::uint32_t Bits = 128) const {
    auto Cipher = CreateComponent<TRecordingCipher>(nullptr);
    Cipher->Init(Key.data(), Bits, nullptr);
    return Cipher;
  }
};

// ---------------------------------------------------------------------------------------------
// Class-level queries and published properties

TEST_F(CipherTest, ClassLevelQueriesAnswerFromTheClass) {
  TSCL_cipher Plain(nullptr);
  TRecordingCipher Recording(nullptr, TRecordingCipher::Cipher64());
  const TSCL_cipherclassref PlainRef = &TSCL_cipher::Class();
  const TSCL_cipherclassref RecordingRef = &TRecordingCipher::Cipher64();
  struct TCase {
    const char* Via;
    bool IsRecording;
    std::int32_t Id;
    std::string Algorithm;
    std::int32_t MaxKeySize;
    bool SelfTest;
  };
  const TCase Cases[] = {
      {"plain instance", false, Plain.GetId(), Plain.GetAlgorithm(), Plain.GetMaxKeySize(),
       Plain.SelfTest()},
      {"plain class reference", false, PlainRef->GetId(), PlainRef->GetAlgorithm(),
       PlainRef->GetMaxKeySize(), PlainRef->SelfTest()},
      {"recording instance", true, Recording.GetId(), Recording.GetAlgorithm(),
       Recording.GetMaxKeySize(), Recording.SelfTest()},
      {"recording class reference", true, RecordingRef->GetId(), RecordingRef->GetAlgorithm(),
       RecordingRef->GetMaxKeySize(), RecordingRef->SelfTest()},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Via);
    EXPECT_EQ(C.Id, C.IsRecording ? 7 : -1);
    EXPECT_EQ(C.Algorithm, C.IsRecording ? "Recording" : "");
    EXPECT_EQ(C.MaxKeySize, C.IsRecording ? 64 : -1);
    EXPECT_EQ(C.SelfTest, C.IsRecording);
  }
  EXPECT_EQ(TSCL_cipher::Class().ClassName(), "TSCL_cipher");
  EXPECT_EQ(TSCL_cipher::Class().ClassParent(), &TComponent::Class());
}

TEST_F(CipherTest, PublishedQueriesDiscardWrites) {
  const std::vector<const TPropInfo*> Props = TRecordingCipher::Cipher64().Properties();
  std::vector<std::string_view> Names;
  for (const TPropInfo* P : Props)
    Names.push_back(P->Name);
  ASSERT_EQ(Names, (std::vector<std::string_view>{"Id", "Algorithm", "MaxKeySize"}));

  TRecordingCipher Cipher(nullptr, TRecordingCipher::Cipher64());
  const TPropValue Expected[] = {std::int32_t{7}, std::string("Recording"), std::int32_t{64}};
  const TPropValue Written[] = {std::int32_t{99}, std::string("Other"), std::int32_t{512}};
  for (std::size_t I = 0; I < Props.size(); ++I) {
    SCOPED_TRACE(Props[I]->Name);
    EXPECT_TRUE(Props[I]->IsStored(Cipher));
    Props[I]->Write(Cipher, Written[I]);
    EXPECT_EQ(Props[I]->Read(Cipher), Expected[I]);
  }
  EXPECT_FALSE(Cipher.Initialized());
}

// ---------------------------------------------------------------------------------------------
// Construction and destruction

TEST_F(CipherTest, EveryCreationPathRunsTheMostDerivedBurnOnce) {
  RegisterSCLClasses();
  RegisterTestCiphers();
  TComponent Owner(nullptr);
  const TSCL_cipherclassref Ref = &TRecordingCipher::Cipher64();
  const std::pair<const char*, std::function<std::unique_ptr<TComponent>()>> Paths[] = {
      {"Create", [&] { return std::unique_ptr<TComponent>(Ref->Create(nullptr)); }},
      {"CreateOwned", [&] { return std::unique_ptr<TComponent>(Ref->CreateOwned(&Owner)); }},
      {"CreateComponent",
       [&] { return std::unique_ptr<TComponent>(CreateComponent<TRecordingCipher>(&Owner)); }},
      {"NewComponent",
       [&] { return std::unique_ptr<TComponent>(&NewComponent<TRecordingCipher>(Owner)); }},
      {"form description", [] { return ReadComponent("object C: TCipher64\nend\n"); }},
      {"block cipher class",
       [] { return std::unique_ptr<TComponent>(TRecordingBlockCipher::Class().CreateOwned()); }},
  };
  for (const auto& [Via, Make] : Paths) {
    SCOPED_TRACE(Via);
    Journal.clear();
    std::unique_ptr<TComponent> Made = Make();
    const auto* Cipher = dynamic_cast<const TSCL_cipher*>(Made.get());
    ASSERT_NE(Cipher, nullptr);
    EXPECT_FALSE(Cipher->Initialized());
    EXPECT_EQ(JournalRoutines(), std::vector<std::string>{"Burn"});
    Made.reset(); // uninitialised: freed without a Burn
    EXPECT_EQ(JournalRoutines(), std::vector<std::string>{"Burn"});
  }
  EXPECT_EQ(Owner.ComponentCount(), 0);
}

TEST_F(CipherTest, DirectConstructionRunsOnlyTheBaseBurn) {
  auto Cipher = std::make_unique<TRecordingCipher>(nullptr);
  EXPECT_FALSE(Cipher->Initialized());
  EXPECT_TRUE(Journal.empty());
}

TEST_F(CipherTest, AFailedBurnAtCreationFreesTheNewCipher) {
  TComponent Owner(nullptr);
  TRecordingCipher::FailBurn = true;
  EXPECT_THROW(TRecordingCipher::Cipher256().CreateOwned(&Owner), ESCL_cipher);
  EXPECT_THROW(NewComponent<TRecordingCipher>(Owner), ESCL_cipher);
  EXPECT_EQ(Owner.ComponentCount(), 0); // a leak would show under the sanitizers
}

// A cipher that adds no state and no Burn of its own, so that what its destruction wipes is the
// base's doing.
class TBareCipher : public TSCL_cipher {
public:
  using TSCL_cipher::TSCL_cipher;
};

// The base's destructor burns an initialised cipher: the bytes Init set are back as they were
// before Init once the destructor has run, in storage of the test's own.
TEST_F(CipherTest, DestructionBurnsAnInitialisedCipher) {
  alignas(TBareCipher) std::uint8_t Storage[sizeof(TBareCipher)];
  auto* Cipher = new (Storage) TBareCipher(nullptr);
  Cipher->AfterConstruction();
  const std::vector<std::uint8_t> Idle(Storage, Storage + sizeof Storage);
  Cipher->Init(Key.data(), 128, nullptr);
  ASSERT_TRUE(Cipher->Initialized());
  std::vector<std::size_t> SetByInit;
  for (std::size_t I = 0; I < sizeof Storage; ++I)
    if (Storage[I] != Idle[I])
      SetByInit.push_back(I);
  ASSERT_FALSE(SetByInit.empty());
  Cipher->~TBareCipher();
  for (const std::size_t I : SetByInit)
    EXPECT_EQ(Storage[I], Idle[I]) << "byte " << I << " set by Init survives";
}

// ---------------------------------------------------------------------------------------------
// Init

TEST_F(CipherTest, InitChecksTheKeySize) {
  struct TCase {
    const TSCL_cipherclass* Class;
    std::uint32_t Size;
    bool Accepted;
  };
  const TSCL_cipherclass* const Plain = &TSCL_cipher::Class();
  const TCase Cases[] = {
      // The base's -1 is the largest unsigned value: every positive multiple of 4 passes.
      {Plain, 4, true},
      {Plain, 36, true},
      {Plain, 0xFFFFFFFC, true},
      {Plain, 0, false},
      {Plain, 2, false},
      {Plain, 34, false}, // a multiple of 2, not of 4
      {Plain, 0xFFFFFFFF, false},
      {&TRecordingCipher::Cipher36(), 36, true},
      {&TRecordingCipher::Cipher36(), 40, false},
      {&TRecordingCipher::Cipher64(), 36, true},
      {&TRecordingCipher::Cipher64(), 64, true},
      {&TRecordingCipher::Cipher64(), 68, false},
      {&TRecordingCipher::Cipher64(), 0x80000040, false}, // negative if compared as signed
      {&TRecordingCipher::Cipher256(), 12, true},         // the test is on 4, not 8
      {&TRecordingCipher::Cipher256(), 256, true},
      {&TRecordingCipher::Cipher256(), 260, false},
      {&TRecordingCipher::CipherNeg8(), 0xFFFFFFF8, true},
      {&TRecordingCipher::CipherNeg8(), 0xFFFFFFFC, false},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(testing::Message() << C.Class->ClassName() << ", " << C.Size << " bits");
    const std::unique_ptr<TSCL_cipher> Cipher = C.Class->CreateOwned();
    // The base reads no key bytes at all.
    const void* KeyBytes = C.Class == Plain ? nullptr : Key.data();
    if (C.Accepted)
      EXPECT_NO_THROW(Cipher->Init(KeyBytes, C.Size, nullptr));
    else
      EXPECT_EQ(CipherError([&] { Cipher->Init(KeyBytes, C.Size, nullptr); }), InvalidKeySize);
    EXPECT_EQ(Cipher->Initialized(), C.Accepted);
  }
}

TEST_F(CipherTest, InitBurnsTheEarlierKeyBeforeTheCheck) {
  const TBytes Other = Pattern(32, 9);
  for (const std::uint32_t Size : {128u, 130u}) {
    SCOPED_TRACE(Size);
    const auto Cipher = Keyed(256);
    Journal.clear();
    try {
      Cipher->Init(Other.data(), Size, nullptr);
    } catch (const ESCL_cipher&) {
    }
    EXPECT_EQ(JournalRoutines(), (std::vector<std::string>{"Init", "Burn"}));
    const bool Accepted = Size == 128;
    EXPECT_EQ(Cipher->Initialized(), Accepted);
    EXPECT_EQ(Cipher->Key(), Accepted ? TBytes(Other.begin(), Other.begin() + 16) : TBytes{});
  }
}

// ---------------------------------------------------------------------------------------------
// InitStr

TEST_F(CipherTest, InitStrKeysWithTheLeadingBitsOfTheDigestThenWipesIt) {
  // MD5("abc")
  const TBytes Digest = {0x90, 0x01, 0x50, 0x98, 0x3c, 0xd2, 0x4f, 0xb0,
                         0xd6, 0x96, 0x3f, 0x7d, 0x28, 0xe1, 0x7f, 0x72};
  const std::pair<const TRecordingCipher::TClass*, std::uint32_t> Cases[] = {
      {&TRecordingCipher::Cipher256(), 128},
      {&TRecordingCipher::Cipher128(), 128},
      {&TRecordingCipher::Cipher64(), 64},
  };
  for (const auto& [Class, KeySize] : Cases) {
    SCOPED_TRACE(Class->ClassName());
    TRecordingResource Memory;
    const auto Cipher = CreateComponent<TRecordingCipher>(nullptr, *Class);
    Journal.clear();
    Cipher->InitStr("abc", &TSCL_md5::Class());
    EXPECT_TRUE(Cipher->Initialized());

    ASSERT_EQ(Memory.Blocks().size(), 1u);
    const TRecordingResource::TBlock& Block = Memory.Blocks()[0];
    EXPECT_EQ(Journal, (std::vector<TCall>{{"Init", Block.Storage.get(), nullptr, KeySize}}));
    EXPECT_EQ(Cipher->Key(), TBytes(Digest.begin(), Digest.begin() + KeySize / 8));
    EXPECT_EQ(Block.Size, 16u);
    EXPECT_TRUE(Block.Released);
    EXPECT_EQ(Block.ReleasedSize, 16u);
    EXPECT_EQ(Block.BytesAtRelease, TBytes(16, 0xFF));
    // What the cipher was given is gone as soon as its Init returned.
    EXPECT_EQ(TBytes(Cipher->KeyPointer(), Cipher->KeyPointer() + 16), TBytes(16, 0xFF));
    EXPECT_EQ(Cipher->ComponentCount(), 0); // the hash instance is freed
  }
}

// Keyed through each hash class of the library: the key is the leading bits of the pass phrase's
// digest, as many as the cipher takes or the digest has (FIPS 180-4 and RFC 1321 digests of
// "abc").
TEST_F(CipherTest, InitStrKeysThroughEveryHashClass) {
  const struct {
    TSCL_hashclassref Hash;
    const char* AbcDigest;
  } Cases[] = {
      {&TSCL_md5::Class(), "900150983cd24fb0d6963f7d28e17f72"},
      {&TSCL_sha1::Class(), "a9993e364706816aba3e25717850c26c9cd0d89d"},
      {&TSCL_sha224::Class(), "23097d223405d8228642a477bda255b32aadbce4bda0b3f7e36c9da7"},
      {&TSCL_sha256::Class(), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {&TSCL_sha384::Class(), "cb00753f45a35e8bb5a03d699ac65007272c32ab0eded1631a8b605a43ff5bed"
                              "8086072ba1e7cc2358baeca134c825a7"},
      {&TSCL_sha512::Class(), "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a"
                              "2192992a274fc1a836ba3c23a3feebbd454d4423643ce80e2a9ac94fa54ca49f"},
  };
  for (const auto& Case : Cases) {
    SCOPED_TRACE(Case.Hash->ClassName());
    const auto Cipher = CreateComponent<TRecordingCipher>(nullptr, TRecordingCipher::Cipher256());
    Journal.clear();
    Cipher->InitStr("abc", Case.Hash);
    ASSERT_TRUE(Cipher->Initialized());
    const std::string Digest = Case.AbcDigest;
    const std::uint32_t KeyBits = std::min<std::uint32_t>(256, 4 * Digest.size());
    ASSERT_EQ(Journal.size(), 1u);
    EXPECT_EQ(Journal[0].Size, KeyBits);
    EXPECT_EQ(Hex(Cipher->Key()), Digest.substr(0, KeyBits / 4));
  }
}

TEST_F(CipherTest, InitStrStepsInOrder) {
  TRecordingResource Memory;
  const auto Cipher = Keyed(256);
  Journal.clear();
  const std::string Phrase = "pass phrase";
  Cipher->InitStr(Phrase, &TProbeHash::Class());
  ASSERT_EQ(Memory.Blocks().size(), 1u);
  const void* Digest = Memory.Blocks()[0].Storage.get();
  EXPECT_EQ(Journal, (std::vector<TCall>{
                         {"Burn"},
                         {"GetHashSize"}, // of the class, before any instance exists
                         {"hash created", Cipher.get()},
                         {"hash Init"},
                         {"hash Update", Phrase.data(), nullptr, 11},
                         {"hash Final", nullptr, Digest},
                         {"hash freed", Cipher.get()},
                         {"Init", Digest, nullptr, 128},
                     }));
  TBytes Expected(16);
  std::iota(Expected.begin(), Expected.end(), std::uint8_t{0xA0});
  EXPECT_EQ(Cipher->Key(), Expected);
}

TEST_F(CipherTest, InitStrTurnsEveryFailureIntoOneErrorAndLeavesNoKey) {
  using TFailAt = TProbeHash::TFailAt;
  const TSCL_hashclassref Md5 = &TSCL_md5::Class();
  const TSCL_hashclassref Probe = &TProbeHash::Class();
  struct TCase {
    const char* What;
    TSCL_hashclassref Hash;
    const TRecordingCipher::TClass* Cipher;
    std::int32_t HashSize = 128;
    TFailAt FailAt = TFailAt::Nothing;
    bool FailInit = false;
  };
  const TCase Cases[] = {
      {"no hash class", nullptr, &TRecordingCipher::Cipher256()},
      {"hash of 0 bits", Probe, &TRecordingCipher::Cipher256(), 0},
      {"hash of -1 bits", Probe, &TRecordingCipher::Cipher256(), -1},
      {"hash of 4 bits: no whole byte", Probe, &TRecordingCipher::Cipher256(), 4},
      {"hash of -4 bits, cipher taking any size", Probe, &TRecordingCipher::CipherAny(), -4},
      {"hash construction fails", Probe, &TRecordingCipher::Cipher256(), 128,
       TFailAt::Construction},
      {"hash Init fails", Probe, &TRecordingCipher::Cipher256(), 128, TFailAt::Init},
      {"hash Update runs out of memory", Probe, &TRecordingCipher::Cipher256(), 128,
       TFailAt::Update},
      {"hash Final fails", Probe, &TRecordingCipher::Cipher256(), 128, TFailAt::Final},
      {"largest key -1: Init rejects the size", Md5, &TRecordingCipher::CipherAny()},
      {"largest key -8: a size beyond the digest", Md5, &TRecordingCipher::CipherNeg8()},
      {"the cipher's Init fails after accepting the size", Md5, &TRecordingCipher::Cipher256(), 128,
       TFailAt::Nothing, true},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.What);
    TRecordingResource Memory;
    const auto Cipher = CreateComponent<TRecordingCipher>(nullptr, *C.Cipher);
    Cipher->Init(Key.data(), 64, nullptr); // an earlier key, burnt on the way
    TProbeHash::HashSize = C.HashSize;
    TProbeHash::FailAt = C.FailAt;
    TRecordingCipher::FailInit = C.FailInit;

    EXPECT_EQ(CipherError([&] { Cipher->InitStr("phrase", C.Hash); }), NoDigestMemory);
    EXPECT_FALSE(Cipher->Initialized());
    EXPECT_TRUE(Cipher->Key().empty());
    EXPECT_EQ(Cipher->ComponentCount(), 0);
    for (const TRecordingResource::TBlock& Block : Memory.Blocks()) {
      EXPECT_TRUE(Block.Released);
      EXPECT_EQ(Block.BytesAtRelease, TBytes(Block.Size, 0xFF));
    }
    ResetSwitches();
  }
}

TEST_F(CipherTest, InitStrOnThePlainBaseAlwaysFails) {
  const auto Cipher = CreateComponent<TSCL_cipher>(nullptr);
  EXPECT_EQ(CipherError([&] { Cipher->InitStr("abc", &TSCL_md5::Class()); }), NoDigestMemory);
  EXPECT_FALSE(Cipher->Initialized());
}

TEST_F(CipherTest, InitStrKeepsAKeyOfPartBytesInsideTheBuffer) {
  TRecordingResource Memory;
  TProbeHash::HashSize = 132; // 16 whole bytes and 4 bits
  const auto Cipher = CreateComponent<TRecordingCipher>(nullptr);
  Cipher->InitStr("phrase", &TProbeHash::Class());
  ASSERT_EQ(Memory.Blocks().size(), 1u);
  const TRecordingResource::TBlock& Block = Memory.Blocks()[0];
  EXPECT_EQ(Block.Size, 17u);
  EXPECT_EQ(Journal.back(), (TCall{"Init", Block.Storage.get(), nullptr, 132}));
  TBytes Expected(17, 0);
  std::iota(Expected.begin(), Expected.begin() + 16, std::uint8_t{0xA0});
  EXPECT_EQ(Cipher->Key(), Expected);
  EXPECT_EQ(Block.BytesAtRelease, TBytes(17, 0xFF));
}

// ---------------------------------------------------------------------------------------------
// Strings

TEST_F(CipherTest, EncryptStringEncodesTheEncryptedBytes) {
  const std::pair<std::size_t, std::size_t> Cases[] = {{0, 0}, {1, 4}, {2, 4}, {3, 4},
                                                       {4, 8}, {5, 8}, {6, 8}, {7, 12}};
  for (const auto& [Length, TextLength] : Cases) {
    SCOPED_TRACE(Length);
    const std::string Plain = AsString(Pattern(Length));
    const auto Cipher = Keyed();
    const auto Twin = Keyed();
    Journal.clear();
    const std::string Text = Cipher->EncryptString(Plain);
    EXPECT_EQ(Text.size(), TextLength);
    ASSERT_EQ(Journal.size(), 1u);
    EXPECT_EQ(Journal[0].Routine, "Encrypt");
    EXPECT_EQ(Journal[0].In, Plain.data());
    EXPECT_NE(Journal[0].Out, Plain.data());
    EXPECT_EQ(Journal[0].Size, Length);

    std::string Expected(Length, '\0');
    Twin->Encrypt(Plain.data(), Expected.data(), static_cast<std::uint32_t>(Length));
    EXPECT_EQ(DecodeBase64Text(Text), Expected);
    Twin->Reset();
    EXPECT_EQ(Twin->DecryptString(Text), Plain);
  }
}

TEST_F(CipherTest, DecryptStringOfLessThanOneGroupIsEmpty) {
  for (const char* Text : {"", "Q", "QU", "QUJ"}) {
    SCOPED_TRACE(Text);
    const auto Cipher = Keyed();
    Journal.clear();
    EXPECT_EQ(Cipher->DecryptString(Text), "");
    ASSERT_EQ(Journal.size(), 1u);
    EXPECT_EQ(Journal[0].Routine, "Decrypt");
    EXPECT_EQ(Journal[0].In, Journal[0].Out); // in place
    EXPECT_EQ(Journal[0].Size, 0u);
  }
}

TEST_F(CipherTest, PlainCipherTransformsNothing) {
  TSCL_cipher Cipher(nullptr);
  EXPECT_EQ(Cipher.DecryptString("YWJj"), "abc");
  EXPECT_EQ(Cipher.EncryptString("abc").size(), 4u);
  TBytes Out = Pattern(8);
  const TBytes Before = Out;
  const TBytes In = Pattern(8, 3);
  Cipher.Encrypt(In.data(), Out.data(), 8);
  Cipher.Decrypt(In.data(), Out.data(), 8);
  Cipher.Reset();
  EXPECT_EQ(Out, Before);
}

// ---------------------------------------------------------------------------------------------
// Streams

TEST_F(CipherTest, StreamsGoInPiecesOf8192AndCountWhatWasRead) {
  struct TCase {
    std::uint32_t Size;
    std::size_t InputLength;
    std::vector<std::size_t> Asked;
    std::vector<std::size_t> Got;
  };
  const TCase Cases[] = {
      {0, 100, {}, {}},
      {8192, 10000, {8192}, {8192}},
      {8193, 10000, {8192, 1}, {8192, 1}},
      {16384, 20000, {8192, 8192}, {8192, 8192}},
      // A short input does not end the loop: the last piece reads and writes nothing.
      {20000, 10000, {8192, 8192, 3616}, {8192, 1808, 0}},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Size);
    const TBytes Input = Pattern(C.InputLength);
    const auto Total = std::accumulate(C.Got.begin(), C.Got.end(), std::size_t{0});
    const auto Cipher = Keyed();
    TProbeStream In(Input), Out;
    Journal.clear();
    EXPECT_EQ(Cipher->EncryptStream(In, Out, C.Size), static_cast<std::int32_t>(Total));
    EXPECT_EQ(In.Reads, C.Asked);
    EXPECT_EQ(Out.Writes, C.Got);
    ASSERT_EQ(Journal.size(), C.Got.size());
    for (std::size_t I = 0; I < Journal.size(); ++I) {
      EXPECT_EQ(Journal[I].Routine, "Encrypt");
      EXPECT_EQ(Journal[I].In, Journal[I].Out); // in place
      EXPECT_EQ(Journal[I].Size, C.Got[I]);
    }
    // The pieces together are the input encrypted in one go.
    TBytes Expected(Total);
    Keyed()->Encrypt(Input.data(), Expected.data(), static_cast<std::uint32_t>(Total));
    EXPECT_EQ(Out.Data(), Expected);

    TMemoryStream Encrypted(Out.Data());
    TMemoryStream Back;
    Cipher->Reset();
    EXPECT_EQ(Cipher->DecryptStream(Encrypted, Back, C.Size), static_cast<std::int32_t>(Total));
    EXPECT_EQ(Back.Data(), TBytes(Input.begin(), Input.begin() + Total));
  }
}

TEST_F(CipherTest, AStreamClaimingMoreThanAskedCannotOverrunTheBuffer) {
  const auto Cipher = Keyed();
  TProbeStream In(Pattern(10000)), Out;
  In.Overclaim = 100;
  Journal.clear();
  EXPECT_EQ(Cipher->EncryptStream(In, Out, 8193), 8193);
  EXPECT_EQ(Out.Writes, (std::vector<std::size_t>{8192, 1}));
  ASSERT_EQ(Journal.size(), 2u);
  EXPECT_EQ(Journal[0].Size, 8192u);
  EXPECT_EQ(Journal[1].Size, 1u);
}

TEST_F(CipherTest, AStreamErrorPassesOnAndWhatWasWrittenStays) {
  struct TCase {
    std::size_t FailingRead;
    std::size_t FailingWrite;
    std::string Message;
    std::size_t Written;
  };
  const TCase Cases[] = {
      {1, 0, "read failed", 0},
      {2, 0, "read failed", 8192},
      {0, 2, "write failed", 8192},
  };
  const TBytes Input = Pattern(20000);
  TBytes Encrypted(8192);
  Keyed()->Encrypt(Input.data(), Encrypted.data(), 8192);
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Message + " " + std::to_string(C.Written));
    const auto Cipher = Keyed();
    TProbeStream In(Input), Out;
    In.FailingRead = C.FailingRead;
    Out.FailingWrite = C.FailingWrite;
    try {
      Cipher->EncryptStream(In, Out, 16384);
      ADD_FAILURE() << "raised nothing";
    } catch (const EStreamError& E) {
      EXPECT_EQ(E.Message(), C.Message);
    }
    EXPECT_EQ(Out.Data(), TBytes(Encrypted.begin(), Encrypted.begin() + C.Written));
  }
}

} // namespace
} // namespace Sumtide::Test
