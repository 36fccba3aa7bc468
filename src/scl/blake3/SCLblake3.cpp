// TSCL_blake3: the chunk held, the stack of the chaining values of the whole subtrees before it,
// and the root's output.
//
// A chunk is hashed, and its chaining value pushed, only once a byte after it is known, so the
// chunk held at Final is the last one and the nodes on the stack are folded into the root from
// there. Whole chunks go to the many-input function together: the one held with those of the
// caller's buffer that follow it, straight from there; their parents a level at a time.

#include "scl/SCLblake3.h"

#include "rtl/SecureWipe.h"
#include "scl/blake3/Blake3Constants.h"
#include "scl/blake3/Blake3Kernels.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>
#include <vector>

namespace Sumtide {

using namespace Blake3Internal;

namespace {

// The most chunks hashed in one run: 256 KiB of message, its chaining values 8 KiB; and the most
// subtrees such a run is cut into (sizes that grow while the chunks before them allow, then shrink
// while the run's length does).
constexpr std::size_t MaxRunChunks = 256;
constexpr std::size_t MaxRunSubtrees = 2 * std::bit_width(MaxRunChunks);
// A run is shared among cores from this many chunks on: each gets at least two runs.
constexpr std::size_t SharedFrom = 2 * MaxRunChunks;
// The most chunks taken at once to share.
constexpr std::size_t MaxSharedChunks = 16384;
constexpr std::int32_t MaxThreads = 16;

// Whole chunks to hash: the one the instance held, if any, then those of the caller's buffer.
struct TChunks {
  const std::uint8_t* Held;
  const std::uint8_t* In;
  const std::uint8_t* At(std::size_t I) const {
    if (!Held)
      return In + I * ChunkBytes;
    return I == 0 ? Held : In + (I - 1) * ChunkBytes;
  }
  // The chunks from the I-th on.
  TChunks From(std::size_t I) const { return I == 0 ? *this : TChunks{nullptr, At(I)}; }
};

// A subtree's chaining value and its size in chunks.
struct TSubtreeCv {
  std::size_t Chunks;
  std::uint32_t Cv[8];
};

const TPropInfo Blake3Properties[] = {
    MakeProperty<&TSCL_blake3::DigestBits, &TSCL_blake3::SetDigestBits>(
        "DigestBits", TPropKind::Integer, TSCL_blake3::DefaultDigestBits),
    MakeProperty<&TSCL_blake3::Threads, &TSCL_blake3::SetThreads>("Threads", TPropKind::Integer, 1),
};

void LoadWords(const std::uint8_t* Bytes, std::uint32_t* Words, std::size_t Count) {
  for (std::size_t I = 0; I < Count; ++I)
    Words[I] = static_cast<std::uint32_t>(Bytes[4 * I]) |
               static_cast<std::uint32_t>(Bytes[4 * I + 1]) << 8 |
               static_cast<std::uint32_t>(Bytes[4 * I + 2]) << 16 |
               static_cast<std::uint32_t>(Bytes[4 * I + 3]) << 24;
}

void StoreWords(const std::uint32_t* Words, std::uint8_t* Bytes, std::size_t Count) {
  for (std::size_t I = 0; I < Count; ++I)
    for (std::size_t B = 0; B < 4; ++B)
      Bytes[4 * I + B] = static_cast<std::uint8_t>(Words[I] >> (8 * B));
}

} // namespace

const std::uint8_t TSCL_blake3::AbcDigest[32] = {
    0x64, 0x37, 0xb3, 0xac, 0x38, 0x46, 0x51, 0x33, 0xff, 0xb6, 0x3b, 0x75, 0x27, 0x3a, 0x8d, 0xb5,
    0x48, 0xc5, 0x58, 0x46, 0x5d, 0x79, 0xdb, 0x03, 0xfd, 0x35, 0x9c, 0x6c, 0xd5, 0xbd, 0x9d, 0x85,
};

std::int32_t TSCL_blake3class::GetId() const {
  return TSCL_blake3::HashId;
}

std::string TSCL_blake3class::GetAlgorithm() const {
  return TSCL_blake3::AlgorithmName;
}

std::int32_t TSCL_blake3class::GetHashSize() const {
  return TSCL_blake3::DefaultDigestBits;
}

bool TSCL_blake3class::SelfTest() const {
  TSCL_blake3 Hash(nullptr);
  std::uint8_t Digest[32];
  Hash.Init();
  Hash.Update("abc", 3);
  Hash.Final(Digest);
  return std::memcmp(Digest, TSCL_blake3::AbcDigest, sizeof Digest) == 0;
}

TComponent* TSCL_blake3class::NewInstance(TComponent* AOwner) const {
  return new TSCL_blake3(AOwner);
}

const TSCL_blake3::TClass& TSCL_blake3::Class() {
  static const TClass Descriptor("TSCL_blake3", &TSCL_hash::Class(), Blake3Properties);
  return Descriptor;
}

void TSCL_blake3::SetDigestBits(std::int32_t Value) {
  if (Value < 8 || Value > MaxDigestBits || Value % 8 != 0)
    throw ESCL_hash("Invalid digest size: " + std::to_string(Value) +
                    " bits (BLAKE3 gives 8 to 65536 bits in steps of 8)");
  FDigestBits = Value;
}

TSCL_blake3::TSCL_blake3(TComponent* AOwner) : TSCL_hash(AOwner) {}

TSCL_blake3::~TSCL_blake3() {
  Burn();
}

void TSCL_blake3::SetThreads(std::int32_t Value) {
  if (Value < 1 || Value > MaxThreads)
    throw ESCL_hash("Invalid thread count: " + std::to_string(Value) + " (BLAKE3 uses 1 to " +
                    std::to_string(MaxThreads) + ")");
  FThreads = Value;
}

void TSCL_blake3::Start(const std::uint32_t Key[8], std::uint32_t Flags) {
  Burn();
  std::copy_n(Key, 8, FWork.Key);
  FWork.Flags = Flags;
  FWork.DigestBytes = static_cast<std::size_t>(FDigestBits / 8);
  FInitialized = true;
}

void TSCL_blake3::Init() {
  Start(Initial, 0);
}

void TSCL_blake3::InitKey(const void* Key, std::uint32_t Length) {
  if (Length == 0) {
    Init();
    return;
  }
  Burn();
  if (Length != KeyBytes)
    throw ESCL_hash("Invalid key size: " + std::to_string(Length) +
                    " bytes (BLAKE3 takes a key of 32)");
  std::uint32_t Words[8];
  LoadWords(static_cast<const std::uint8_t*>(Key), Words, 8);
  Start(Words, KeyedHash);
  SecureZero(Words, sizeof Words);
}

void TSCL_blake3::InitDeriveKey(std::string_view Context) {
  // The context is hashed in a mode of its own; its first 32 bytes of output key the material.
  Start(Initial, DeriveKeyContext);
  std::size_t Done = 0;
  while (Done < Context.size()) {
    const std::size_t Piece = std::min<std::size_t>(Context.size() - Done, 1u << 30);
    Update(Context.data() + Done, static_cast<std::uint32_t>(Piece));
    Done += Piece;
  }
  std::uint8_t ContextKey[32];
  FinalXof(ContextKey, sizeof ContextKey);
  std::uint32_t Words[8];
  LoadWords(ContextKey, Words, 8);
  Start(Words, DeriveKeyMaterial);
  SecureZero(ContextKey, sizeof ContextKey);
  SecureZero(Words, sizeof Words);
}

void TSCL_blake3::Burn() {
  SecureZero(&FWork, sizeof FWork);
  FInitialized = false;
}

void TSCL_blake3::ParentCv(const std::uint32_t Left[8], const std::uint32_t Right[8],
                           std::uint32_t Cv[8]) const {
  std::uint8_t Block[64];
  StoreWords(Left, Block, 8);
  StoreWords(Right, Block + 32, 8);
  std::uint32_t Out[16];
  CompressPortable(FWork.Key, Block, 0, 64, FWork.Flags | Parent, Out);
  std::copy_n(Out, 8, Cv);
  SecureZero(Block, sizeof Block);
  SecureZero(Out, sizeof Out);
}

// Cv joins the stack as the subtree of Chunks chunks after FWork.ChunkCounter: merged with every
// subtree of its size it completes, its own size doubling each time.
void TSCL_blake3::PushSubtree(const std::uint32_t Cv[8], std::uint64_t Chunks) {
  std::uint32_t Merged[8];
  std::copy_n(Cv, 8, Merged);
  FWork.ChunkCounter += Chunks;
  for (std::uint64_t Units = FWork.ChunkCounter / Chunks; Units % 2 == 0; Units /= 2)
    ParentCv(FWork.Stack[--FWork.Depth], Merged, Merged);
  std::copy_n(Merged, 8, FWork.Stack[FWork.Depth++]);
  SecureZero(Merged, sizeof Merged);
}

namespace {

// Chunks whole chunks at In (at most MaxRunChunks), the first of them chunk Counter of the
// message: cut into the subtrees the tree has there (each as large as fits, its size a power of two
// that divides the chunks before it), all their chunks hashed in one call, then their parents
// level by level, one call for a level of every subtree. Their chaining values go to Out, in
// order; returns how many.
std::size_t HashRun(const std::uint32_t Key[8], std::uint32_t Flags, TChunks In, std::size_t Chunks,
                    std::uint64_t Counter, TSubtreeCv* Out) {
  struct TSubtree {
    std::size_t Nodes; // at the level being made, from At in that level's array
    std::size_t At;
  };
  TSubtree Subtrees[MaxRunSubtrees];
  std::size_t Count = 0;
  for (std::size_t Done = 0; Done < Chunks; ++Count) {
    std::size_t Size = std::bit_floor(Chunks - Done);
    if (Counter + Done != 0)
      Size = std::min<std::size_t>(Size, std::uint64_t{1} << std::countr_zero(Counter + Done));
    Subtrees[Count] = {Size, Done};
    Out[Count].Chunks = Size;
    Done += Size;
  }

  std::uint8_t Levels[2][MaxRunChunks * CvBytes];
  const std::uint8_t* Inputs[MaxRunChunks];
  for (std::size_t I = 0; I < Chunks; ++I)
    Inputs[I] = In.At(I);
  Many(
      {Inputs, Chunks, BlocksPerChunk, Key, Counter, true, Flags, ChunkStart, ChunkEnd, Levels[0]});
  for (int Level = 0;; Level ^= 1) {
    // A subtree down to one node has its chaining value; the others' nodes stay side by side,
    // each pair a parent's block.
    std::size_t Parents = 0;
    for (std::size_t T = 0; T < Count; ++T) {
      TSubtree& Subtree = Subtrees[T];
      if (Subtree.Nodes == 1) {
        LoadWords(Levels[Level] + Subtree.At * CvBytes, Out[T].Cv, 8);
        Subtree.Nodes = 0;
      } else if (Subtree.Nodes > 1) {
        const std::size_t First = Parents;
        for (std::size_t N = 0; N < Subtree.Nodes; N += 2)
          Inputs[Parents++] = Levels[Level] + (Subtree.At + N) * CvBytes;
        Subtree.At = First;
        Subtree.Nodes /= 2;
      }
    }
    if (Parents == 0)
      break;
    Many({Inputs, Parents, 1, Key, 0, false, Flags | Parent, 0, 0, Levels[Level ^ 1]});
  }
  SecureZero(Levels[0], Chunks * CvBytes);
  SecureZero(Levels[1], Chunks / 2 * CvBytes);
  return Count;
}

// The runs of a long piece of whole chunks, shared: each thread takes the next run not taken yet
// until none is left, so that a thread slowed by anything else on its core leaves more to the
// others instead of holding them up; each run's subtrees go to its own place.
struct TSharedRuns {
  const std::uint32_t* Key;
  std::uint32_t Flags;
  TChunks In;
  std::size_t Chunks;
  std::uint64_t Counter;
  TSubtreeCv* Out;     // MaxRunSubtrees places a run
  std::size_t* Counts; // the subtrees of each run
  std::atomic<std::size_t> Next{0};

