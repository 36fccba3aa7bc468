#include "scl/Md5Lanes.h"

#include "rtl/SecureWipe.h"
#include "scl/Md5Compress.h"
#include "scl/Md5PortableSteps.h"
#include "scl/Md5StepTable.h"
#include "scl/SCLcrypt.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <string>

namespace Sumtide {

namespace {

[[noreturn]] void Misuse(std::size_t Lane, const char* What) {
  throw ESCL_hash("MD5 lane " + std::to_string(Lane) + " " + What);
}

} // namespace

TMd5Lanes::TMd5Lanes() : TMd5Lanes(Md5Internal::LaneKernelInUse()) {}

TMd5Lanes::TMd5Lanes(Md5Internal::TLaneKernel Kernel)
    : FKernel(Md5Internal::LaneKernelRuns(Kernel) ? Kernel : Md5Internal::TLaneKernel::Portable),
      FBlocks(Md5Internal::LaneBlocksOf(FKernel)), FLaneCount(Md5Internal::LaneCount(FKernel)) {}

TMd5Lanes::~TMd5Lanes() {
  SecureZero(&FState, sizeof FState);
  SecureZero(FBuffer, sizeof FBuffer);
  SecureZero(FLanes.data(), sizeof FLanes);
}

TMd5Lanes::TLaneMask TMd5Lanes::FreeLanes() const {
  TLaneMask Mask = 0;
  for (std::size_t L = 0; L < FLaneCount; ++L)
    if (FLanes[L].Condition == TCondition::Free)
      Mask |= TLaneMask{1} << L;
  return Mask;
}

TMd5Lanes::TLaneMask TMd5Lanes::HungryLanes() const {
  TLaneMask Mask = 0;
  for (std::size_t L = 0; L < FLaneCount; ++L)
    if (FLanes[L].Condition == TCondition::Open && FLanes[L].ReadyBlocks == 0)
      Mask |= TLaneMask{1} << L;
  return Mask;
}

TMd5Lanes::TLaneMask TMd5Lanes::DoneLanes() const {
  TLaneMask Mask = 0;
  for (std::size_t L = 0; L < FLaneCount; ++L)
    if (FLanes[L].Condition == TCondition::Done)
      Mask |= TLaneMask{1} << L;
  return Mask;
}

TMd5Lanes::TLaneMask TMd5Lanes::RunnableLanes() const {
  TLaneMask Mask = 0;
  for (std::size_t L = 0; L < FLaneCount; ++L)
    if (FLanes[L].ReadyBlocks > 0)
      Mask |= TLaneMask{1} << L;
  return Mask;
}

void TMd5Lanes::CheckLane(std::size_t Lane) const {
  if (Lane >= FLaneCount)
    Misuse(Lane, "does not exist");
}

void TMd5Lanes::Start(std::size_t Lane) {
  CheckLane(Lane);
  if (FLanes[Lane].Condition != TCondition::Free)
    Misuse(Lane, "is not free");
  FLanes[Lane] = TLane{};
  FLanes[Lane].Condition = TCondition::Open;
  FState.A[Lane] = Md5Internal::InitialChain[0];
  FState.B[Lane] = Md5Internal::InitialChain[1];
  FState.C[Lane] = Md5Internal::InitialChain[2];
  FState.D[Lane] = Md5Internal::InitialChain[3];
}

void TMd5Lanes::Feed(std::size_t Lane, std::span<const std::uint8_t> Piece) {
  CheckLane(Lane);
  TLane& L = FLanes[Lane];
  if (L.Condition != TCondition::Open || L.ReadyBlocks > 0)
    Misuse(Lane, "is not hungry");
  L.Piece = Piece.data();
  L.PieceLeft = Piece.size();
  L.Length += Piece.size();
  Settle(Lane);
}

void TMd5Lanes::End(std::size_t Lane) {
  CheckLane(Lane);
  TLane& L = FLanes[Lane];
  if (L.Condition != TCondition::Open)
    Misuse(Lane, "holds no open message");
  L.Condition = TCondition::Ended;
  if (L.ReadyBlocks == 0)
    Settle(Lane);
}

void TMd5Lanes::Settle(std::size_t Lane) {
  TLane& L = FLanes[Lane];
  std::uint8_t* const Buffer = FBuffer[Lane];
  // Carried bytes are topped up to a block first; without any, only a rest under a block is
  // carried, and whole blocks are hashed where they lie.
  if (L.Carried > 0 || L.PieceLeft < 64) {
    const std::size_t Take = std::min(64 - L.Carried, L.PieceLeft);
    if (Take > 0)
      std::memcpy(Buffer + L.Carried, L.Piece, Take);
    L.Carried += Take;
    L.Piece += Take;
    L.PieceLeft -= Take;
    if (L.Carried == 64) {
      L.Source = TSource::Carried;
      L.Ready = Buffer;
      L.ReadyBlocks = 1;
      return;
    }
  }
  if (L.PieceLeft >= 64) {
    L.Source = TSource::Piece;
    L.Ready = L.Piece;
    L.ReadyBlocks = L.PieceLeft / 64;
    L.Piece += L.ReadyBlocks * 64;
    L.PieceLeft %= 64;
    return;
  }
  // The piece is used up, and what is left of the message is carried.
  L.Source = TSource::None;
  L.Piece = nullptr;
  if (L.Condition == TCondition::Ended)
    Pad(Lane);
}

void TMd5Lanes::Pad(std::size_t Lane) {
  TLane& L = FLanes[Lane];
  std::uint8_t* const Buffer = FBuffer[Lane];
  // The marker byte, zeros, and the length in bits as 64 bits low byte first, at the end of the
  // one block that still has room for them or of a second one.
  const std::size_t Total = L.Carried < 56 ? 64 : 128;
  Buffer[L.Carried] = 0x80;
  std::memset(Buffer + L.Carried + 1, 0, Total - L.Carried - 1);
  const std::uint64_t Bits = L.Length * 8;
  Md5Internal::StoreWord(Buffer + Total - 8, static_cast<std::uint32_t>(Bits));
  Md5Internal::StoreWord(Buffer + Total - 4, static_cast<std::uint32_t>(Bits >> 32));
  L.Carried = 0;
  L.Source = TSource::Tail;
  L.Ready = Buffer;
  L.ReadyBlocks = Total / 64;
}

void TMd5Lanes::Run() {
  const TLaneMask Running = RunnableLanes();
  if (Running == 0)
    return;
  const std::uint8_t* Data[Md5Internal::MaxLanes] = {};
  do {
    std::size_t Count = std::numeric_limits<std::size_t>::max();
    for (std::size_t Lane = 0; Lane < FLaneCount; ++Lane) {
      if ((Running >> Lane & 1) == 0)
        continue;
      Data[Lane] = FLanes[Lane].Ready;
      Count = std::min(Count, FLanes[Lane].ReadyBlocks);
    }
    if (std::has_single_bit(Running)) {
      // One message alone gains nothing from the lanes; the single-stream function hashes it
      // several times as fast as a kernel with all its other lanes idle.
      const auto Lane = static_cast<std::size_t>(std::countr_zero(Running));
      std::uint32_t Chain[4] = {FState.A[Lane], FState.B[Lane], FState.C[Lane], FState.D[Lane]};
      Md5Internal::CompressBlocks(Chain, Data[Lane], Count);
      FState.A[Lane] = Chain[0], FState.B[Lane] = Chain[1];
      FState.C[Lane] = Chain[2], FState.D[Lane] = Chain[3];
      SecureZero(Chain, sizeof Chain);
    } else {
      FBlocks(FState, Data, Count, Running);
    }
    for (std::size_t Lane = 0; Lane < FLaneCount; ++Lane) {
      if ((Running >> Lane & 1) == 0)
        continue;
      TLane& L = FLanes[Lane];
      L.Ready += 64 * Count;
      L.ReadyBlocks -= Count;
      if (L.ReadyBlocks > 0)
        continue;
      if (L.Source == TSource::Tail) {
        L.Condition = TCondition::Done;
        L.Source = TSource::None;
        L.Ready = nullptr;
        SecureZero(FBuffer[Lane], sizeof FBuffer[Lane]);
        continue;
      }
      if (L.Source == TSource::Carried)
        L.Carried = 0;
      Settle(Lane);
    }
  } while (RunnableLanes() == Running);
}

TMd5Lanes::TDigest TMd5Lanes::TakeDigest(std::size_t Lane) {
  CheckLane(Lane);
  if (FLanes[Lane].Condition != TCondition::Done)
    Misuse(Lane, "is not done");
  TDigest Digest;
  Md5Internal::StoreWord(Digest.data(), FState.A[Lane]);
  Md5Internal::StoreWord(Digest.data() + 4, FState.B[Lane]);
  Md5Internal::StoreWord(Digest.data() + 8, FState.C[Lane]);
  Md5Internal::StoreWord(Digest.data() + 12, FState.D[Lane]);
  Wipe(Lane);
  return Digest;
}

void TMd5Lanes::Drop(std::size_t Lane) {
  CheckLane(Lane);
  Wipe(Lane);
}

void TMd5Lanes::Wipe(std::size_t Lane) {
  SecureZero(&FState.A[Lane], sizeof FState.A[Lane]);
  SecureZero(&FState.B[Lane], sizeof FState.B[Lane]);
  SecureZero(&FState.C[Lane], sizeof FState.C[Lane]);
  SecureZero(&FState.D[Lane], sizeof FState.D[Lane]);
  SecureZero(FBuffer[Lane], sizeof FBuffer[Lane]);
  FLanes[Lane] = TLane{};
}

} // namespace Sumtide
