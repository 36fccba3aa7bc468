#include "scl/SCLcrypt.h"

#include <algorithm>
#include <array>
#include <limits>

namespace Sumtide {

TSCL_hash* TSCL_hashclass::Create(TComponent* AOwner) const {
  return static_cast<TSCL_hash*>(TComponentClass::Create(AOwner));
}

std::unique_ptr<TSCL_hash> TSCL_hashclass::CreateOwned(TComponent* AOwner) const {
  return std::unique_ptr<TSCL_hash>(Create(AOwner));
}

namespace {
const TPropInfo HashProperties[] = {
    MakeProperty<&TSCL_hash::GetId, &TSCL_hash::DiscardInteger>("Id", TPropKind::Integer),
    MakeProperty<&TSCL_hash::GetAlgorithm, &TSCL_hash::DiscardString>("Algorithm",
                                                                      TPropKind::String),
    MakeProperty<&TSCL_hash::GetHashSize, &TSCL_hash::DiscardInteger>("HashSize",
                                                                      TPropKind::Integer),
};
} // namespace

const TSCL_hashclass& TSCL_hash::Class() {
  static const TComponentClassOf<TSCL_hash, TSCL_hashclass> Descriptor(
      "TSCL_hash", &TComponent::Class(), HashProperties);
  return Descriptor;
}

TSCL_hash::~TSCL_hash() {
  if (FInitialized)
    Burn();
}

void TSCL_hash::UpdateStr(const std::string& Str) {
  // One Update for any string a 32-bit length can count; a longer one goes in pieces rather
  // than being cut to its length modulo 2^32.
  constexpr std::size_t MaxPiece = std::numeric_limits<std::uint32_t>::max();
  const char* P = Str.data();
  std::size_t Left = Str.size();
  do {
    const std::size_t Piece = Left < MaxPiece ? Left : MaxPiece;
    Update(P, static_cast<std::uint32_t>(Piece));
    P += Piece;
    Left -= Piece;
  } while (Left > 0);
}

void TSCL_hash::UpdateStream(TStream& Stream, std::uint32_t Count) {
  constexpr std::uint32_t PieceSize = 8192;
  std::array<std::uint8_t, PieceSize> Buffer;
  // A stream that claims more than it was asked for never makes Update read past the buffer.
  auto ReadPiece = [&](std::uint32_t Wanted) {
    return static_cast<std::uint32_t>(
        std::min<std::size_t>(Stream.Read(Buffer.data(), Wanted), Wanted));
  };
  for (std::uint32_t I = Count / PieceSize; I > 0; --I)
    Update(Buffer.data(), ReadPiece(PieceSize));
  if (const std::uint32_t Rest = Count % PieceSize; Rest != 0)
    Update(Buffer.data(), ReadPiece(Rest));
}

} // namespace Sumtide
