#pragma once

// Cipher, hash, stream and memory resource classes that exist only for the tests: they journal
// every call they receive, in order, so that tests can check which routine ran with which
// arguments.

#include "rtl/Stream.h"
#include "scl/SCLcrypt.h"

#include <cstdint>
#include <memory>
#include <memory_resource>
#include <ostream>
#include <string>
#include <vector>

namespace Sumtide::Test {

// One call received by a test class. In and Out are the two pointer arguments (key and
// initialisation vector for Init, owner for the hash's construction), Size the count.
struct TCall {
  std::string Routine;
  const void* In = nullptr;
  const void* Out = nullptr;
  std::uint32_t Size = 0;
  friend bool operator==(const TCall&, const TCall&) = default;
};
void PrintTo(const TCall& Call, std::ostream* Os);

// Every call of every test class, oldest first; tests clear it.
inline std::vector<TCall> Journal;
std::vector<std::string> JournalRoutines();

// A keyed XOR stream cipher: byte p of the key stream is Key[p mod n] + (p div n), counted from
// Init or Reset across calls, so bytes that a caller skips, repeats or moves show up. It keeps a
// copy of the first 64 key bytes at most, and the pointer it was given.
class TRecordingCipher : public TSCL_cipher {
public:
  // One implementation under several class names, each with its own largest key size.
  class TClass : public TSCL_cipherclass {
  public:
    TClass(std::string_view Name, std::int32_t MaxKeySize);
    std::int32_t GetId() const override { return 7; }
    std::string GetAlgorithm() const override { return "Recording"; }
    std::int32_t GetMaxKeySize() const override { return FMaxKeySize; }
    bool SelfTest() const override { return true; }

  protected:
    TComponent* NewInstance(TComponent* AOwner) const override;

  private:
    std::int32_t FMaxKeySize;
  };
  static const TClass& Cipher256();
  static const TClass& Cipher128();
  static const TClass& Cipher64();
  static const TClass& Cipher36();
  static const TClass& CipherAny();  // -1
  static const TClass& CipherNeg8(); // -8: as unsigned, every size up to 2^32 - 8

  explicit TRecordingCipher(TComponent* AOwner, const TClass& AClass = Cipher256());
  ~TRecordingCipher() override;

  const TComponentClass& ClassType() const override { return *FClass; }

  void Init(const void* Key, std::uint32_t Size, const void* InitVector) override;
  void Burn() override;
  void Reset() override;
  void Encrypt(const void* InData, void* OutData, std::uint32_t Size) override;
  void Decrypt(const void* InData, void* OutData, std::uint32_t Size) override;

  const std::vector<std::uint8_t>& Key() const { return FKey; }
  const std::uint8_t* KeyPointer() const { return FKeyPointer; }

  // Set by a test: Burn raises (so creation fails), Init raises once it has accepted the size.
  static inline bool FailBurn = false;
  static inline bool FailInit = false;

private:
  void Transform(const char* Routine, const void* InData, void* OutData, std::uint32_t Size);

  const TClass* FClass;
  std::vector<std::uint8_t> FKey;
  const std::uint8_t* FKeyPointer = nullptr;
  std::uint64_t FPosition = 0;
};

// A block cipher whose mode routines XOR every byte with a tag of their mode (the same for
// encryption and decryption), so the output shows which mode ran. Init is the base's.
class TRecordingBlockCipher : public TSCL_blockcipher {
public:
  class TClass : public TSCL_blockcipherclass {
  public:
    using TSCL_blockcipherclass::TSCL_blockcipherclass;
    std::int32_t GetId() const override { return 8; }
    std::string GetAlgorithm() const override { return "RecordingBlock"; }
    std::int32_t GetMaxKeySize() const override { return 128; }
    std::int32_t GetBlockSize() const override { return 64; }

  protected:
    TComponent* NewInstance(TComponent* AOwner) const override;
  };
  static const TClass& Class();
  const TComponentClass& ClassType() const override { return Class(); }

  using TSCL_blockcipher::TSCL_blockcipher;
  ~TRecordingBlockCipher() override;

  // 0x10 for cmCBC, 0x20 for cmCFB8bit, ... 0x50 for cmCTR.
  static std::uint8_t Tag(TSCL_ciphermode Mode) {
    return static_cast<std::uint8_t>(0x10 * (static_cast<unsigned>(Mode) + 1));
  }

