#pragma once

// The bases of the component library: the hash component, the cipher and block cipher
// components, their exceptions and class references. The library ships no concrete cipher.

#include "rtl/Component.h"
#include "rtl/Exception.h"
#include "rtl/Stream.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Sumtide {

class TSCL_hash;

class ESCL_hash : public Exception {
public:
  using Exception::Exception;
};

// The class reference of a hash class: its class-level queries and its constructor, reached
// without an instance. Each hash class has one descriptor deriving from this one.
class TSCL_hashclass : public TComponentClass {
public:
  using TComponentClass::TComponentClass;

  virtual std::int32_t GetId() const { return -1; }
  virtual std::string GetAlgorithm() const { return {}; }
  virtual std::int32_t GetHashSize() const { return -1; } // digest size in bits
  virtual bool SelfTest() const { return false; }

  TSCL_hash* Create(TComponent* AOwner) const;
  std::unique_ptr<TSCL_hash> CreateOwned(TComponent* AOwner = nullptr) const;
};

using TSCL_hashclassref = const TSCL_hashclass*;

// The abstract base of every message-digest component: Init, any number of Updates, then Final,
// which writes the digest and wipes the state. Every operation has a default body, so a plain
// TSCL_hash can be driven without error: it computes nothing and writes no digest.
class TSCL_hash : public TComponent {
public:
  using TClass = TSCL_hashclass;

  explicit TSCL_hash(TComponent* AOwner) : TComponent(AOwner) {}
  // Burns a running instance. A derived class that overrides Burn also burns in its own
  // destructor: by the time this one runs, the derived parts are already gone.
  ~TSCL_hash() override;

  static const TSCL_hashclass& Class();
  const TComponentClass& ClassType() const override { return Class(); }
  const TSCL_hashclass& HashClass() const {
    return static_cast<const TSCL_hashclass&>(ClassType());
  }

  // Class-level queries, answered by the instance's class.
  std::int32_t GetId() const { return HashClass().GetId(); }
  std::string GetAlgorithm() const { return HashClass().GetAlgorithm(); }
  std::int32_t GetHashSize() const { return HashClass().GetHashSize(); }
  bool SelfTest() const { return HashClass().SelfTest(); }

  virtual void Init() {}
  // Writes GetHashSize() / 8 bytes.
  virtual void Final(void* Digest) { (void)Digest; }
  virtual void Burn() {}
  virtual void Update(const void* Buffer, std::uint32_t Length) { (void)Buffer, (void)Length; }

  void UpdateStr(const std::string& Str);
  // Feeds up to Count bytes read from Stream in pieces of 8192 bytes; a short read does not stop
  // the loop.
  void UpdateStream(TStream& Stream, std::uint32_t Count);

  bool Initialized() const { return FInitialized; }

  // The published Id, Algorithm and HashSize accept a write and discard it.
  void DiscardInteger(std::int32_t) {}
  void DiscardString(const std::string&) {}

protected:
  bool FInitialized = false;
};

class TSCL_cipher;
class TSCL_blockcipher;

class ESCL_cipher : public Exception {
public:
  using Exception::Exception;
};

// Declared for block ciphers; the bases never raise it.
class ESCL_blockcipher : public ESCL_cipher {
public:
  using ESCL_cipher::ESCL_cipher;
};

// The class reference of a cipher class: its class-level queries and its constructor, reached
// without an instance. Each cipher class has one descriptor deriving from this one.
class TSCL_cipherclass : public TComponentClass {
public:
  using TComponentClass::TComponentClass;

  virtual std::int32_t GetId() const { return -1; }
  virtual std::string GetAlgorithm() const { return {}; }
  // The largest key size, in bits, that Init accepts; compared as unsigned, so -1 admits any.
  virtual std::int32_t GetMaxKeySize() const { return -1; }
  virtual bool SelfTest() const { return false; }

  TSCL_cipher* Create(TComponent* AOwner) const;
  std::unique_ptr<TSCL_cipher> CreateOwned(TComponent* AOwner = nullptr) const;
};

using TSCL_cipherclassref = const TSCL_cipherclass*;

