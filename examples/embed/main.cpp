// Embedding the Sumtide component library, in three steps:
//   1. the MD5 digest of a file, computed by a hash component made through its class reference;
//   2. that digest in Base64;
//   3. a block cipher of our own, keyed from a pass phrase, encrypting a message and decrypting it
//      again.
//
// Usage: scl_embed <file>

#include "rtl/SecureWipe.h"
#include "scl/SCLbase64.h"
#include "scl/SCLcrypt.h"
#include "scl/SCLmd5.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

using namespace Sumtide;

namespace {

// A toy block cipher, written only to show how a cipher plugs into the library.
// DEMONSTRATION ONLY, NOT SECURE: anyone can break it. Never use it to protect anything.
//
// Blocks are 64 bits, the key 128 bits read as two 64-bit words K0 and K1 (in the machine's byte
// order); a block X becomes rotl(X xor K0, 17) + K1. Of the chaining modes it carries out one,
// cmCFBblock (cipher feedback of whole blocks), which takes messages of any length: each block of
// text is XORed with the encryption of the previous cipher text block (of the IV at first).
class TToyBlockCipher : public TSCL_blockcipher {
public:
  // The class reference: what the library can ask of the class without an instance, and how it
  // makes one.
  class TClass : public TSCL_blockcipherclass {
  public:
    using TSCL_blockcipherclass::TSCL_blockcipherclass;
    std::int32_t GetId() const override { return 1001; }
    std::string GetAlgorithm() const override { return "Toy XOR (demonstration, not secure)"; }
    std::int32_t GetMaxKeySize() const override { return 128; } // bits
    std::int32_t GetBlockSize() const override { return 64; }   // bits

  protected:
    TComponent* NewInstance(TComponent* AOwner) const override {
      return new TToyBlockCipher(AOwner);
    }
  };

  static const TClass& Class() {
    // One descriptor for the class: its name, its parent class, no published properties of its
    // own.
    static const TClass Descriptor("TToyBlockCipher", &TSCL_blockcipher::Class(), {});
    return Descriptor;
  }
  const TComponentClass& ClassType() const override { return Class(); }

  using TSCL_blockcipher::TSCL_blockcipher;
  // The base's destructor only reaches the base's Burn, so the key is wiped here.
  ~TToyBlockCipher() override {
    if (Initialized())
      Burn();
  }

  // Key holds Size bits (InitStr passes the digest of the pass phrase); it is only lent for the
  // call, so it is copied.
  void Init(const void* Key, std::uint32_t Size, const void* InitVector) override {
    TSCL_blockcipher::Init(Key, Size, InitVector); // burns an earlier key, rejects a bad size
    std::uint8_t Bytes[16] = {};
    std::memcpy(Bytes, Key, (Size + 7) / 8); // at most 16: the base checked GetMaxKeySize()
    std::memcpy(&FK0, Bytes, 8);
    std::memcpy(&FK1, Bytes + 8, 8);
    SecureZero(Bytes, sizeof Bytes);
    static constexpr std::uint8_t NoIV[BlockBytes] = {};
    SetIV(InitVector ? InitVector : NoIV);
  }

  void Burn() override {
    SecureZero(&FK0, sizeof FK0);
    SecureZero(&FK1, sizeof FK1);
    SecureZero(FIV, sizeof FIV);
    SecureZero(FRegister, sizeof FRegister);
    SecureZero(FPad, sizeof FPad);
    FUsed = BlockBytes;
    TSCL_blockcipher::Burn();
  }

  // Start the chain again from the IV: what a decryption needs after an encryption.
  void Reset() override {
    std::memcpy(FRegister, FIV, BlockBytes);
    FUsed = BlockBytes;
  }
  void SetIV(const void* Value) override {
    std::memcpy(FIV, Value, BlockBytes);
    Reset();
  }

  // One block, without chaining.
  void EncryptECB(const void* InData, void* OutData) override {
    std::uint64_t X;
    std::memcpy(&X, InData, BlockBytes);
    X = std::rotl(X ^ FK0, 17) + FK1;
    std::memcpy(OutData, &X, BlockBytes);
  }
  void DecryptECB(const void* InData, void* OutData) override {
    std::uint64_t X;
    std::memcpy(&X, InData, BlockBytes);
    X = std::rotr(X - FK1, 17) ^ FK0;
    std::memcpy(OutData, &X, BlockBytes);
  }

