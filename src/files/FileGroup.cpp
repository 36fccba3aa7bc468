#include "files/FileGroup.h"

namespace Sumtide {

void TFileGroup::Open(std::span<const std::string* const> Names,
                      std::span<const TFileStamp* const> Known,
                      std::span<std::optional<TInputFile>> Files, std::span<TInputError> Errors) {
  if (FBatch) {
    FBatch->Open(Names, Known, Files, Errors);
    return;
  }
  for (std::size_t I = 0; I < Names.size(); ++I)
    Files[I] = TInputFile::Open(*Names[I], TFileKinds::AnyAtOnce, Errors[I], Known[I]);
}

void TFileGroup::Close(TInputFile&& File) {
  if (FBatch) {
    FBatch->Close(std::move(File));
    return;
  }
  const TInputFile Closing = std::move(File); // closed as it goes out of scope
}

} // namespace Sumtide