  std::size_t Runs() const { return (Chunks + MaxRunChunks - 1) / MaxRunChunks; }
  void Work() {
    for (std::size_t Run; (Run = Next.fetch_add(1, std::memory_order_relaxed)) < Runs();) {
      const std::size_t First = Run * MaxRunChunks;
      Counts[Run] = HashRun(Key, Flags, In.From(First), std::min(MaxRunChunks, Chunks - First),
                            Counter + First, Out + Run * MaxRunSubtrees);
    }
  }
};

} // namespace

// Helper threads that work on the shared runs of an Update beside the caller's thread. Between
// two Updates a helper watches for the next one a short while before it sleeps: a long message
// comes in pieces back to back.
class TSCL_blake3::TCores {
public:
  explicit TCores(std::size_t Helpers) : FHelpers(Helpers) {
    for (auto& Helper : FHelpers)
      Helper.Thread = std::jthread([&Helper](std::stop_token Stop) { Helper.Serve(Stop); });
  }
  std::size_t Helpers() const { return FHelpers.size(); }

  // Every thread on Runs; returns once all of them are hashed.
  void Share(TSharedRuns& Runs) {
    for (THelper& H : FHelpers) {
      {
        const std::lock_guard Lock(H.Lock);
        H.Job.store(&Runs, std::memory_order_release);
      }
      H.Changed.notify_one();
    }
    Runs.Work();
    for (THelper& H : FHelpers) {
      std::unique_lock Lock(H.Lock);
      H.Changed.wait(Lock, [&H] { return H.Job.load(std::memory_order_acquire) == nullptr; });
    }
  }

private:
  struct THelper {
    std::mutex Lock;
    std::condition_variable_any Changed;
    std::atomic<TSharedRuns*> Job{nullptr};
    std::jthread Thread;

