#pragma once

// The command line of sumtide-sum, read as GNU getopt_long reads md5sum's: short options may be
// bundled (-cw), long ones abbreviated to any unique prefix, options and operands mixed (unless
// POSIXLY_CORRECT asks to stop at the first operand), "--" ends the options, "-" is an operand.
// -a/--algorithm takes the name of a digest (or any unique beginning of one) as its argument,
// in the same argument (-asha1, --algorithm=sha1) or the next one. -l/--length, the size of the
// digest, is an option only for a digest of several sizes, the one the command line ends up
// naming wherever -l stands: BITS as b2sum takes it for BLAKE2b, BYTES as b3sum takes it for
// BLAKE3, which also has b3sum's --no-names. For the other digests they are as unknown as they
// are to md5sum.

#include "scl/lanes/DigestCatalogue.h"

#include <optional>
#include <string>
#include <vector>

namespace Sumtide::Cli {

struct TSumOptions {
  const TDigestKind* Digest = nullptr; // MD5 unless -a names another
  // -l, in bits whatever it counts: nothing for the digest's own size; 0 for b3sum's empty
  // digests (the files are read all the same).
  std::optional<std::size_t> DigestBits;
  bool NoNames = false; // b3sum's --no-names: the digits alone
  bool Check = false;
  int Binary = -1; // -1: not given; 0: --text; 1: --binary
  bool Tag = false;
  bool Zero = false;
  bool IgnoreMissing = false;
  bool Quiet = false;
  bool Status = false;
  bool Strict = false;
  bool Warn = false;
  std::vector<std::string> Operands; // "-" when none was given
};

struct TParsedCommandLine {
  enum class TAction { Run, Help, Version, UsageError };
  TAction Action = TAction::Run;
  TSumOptions Options;
  // For UsageError: the message lines, without the program's name or the closing hint, then
  // lines written as they stand (the names an argument may take).
  std::vector<std::string> Errors;
  std::vector<std::string> Details;
  // The closing hint ("Try '... --help'") follows the messages: not after a refused length.
  bool HelpHint = true;
};

// Args are the arguments after the program's name.
TParsedCommandLine ParseSumCommandLine(const std::vector<std::string>& Args,
                                       bool PosixlyCorrect = false);

} // namespace Sumtide::Cli
