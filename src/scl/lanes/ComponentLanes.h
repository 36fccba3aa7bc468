#pragma once

// A lane set whose lanes are hash components of one class, each hashing its message as one
// stream: for digests without lane kernels, or where the one-message block function is faster
// than the lanes (the SHA instructions against lanes in plain registers). A piece is hashed as
// soon as it is fed, so a lane is hungry again at once and Run has nothing left to do.

#include "scl/SCLcrypt.h"
#include "scl/lanes/DigestCatalogue.h"
#include "scl/lanes/DigestLanes.h"

#include <array>
#include <memory>
#include <vector>

namespace Sumtide {

class TComponentLanes final : public IDigestLanes {
public:
  explicit TComponentLanes(const TDigestKind& Kind);
  ~TComponentLanes() override;
  TComponentLanes(const TComponentLanes&) = delete;
  TComponentLanes& operator=(const TComponentLanes&) = delete;

  std::size_t LaneCount() const override { return MaxLanes; }
  TLaneMask FreeLanes() const override { return Mask(TCondition::Free); }
  TLaneMask HungryLanes() const override { return Mask(TCondition::Open); }
  TLaneMask DoneLanes() const override { return Mask(TCondition::Done); }
  void Start(std::size_t Lane) override;
  void Feed(std::size_t Lane, std::span<const std::uint8_t> Piece) override;
  void End(std::size_t Lane) override;
  void Run() override {}
  void TakeDigest(std::size_t Lane, std::span<std::uint8_t> Digest) override;
  void Drop(std::size_t Lane) override;

private:
  enum class TCondition : std::uint8_t { Free, Open, Done };
  TLaneMask Mask(TCondition Condition) const;
  void Expect(std::size_t Lane, TCondition Condition, const char* What) const;
  std::uint8_t* LaneDigest(std::size_t Lane) { return FDigests.data() + Lane * FKind.DigestBytes; }

  const TDigestKind& FKind;
  std::array<std::unique_ptr<TSCL_hash>, MaxLanes> FHashes;
  std::array<TCondition, MaxLanes> FConditions{};
  // The digests of the done lanes, until they are taken: the kind's size for each lane, one after
  // the other.
  std::vector<std::uint8_t> FDigests;
};

} // namespace Sumtide
