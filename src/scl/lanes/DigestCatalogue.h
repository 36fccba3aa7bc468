#pragma once

// Every digest of the library by the name programs give it on their command line ("md5",
// "sha256"), with the fastest way this processor has to hash many messages with it: the lane
// kernels, where a lane set hashes more bytes in a given time than the one-message block
// function does, or else one message after the other on that function. Which one is timed once
// per process and digest, when it is first asked for; SUMTIDE_<NAME>_MANY=lanes or =streams
// forces it (for tests and benchmarks).

#include "scl/SCLcrypt.h"
#include "scl/lanes/DigestLanes.h"

#include <cstddef>
#include <memory>
#include <span>
#include <string_view>

namespace Sumtide {

// The longest digest of the library: SHA-512's.
inline constexpr std::size_t MaxDigestBytes = 64;

struct TDigestKind {
  std::string_view Name; // "md5", "sha1", "sha224", "sha256", "sha384", "sha512"
  std::string_view Tag;  // the component's Algorithm: "MD5", "SHA256"...
  std::size_t DigestBytes;
  const TSCL_hashclass* Class;
};

// Every digest, MD5 first, then by the size of their digests.
std::span<const TDigestKind> DigestKinds();
// The digest named Name exactly; nothing for another name.
const TDigestKind* FindDigestKind(std::string_view Name);
// A new instance of the digest's component, for one message.
std::unique_ptr<TSCL_hash> NewHash(const TDigestKind& Kind);
// A lane set for Kind (one of DigestKinds()), lanes or streams as chosen for this processor.
std::unique_ptr<IDigestLanes> NewDigestLanes(const TDigestKind& Kind);

// The way chosen for Kind (one of DigestKinds()), by the name SUMTIDE_<NAME>_MANY gives it:
// "lanes" on the lane kernels or "streams" on the block function; for the tests.
std::string_view ManyWayInUse(const TDigestKind& Kind);

} // namespace Sumtide
