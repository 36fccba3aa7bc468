#include "TestCiphers.h"

#include "rtl/ClassRegistry.h"
#include "rtl/SecureWipe.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace Sumtide::Test {

void PrintTo(const TCall& Call, std::ostream* Os) {
  *Os << "{" << Call.Routine << ", " << Call.In << ", " << Call.Out << ", " << Call.Size << "}";
}

std::vector<std::string> JournalRoutines() {
  std::vector<std::string> Names;
  for (const TCall& Call : Journal)
    Names.push_back(Call.Routine);
  return Names;
}

// ---------------------------------------------------------------------------------------------
// TRecordingCipher

TRecordingCipher::TClass::TClass(std::string_view Name, std::int32_t MaxKeySize)
    : TSCL_cipherclass(Name, &TSCL_cipher::Class(), {}), FMaxKeySize(MaxKeySize) {}

TComponent* TRecordingCipher::TClass::NewInstance(TComponent* AOwner) const {
  return new TRecordingCipher(AOwner, *this);
}

const TRecordingCipher::TClass& TRecordingCipher::Cipher256() {
  static const TClass Class("TCipher256", 256);
  return Class;
}
const TRecordingCipher::TClass& TRecordingCipher::Cipher128() {
  static const TClass Class("TCipher128", 128);
  return Class;
}
const TRecordingCipher::TClass& TRecordingCipher::Cipher64() {
  static const TClass Class("TCipher64", 64);
  return Class;
}
const TRecordingCipher::TClass& TRecordingCipher::Cipher36() {
  static const TClass Class("TCipher36", 36);
  return Class;
}
const TRecordingCipher::TClass& TRecordingCipher::CipherAny() {
  static const TClass Class("TCipherAny", -1);
  return Class;
}
const TRecordingCipher::TClass& TRecordingCipher::CipherNeg8() {
  static const TClass Class("TCipherNeg8", -8);
  return Class;
}

TRecordingCipher::TRecordingCipher(TComponent* AOwner, const TClass& AClass)
    : TSCL_cipher(AOwner), FClass(&AClass) {}

TRecordingCipher::~TRecordingCipher() {
  if (Initialized())
    Burn();
}

void TRecordingCipher::Init(const void* Key, std::uint32_t Size, const void* InitVector) {
  Journal.push_back({"Init", Key, InitVector, Size});
  TSCL_cipher::Init(Key, Size, InitVector);
  if (FailInit)
    throw ESCL_cipher("key schedule failed");
  const auto* Bytes = static_cast<const std::uint8_t*>(Key);
  FKey.assign(Bytes, Bytes + std::min<std::uint32_t>(Size / 8 + (Size % 8 != 0), 64));
  FKeyPointer = Bytes;
  FPosition = 0;
}

void TRecordingCipher::Burn() {
  Journal.push_back({"Burn"});
  if (FailBurn)
    throw ESCL_cipher("burn failed");
  if (!FKey.empty())
    SecureZero(FKey.data(), FKey.size());
  FKey.clear();
  FPosition = 0;
  TSCL_cipher::Burn();
}

void TRecordingCipher::Reset() {
  Journal.push_back({"Reset"});
  FPosition = 0;
}

void TRecordingCipher::Transform(const char* Routine, const void* InData, void* OutData,
                                 std::uint32_t Size) {
  Journal.push_back({Routine, InData, OutData, Size});
  const auto* In = static_cast<const std::uint8_t*>(InData);
  auto* Out = static_cast<std::uint8_t*>(OutData);
  const std::size_t N = FKey.size();
  for (std::uint32_t I = 0; I < Size; ++I, ++FPosition) {
    const auto Stream = N == 0 ? static_cast<std::uint8_t>(FPosition)
                               : static_cast<std::uint8_t>(FKey[FPosition % N] + FPosition / N);
    Out[I] = In[I] ^ Stream;
  }
}

void TRecordingCipher::Encrypt(const void* InData, void* OutData, std::uint32_t Size) {
  Transform("Encrypt", InData, OutData, Size);
}

