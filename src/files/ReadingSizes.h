#pragma once

// How a file is read for hashing: every size the reader (FileReader.h) uses, in one place.
// bench/README.md ("How files are read") gives the measurements behind them.

#include <cstddef>
#include <cstdint>

namespace Sumtide::Reading {

// A file hashed as one stream is read in pieces of this size into one buffer used again for each
// piece, so the bytes are still in the processor's cache when the hash takes them and the memory
// held stays the same whatever the file's size.
constexpr std::size_t StreamPiece = std::size_t{256} << 10;

// A regular file of this size or more, hashed as one stream, is read ahead on a second thread
// while the hash works: the copy out of the system's cache, and on a cold file the wait for the
// disk, then run beside the hash instead of before it.
constexpr std::int64_t ReadAheadFrom = std::int64_t{2} << 20;
// Reading ahead: pieces of this size, in a ring of this many, so that one is hashed while the
// others are filled.
constexpr std::size_t AheadPiece = std::size_t{1} << 20;
constexpr std::size_t AheadPieces = 4;
// Reading ahead also asks the system for the bytes this far beyond the piece being read, so that
// a file read from the disk arrives as fast as the hash takes it.
constexpr std::int64_t PrefetchDistance = std::int64_t{8} << 20;

// A file mapped instead (TPace::Mapped, for a hash that shares long pieces among the cores): from
// this size on, in windows of this size, each unmapped before the next is mapped, so that the
// memory the process holds stays small whatever the file's size; the system is asked for the next
// window's bytes while one is hashed.
constexpr std::int64_t MapFrom = std::int64_t{4} << 20;
constexpr std::size_t MapWindow = std::size_t{16} << 20;

// A file in one lane of a many-files engine: small pieces, since sixteen lanes or more each hold
// one, and a lane takes a piece in a few microseconds. A large file in a lane takes larger pieces:
// fewer system calls, each of which is dear on a machine that isolates the kernel's page tables.
constexpr std::size_t LanePiece = std::size_t{32} << 10;
constexpr std::int64_t LargeLaneFrom = std::int64_t{4} << 20;
constexpr std::size_t LargeLanePiece = std::size_t{128} << 10;

// A file that reports no size is read to its end in pieces of this size: some of the kernel's
// pseudo-files refuse a large read (a sysctl file answers ENOMEM).
constexpr std::size_t EndlessPiece = std::size_t{64} << 10;

} // namespace Sumtide::Reading
