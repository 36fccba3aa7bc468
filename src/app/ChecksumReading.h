#pragma once

// How the checksum command takes a file's bytes. bench/read_cost measures these same sizes.

#include <cstdint>

namespace Sumtide {

// Files of this size and more are hashed in windows of this size, mapped straight from the
// system's file cache where the platform allows, so that nothing is copied: copying a cached file
// costs about a tenth of the hash (bench/README.md, "End to end"). One window is mapped at a time.
constexpr std::int64_t MapWindow = std::int64_t{8} << 20;
// Everything else is read in pieces of this size into one buffer used again for each piece, so
// the bytes are still in the processor's cache when the hash takes them, and the memory held
// stays the same whatever the file's size. Reading a 1 GiB file whole into a new buffer instead
// cost more in faulting that memory in than in reading it.
constexpr std::int64_t ReadPiece = std::int64_t{256} << 10;

} // namespace Sumtide
