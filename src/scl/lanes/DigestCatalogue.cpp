#include "scl/lanes/DigestCatalogue.h"

#include "rtl/SecureWipe.h"
#include "scl/SCLblake2b.h"
#include "scl/SCLblake3.h"
#include "scl/SCLsha512.h"
#include "scl/cpu/FunctionChoice.h"
#include "scl/lanes/ComponentLanes.h"
#include "scl/lanes/LaneChoice.h"
#include "scl/md5/Md5Lanes.h"
#include "scl/sha1/Sha1Lanes.h"
#include "scl/sha2/Sha256Lanes.h"

#include <algorithm>
#include <deque>
#include <initializer_list>
#include <map>
#include <mutex>
#include <optional>
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

// The blocks both ways hash when the choice times them: a message of LaneChoice::TimedBlocks
// blocks for each lane of the digest's lane kernel in use, the messages one after the other.
template <class D> class TTimedMessages {
public:
  static constexpr std::size_t PerLane = LaneChoice::TimedBlocks;
  static constexpr std::size_t MessageBytes = PerLane * D::TStream::BlockSize;

  TTimedMessages()
      : FKernel(D::InUse()), FBlocks(D::BlocksOf(FKernel)), FLanes(D::LaneCount(FKernel)),
        FBytes(FLanes * MessageBytes) {
    for (std::size_t I = 0; I < FBytes.size(); ++I)
      FBytes[I] = static_cast<std::uint8_t>(I * 131 + 7);
    for (std::size_t L = 0; L < FLanes; ++L)
      FData[L] = FBytes.data() + L * MessageBytes;
  }

  std::size_t Lanes() const { return FLanes; }

  // One message after the other on the one-message block function.
  static void HashAsStreams(TTimedMessages& Messages) {
    D::Single(Messages.FChain, Messages.FBytes.data(), Messages.FLanes * PerLane);
  }
  // All the messages at once, one in each lane, every lane busy.
  static void HashInLanes(TTimedMessages& Messages) {
    const auto Every =
        static_cast<IDigestLanes::TLaneMask>((std::uint64_t{1} << Messages.FLanes) - 1);
    Messages.FBlocks(Messages.FState, Messages.FData, PerLane, Every);
  }

private:
  typename D::TKernel FKernel;
  typename D::TBlocks FBlocks;
  std::size_t FLanes;
  std::vector<std::uint8_t> FBytes;
  const std::uint8_t* FData[IDigestLanes::MaxLanes] = {};
  typename D::TState FState{};
  std::uint32_t FChain[16] = {};
};

std::unique_ptr<IDigestLanes> NewComponentLanes(const TDigestKind& Kind) {
  return std::make_unique<TComponentLanes>(Kind);
}

template <class D> std::unique_ptr<IDigestLanes> NewKernelLanes(const TDigestKind&) {
  return std::make_unique<TKernelLanes<THashLanes<D>>>();
}

// A way to hash many messages with digest D: how it makes its lane set, and how it hashes the
// blocks the choice times.
template <class D> struct TWay {
  std::unique_ptr<IDigestLanes> (*NewLanes)(const TDigestKind& Kind);
  void (*HashTimed)(TTimedMessages<D>& Messages);
};

// The ways of a digest with lane kernels, by the names SUMTIDE_<NAME>_MANY takes: streams on the
// block function, which keep their speed however few messages there are, then the lanes.
template <class D>
constexpr FunctionChoice::TCandidate<TWay<D>> Ways[] = {
    {"streams", {NewComponentLanes, TTimedMessages<D>::HashAsStreams}, FunctionChoice::Always},
    {"lanes", {NewKernelLanes<D>, TTimedMessages<D>::HashInLanes}, FunctionChoice::Always},
};

// Lanes need many messages in flight to be kept busy, and a list of a few large files leaves
// most of them idle: they are chosen only where, all busy, they hash a fifth more.
constexpr double LanesMargin = 1.2;

// The way a digest uses: its name, and how it makes its lane set.
struct TWayInUse {
  std::string_view Name;
  std::unique_ptr<IDigestLanes> (*NewLanes)(const TDigestKind& Kind);
};

