#pragma once

// A group of files opened, read and closed together: through TFileBatch where the system offers
// it (a group's calls in one), with the plain calls otherwise. The many-files engine reads every
// regular file this way and never asks which of the two is at work.

#include "files/FileBatch.h"

#include <memory>

namespace Sumtide {

class TFileGroup {
public:
  static constexpr std::size_t MaxGroup = TFileBatch::MaxGroup;

  TFileGroup() : FBatch(TFileBatch::Create()) {}

  // Opens every name as TInputFile::Open(Name, TFileKinds::AnyAtOnce) does, with the same errors;
  // Known as TFileBatch::Open takes it. Only names a look-up found to be regular files (or
  // could not look up) should be given: the opens do not wait, and a FIFO would open at once.
  void Open(std::span<const std::string* const> Names, std::span<const TFileStamp* const> Known,
            std::span<std::optional<TInputFile>> Files, std::span<TInputError> Errors);
  // Whether Reader's next piece is read with the group's reads (Read), or by the reader alone
  // (TFileReader::Next): a regular file not at its end, where the system takes groups.
  bool ReadsTogether(const TFileReader& Reader) const {
    return FBatch && Reader.File().OpenedStamp() && !Reader.AtEnd();
  }
  // One read for each reader, each into its own space, as TFileBatch::Read; only readers that
  // ReadsTogether.
  void Read(std::span<TFileReader* const> Readers, std::span<std::span<const std::uint8_t>> Pieces,
            std::span<bool> Gave) {
    FBatch->Read(Readers, Pieces, Gave);
  }
  // Closes the file, with the next group of calls where the system takes groups.
  void Close(TInputFile&& File);

private:
  std::unique_ptr<TFileBatch> FBatch; // nothing: plain calls
};

} // namespace Sumtide