    void Serve(const std::stop_token& Stop) {
      for (;;) {
        // About 50 microseconds of watching, then sleep.
        const auto Until = std::chrono::steady_clock::now() + std::chrono::microseconds(50);
        while (!Job.load(std::memory_order_acquire) && !Stop.stop_requested() &&
               std::chrono::steady_clock::now() < Until)
          std::this_thread::yield();
        std::unique_lock Lock(this->Lock);
        if (!Changed.wait(Lock, Stop, [this] { return Job.load() != nullptr; }))
          return;
        TSharedRuns* Runs = Job.load();
        Lock.unlock();
        Runs->Work();
        Lock.lock();
        Job.store(nullptr, std::memory_order_release);
        Lock.unlock();
        Changed.notify_one();
      }
    }
  };
  std::vector<THelper> FHelpers;
};

void TSCL_blake3::HashWholeChunks(const void* Source, std::size_t Chunks) {
  const TChunks& In = *static_cast<const TChunks*>(Source);
  TSubtreeCv Subtrees[MaxRunSubtrees];
  const std::size_t Count =
      HashRun(FWork.Key, FWork.Flags, In, Chunks, FWork.ChunkCounter, Subtrees);
  for (std::size_t T = 0; T < Count; ++T)
    PushSubtree(Subtrees[T].Cv, Subtrees[T].Chunks);
  SecureZero(Subtrees, sizeof Subtrees);
}

// Chunks whole chunks in runs shared among the caller's thread and the helpers; their subtrees
// then join the stack in order.
void TSCL_blake3::HashOnCores(const void* Source, std::size_t Chunks) {
  TSharedRuns Runs;
  Runs.Key = FWork.Key;
  Runs.Flags = FWork.Flags;
  Runs.In = *static_cast<const TChunks*>(Source);
  Runs.Chunks = Chunks;
  Runs.Counter = FWork.ChunkCounter;
  std::vector<TSubtreeCv> Subtrees(Runs.Runs() * MaxRunSubtrees);
  std::vector<std::size_t> Counts(Runs.Runs());
  Runs.Out = Subtrees.data();
  Runs.Counts = Counts.data();
  FCores->Share(Runs);
  for (std::size_t Run = 0; Run < Runs.Runs(); ++Run)
    for (std::size_t T = 0; T < Counts[Run]; ++T)
      PushSubtree(Subtrees[Run * MaxRunSubtrees + T].Cv, Subtrees[Run * MaxRunSubtrees + T].Chunks);
  SecureZero(Subtrees.data(), Subtrees.size() * sizeof(TSubtreeCv));
}

void TSCL_blake3::Update(const void* Buffer, std::uint32_t Length) {
  if (!FInitialized)
    throw ESCL_hash("Hash not initialized");
  const auto* In = static_cast<const std::uint8_t*>(Buffer);
  std::size_t Left = Length;
  while (Left > 0) {
    const bool Held = FWork.ChunkFill == ChunkBytes;
    if (Held || (FWork.ChunkFill == 0 && Left > ChunkBytes)) {
      // Bytes follow the chunk held, if full, so it is no root: it goes with the whole chunks of
      // the caller's buffer, of which at least one byte is kept back.
      const TChunks Source{Held ? FWork.Chunk : nullptr, In};
      std::size_t Chunks = (Held ? 1 : 0) + (Left - 1) / ChunkBytes;
      if (FThreads > 1 && Chunks >= SharedFrom) {
        Chunks = std::min(Chunks, MaxSharedChunks);
        if (!FCores || FCores->Helpers() + 1 != static_cast<std::size_t>(FThreads))
          FCores = std::make_unique<TCores>(static_cast<std::size_t>(FThreads - 1));
        HashOnCores(&Source, Chunks);
      } else {
        Chunks = std::min(Chunks, MaxRunChunks);
        HashWholeChunks(&Source, Chunks);
      }
      if (Held) {
        SecureZero(FWork.Chunk, sizeof FWork.Chunk);
        FWork.ChunkFill = 0;
        --Chunks;
      }
      In += Chunks * ChunkBytes;
      Left -= Chunks * ChunkBytes;
      continue;
    }
    const std::size_t Take = std::min(ChunkBytes - FWork.ChunkFill, Left);
    std::memcpy(FWork.Chunk + FWork.ChunkFill, In, Take);
    FWork.ChunkFill += Take;
    In += Take;
    Left -= Take;
  }
}

void TSCL_blake3::Final(void* Digest) {
  FinalXof(Digest, FWork.DigestBytes);
}

void TSCL_blake3::FinalXof(void* Out, std::size_t Length) {
  if (!FInitialized)
    throw ESCL_hash("Hash not initialized");
  // The root node: the chunk held when the stack is empty, else the parent of the stack's first
  // subtree and everything after it, folded from the chunk upwards.
  // The chunk held: every block but its last chained, the last one the chunk's node.
  const std::size_t Blocks =
      std::max<std::size_t>(1, (FWork.ChunkFill + BlockBytes - 1) / BlockBytes);
  std::uint32_t NodeCv[16];
  std::copy_n(FWork.Key, 8, NodeCv);
  for (std::size_t Block = 0; Block + 1 < Blocks; ++Block)
    CompressPortable(NodeCv, FWork.Chunk + Block * BlockBytes, FWork.ChunkCounter, BlockBytes,
                     FWork.Flags | (Block == 0 ? ChunkStart : 0), NodeCv);
  std::uint8_t NodeBlock[64];
  std::memcpy(NodeBlock, FWork.Chunk + (Blocks - 1) * BlockBytes, sizeof NodeBlock);
  auto NodeLength = static_cast<std::uint32_t>(FWork.ChunkFill - (Blocks - 1) * BlockBytes);
  std::uint32_t NodeFlags = FWork.Flags | (Blocks == 1 ? ChunkStart : 0) | ChunkEnd;
  for (std::size_t Level = FWork.Depth; Level-- > 0;) {
    std::uint32_t Words[16];
    CompressPortable(NodeCv, NodeBlock, Level + 1 == FWork.Depth ? FWork.ChunkCounter : 0,
                     NodeLength, NodeFlags, Words);
    StoreWords(FWork.Stack[Level], NodeBlock, 8);
    StoreWords(Words, NodeBlock + 32, 8);
    std::copy_n(FWork.Key, 8, NodeCv);
    NodeLength = 64;
    NodeFlags = FWork.Flags | Parent;
    SecureZero(Words, sizeof Words);
  }
  auto* Bytes = static_cast<std::uint8_t*>(Out);
  for (std::uint64_t Counter = 0; Length > 0; ++Counter) {
    std::uint32_t Words[16];
    std::uint8_t Block[64];
    CompressPortable(NodeCv, NodeBlock, Counter, NodeLength, NodeFlags | Root, Words);
    StoreWords(Words, Block, 16);
    const std::size_t Take = std::min<std::size_t>(Length, 64);
    std::memcpy(Bytes, Block, Take);
    Bytes += Take;
    Length -= Take;
    SecureZero(Words, sizeof Words);
    SecureZero(Block, sizeof Block);
  }
  SecureZero(NodeCv, sizeof NodeCv);
  SecureZero(NodeBlock, sizeof NodeBlock);
  Burn();
}

} // namespace Sumtide
