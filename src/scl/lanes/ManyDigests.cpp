#include "scl/lanes/ManyDigests.h"

#include "rtl/SecureWipe.h"
#include "scl/SCLsha512.h"
#include "scl/cpu/FunctionChoice.h"
#include "scl/lanes/LaneChoice.h"
#include "scl/lanes/StreamLanes.h"
#include "scl/md5/Md5Lanes.h"
#include "scl/sha/ShaLanes.h"

#include <algorithm>
#include <array>
#include <mutex>
#include <string>
#include <vector>

namespace Sumtide {

namespace {

// THashLanes behind the interface.
template <class TLanes> class TKernelLanes final : public IDigestLanes {
public:
  std::size_t LaneCount() const override { return FLanes.LaneCount(); }
  TLaneMask FreeLanes() const override { return FLanes.FreeLanes(); }
  TLaneMask HungryLanes() const override { return FLanes.HungryLanes(); }
  TLaneMask DoneLanes() const override { return FLanes.DoneLanes(); }
  void Start(std::size_t Lane) override { FLanes.Start(Lane); }
  void Feed(std::size_t Lane, std::span<const std::uint8_t> Piece) override {
    FLanes.Feed(Lane, Piece);
  }
  void End(std::size_t Lane) override { FLanes.End(Lane); }
  void Run() override { FLanes.Run(); }
  void TakeDigest(std::size_t Lane, std::span<std::uint8_t> Digest) override {
    auto Taken = FLanes.TakeDigest(Lane);
    if (Digest.size() != Taken.size())
      throw ESCL_hash("a lane's digest is " + std::to_string(Taken.size()) + " bytes long");
    std::copy(Taken.begin(), Taken.end(), Digest.begin());
    SecureZero(Taken.data(), Taken.size());
  }
  void Drop(std::size_t Lane) override { FLanes.Drop(Lane); }

private:
  TLanes FLanes;
};

// The lanes, with every lane busy, against the block function on one message, on the same
// number of blocks: bytes per tick of each.
template <class D> std::vector<double> MeasureWays() {
  const typename D::TKernel Kernel = D::InUse();
  const auto Blocks = D::BlocksOf(Kernel);
  const std::size_t Lanes = D::LaneCount(Kernel);
  const std::size_t PerLane = LaneChoice::TimedBlocks;
  constexpr std::size_t BlockSize = D::TStream::BlockSize;
  std::vector<std::uint8_t> Bytes(Lanes * PerLane * BlockSize);
  for (std::size_t I = 0; I < Bytes.size(); ++I)
    Bytes[I] = static_cast<std::uint8_t>(I * 131 + 7);
  const std::uint8_t* Data[IDigestLanes::MaxLanes] = {};
  for (std::size_t L = 0; L < Lanes; ++L)
    Data[L] = Bytes.data() + L * PerLane * BlockSize;
  typename D::TState State{};
  std::uint32_t Chain[16] = {};
  const auto Every = static_cast<IDigestLanes::TLaneMask>((std::uint64_t{1} << Lanes) - 1);
  const bool Runs[2] = {true, true};
  return FunctionChoice::MeasureRates(Runs, static_cast<double>(Bytes.size()),
                                      [&](std::size_t Way) {
                                        const double Start = FunctionChoice::Ticks();
                                        if (Way == static_cast<std::size_t>(TManyWay::Lanes))
                                          Blocks(State, Data, PerLane, Every);
                                        else
                                          D::Single(Chain, Bytes.data(), Lanes * PerLane);
                                        return FunctionChoice::Ticks() - Start;
                                      });
}

// Lanes need many messages in flight to be kept busy, and a list of a few large files leaves
// most of them idle: they are chosen only where, all busy, they hash a fifth more.
constexpr double LanesMargin = 1.2;

TManyWay ChooseWay(const char* Variable, std::vector<double> (*Measure)()) {
  static constexpr std::string_view Names[] = {"streams", "lanes"};
  static constexpr bool Runs[] = {true, true};
  return static_cast<TManyWay>(FunctionChoice::Choose(
      {Names, Runs}, FunctionChoice::Forced(Variable), LanesMargin, Measure));
}

// What the library keeps of each digest beside its public description.
struct TManyEntry {
  std::string Variable;             // forces the way: SUMTIDE_<NAME>_MANY
  std::vector<double> (*Measure)(); // nothing: no lane kernels
  std::unique_ptr<IDigestLanes> (*NewKernelLanes)();
  std::once_flag Chosen;
  TManyWay Way = TManyWay::Streams;
};

template <class D> std::unique_ptr<IDigestLanes> NewKernelLanes() {
  return std::make_unique<TKernelLanes<THashLanes<D>>>();
}

// One row of the catalogue: a digest's name on command lines, its component's class, which
// answers the rest (its tag, its digest's size), and its lane kernels, if it has any.
struct TRow {
  std::string_view Name;
  const TSCL_hashclass* Class;
  std::vector<double> (*Measure)() = nullptr;
  std::unique_ptr<IDigestLanes> (*NewKernelLanes)() = nullptr;
};

template <class TComponent> TRow Streams(std::string_view Name) {
  return {Name, &TComponent::Class()};
}
template <class TComponent, class D> TRow WithLanes(std::string_view Name) {
  return {Name, &TComponent::Class(), &MeasureWays<D>, &NewKernelLanes<D>};
}

constexpr std::size_t DigestCount = 6;

struct TTables {
  std::array<std::string, DigestCount> Tags;
  std::array<TDigestKind, DigestCount> Kinds;
  std::array<TManyEntry, DigestCount> Entries;