// The row of Ways<D> forced through Variable, or else timed: the same blocks, in bytes per tick
// of one message (a pass's ticks over the number of messages).
template <class D> TWayInUse ChooseWay(const char* Variable) {
  using TWayRow = FunctionChoice::TCandidate<TWay<D>>;
  std::optional<TTimedMessages<D>> Messages; // made for the first pass: only where it is timed
  const std::span<const TWayRow> Table(Ways<D>);
  const TWayRow& Chosen =
      Table[FunctionChoice::ChooseRow(Table, FunctionChoice::Forced(Variable), LanesMargin, [&] {
        return FunctionChoice::MeasureRows(
            Table, static_cast<double>(TTimedMessages<D>::MessageBytes), [&](const TWayRow& Row) {
              if (!Messages)
                Messages.emplace();
              const double Start = FunctionChoice::Ticks();
              Row.Function.HashTimed(*Messages);
              return (FunctionChoice::Ticks() - Start) / static_cast<double>(Messages->Lanes());
            });
      })];
  return {Chosen.Name, Chosen.Function.NewLanes};
}

// What the library keeps of each digest beside its public description.
struct TManyEntry {
  std::string Variable;                                // forces the way: SUMTIDE_<NAME>_MANY
  TWayInUse (*Choose)(const char* Variable) = nullptr; // nothing: no lane kernels
  std::once_flag Chosen;
  TWayInUse Way = {"streams", NewComponentLanes}; // the only way without lane kernels
};

// One row of the catalogue: a digest's name on command lines, its component's class, which
// answers the rest (its tag, its digest's size), and how it chooses between streams and its lane
// kernels, if it has any.
struct TRow {
  std::string_view Name;
  const TSCL_hashclass* Class;
  TWayInUse (*Choose)(const char* Variable) = nullptr;
};

template <class TComponent> TRow Streams(std::string_view Name) {
  return {Name, &TComponent::Class()};
}
template <class TComponent, class D> TRow WithLanes(std::string_view Name) {
  return {Name, &TComponent::Class(), &ChooseWay<D>};
}

// Made once from the rows; Tags holds the texts the kinds' Tag fields show. A deque, so that the
// entries (each with its once_flag, which cannot move) are made in place. The kinds of other
// sizes than a component's own are made when first asked for, under SizedLock, in a map, whose
// elements stay where they are made.
struct TTables {
  std::deque<std::string> Tags;
  std::vector<TDigestKind> Kinds;
  std::deque<TManyEntry> Entries;
  std::mutex SizedLock;
  std::map<std::pair<const TDigestKind*, std::size_t>, TDigestKind> Sized;

  explicit TTables(std::initializer_list<TRow> Rows) : Entries(Rows.size()) {
    std::size_t I = 0;
    for (const TRow& Row : Rows) {
      const std::string& Tag = Tags.emplace_back(Row.Class->GetAlgorithm());
      Kinds.push_back(
          {Row.Name, Tag, static_cast<std::size_t>(Row.Class->GetHashSize() / 8), Row.Class});
      std::string Variable = "SUMTIDE_";
      for (const char C : Row.Name)
        Variable += static_cast<char>(C >= 'a' && C <= 'z' ? C - 'a' + 'A' : C);
      Entries[I].Variable = Variable + "_MANY";
      Entries[I].Choose = Row.Choose;
      ++I;
    }
  }
};

TTables& Tables() {
  // MD5 first, then the SHA digests by the size of theirs, then BLAKE2b and BLAKE3. A new digest
  // is one row.
  static TTables Tables{
      WithLanes<TSCL_md5, Md5Internal::TMd5LaneDescription>("md5"),
      WithLanes<TSCL_sha1, ShaInternal::TSha1LaneDescription>("sha1"),
      WithLanes<TSCL_sha224, ShaInternal::TSha224LaneDescription>("sha224"),
      WithLanes<TSCL_sha256, ShaInternal::TSha256LaneDescription>("sha256"),
      Streams<TSCL_sha384>("sha384"),
      Streams<TSCL_sha512>("sha512"),
      Streams<TSCL_blake2b>("blake2b"),
      Streams<TSCL_blake3>("blake3"),
  };
  return Tables;
}

// Kind's row: its place in the catalogue, or nothing for a kind of another size (or none of the
// library's).
std::optional<std::size_t> RowOf(const TDigestKind& Kind) {
  const std::vector<TDigestKind>& Kinds = Tables().Kinds;
  for (std::size_t Index = 0; Index < Kinds.size(); ++Index)
    if (&Kinds[Index] == &Kind)
      return Index;
  return std::nullopt;
}

TManyEntry& EntryOf(const TDigestKind& Kind) {
  const std::optional<std::size_t> Index = RowOf(Kind);
  if (!Index)
    throw ESCL_hash("not a digest of the library");
  TManyEntry& Entry = Tables().Entries[*Index];
  std::call_once(Entry.Chosen, [&] {
    if (Entry.Choose)
      Entry.Way = Entry.Choose(Entry.Variable.c_str());
  });
  return Entry;
}

