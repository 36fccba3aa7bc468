#pragma once

// The totals a progress line shows: how many files a run will hash and how many bytes they hold
// now, counted on a thread of its own while the files are hashed.

#include "cli/SumOptions.h"

#include <cstdint>
#include <functional>
#include <stop_token>

namespace Sumtide::Cli {

// Counts the operands, or the entries of the lists when checking (only lists that are regular
// files are read again; standard input, a pipe or a device cannot be). Files are looked up, not
// opened, and only regular files add bytes. Gives up without calling Counted when Stop is
// requested.
void CountFiles(const TSumOptions& Options, std::stop_token Stop,
                const std::function<void(std::uint64_t Files, std::int64_t Bytes)>& Counted);

} // namespace Sumtide::Cli