  // Any Size, and InData may be OutData: each byte is read before its place is written. The
  // chain carries on from one call to the next.
  void EncryptCFBblock(const void* InData, void* OutData, std::uint32_t Size) override {
    const auto* In = static_cast<const std::uint8_t*>(InData);
    auto* Out = static_cast<std::uint8_t*>(OutData);
    for (std::uint32_t I = 0; I < Size; ++I) {
      NextPadIfUsedUp();
      Out[I] = In[I] ^ FPad[FUsed];
      FRegister[FUsed++] = Out[I]; // the cipher text feeds back
    }
  }
  void DecryptCFBblock(const void* InData, void* OutData, std::uint32_t Size) override {
    const auto* In = static_cast<const std::uint8_t*>(InData);
    auto* Out = static_cast<std::uint8_t*>(OutData);
    for (std::uint32_t I = 0; I < Size; ++I) {
      NextPadIfUsedUp();
      const std::uint8_t CipherText = In[I];
      Out[I] = CipherText ^ FPad[FUsed];
      FRegister[FUsed++] = CipherText;
    }
  }

private:
  static constexpr std::uint32_t BlockBytes = 8;

  // Once the bytes of the current pad are used, the next pad is the encryption of the register,
  // which by then holds the last cipher text block.
  void NextPadIfUsedUp() {
    if (FUsed == BlockBytes) {
      EncryptECB(FRegister, FPad);
      FUsed = 0;
    }
  }

  std::uint64_t FK0 = 0;
  std::uint64_t FK1 = 0;
  std::uint8_t FIV[BlockBytes] = {};
  std::uint8_t FRegister[BlockBytes] = {};
  std::uint8_t FPad[BlockBytes] = {};
  std::uint32_t FUsed = BlockBytes;
};

std::string ToHex(const std::string& Bytes) {
  static const char Digits[] = "0123456789abcdef";
  std::string Hex;
  for (const unsigned char Byte : Bytes) {
    Hex += Digits[Byte >> 4];
    Hex += Digits[Byte & 0x0F];
  }
  return Hex;
}

} // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: scl_embed <file>\n";
    return 2;
  }
  try {
    // 1. The MD5 digest of the file. The hash is chosen through its class reference, as a program
    //    that lets its user pick the algorithm would hold it; CreateOwned makes an instance that
    //    the returned pointer frees.
    const TSCL_hashclassref HashType = &TSCL_md5::Class();
    const std::unique_ptr<TSCL_hash> Hash = HashType->CreateOwned();

    std::ifstream File(argv[1], std::ios::binary);
    if (!File) {
      std::cerr << "scl_embed: cannot open " << argv[1] << '\n';
      return 1;
    }
    Hash->Init();
    std::vector<char> Buffer(64 * 1024);
    while (File) {
      File.read(Buffer.data(), static_cast<std::streamsize>(Buffer.size()));
      Hash->Update(Buffer.data(), static_cast<std::uint32_t>(File.gcount()));
    }
    if (File.bad()) {
      std::cerr << "scl_embed: cannot read " << argv[1] << '\n';
      return 1;
    }
    std::string Digest(static_cast<std::size_t>(HashType->GetHashSize() / 8), '\0');
    Hash->Final(Digest.data()); // also wipes the hash's state
    std::cout << HashType->GetAlgorithm() << ": " << ToHex(Digest) << '\n';

    // 2. The same digest in Base64; decoding gives the bytes back.
    const std::string Encoded = EncodeBase64Text(Digest);
    std::cout << "Base64: " << Encoded << '\n';
    if (DecodeBase64Text(Encoded) != Digest) {
      std::cerr << "scl_embed: the Base64 text does not decode to the digest\n";
      return 1;
    }

    // 3. Our own cipher, made through its class reference so that its Burn runs at once. InitStr
    //    keys it with the MD5 digest of the pass phrase (the first 128 bits of it, all of them
    //    here) and a zero IV, which SetIV then replaces.
    const std::unique_ptr<TSCL_blockcipher> Cipher = TToyBlockCipher::Class().CreateOwned();
    Cipher->InitStr("correct horse battery staple", &TSCL_md5::Class());
    Cipher->SetCipherMode(TSCL_ciphermode::cmCFBblock);
    const std::uint8_t Nonce[8] = {0x5A, 0x17, 0xC3, 0x08, 0x91, 0x2E, 0x64, 0xBD};
    Cipher->SetIV(Nonce);
    std::cout << "Cipher: " << Cipher->ClassName() << ", " << Cipher->GetAlgorithm() << ", "
              << Cipher->GetBlockSize() << "-bit blocks\n";

    const std::string Message = "Meet me at the old mill at midnight.";
    std::cout << "Message: " << Message << '\n';
    std::string Data = Message;
    const auto Size = static_cast<std::uint32_t>(Data.size());
    Cipher->Encrypt(Data.data(), Data.data(), Size); // in place, through the current mode
    std::cout << "Encrypted: " << EncodeBase64Text(Data) << '\n';
    Cipher->Reset(); // back to the IV for the way back
    Cipher->Decrypt(Data.data(), Data.data(), Size);
    std::cout << "Decrypted: " << Data << '\n';
    return Data == Message ? 0 : 1;
  } catch (const Exception& E) {
    // Every error the library raises derives from Sumtide::Exception.
    std::cerr << "scl_embed: " << E.Message() << '\n';
    return 1;
  }
}