// The property through which a component takes other sizes than its own, in bits; null for a
// component of one size.
const TPropInfo* SizeProperty(const TDigestKind& Kind) {
  const TPropInfo* Property = Kind.Class->FindProperty("DigestBits");
  return Property && Property->Kind == TPropKind::Integer ? Property : nullptr;
}

// Whether the component of Own, a kind of the catalogue, takes a digest of Bits bits through
// Property: it refuses a size it does not take.
bool ComponentTakes(const TDigestKind& Own, const TPropInfo& Property, std::size_t Bits) {
  try {
    Property.Write(*NewHash(Own), static_cast<std::int32_t>(Bits));
  } catch (const ESCL_hash&) {
    return false;
  }
  return true;
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

bool TakesDigestSizes(const TDigestKind& Kind) {
  return SizeProperty(Kind) != nullptr;
}

std::size_t LongestDigestBytes(const TDigestKind& Kind) {
  const TDigestKind* Own = FindDigestKind(Kind.Name);
  if (!Own)
    throw ESCL_hash("not a digest of the library");
  const TPropInfo* Property = SizeProperty(*Own);
  if (!Property || Own->DigestBytes >= MaxDigestBytes)
    return Own->DigestBytes;
  // A component takes every whole number of bytes from one up to its longest: the longest is
  // found between its own size and MaxDigestBytes.
  std::size_t Taken = Own->DigestBytes, Refused = MaxDigestBytes + 1;
  while (Refused - Taken > 1) {
    const std::size_t Middle = Taken + (Refused - Taken) / 2;
    (ComponentTakes(*Own, *Property, 8 * Middle) ? Taken : Refused) = Middle;
  }
  return Taken;
}

const TDigestKind* DigestOfSize(const TDigestKind& Kind, std::size_t Bits) {
  // The row the kind was made from: the kinds of one digest share its name.
  const TDigestKind* Own = FindDigestKind(Kind.Name);
  if (!Own)
    throw ESCL_hash("not a digest of the library");
  if (Bits == 8 * Own->DigestBytes)
    return Own;
  const TPropInfo* Property = SizeProperty(*Own);
  if (!Property || Bits == 0 || Bits % 8 != 0 || Bits > 8 * MaxDigestBytes)
    return nullptr;
  TTables& T = Tables();
  const std::lock_guard Lock(T.SizedLock);
  const auto Found = T.Sized.find({Own, Bits});
  if (Found != T.Sized.end())
    return &Found->second;
  if (!ComponentTakes(*Own, *Property, Bits))
    return nullptr;
  const std::string& Tag = T.Tags.emplace_back(std::string(Own->Tag) + "-" + std::to_string(Bits));
  const TDigestKind Sized{Own->Name, Tag, Bits / 8, Own->Class};
  return &T.Sized.emplace(std::pair{Own, Bits}, Sized).first->second;
}

std::unique_ptr<TSCL_hash> NewHash(const TDigestKind& Kind) {
  std::unique_ptr<TComponent> Component = Kind.Class->CreateOwned();
  std::unique_ptr<TSCL_hash> Hash(static_cast<TSCL_hash*>(Component.release()));
  const std::size_t Bits = 8 * Kind.DigestBytes;
  if (Bits != static_cast<std::size_t>(Kind.Class->GetHashSize())) {
    const TPropInfo* Property = SizeProperty(Kind);
    if (!Property)
      throw ESCL_hash(std::string(Kind.Tag) + " digests have one size");
    Property->Write(*Hash, static_cast<std::int32_t>(Bits));
  }
  return Hash;
}

bool ShareAmongCores(TSCL_hash& Hash, unsigned Cores) {
  const TPropInfo* Property = Hash.ClassType().FindProperty("Threads");
  if (!Property || Property->Kind != TPropKind::Integer)
    return false;
  // The component says how many it takes; more than it takes is its most.
  for (auto Threads = static_cast<std::int32_t>(std::min(Cores, 64u)); Threads > 1; Threads /= 2) {
    try {
      Property->Write(Hash, Threads);
      return true;
    } catch (const ESCL_hash&) {
    }
  }
  return false;
}

std::unique_ptr<IDigestLanes> NewDigestLanes(const TDigestKind& Kind) {
  // The lane kernels hash to the component's own size.
  if (!RowOf(Kind))
    return NewComponentLanes(Kind);
  return EntryOf(Kind).Way.NewLanes(Kind);
}

std::string_view ManyWayInUse(const TDigestKind& Kind) {
  if (!RowOf(Kind))
    return "streams";
  return EntryOf(Kind).Way.Name;
}

} // namespace Sumtide
