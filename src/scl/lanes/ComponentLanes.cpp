#include "scl/lanes/ComponentLanes.h"

#include "rtl/SecureWipe.h"

#include <algorithm>
#include <string>

namespace Sumtide {

TComponentLanes::TComponentLanes(const TDigestKind& Kind)
    : FKind(Kind), FDigests(MaxLanes * Kind.DigestBytes) {
  for (auto& Hash : FHashes)
    Hash = NewHash(Kind);
}

TComponentLanes::~TComponentLanes() {
  SecureZero(FDigests.data(), FDigests.size());
}

IDigestLanes::TLaneMask TComponentLanes::Mask(TCondition Condition) const {
  TLaneMask Lanes = 0;
  for (std::size_t L = 0; L < MaxLanes; ++L)
    if (FConditions[L] == Condition)
      Lanes |= TLaneMask{1} << L;
  return Lanes;
}

void TComponentLanes::Expect(std::size_t Lane, TCondition Condition, const char* What) const {
  if (Lane >= MaxLanes || FConditions[Lane] != Condition)
    throw ESCL_hash(std::string(FKind.Tag) + " lane " + std::to_string(Lane) + " " + What);
}

void TComponentLanes::Start(std::size_t Lane) {
  Expect(Lane, TCondition::Free, "is not free");
  FHashes[Lane]->Init();
  FConditions[Lane] = TCondition::Open;
}

void TComponentLanes::Feed(std::size_t Lane, std::span<const std::uint8_t> Piece) {
  Expect(Lane, TCondition::Open, "is not hungry");
  // Update takes a 32-bit length.
  constexpr std::size_t Most = std::size_t{1} << 30;
  while (!Piece.empty()) {
    const std::size_t Length = std::min(Piece.size(), Most);
    FHashes[Lane]->Update(Piece.data(), static_cast<std::uint32_t>(Length));
    Piece = Piece.subspan(Length);
  }
}

void TComponentLanes::End(std::size_t Lane) {
  Expect(Lane, TCondition::Open, "is not hungry");
  FHashes[Lane]->Final(LaneDigest(Lane));
  FConditions[Lane] = TCondition::Done;
}

void TComponentLanes::TakeDigest(std::size_t Lane, std::span<std::uint8_t> Digest) {
  Expect(Lane, TCondition::Done, "is not done");
  if (Digest.size() != FKind.DigestBytes)
    throw ESCL_hash(std::string(FKind.Tag) + " digests are " + std::to_string(FKind.DigestBytes) +
                    " bytes long");
  std::copy_n(LaneDigest(Lane), Digest.size(), Digest.begin());
  SecureZero(LaneDigest(Lane), FKind.DigestBytes);
  FConditions[Lane] = TCondition::Free;
}

void TComponentLanes::Drop(std::size_t Lane) {
  if (Lane >= MaxLanes)
    throw ESCL_hash(std::string(FKind.Tag) + " lane " + std::to_string(Lane) + " does not exist");
  FHashes[Lane]->Burn();
  SecureZero(LaneDigest(Lane), FKind.DigestBytes);
  FConditions[Lane] = TCondition::Free;
}

} // namespace Sumtide