void TRecordingCipher::Decrypt(const void* InData, void* OutData, std::uint32_t Size) {
  Transform("Decrypt", InData, OutData, Size);
}

// ---------------------------------------------------------------------------------------------
// TRecordingBlockCipher

TComponent* TRecordingBlockCipher::TClass::NewInstance(TComponent* AOwner) const {
  return new TRecordingBlockCipher(AOwner);
}

const TRecordingBlockCipher::TClass& TRecordingBlockCipher::Class() {
  static const TClass Descriptor("TRecordingBlockCipher", &TSCL_blockcipher::Class(), {});
  return Descriptor;
}

TRecordingBlockCipher::~TRecordingBlockCipher() {
  if (Initialized())
    Burn();
}

void TRecordingBlockCipher::Burn() {
  Journal.push_back({"Burn"});
  TSCL_blockcipher::Burn();
}

void TRecordingBlockCipher::Mode(const char* Routine, TSCL_ciphermode Mode, const void* InData,
                                 void* OutData, std::uint32_t Size) {
  Journal.push_back({Routine, InData, OutData, Size});
  const auto* In = static_cast<const std::uint8_t*>(InData);
  auto* Out = static_cast<std::uint8_t*>(OutData);
  for (std::uint32_t I = 0; I < Size; ++I)
    Out[I] = In[I] ^ Tag(Mode);
}

void TRecordingBlockCipher::InitKey(const void* Key, std::uint32_t Size) {
  Journal.push_back({"InitKey", Key, nullptr, Size});
}
void TRecordingBlockCipher::SetIV(const void* Value) {
  Journal.push_back({"SetIV", Value});
}
void TRecordingBlockCipher::GetIV(void* Value) {
  Journal.push_back({"GetIV", nullptr, Value});
}
void TRecordingBlockCipher::EncryptECB(const void* InData, void* OutData) {
  Journal.push_back({"EncryptECB", InData, OutData});
}
void TRecordingBlockCipher::DecryptECB(const void* InData, void* OutData) {
  Journal.push_back({"DecryptECB", InData, OutData});
}
void TRecordingBlockCipher::EncryptCBC(const void* InData, void* OutData, std::uint32_t Size) {
  Mode("EncryptCBC", TSCL_ciphermode::cmCBC, InData, OutData, Size);
}
void TRecordingBlockCipher::DecryptCBC(const void* InData, void* OutData, std::uint32_t Size) {
  Mode("DecryptCBC", TSCL_ciphermode::cmCBC, InData, OutData, Size);
}
void TRecordingBlockCipher::EncryptCFB8bit(const void* InData, void* OutData, std::uint32_t Size) {
  Mode("EncryptCFB8bit", TSCL_ciphermode::cmCFB8bit, InData, OutData, Size);
}
void TRecordingBlockCipher::DecryptCFB8bit(const void* InData, void* OutData, std::uint32_t Size) {
  Mode("DecryptCFB8bit", TSCL_ciphermode::cmCFB8bit, InData, OutData, Size);
}
void TRecordingBlockCipher::EncryptCFBblock(const void* InData, void* OutData, std::uint32_t Size) {
  Mode("EncryptCFBblock", TSCL_ciphermode::cmCFBblock, InData, OutData, Size);
}
void TRecordingBlockCipher::DecryptCFBblock(const void* InData, void* OutData, std::uint32_t Size) {
  Mode("DecryptCFBblock", TSCL_ciphermode::cmCFBblock, InData, OutData, Size);
}
void TRecordingBlockCipher::EncryptOFB(const void* InData, void* OutData, std::uint32_t Size) {
  Mode("EncryptOFB", TSCL_ciphermode::cmOFB, InData, OutData, Size);
}
void TRecordingBlockCipher::DecryptOFB(const void* InData, void* OutData, std::uint32_t Size) {
  Mode("DecryptOFB", TSCL_ciphermode::cmOFB, InData, OutData, Size);
}
void TRecordingBlockCipher::EncryptCTR(const void* InData, void* OutData, std::uint32_t Size) {
  Mode("EncryptCTR", TSCL_ciphermode::cmCTR, InData, OutData, Size);
}
void TRecordingBlockCipher::DecryptCTR(const void* InData, void* OutData, std::uint32_t Size) {
  Mode("DecryptCTR", TSCL_ciphermode::cmCTR, InData, OutData, Size);
}

