// The cipher and block cipher bases of the SCLcrypt unit.

#include "rtl/SecureWipe.h"
#include "scl/SCLbase64.h"
#include "scl/SCLcrypt.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <memory_resource>

namespace Sumtide {

namespace {

const char* const InvalidKeySize = "Invalid key size";
const char* const NoDigestMemory = "Unable to allocate sufficient memory for hash digest";

// The stream operations work through one buffer of this size, one Encrypt or Decrypt per piece.
constexpr std::uint32_t StreamPieceSize = 8192;

// A string longer than a 32-bit Size can count goes to Encrypt or Decrypt in pieces of this
// length rather than being cut to its length modulo 2^32. It is a multiple of the stream piece
// size, and so of every block size up to it.
constexpr std::size_t MaxStringPiece =
    std::numeric_limits<std::uint32_t>::max() / StreamPieceSize * StreamPieceSize;

// Transform(In, Out, Size) over Size bytes, once even for none.
template <class F> void InStringPieces(const char* In, char* Out, std::size_t Size, F&& Transform) {
  do {
    const std::size_t Piece = std::min(Size, MaxStringPiece);
    Transform(In, Out, static_cast<std::uint32_t>(Piece));
    In += Piece;
    Out += Piece;
    Size -= Piece;
  } while (Size > 0);
}

template <class F> std::string EncryptStringWith(const std::string& Str, F&& Transform) {
  std::string Encrypted(Str.size(), '\0');
  InStringPieces(Str.data(), Encrypted.data(), Str.size(), Transform);
  return EncodeBase64Text(Encrypted);
}

template <class F> std::string DecryptStringWith(const std::string& Str, F&& Transform) {
  std::string Result = DecodeBase64Text(Str);
  InStringPieces(Result.data(), Result.data(), Result.size(), Transform);
  return Result;
}

template <class F>
std::int32_t TransformStream(TStream& InStream, TStream& OutStream, std::uint32_t Size,
                             F&& Transform) {
  // The buffer holds plain text on one side of the transformation; it is wiped on the way out.
  struct TWorkBuffer {
    std::array<std::uint8_t, StreamPieceSize> Bytes;
    ~TWorkBuffer() { SecureZero(Bytes.data(), Bytes.size()); }
  } Buffer;
  std::uint32_t Total = 0;
  auto Piece = [&](std::uint32_t Wanted) {
    // A stream that claims more than it was asked for never makes Transform run past the buffer.
    const auto Got = static_cast<std::uint32_t>(
        std::min<std::size_t>(InStream.Read(Buffer.Bytes.data(), Wanted), Wanted));
    Total += Got;
    Transform(Buffer.Bytes.data(), Buffer.Bytes.data(), Got);
    OutStream.Write(Buffer.Bytes.data(), Got);
  };
  for (std::uint32_t I = Size / StreamPieceSize; I > 0; --I)
    Piece(StreamPieceSize);
  if (const std::uint32_t Rest = Size % StreamPieceSize; Rest != 0)
    Piece(Rest);
  return static_cast<std::int32_t>(Total);
}

// The digest buffer of InitStr: zeroed when obtained from the default memory resource,
// overwritten with 0xFF and given back on every way out.
class TDigestBuffer {
public:
  explicit TDigestBuffer(std::size_t Size)
      : FResource(std::pmr::get_default_resource()), FSize(Size),
        FData(static_cast<std::uint8_t*>(FResource->allocate(Size, 1))) {
    std::memset(FData, 0, FSize);
  }
  TDigestBuffer(const TDigestBuffer&) = delete;
  TDigestBuffer& operator=(const TDigestBuffer&) = delete;
  ~TDigestBuffer() {
    SecureFill(FData, FSize, 0xFF);
    FResource->deallocate(FData, FSize, 1);
  }

