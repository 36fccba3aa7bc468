#include "forms/DroppedFiles.h"

#include "rtl/Exception.h"

#include <utility>

namespace Sumtide {

TDropHandle TDroppedFiles::Add(std::vector<std::string> Names) {
  const TDropHandle Drop = FNext++;
  FDrops.emplace(Drop, std::move(Names));
  return Drop;
}

namespace {
[[noreturn]] void NotHeld(TDropHandle Drop) {
  throw Exception("No drop is held under handle " + std::to_string(Drop));
}
} // namespace

const std::vector<std::string>& TDroppedFiles::NamesOf(TDropHandle Drop) const {
  const auto It = FDrops.find(Drop);
  if (It == FDrops.end())
    NotHeld(Drop);
  return It->second;
}

std::uint32_t TDroppedFiles::Count(TDropHandle Drop) const {
  return static_cast<std::uint32_t>(NamesOf(Drop).size());
}

std::string TDroppedFiles::Name(TDropHandle Drop, std::uint32_t Index) const {
  const auto& Names = NamesOf(Drop);
  return Index < Names.size() ? Names[Index] : std::string();
}

void TDroppedFiles::Release(TDropHandle Drop) {
  if (FDrops.erase(Drop) == 0)
    NotHeld(Drop);
  ++FReleased;
}

} // namespace Sumtide
