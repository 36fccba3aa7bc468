#include "files/FileBatch.h"

namespace Sumtide {

// No system here hands over many files' calls at once: the callers make plain calls.

struct TFileBatch::TRing {};

std::unique_ptr<TFileBatch> TFileBatch::Create() {
  return nullptr;
}

TFileBatch::TFileBatch(std::unique_ptr<TRing> Ring) : FRing(std::move(Ring)) {}
TFileBatch::~TFileBatch() = default;

void TFileBatch::Open(std::span<const std::string* const>, std::span<const TFileStamp* const>,
                      std::span<std::optional<TInputFile>>, std::span<TInputError>) {}
void TFileBatch::Read(std::span<TFileReader* const>, std::span<std::span<const std::uint8_t>>,
                      std::span<bool>) {}
void TFileBatch::Close(TInputFile&&) {}

} // namespace Sumtide
