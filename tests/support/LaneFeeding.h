#pragma once

// Drives a lane set (THashLanes, or IDigestLanes) through many messages the way a program that
// hashes many files does, but at random: messages start as lanes come free, some lanes are left
// waiting a turn, hungry lanes get pieces of 0 to MaxPiece bytes or the rest of their message, so
// that lanes run side by side at every offset of their messages.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <random>
#include <vector>

namespace Sumtide::Test {

// Done(Message, Lane) is called for each lane that is done, which the caller frees by taking its
// digest; it returns once every message was done.
template <class TLanes, class TDone>
void FeedMessages(TLanes& Lanes, const std::vector<std::vector<std::uint8_t>>& Messages,
                  std::mt19937& Rng, std::size_t MaxPiece, TDone&& Done) {
  std::deque<std::size_t> Waiting;
  for (std::size_t I = 0; I < Messages.size(); ++I)
    Waiting.push_back(I);
  std::vector<std::size_t> Message(Lanes.LaneCount()), Fed(Lanes.LaneCount());
  std::size_t Finished = 0;
  while (Finished < Messages.size()) {
    for (std::size_t Lane = 0; Lane < Lanes.LaneCount(); ++Lane) {
      const auto Bit = std::uint32_t{1} << Lane;
      if ((Lanes.FreeLanes() & Bit) && !Waiting.empty() && Rng() % 4 != 0) {
        Message[Lane] = Waiting.front();
        Waiting.pop_front();
        Fed[Lane] = 0;
        Lanes.Start(Lane);
      }
      if ((Lanes.HungryLanes() & Bit) && Rng() % 4 != 0) {
        const std::vector<std::uint8_t>& M = Messages[Message[Lane]];
        if (Fed[Lane] == M.size()) {
          Lanes.End(Lane);
        } else {
          const std::size_t Left = M.size() - Fed[Lane];
          const std::size_t Piece =
              Rng() % 3 == 0 ? Left : std::min<std::size_t>(Rng() % (MaxPiece + 1), Left);
          Lanes.Feed(Lane, {M.data() + Fed[Lane], Piece});
          Fed[Lane] += Piece;
        }
      }
    }
    Lanes.Run();
    for (std::size_t Lane = 0; Lane < Lanes.LaneCount(); ++Lane) {
      if (Lanes.DoneLanes() >> Lane & 1) {
        Done(Message[Lane], Lane);
        ++Finished;
      }
    }
  }
}

} // namespace Sumtide::Test