  std::uint8_t* Data() const { return FData; }

private:
  std::pmr::memory_resource* FResource;
  std::size_t FSize;
  std::uint8_t* FData;
};

const TPropInfo CipherProperties[] = {
    MakeProperty<&TSCL_cipher::GetId, &TSCL_cipher::DiscardInteger>("Id", TPropKind::Integer),
    MakeProperty<&TSCL_cipher::GetAlgorithm, &TSCL_cipher::DiscardString>("Algorithm",
                                                                          TPropKind::String),
    MakeProperty<&TSCL_cipher::GetMaxKeySize, &TSCL_cipher::DiscardInteger>("MaxKeySize",
                                                                            TPropKind::Integer),
};

constexpr std::array<std::string_view, 5> CipherModeNames = {"cmCBC", "cmCFB8bit", "cmCFBblock",
                                                             "cmOFB", "cmCTR"};

const TPropInfo BlockCipherProperties[] = {
    MakeProperty<&TSCL_blockcipher::GetBlockSize, &TSCL_cipher::DiscardInteger>("BlockSize",
                                                                                TPropKind::Integer),
    MakeProperty<&TSCL_blockcipher::CipherMode, &TSCL_blockcipher::SetCipherMode>(
        "CipherMode", TPropKind::Enumeration, TSCL_blockcipher::DefaultCipherMode, CipherModeNames),
};

} // namespace

// ---------------------------------------------------------------------------------------------
// TSCL_cipher

TSCL_cipher* TSCL_cipherclass::Create(TComponent* AOwner) const {
  return static_cast<TSCL_cipher*>(TComponentClass::Create(AOwner));
}

std::unique_ptr<TSCL_cipher> TSCL_cipherclass::CreateOwned(TComponent* AOwner) const {
  return std::unique_ptr<TSCL_cipher>(Create(AOwner));
}

const TSCL_cipherclass& TSCL_cipher::Class() {
  static const TComponentClassOf<TSCL_cipher, TSCL_cipherclass> Descriptor(
      "TSCL_cipher", &TComponent::Class(), CipherProperties);
  return Descriptor;
}

TSCL_cipher::TSCL_cipher(TComponent* AOwner) : TComponent(AOwner) {
  TSCL_cipher::Burn(); // the override, if any, follows in AfterConstruction
}

TSCL_cipher::~TSCL_cipher() {
  if (FInitialized)
    TSCL_cipher::Burn();
}

void TSCL_cipher::AfterConstruction() {
  TComponent::AfterConstruction();
  Burn();
}

void TSCL_cipher::Init(const void* /*Key*/, std::uint32_t Size, const void* /*InitVector*/) {
  if (FInitialized)
    Burn();
  if (Size == 0 || Size % 4 != 0 || Size > static_cast<std::uint32_t>(GetMaxKeySize()))
    throw ESCL_cipher(InvalidKeySize);
  FInitialized = true;
}

std::string TSCL_cipher::EncryptString(const std::string& Str) {
  return EncryptStringWith(
      Str, [this](const void* In, void* Out, std::uint32_t Size) { Encrypt(In, Out, Size); });
}

std::string TSCL_cipher::DecryptString(const std::string& Str) {
  return DecryptStringWith(
      Str, [this](const void* In, void* Out, std::uint32_t Size) { Decrypt(In, Out, Size); });
}

void TSCL_cipher::InitStr(const std::string& Key, TSCL_hashclassref HashType) {
  if (FInitialized)
    Burn();
  try {
    if (!HashType)
      throw ESCL_cipher(NoDigestMemory);
    // Asked once, of the class, before any instance exists; the same value sizes the buffer,
    // chooses the key size and bounds the wipe.
    const std::int32_t HashSize = HashType->GetHashSize();
    // A digest of no whole byte would leave every key bit outside what the hash wrote.
    if (HashSize / 8 <= 0)
      throw ESCL_cipher(NoDigestMemory);
    // Room for every bit of the digest, so that a key of HashSize bits lies inside the buffer
    // even when HashSize is not a multiple of 8 (the bits past the digest's last whole byte are
    // zero).
    TDigestBuffer Digest(static_cast<std::size_t>(HashSize / 8 + (HashSize % 8 != 0 ? 1 : 0)));
    {
      const std::unique_ptr<TSCL_hash> Hash = HashType->CreateOwned(this);
      Hash->Init();
      Hash->UpdateStr(Key);
      Hash->Final(Digest.Data());
    }
    const std::int32_t MaxKeySize = GetMaxKeySize();
    const std::int32_t KeySize = MaxKeySize < HashSize ? MaxKeySize : HashSize;
    // A negative key size would reach Init as a count of bits far beyond the digest.
    if (KeySize < 0)
      throw ESCL_cipher(NoDigestMemory);
    Init(Digest.Data(), static_cast<std::uint32_t>(KeySize), nullptr);
  } catch (...) {
    // An Init that failed after accepting the size must not leave a key behind.
    if (FInitialized) {
      try {
        Burn();
      } catch (...) {
        // The failure is reported below all the same.
      }
    }
    throw ESCL_cipher(NoDigestMemory);
  }
}

std::int32_t TSCL_cipher::EncryptStream(TStream& InStream, TStream& OutStream, std::uint32_t Size) {
  return TransformStream(
      InStream, OutStream, Size,
      [this](const void* In, void* Out, std::uint32_t N) { Encrypt(In, Out, N); });
}

std::int32_t TSCL_cipher::DecryptStream(TStream& InStream, TStream& OutStream, std::uint32_t Size) {
  return TransformStream(
      InStream, OutStream, Size,
      [this](const void* In, void* Out, std::uint32_t N) { Decrypt(In, Out, N); });
}

// ---------------------------------------------------------------------------------------------
// TSCL_blockcipher

TSCL_blockcipher* TSCL_blockcipherclass::Create(TComponent* AOwner) const {
  return static_cast<TSCL_blockcipher*>(TComponentClass::Create(AOwner));
}

std::unique_ptr<TSCL_blockcipher> TSCL_blockcipherclass::CreateOwned(TComponent* AOwner) const {
  return std::unique_ptr<TSCL_blockcipher>(Create(AOwner));
}

const TSCL_blockcipherclass& TSCL_blockcipher::Class() {
  static const TComponentClassOf<TSCL_blockcipher, TSCL_blockcipherclass> Descriptor(
      "TSCL_blockcipher", &TSCL_cipher::Class(), BlockCipherProperties);
  return Descriptor;
}

void TSCL_blockcipher::Encrypt(const void* InData, void* OutData, std::uint32_t Size) {
  switch (FCipherMode) {
  case TSCL_ciphermode::cmCBC:
    EncryptCBC(InData, OutData, Size);
    break;
  case TSCL_ciphermode::cmCFB8bit:
    EncryptCFB8bit(InData, OutData, Size);
    break;
  case TSCL_ciphermode::cmCFBblock:
    EncryptCFBblock(InData, OutData, Size);
    break;
  case TSCL_ciphermode::cmOFB:
    EncryptOFB(InData, OutData, Size);
    break;
  case TSCL_ciphermode::cmCTR:
    EncryptCTR(InData, OutData, Size);
    break;
  }
}

void TSCL_blockcipher::Decrypt(const void* InData, void* OutData, std::uint32_t Size) {
  switch (FCipherMode) {
  case TSCL_ciphermode::cmCBC:
    DecryptCBC(InData, OutData, Size);
    break;
  case TSCL_ciphermode::cmCFB8bit:
    DecryptCFB8bit(InData, OutData, Size);
    break;
  case TSCL_ciphermode::cmCFBblock:
    DecryptCFBblock(InData, OutData, Size);
    break;
  case TSCL_ciphermode::cmOFB:
    DecryptOFB(InData, OutData, Size);
    break;
  case TSCL_ciphermode::cmCTR:
    DecryptCTR(InData, OutData, Size);
    break;
  }
}

std::string TSCL_blockcipher::EncryptString(const std::string& Str) {
  return EncryptStringWith(Str, [this](const void* In, void* Out, std::uint32_t Size) {
    EncryptCFB8bit(In, Out, Size);
  });
}

std::string TSCL_blockcipher::DecryptString(const std::string& Str) {
  return DecryptStringWith(Str, [this](const void* In, void* Out, std::uint32_t Size) {
    DecryptCFB8bit(In, Out, Size);
  });
}

void XorBlock(void* Dest, const void* Source, std::uint32_t Size) {
  auto* D = static_cast<std::uint8_t*>(Dest);
  const auto* S = static_cast<const std::uint8_t*>(Source);
  for (std::uint32_t I = 0; I < Size; ++I)
    D[I] ^= S[I];
}

} // namespace Sumtide
