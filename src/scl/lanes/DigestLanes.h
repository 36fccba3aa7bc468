#pragma once

// Several messages hashed at once, one per lane, whatever the digest and however it is hashed:
// the interface programs that hash many files drive (DigestCatalogue.h gives one for each digest).
// The contract is THashLanes' (HashLanes.h): a lane goes Free -> Start -> Feed/End -> Run ->
// Done -> TakeDigest -> Free, and a piece fed stays valid until its lane is hungry again or done.

#include "scl/lanes/LaneTypes.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace Sumtide {

class IDigestLanes {
public:
  using TLaneMask = Lanes::TLaneMask;
  static constexpr std::size_t MaxLanes = Lanes::MaxLanes;

  virtual ~IDigestLanes() = default;

  virtual std::size_t LaneCount() const = 0;
  virtual TLaneMask FreeLanes() const = 0;
  virtual TLaneMask HungryLanes() const = 0;
  virtual TLaneMask DoneLanes() const = 0;
  virtual void Start(std::size_t Lane) = 0;
  virtual void Feed(std::size_t Lane, std::span<const std::uint8_t> Piece) = 0;
  virtual void End(std::size_t Lane) = 0;
  virtual void Run() = 0;
  // Writes the digest of a done lane into Digest, which holds exactly the digest's size; the
  // lane is free again.
  virtual void TakeDigest(std::size_t Lane, std::span<std::uint8_t> Digest) = 0;
  virtual void Drop(std::size_t Lane) = 0;
};

} // namespace Sumtide