  explicit TTables(const std::array<TRow, DigestCount>& Rows) {
    for (std::size_t I = 0; I < DigestCount; ++I) {
      const TRow& Row = Rows[I];
      Tags[I] = Row.Class->GetAlgorithm();
      Kinds[I] = {Row.Name, Tags[I], static_cast<std::size_t>(Row.Class->GetHashSize() / 8),
                  Row.Class};
      std::string Variable = "SUMTIDE_";
      for (const char C : Row.Name)
        Variable += static_cast<char>(C >= 'a' && C <= 'z' ? C - 'a' + 'A' : C);
      Entries[I].Variable = Variable + "_MANY";
      Entries[I].Measure = Row.Measure;
      Entries[I].NewKernelLanes = Row.NewKernelLanes;
    }
  }
};

TTables& Tables() {
  // MD5 first, then by the size of the digests.
  static TTables Tables(std::array<TRow, DigestCount>{
      WithLanes<TSCL_md5, Md5Internal::TMd5LaneDescription>("md5"),
      WithLanes<TSCL_sha1, ShaInternal::TSha1LaneDescription>("sha1"),
      WithLanes<TSCL_sha224, ShaInternal::TSha224LaneDescription>("sha224"),
      WithLanes<TSCL_sha256, ShaInternal::TSha256LaneDescription>("sha256"),
      Streams<TSCL_sha384>("sha384"),
      Streams<TSCL_sha512>("sha512"),
  });
  return Tables;
}

TManyEntry& EntryOf(const TDigestKind& Kind) {
  TTables& T = Tables();
  const auto Index = static_cast<std::size_t>(&Kind - T.Kinds.data());
  if (Index >= T.Kinds.size())
    throw ESCL_hash("not a digest of the library");
  TManyEntry& Entry = T.Entries[Index];
  std::call_once(Entry.Chosen, [&] {
    if (Entry.Measure)
      Entry.Way = ChooseWay(Entry.Variable.c_str(), Entry.Measure);
  });
  return Entry;
}

} // namespace

std::span<const TDigestKind> DigestKinds() {
  return Tables().Kinds;
}

const TDigestKind* FindDigestKind(std::string_view Name) {
  for (const TDigestKind& Kind : DigestKinds())
    if (Kind.Name == Name)
      return &Kind;
  return nullptr;
}

std::unique_ptr<TSCL_hash> NewHash(const TDigestKind& Kind) {
  std::unique_ptr<TComponent> Component = Kind.Class->CreateOwned();
  return std::unique_ptr<TSCL_hash>(static_cast<TSCL_hash*>(Component.release()));
}

std::unique_ptr<IDigestLanes> NewDigestLanes(const TDigestKind& Kind) {
  TManyEntry& Entry = EntryOf(Kind);
  if (Entry.Way == TManyWay::Lanes)
    return Entry.NewKernelLanes();
  return std::make_unique<TStreamLanes>(Kind);
}

TManyWay ManyWayInUse(const TDigestKind& Kind) {
  return EntryOf(Kind).Way;
}

} // namespace Sumtide
