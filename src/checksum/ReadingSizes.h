#pragma once

// How the checksum core takes a file's bytes. bench/read_cost measures these same sizes.

#include <cstdint>

namespace Sumtide::Checksum {

// Files of this size and more are hashed in windows of this size, mapped straight from the
// system's file cache where the platform allows, so that nothing is copied: copying a cached file
// costs about a tenth of the hash (bench/README.md, "End to end"). One window is mapped at a time.
constexpr std::int64_t MapWindow = std::int64_t{8} << 20;
// Everything else is read in pieces of this size into one buffer used again for each piece, so
// the bytes are still in the processor's cache when the hash takes them, and the memory held
// stays the same whatever the file's size. Reading a 1 GiB file whole into a new buffer instead
// cost more in faulting that memory in than in reading it.
constexpr std::int64_t ReadPiece = std::int64_t{256} << 10;
// A file that reports no size is read to its end in pieces of this size: some of the kernel's
// pseudo-files refuse a large read (a sysctl file answers ENOMEM).
constexpr std::int64_t EndlessPiece = std::int64_t{64} << 10;
// Progress is reported every this many bytes and at the end: often enough for a display to move
// smoothly, rarely enough to cost nothing beside the hash.
constexpr std::int64_t ProgressInterval = std::int64_t{8} << 20;

} // namespace Sumtide::Checksum
