#pragma once

// Many files opened, read and closed with few system calls: the calls of a whole group of files
// handed to the system at once and their answers collected together (io_uring on Linux). Where a
// system call is dear, as on a machine that isolates the kernel's page tables, this is most of
// what a small file costs. Each file is opened as TInputFile::Open(Name, TFileKinds::AnyAtOnce)
// opens it, with the same error texts, and read into its reader's own buffer.

#include "files/FileReader.h"
#include "files/InputFile.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace Sumtide {

class TFileBatch {
public:
  // A batch, where the system offers one; nothing where it does not, where it refuses (a kernel
  // without io_uring, or one that forbids it), or where the environment variable
  // SUMTIDE_NO_IO_URING is set (to test the plain calls): the caller then makes plain calls.
  static std::unique_ptr<TFileBatch> Create();
  // Waits for the closes still under way.
  ~TFileBatch();
  TFileBatch(const TFileBatch&) = delete;
  TFileBatch& operator=(const TFileBatch&) = delete;

  // Opens every name; Files[I] the file or nothing with Errors[I] set. Known[I], where not null,
  // is the stamp LookUpName took of the regular file Names[I] (see TInputFile::Adopt). At most
  // MaxGroup names. No open waits, and none is made twice: a FIFO opens at once, releasing a
  // writer that waits, so only names a look-up found to be regular files should be given.
  void Open(std::span<const std::string* const> Names, std::span<const TFileStamp* const> Known,
            std::span<std::optional<TInputFile>> Files, std::span<TInputError> Errors);
  // One read for each reader of a regular file (not at its end, not reading ahead), each into its
  // reader's space; then each reader took what came (TFileReader::Took) and Pieces[I] holds its
  // piece; Gave[I] is what Took answered. At most MaxGroup readers.
  void Read(std::span<TFileReader* const> Readers, std::span<std::span<const std::uint8_t>> Pieces,
            std::span<bool> Gave);
  // Closes the file with the next group of calls, without waiting for it.
  void Close(TInputFile&& File);

  static constexpr std::size_t MaxGroup = 32;

private:
  struct TRing;
  explicit TFileBatch(std::unique_ptr<TRing> Ring);
  std::unique_ptr<TRing> FRing;
};

} // namespace Sumtide