  void Burn() override;
  void InitKey(const void* Key, std::uint32_t Size) override;
  void SetIV(const void* Value) override;
  void GetIV(void* Value) override;
  void EncryptECB(const void* InData, void* OutData) override;
  void DecryptECB(const void* InData, void* OutData) override;
  void EncryptCBC(const void* InData, void* OutData, std::uint32_t Size) override;
  void DecryptCBC(const void* InData, void* OutData, std::uint32_t Size) override;
  void EncryptCFB8bit(const void* InData, void* OutData, std::uint32_t Size) override;
  void DecryptCFB8bit(const void* InData, void* OutData, std::uint32_t Size) override;
  void EncryptCFBblock(const void* InData, void* OutData, std::uint32_t Size) override;
  void DecryptCFBblock(const void* InData, void* OutData, std::uint32_t Size) override;
  void EncryptOFB(const void* InData, void* OutData, std::uint32_t Size) override;
  void DecryptOFB(const void* InData, void* OutData, std::uint32_t Size) override;
  void EncryptCTR(const void* InData, void* OutData, std::uint32_t Size) override;
  void DecryptCTR(const void* InData, void* OutData, std::uint32_t Size) override;

private:
  void Mode(const char* Routine, TSCL_ciphermode Mode, const void* InData, void* OutData,
            std::uint32_t Size);
};

// A hash class whose digest size and failing step a test sets. Its class-level GetHashSize,
// construction (with the owner), Init, Update (with the length), Final (with the digest) and
// destruction are journaled. Final writes HashSize / 8 bytes 0xA0, 0xA1, ...
class TProbeHash : public TSCL_hash {
public:
  enum class TFailAt { Nothing, Construction, Init, Update, Final };

  class TClass : public TSCL_hashclass {
  public:
    using TSCL_hashclass::TSCL_hashclass;
    std::int32_t GetHashSize() const override;

  protected:
    TComponent* NewInstance(TComponent* AOwner) const override { return new TProbeHash(AOwner); }
  };
  static const TClass& Class();
  const TComponentClass& ClassType() const override { return Class(); }

  explicit TProbeHash(TComponent* AOwner);
  ~TProbeHash() override;

  void Init() override;
  void Update(const void* Buffer, std::uint32_t Length) override;
  void Final(void* Digest) override;

  static inline std::int32_t HashSize = 128;
  static inline TFailAt FailAt = TFailAt::Nothing;
};

// Registers the test cipher and hash classes by name, for form descriptions.
void RegisterTestCiphers();

// Installed as the default memory resource for its lifetime. It keeps every block alive until
// it dies, and records what each block held when it was given back, so a test can look at memory
// that the code under test has already released.
class TRecordingResource : public std::pmr::memory_resource {
public:
  struct TBlock {
    std::unique_ptr<std::uint8_t[]> Storage;
    std::size_t Size = 0;
    bool Released = false;
    std::size_t ReleasedSize = 0; // the size given back with it
    std::vector<std::uint8_t> BytesAtRelease;
  };

  TRecordingResource() : FPrevious(std::pmr::set_default_resource(this)) {}
  ~TRecordingResource() override { std::pmr::set_default_resource(FPrevious); }

  const std::vector<TBlock>& Blocks() const { return FBlocks; }

private:
  void* do_allocate(std::size_t Bytes, std::size_t Alignment) override;
  void do_deallocate(void* P, std::size_t Bytes, std::size_t Alignment) override;
  bool do_is_equal(const std::pmr::memory_resource& Other) const noexcept override {
    return this == &Other;
  }

  std::pmr::memory_resource* FPrevious;
  std::vector<TBlock> FBlocks;
};

// A memory stream that records the counts asked of Read and Write, can raise EStreamError on a
// chosen call (1 for the first; 0 for none), and can claim more bytes read than it delivered.
class TProbeStream : public TMemoryStream {
public:
  using TMemoryStream::TMemoryStream;

  std::size_t Read(void* Buffer, std::size_t Count) override;
  std::size_t Write(const void* Buffer, std::size_t Count) override;

  std::vector<std::size_t> Reads;
  std::vector<std::size_t> Writes;
  std::size_t FailingRead = 0;
  std::size_t FailingWrite = 0;
  std::size_t Overclaim = 0;
};

} // namespace Sumtide::Test
