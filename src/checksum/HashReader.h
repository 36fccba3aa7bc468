#pragma once

// The one loop from an opened file to a digest, for the window and for sumtide-sum: every piece
// the reader gives goes into the hash, to the reader's end.

#include "files/FileReader.h"
#include "scl/SCLcrypt.h"

#include <cstddef>
#include <functional>

namespace Sumtide::Checksum {

// Feeds Hash, initialised here, every piece Reader gives. After, when given, hears the size of
// each piece once it is hashed and may stop the reading by answering false. True once the reader
// ended (its verdict tells how: every byte read, the file changed or a read failed), false when
// After stopped it. The digest is the caller's to take (Final) when the verdict is Done.
bool HashReader(TFileReader& Reader, TSCL_hash& Hash,
                const std::function<bool(std::size_t Piece)>& After = {});

} // namespace Sumtide::Checksum