// The abstract base of every cipher component: keyed with Init (raw key bits) or InitStr (the
// digest of a pass phrase), it transforms buffers, streams and Base64 strings, and Burn drops the
// key. Every operation has a default body, so a plain TSCL_cipher can be driven without error: it
// checks key sizes and transforms nothing.
//
// A new cipher is uninitialised and its most derived Burn has run, provided it was made through a
// creation path of the library (a class reference's Create or CreateOwned, a form description,
// NewComponent, CreateComponent): the constructor itself can only reach TSCL_cipher::Burn, and
// AfterConstruction runs the override. Code that constructs a cipher directly (a local,
// std::make_unique) gets this base's Burn only.
//
// A concrete cipher:
// - overrides Init, calls TSCL_cipher::Init first (it burns an earlier key, checks the size and
//   raises on a bad one) and then copies or expands the key: the key bytes are only borrowed for
//   the call, and InitStr overwrites them as soon as Init returns;
// - overrides Burn to wipe its key material (SecureZero), calling TSCL_cipher::Burn;
// - calls its own Burn from its destructor when Initialized(): by the time this base's destructor
//   runs, the derived parts are gone and only TSCL_cipher::Burn is reachable;
// - writes exactly Size output bytes for Size input bytes in Encrypt and Decrypt, for any Size,
//   with InData and OutData allowed to be the same buffer (the stream operations and
//   DecryptString work in place).
class TSCL_cipher : public TComponent {
public:
  using TClass = TSCL_cipherclass;

  explicit TSCL_cipher(TComponent* AOwner);
  // Burns an initialised cipher, with TSCL_cipher::Burn (see above).
  ~TSCL_cipher() override;

  static const TSCL_cipherclass& Class();
  const TComponentClass& ClassType() const override { return Class(); }
  const TSCL_cipherclass& CipherClass() const {
    return static_cast<const TSCL_cipherclass&>(ClassType());
  }

  // Class-level queries, answered by the instance's class.
  std::int32_t GetId() const { return CipherClass().GetId(); }
  std::string GetAlgorithm() const { return CipherClass().GetAlgorithm(); }
  std::int32_t GetMaxKeySize() const { return CipherClass().GetMaxKeySize(); }
  bool SelfTest() const { return CipherClass().SelfTest(); }

  // Runs the most derived Burn once the object is complete.
  void AfterConstruction() override;

  // Burns an earlier key, then raises ESCL_cipher "Invalid key size" when Size (bits) is 0, not a
  // multiple of 4, or above GetMaxKeySize() compared as unsigned; otherwise the cipher is
  // initialised. The base reads neither Key nor InitVector.
  virtual void Init(const void* Key, std::uint32_t Size, const void* InitVector);
  virtual void Burn() { FInitialized = false; }
  // Nothing in the library calls it.
  virtual void Reset() {}
  // Check nothing, not even Initialized(); the base transforms nothing.
  virtual void Encrypt(const void* /*InData*/, void* /*OutData*/, std::uint32_t /*Size*/) {}
  virtual void Decrypt(const void* /*InData*/, void* /*OutData*/, std::uint32_t /*Size*/) {}
  // The Base64 text of the encrypted bytes of Str: 4 * ((n + 2) / 3) characters for n bytes.
  virtual std::string EncryptString(const std::string& Str);
  // The bytes of the Base64 text Str, decrypted in place.
  virtual std::string DecryptString(const std::string& Str);

  // Keys the cipher with the digest of the pass phrase Key made by a fresh instance of HashType
  // (owned by this cipher while it runs): Init gets the first GetMaxKeySize() bits of the digest,
  // or the whole digest when it is shorter (signed comparison), and a null InitVector. Any failure
  // on the way raises ESCL_cipher "Unable to allocate sufficient memory for hash digest" and
  // leaves the cipher uninitialised: among them a null HashType, a hash of less than 8 bits, a
  // negative largest key size (Init would be told of more bits than the digest holds), and a key
  // size Init rejects.
  // The digest buffer holds every bit of the digest (a last part byte is zero-padded); it comes
  // from std::pmr::get_default_resource(), so a program that keeps key material in locked memory
  // can supply its own resource, and it is overwritten with 0xFF bytes before it goes back, on
  // every way out.
  void InitStr(const std::string& Key, TSCL_hashclassref HashType);
  // Transform up to Size bytes from InStream to OutStream in pieces of 8192 bytes, in place in one
  // working buffer; a short read does not stop the loop. Return the number of bytes read. An
  // exception from the streams passes unchanged; what was written stays written.
  std::int32_t EncryptStream(TStream& InStream, TStream& OutStream, std::uint32_t Size);
  std::int32_t DecryptStream(TStream& InStream, TStream& OutStream, std::uint32_t Size);

  bool Initialized() const { return FInitialized; }

  // The published Id, Algorithm and MaxKeySize accept a write and discard it.
  void DiscardInteger(std::int32_t) {}
  void DiscardString(const std::string&) {}

protected:
  bool FInitialized = false;
};