// ---------------------------------------------------------------------------------------------
// TProbeHash

std::int32_t TProbeHash::TClass::GetHashSize() const {
  Journal.push_back({"GetHashSize"});
  return HashSize;
}

const TProbeHash::TClass& TProbeHash::Class() {
  static const TClass Descriptor("TProbeHash", &TSCL_hash::Class(), {});
  return Descriptor;
}

TProbeHash::TProbeHash(TComponent* AOwner) : TSCL_hash(AOwner) {
  Journal.push_back({"hash created", AOwner});
  if (FailAt == TFailAt::Construction)
    throw ESCL_hash("probe construction failed");
}

TProbeHash::~TProbeHash() {
  Journal.push_back({"hash freed", Owner()});
}

void TProbeHash::Init() {
  Journal.push_back({"hash Init"});
  if (FailAt == TFailAt::Init)
    throw ESCL_hash("probe Init failed");
}

void TProbeHash::Update(const void* Buffer, std::uint32_t Length) {
  Journal.push_back({"hash Update", Buffer, nullptr, Length});
  if (FailAt == TFailAt::Update)
    throw std::bad_alloc();
}

void TProbeHash::Final(void* Digest) {
  Journal.push_back({"hash Final", nullptr, Digest});
  if (FailAt == TFailAt::Final)
    throw ESCL_hash("probe Final failed");
  auto* Out = static_cast<std::uint8_t*>(Digest);
  for (std::int32_t I = 0; I < HashSize / 8; ++I)
    Out[I] = static_cast<std::uint8_t>(0xA0 + I);
}

void RegisterTestCiphers() {
  for (const TComponentClass* Class :
       {static_cast<const TComponentClass*>(&TRecordingCipher::Cipher256()),
        static_cast<const TComponentClass*>(&TRecordingCipher::Cipher64()),
        static_cast<const TComponentClass*>(&TRecordingBlockCipher::Class())})
    RegisterClass(*Class);
}

// ---------------------------------------------------------------------------------------------
// TRecordingResource, TProbeStream

void* TRecordingResource::do_allocate(std::size_t Bytes, std::size_t Alignment) {
  if (Alignment > alignof(std::max_align_t))
    throw std::bad_alloc();
  TBlock& Block = FBlocks.emplace_back();
  Block.Storage = std::make_unique<std::uint8_t[]>(Bytes);
  Block.Size = Bytes;
  return Block.Storage.get();
}

void TRecordingResource::do_deallocate(void* P, std::size_t Bytes, std::size_t) {
  for (TBlock& Block : FBlocks)
    if (Block.Storage.get() == P && !Block.Released) {
      Block.Released = true;
      Block.ReleasedSize = Bytes;
      Block.BytesAtRelease.assign(Block.Storage.get(), Block.Storage.get() + Block.Size);
      return;
    }
  std::abort(); // a block this resource never handed out
}

std::size_t TProbeStream::Read(void* Buffer, std::size_t Count) {
  Reads.push_back(Count);
  if (Reads.size() == FailingRead)
    throw EStreamError("read failed");
  const std::size_t Got = TMemoryStream::Read(Buffer, Count);
  return Got + Overclaim;
}

std::size_t TProbeStream::Write(const void* Buffer, std::size_t Count) {
  Writes.push_back(Count);
  if (Writes.size() == FailingWrite)
    throw EStreamError("write failed");
  return TMemoryStream::Write(Buffer, Count);
}

} // namespace Sumtide::Test
