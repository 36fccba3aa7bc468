#include "checksum/HashReader.h"

namespace Sumtide::Checksum {

bool HashReader(TFileReader& Reader, TSCL_hash& Hash,
                const std::function<bool(std::size_t Piece)>& After) {
  Hash.Init();
  std::span<const std::uint8_t> Piece;
  while (Reader.Next(Piece)) {
    Hash.Update(Piece.data(), static_cast<std::uint32_t>(Piece.size()));
    if (After && !After(Piece.size()))
      return false;
  }
  return true;
}

} // namespace Sumtide::Checksum