// The chaining mode of a block cipher, one byte. There is no ECB mode: single blocks go through
// EncryptECB and DecryptECB.
enum class TSCL_ciphermode : std::uint8_t { cmCBC, cmCFB8bit, cmCFBblock, cmOFB, cmCTR };

class TSCL_blockcipherclass : public TSCL_cipherclass {
public:
  using TSCL_cipherclass::TSCL_cipherclass;

  virtual std::int32_t GetBlockSize() const { return -1; } // bits

  TSCL_blockcipher* Create(TComponent* AOwner) const;
  std::unique_ptr<TSCL_blockcipher> CreateOwned(TComponent* AOwner = nullptr) const;
};

// The abstract base of block cipher components: Encrypt and Decrypt go to the routine of the
// current CipherMode, the string operations always to the 8-bit feedback routines. The base
// carries out no mode: every routine below does nothing until a concrete class overrides it, and
// nothing in the library calls InitKey, SetIV, GetIV, EncryptECB or DecryptECB. A mode routine
// must meet the rules of Encrypt and Decrypt above (any Size, in place allowed).
class TSCL_blockcipher : public TSCL_cipher {
public:
  using TClass = TSCL_blockcipherclass;

  explicit TSCL_blockcipher(TComponent* AOwner) : TSCL_cipher(AOwner) {}

  static const TSCL_blockcipherclass& Class();
  const TComponentClass& ClassType() const override { return Class(); }
  const TSCL_blockcipherclass& BlockCipherClass() const {
    return static_cast<const TSCL_blockcipherclass&>(ClassType());
  }

  // Call the routine of the current mode with the same arguments; a mode value outside the five
  // calls nothing.
  void Encrypt(const void* InData, void* OutData, std::uint32_t Size) override;
  void Decrypt(const void* InData, void* OutData, std::uint32_t Size) override;
  // As TSCL_cipher's, through EncryptCFB8bit and DecryptCFB8bit whatever the mode.
  std::string EncryptString(const std::string& Str) override;
  std::string DecryptString(const std::string& Str) override;

  virtual void InitKey(const void* /*Key*/, std::uint32_t /*Size*/) {}
  // Class-level query, answered by the instance's class.
  std::int32_t GetBlockSize() const { return BlockCipherClass().GetBlockSize(); }
  virtual void SetIV(const void* /*Value*/) {}
  virtual void GetIV(void* /*Value*/) {}
  virtual void EncryptECB(const void* /*InData*/, void* /*OutData*/) {}
  virtual void DecryptECB(const void* /*InData*/, void* /*OutData*/) {}
  virtual void EncryptCBC(const void* /*InData*/, void* /*OutData*/, std::uint32_t /*Size*/) {}
  virtual void DecryptCBC(const void* /*InData*/, void* /*OutData*/, std::uint32_t /*Size*/) {}
  virtual void EncryptCFB8bit(const void* /*InData*/, void* /*OutData*/, std::uint32_t /*Size*/) {}
  virtual void DecryptCFB8bit(const void* /*InData*/, void* /*OutData*/, std::uint32_t /*Size*/) {}
  virtual void EncryptCFBblock(const void* /*InData*/, void* /*OutData*/, std::uint32_t /*Size*/) {}
  virtual void DecryptCFBblock(const void* /*InData*/, void* /*OutData*/, std::uint32_t /*Size*/) {}
  virtual void EncryptOFB(const void* /*InData*/, void* /*OutData*/, std::uint32_t /*Size*/) {}
  virtual void DecryptOFB(const void* /*InData*/, void* /*OutData*/, std::uint32_t /*Size*/) {}
  virtual void EncryptCTR(const void* /*InData*/, void* /*OutData*/, std::uint32_t /*Size*/) {}
  virtual void DecryptCTR(const void* /*InData*/, void* /*OutData*/, std::uint32_t /*Size*/) {}

  static constexpr TSCL_ciphermode DefaultCipherMode = TSCL_ciphermode::cmCBC;
  // Only stores the mode: nothing is reset or burnt, the next Encrypt or Decrypt uses it.
  TSCL_ciphermode CipherMode() const { return FCipherMode; }
  void SetCipherMode(TSCL_ciphermode Value) { FCipherMode = Value; }

private:
  TSCL_ciphermode FCipherMode = DefaultCipherMode;
};

// Dest[i] ^= Source[i] for i below Size, for the mode routines of concrete block ciphers.
void XorBlock(void* Dest, const void* Source, std::uint32_t Size);

} // namespace Sumtide
