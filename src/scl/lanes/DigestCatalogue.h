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

// The longest digest programs get from the library. SHA-512's and BLAKE2b's are 64 bytes; a
// component of extendable output gives any length, and is taken up to this one: programs keep
// thousands of digests in flight, so they stay a few KiB at most.
inline constexpr std::size_t MaxDigestBytes = 4096;

struct TDigestKind {
  std::string_view Name; // "md5", "sha1", "sha224", "sha256", "sha384", "sha512", "blake2b"
  // The component's Algorithm: "MD5", "SHA256"...; for a digest of another size than the
  // component's own, followed by the size in bits ("BLAKE2b-256").
  std::string_view Tag;
  std::size_t DigestBytes;
  const TSCL_hashclass* Class;
};

// Every digest, MD5 first, then the SHA digests by the size of theirs, then BLAKE2b.
std::span<const TDigestKind> DigestKinds();
// The digest named Name exactly; nothing for another name.
const TDigestKind* FindDigestKind(std::string_view Name);
// Whether Kind's component hashes to other sizes than its own, which it takes in bits through
// its DigestBits property (BLAKE2b's).
bool TakesDigestSizes(const TDigestKind& Kind);
// The longest digest Kind's component gives, in bytes, up to MaxDigestBytes: its own size for a
// component of one size or one that takes only shorter ones.
std::size_t LongestDigestBytes(const TDigestKind& Kind);
// Kind (one of DigestKinds(), or one this function gave) with a digest of Bits bits: the kind
// of DigestKinds() itself at its own size; for a component that takes other sizes, a kind of the
// same name whose Tag tells the size, made once per size and kept for the process; nothing for a
// size the component refuses or another digest's other sizes.
const TDigestKind* DigestOfSize(const TDigestKind& Kind, std::size_t Bits);
// A new instance of the digest's component, for one message, set to the kind's size.
std::unique_ptr<TSCL_hash> NewHash(const TDigestKind& Kind);
// Lets Hash share one long message among Cores threads where its component can (through a
// published Threads property, as BLAKE3's); any other is left as it is. For a message hashed on
// its own while the other cores have nothing to do. True when Hash shares it.
bool ShareAmongCores(TSCL_hash& Hash, unsigned Cores);
// A lane set for Kind (one of DigestKinds(), or of DigestOfSize), lanes or streams as chosen for
// this processor; a digest of another size than the component's own has streams only.
std::unique_ptr<IDigestLanes> NewDigestLanes(const TDigestKind& Kind);

// The way chosen for Kind (one of DigestKinds(), or of DigestOfSize), by the name
// SUMTIDE_<NAME>_MANY gives it: "lanes" on the lane kernels or "streams" on the block function; for
// the tests.
std::string_view ManyWayInUse(const TDigestKind& Kind);

} // namespace Sumtide
