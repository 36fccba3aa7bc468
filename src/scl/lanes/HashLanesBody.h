#pragma once

// The member functions of THashLanes (HashLanes.h), included by the source file of each digest,
// which instantiates the class for its lane description.

#include "rtl/SecureWipe.h"
#include "scl/SCLcrypt.h"
#include "scl/lanes/HashLanes.h"
#include "scl/mdhash/MerkleDamgard.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <string>

namespace Sumtide {

[[noreturn]] inline void LaneMisuse(const char* Name, std::size_t Lane, const char* What) {
  throw ESCL_hash(std::string(Name) + " lane " + std::to_string(Lane) + " " + What);
}

template <class D> THashLanes<D>::THashLanes() : THashLanes(D::InUse()) {}

template <class D>
THashLanes<D>::THashLanes(TKernel Kernel)
    : FKernel(D::Runs(Kernel) ? Kernel : TKernel{}), FBlocks(D::BlocksOf(FKernel)),
      FLaneCount(D::LaneCount(FKernel)) {}

template <class D> THashLanes<D>::~THashLanes() {
  SecureZero(&FState, sizeof FState);
  SecureZero(FBuffer, sizeof FBuffer);
  SecureZero(FLanes.data(), sizeof FLanes);
}

template <class D> typename THashLanes<D>::TLaneMask THashLanes<D>::FreeLanes() const {
  TLaneMask Mask = 0;
  for (std::size_t L = 0; L < FLaneCount; ++L)
    if (FLanes[L].Condition == TCondition::Free)
      Mask |= TLaneMask{1} << L;
  return Mask;
}

template <class D> typename THashLanes<D>::TLaneMask THashLanes<D>::HungryLanes() const {
  TLaneMask Mask = 0;
  for (std::size_t L = 0; L < FLaneCount; ++L)
    if (FLanes[L].Condition == TCondition::Open && FLanes[L].ReadyBlocks == 0)
      Mask |= TLaneMask{1} << L;
  return Mask;
}

template <class D> typename THashLanes<D>::TLaneMask THashLanes<D>::DoneLanes() const {
  TLaneMask Mask = 0;
  for (std::size_t L = 0; L < FLaneCount; ++L)
    if (FLanes[L].Condition == TCondition::Done)
      Mask |= TLaneMask{1} << L;
  return Mask;
}

template <class D> typename THashLanes<D>::TLaneMask THashLanes<D>::RunnableLanes() const {
  TLaneMask Mask = 0;
  for (std::size_t L = 0; L < FLaneCount; ++L)
    if (FLanes[L].ReadyBlocks > 0)
      Mask |= TLaneMask{1} << L;
  return Mask;
}

template <class D> void THashLanes<D>::CheckLane(std::size_t Lane) const {
  if (Lane >= FLaneCount)
    LaneMisuse(D::Name, Lane, "does not exist");
}

template <class D> void THashLanes<D>::Start(std::size_t Lane) {
  CheckLane(Lane);
  if (FLanes[Lane].Condition != TCondition::Free)
    LaneMisuse(D::Name, Lane, "is not free");
  FLanes[Lane] = TLane{};
  FLanes[Lane].Condition = TCondition::Open;
  for (std::size_t W = 0; W < TStream::StateWords; ++W)
    D::Word(FState, W, Lane) = TStream::Initial()[W];
}

template <class D> void THashLanes<D>::Feed(std::size_t Lane, std::span<const std::uint8_t> Piece) {
  CheckLane(Lane);
  TLane& L = FLanes[Lane];
  if (L.Condition != TCondition::Open || L.ReadyBlocks > 0)
    LaneMisuse(D::Name, Lane, "is not hungry");
  L.Piece = Piece.data();
  L.PieceLeft = Piece.size();
  L.Length += Piece.size();
  Settle(Lane);
}

template <class D> void THashLanes<D>::End(std::size_t Lane) {
  CheckLane(Lane);
  TLane& L = FLanes[Lane];
  if (L.Condition != TCondition::Open)
    LaneMisuse(D::Name, Lane, "holds no open message");
  L.Condition = TCondition::Ended;
  if (L.ReadyBlocks == 0)
    Settle(Lane);
}

template <class D> void THashLanes<D>::Settle(std::size_t Lane) {
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

template <class D> void THashLanes<D>::Pad(std::size_t Lane) {
  TLane& L = FLanes[Lane];
  std::uint8_t* const Buffer = FBuffer[Lane];
  std::uint64_t Length[1] = {};
  AddBitLength(Length, L.Length);
  L.ReadyBlocks = PadEnd<BlockSize, TStream::Order>(Buffer, L.Carried, Length);
  SecureZero(Length, sizeof Length);
  L.Carried = 0;
  L.Source = TSource::Tail;
  L.Ready = Buffer;
}

template <class D> void THashLanes<D>::Run() {
  const TLaneMask Running = RunnableLanes();
  if (Running == 0)
    return;
  const std::uint8_t* Data[Lanes::MaxLanes] = {};
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
      std::uint32_t Chain[TStream::StateWords];
      for (std::size_t W = 0; W < TStream::StateWords; ++W)
        Chain[W] = D::Word(FState, W, Lane);
      D::Single(Chain, Data[Lane], Count);
      for (std::size_t W = 0; W < TStream::StateWords; ++W)
        D::Word(FState, W, Lane) = Chain[W];
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

template <class D> typename THashLanes<D>::TDigest THashLanes<D>::TakeDigest(std::size_t Lane) {
  CheckLane(Lane);
  if (FLanes[Lane].Condition != TCondition::Done)
    LaneMisuse(D::Name, Lane, "is not done");
  TDigest Digest;
  for (std::size_t I = 0; I < Digest.size(); ++I) {
    const std::uint32_t Word = D::Word(FState, I / 4, Lane);
    Digest[I] = static_cast<std::uint8_t>(
        Word >> (8 * (TStream::Order == std::endian::little ? I % 4 : 3 - I % 4)));
  }
  Wipe(Lane);
  return Digest;
}

template <class D> void THashLanes<D>::Drop(std::size_t Lane) {
  CheckLane(Lane);
  Wipe(Lane);
}

template <class D> void THashLanes<D>::Wipe(std::size_t Lane) {
  for (std::size_t W = 0; W < TStream::StateWords; ++W)
    SecureZero(&D::Word(FState, W, Lane), sizeof(std::uint32_t));
  SecureZero(FBuffer[Lane], sizeof FBuffer[Lane]);
  FLanes[Lane] = TLane{};
}

} // namespace Sumtide
