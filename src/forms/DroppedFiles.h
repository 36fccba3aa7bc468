#pragma once

#include "forms/Messages.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace Sumtide {

// The drops the application's forms were handed: the names of each, kept under a handle from the
// moment the form's message dispatch gets WM_DROPFILES until its handler releases the drop.
// Count, Name and Release raise an Exception for a handle that is not live (never handed out, or
// released already).
class TDroppedFiles {
public:
  TDropHandle Add(std::vector<std::string> Names);
  std::uint32_t Count(TDropHandle Drop) const;
  // The name at Index, or an empty string past the last one.
  std::string Name(TDropHandle Drop, std::uint32_t Index) const;
  void Release(TDropHandle Drop);

  // Drops handed out and not released yet, and drops released so far.
  std::size_t Unreleased() const { return FDrops.size(); }
  std::size_t Released() const { return FReleased; }

private:
  const std::vector<std::string>& NamesOf(TDropHandle Drop) const;

  std::map<TDropHandle, std::vector<std::string>> FDrops;
  TDropHandle FNext = 1;
  std::size_t FReleased = 0;
};

} // namespace Sumtide
