#include "files/FileBatch.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <liburing.h>
#include <unistd.h>

namespace Sumtide {

namespace {

// What each answer is for: an open or a read of the group at this index, or a close nobody
// waits for.
constexpr std::uint64_t CloseTag = ~std::uint64_t{0};

// Room for a whole group of opens or reads and the closes queued meanwhile.
constexpr unsigned RingEntries = 4 * TFileBatch::MaxGroup;

TInputError ErrorOf(int Code) {
  return {std::strerror(Code), Code == ENOENT};
}

} // namespace

struct TFileBatch::TRing {
  io_uring Ring{};
  unsigned Closing = 0; // closes handed to the system and not yet answered
  unsigned Queued = 0;  // calls queued and not yet handed to the system

  ~TRing() {
    Gather(0, true, [](std::uint64_t, int) {});
    io_uring_queue_exit(&Ring);
  }

  io_uring_sqe* Entry() {
    io_uring_sqe* Sqe = io_uring_get_sqe(&Ring);
    if (!Sqe) { // full of queued closes: hand them over first
      Submit();
      Sqe = io_uring_get_sqe(&Ring);
    }
    ++Queued;
    return Sqe;
  }

  void Submit() {
    int Rc;
    do
      Rc = io_uring_submit(&Ring);
    while (Rc == -EINTR);
    if (Rc > 0)
      Queued -= static_cast<unsigned>(Rc);
  }

  // Hands every queued call over and collects answers until Awaited of them for the group came
  // (and, with AllCloses, until no close is under way), giving each to Answer. Answers to closes
  // that are already there are collected too.
  template <typename TAnswer> void Gather(unsigned Awaited, bool AllCloses, TAnswer&& Answer) {
    if (Queued > 0)
      Submit();
    const auto Take = [&](io_uring_cqe* Cqe) {
      const std::uint64_t Tag = Cqe->user_data;
      const int Result = Cqe->res;
      io_uring_cqe_seen(&Ring, Cqe);
      if (Tag == CloseTag) {
        --Closing;
      } else {
        Answer(Tag, Result);
        --Awaited;
      }
    };
    while (Awaited > 0 || (AllCloses && Closing > 0)) {
      io_uring_cqe* Cqe = nullptr;
      const int Rc = io_uring_wait_cqe(&Ring, &Cqe);
      if (Rc == -EINTR)
        continue;
      if (Rc < 0)
        std::abort(); // the ring itself broke: nothing sound is left to do
      Take(Cqe);
    }
    for (io_uring_cqe* Cqe = nullptr; io_uring_peek_cqe(&Ring, &Cqe) == 0;)
      Take(Cqe);
  }
};

std::unique_ptr<TFileBatch> TFileBatch::Create() {
  if (const char* Off = std::getenv("SUMTIDE_NO_IO_URING"); Off && *Off != '\0')
    return nullptr;
  auto Ring = std::make_unique<TRing>();
  if (io_uring_queue_init(RingEntries, &Ring->Ring, 0) != 0)
    return nullptr;
  io_uring_probe* Probe = io_uring_get_probe_ring(&Ring->Ring);
  const bool Supported = Probe && io_uring_opcode_supported(Probe, IORING_OP_OPENAT) &&
                         io_uring_opcode_supported(Probe, IORING_OP_READ) &&
                         io_uring_opcode_supported(Probe, IORING_OP_CLOSE);
  if (Probe)
    io_uring_free_probe(Probe);
  if (!Supported)
    return nullptr; // the ring's destructor takes it down
  return std::unique_ptr<TFileBatch>(new TFileBatch(std::move(Ring)));
}

TFileBatch::TFileBatch(std::unique_ptr<TRing> Ring) : FRing(std::move(Ring)) {}
TFileBatch::~TFileBatch() = default;

void TFileBatch::Open(std::span<const std::string* const> Names,
                      std::span<const TFileStamp* const> Known,
                      std::span<std::optional<TInputFile>> Files, std::span<TInputError> Errors) {
  unsigned Awaited = 0;
  for (std::size_t I = 0; I < Names.size(); ++I) {
    Files[I].reset();
    if (Names[I]->empty() || Names[I]->find('\0') != std::string::npos) {
      Errors[I] = ErrorOf(ENOENT);
      continue;
    }
    io_uring_sqe* Sqe = FRing->Entry();
    // The ring tries each open without waiting first: a FIFO opens at once, as AnyAtOnce opens it.
    io_uring_prep_openat(Sqe, AT_FDCWD, Names[I]->c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY, 0);
    io_uring_sqe_set_data64(Sqe, I);
    ++Awaited;
  }
  FRing->Gather(Awaited, false, [&](std::uint64_t I, int Result) {
    if (Result >= 0)
      Files[I] = TInputFile::Adopt(Result, Known[I]);
    else
      Errors[I] = ErrorOf(-Result);
  });
}

void TFileBatch::Read(std::span<TFileReader* const> Readers,
                      std::span<std::span<const std::uint8_t>> Pieces, std::span<bool> Gave) {
  // A test's slow medium: each read of the group waits as long as a plain read would.
  if (SlowReadMilliseconds() > 0)
    ::usleep(static_cast<useconds_t>(SlowReadMilliseconds()) * 1000 *
             static_cast<useconds_t>(Readers.size()));
  for (std::size_t I = 0; I < Readers.size(); ++I) {
    const std::span<std::uint8_t> Space = Readers[I]->Space();
    io_uring_sqe* Sqe = FRing->Entry();
    // At the file's position, as read() reads: the offset -1.
    io_uring_prep_read(Sqe, static_cast<int>(Readers[I]->File().Handle()), Space.data(),
                       static_cast<unsigned>(Space.size()), static_cast<std::uint64_t>(-1));
    io_uring_sqe_set_data64(Sqe, I);
  }
  FRing->Gather(static_cast<unsigned>(Readers.size()), false, [&](std::uint64_t I, int Result) {
    const TInputError Error = Result < 0 ? ErrorOf(-Result) : TInputError{};
    Gave[I] = Readers[I]->Took(Result, Error, Pieces[I]);
  });
}

void TFileBatch::Close(TInputFile&& File) {
  const int Fd = static_cast<int>(File.Release());
  if (Fd < 0)
    return;
  io_uring_sqe* Sqe = FRing->Entry();
  io_uring_prep_close(Sqe, Fd);
  io_uring_sqe_set_data64(Sqe, CloseTag);
  ++FRing->Closing;
}

} // namespace Sumtide
