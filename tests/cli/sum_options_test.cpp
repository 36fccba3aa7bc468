// sumtide-sum's command line. Every message and every reading of md5sum's own options is what
// GNU md5sum 9.1 gives for the same arguments, and of b2sum's -l what b2sum 9.1 gives (in the C
// locale, where the tests run). -a/--algorithm is ours: read as getopt_long reads an option with
// a required argument, its value a digest's name or a beginning only one name has.

#include "cli/SumOptions.h"

#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace Sumtide::Cli;

namespace {

using TAction = TParsedCommandLine::TAction;

// One line for what was read: "help", "version", "error: <messages>" (followed by "(no hint)"
// where no hint at --help closes them), or the digest with the length -l gave, the options set
// and the operands in brackets ("sha1 check warn [-]", "blake2b-256 tag [f]").
std::string Describe(const TParsedCommandLine& Parsed) {
  switch (Parsed.Action) {
  case TAction::Help:
    return "help";
  case TAction::Version:
    return "version";
  case TAction::UsageError: {
    std::string Text = "error:";
    for (const std::string& Error : Parsed.Errors)
      Text += " " + Error;
    return Text + (Parsed.HelpHint ? "" : " (no hint)");
  }
  case TAction::Run:
    break;
  }
  const TSumOptions& O = Parsed.Options;
  std::string Text(O.Digest ? O.Digest->Name : "(no digest)");
  if (O.DigestBits)
    Text += "-" + std::to_string(*O.DigestBits);
  const auto Flag = [&](bool Set, const char* Name) {
    if (Set)
      Text += std::string(" ") + Name;
  };
  Flag(O.Check, "check");
  Flag(O.Binary == 1, "binary");
  Flag(O.Binary == 0, "text");
  Flag(O.Tag, "tag");
  Flag(O.Zero, "zero");
  Flag(O.IgnoreMissing, "ignore-missing");
  Flag(O.Quiet, "quiet");
  Flag(O.Status, "status");
  Flag(O.Strict, "strict");
  Flag(O.Warn, "warn");
  Flag(O.NoNames, "no-names");
  for (const std::string& Operand : O.Operands)
    Text += " [" + Operand + "]";
  return Text;
}

struct TCommandCase {
  std::vector<std::string> Args;
  bool PosixlyCorrect;
  std::string Expected;
};

void ExpectRead(const TCommandCase& Case) {
  std::string Words;
  for (const std::string& Arg : Case.Args)
    Words += " '" + Arg + "'";
  SCOPED_TRACE(Words + (Case.PosixlyCorrect ? " (POSIXLY_CORRECT)" : ""));
  const TParsedCommandLine Parsed = ParseSumCommandLine(Case.Args, Case.PosixlyCorrect);
  EXPECT_EQ(Describe(Parsed), Case.Expected);
  if (Parsed.Action != TAction::UsageError) {
    EXPECT_TRUE(Parsed.Errors.empty() && Parsed.Details.empty());
  }
}

constexpr bool Posix = true;

TEST(SumOptions, ReadsArgumentsAsGetoptLongDoes) {
  const TCommandCase Cases[] = {
      // Operands: standard input when there is none; "-" is one; "--" ends the options and is
      // an operand after that.
      {{}, false, "md5 [-]"},
      {{"-"}, false, "md5 [-]"},
      {{"--"}, false, "md5 [-]"},
      {{"-", "-z"}, false, "md5 zero [-]"},
      {{"--", "-z"}, false, "md5 [-z]"},
      {{"-b", "--", "--", "f"}, false, "md5 binary [--] [f]"},
      // Options after operands count, unless POSIXLY_CORRECT ends them at the first operand
      // ("-" included); what follows is operands, "--" too.
      {{"f", "-b"}, false, "md5 binary [f]"},
      {{"f", "-b"}, Posix, "md5 [f] [-b]"},
      {{"-", "-b"}, Posix, "md5 [-] [-b]"},
      {{"-bz", "f", "-c"}, Posix, "md5 binary zero [f] [-c]"},
      {{"-b", "--", "-t"}, Posix, "md5 binary [-t]"},
      {{"f", "--", "-t"}, Posix, "md5 [f] [--] [-t]"},
      // Bundled short options, stopped by the first unknown letter ('-' included).
      {{"-cw"}, false, "md5 check warn [-]"},
      {{"-bz", "f"}, false, "md5 binary zero [f]"},
      {{"-x", "f"}, false, "error: invalid option -- 'x'"},
      {{"-bcx", "f"}, false, "error: invalid option -- 'x'"},
      {{"-b-", "f"}, false, "error: invalid option -- '-'"},
      // Long options by any unique beginning, the full name when exact.
      {{"--bin", "--ta", "f"}, false, "md5 binary tag [f]"},
      {{"--te", "f"}, false, "md5 text [f]"},
      {{"--c", "--i", "--stri", "--stat"}, false, "md5 check ignore-missing status strict [-]"},
      {{"--z", "--b", "f"}, false, "md5 binary zero [f]"},
      {{"--st", "f"},
       false,
       "error: option '--st' is ambiguous; possibilities: '--status' '--strict'"},
      {{"--t", "f"}, false, "error: option '--t' is ambiguous; possibilities: '--tag' '--text'"},
      {{"--bogus", "f"}, false, "error: unrecognized option '--bogus'"},
      {{"--bogus=1", "f"}, false, "error: unrecognized option '--bogus=1'"},
      {{"--tags", "f"}, false, "error: unrecognized option '--tags'"},
      // An argument to an option that takes none; the message names the option in full.
      {{"--binary=yes", "f"}, false, "error: option '--binary' doesn't allow an argument"},
      {{"--bin=", "f"}, false, "error: option '--binary' doesn't allow an argument"},
      {{"--ze=0", "f"}, false, "error: option '--zero' doesn't allow an argument"},
      {{"--he=x"}, false, "error: option '--help' doesn't allow an argument"},
      // --quiet, --status and -w undo one another: the last one given holds.
      {{"-c", "--status", "-w"}, false, "md5 check warn [-]"},
      {{"-c", "-w", "--quiet"}, false, "md5 check quiet [-]"},
      {{"-c", "--quiet", "--status"}, false, "md5 check status [-]"},
      // --tag sets binary mode, so --text before it is overridden, and after it refused below.
      {{"-t", "--tag", "f"}, false, "md5 binary tag [f]"},
      {{"--binary", "--text", "f"}, false, "md5 text [f]"},
      // --help and --version end the reading where they stand, before any check.
      {{"--help", "--bogus"}, false, "help"},
      {{"--help", "-x"}, false, "help"},
      {{"--h"}, false, "help"},
      {{"--v"}, false, "version"},
      {{"--version", "-c", "--tag"}, false, "version"},
      {{"--tag", "-t", "--help"}, false, "help"},
      {{"--bogus", "--help"}, false, "error: unrecognized option '--bogus'"},
      {{"-x", "--help"}, false, "error: invalid option -- 'x'"},
  };
  for (const TCommandCase& Case : Cases)
    ExpectRead(Case);
}

// What md5sum refuses once the options are read: the first that applies of its checks, in its
// order, whatever the order of the options.
TEST(SumOptions, RefusesCombinationsInMd5sumsOrder) {
  const TCommandCase Cases[] = {
      {{"--tag", "-t", "-c", "-z"}, false, "error: --tag does not support --text mode"},
      {{"-c", "--tag", "-z"},
       false,
       "error: the --zero option is not supported when verifying checksums"},
      {{"-z", "-c", "-b"},
       false,
       "error: the --zero option is not supported when verifying checksums"},
      {{"-c", "--tag", "--status"},
       false,
       "error: the --tag option is meaningless when verifying checksums"},
      {{"-c", "-b", "--ignore-missing"},
       false,
       "error: the --binary and --text options are meaningless when verifying checksums"},
      {{"-tc", "f"},
       false,
       "error: the --binary and --text options are meaningless when verifying checksums"},
      {{"--strict", "--quiet", "-w", "--status", "--ignore-missing"},
       false,
       "error: the --ignore-missing option is meaningful only when verifying checksums"},
      {{"--strict", "--quiet", "-w", "--status", "f"},
       false,
       "error: the --status option is meaningful only when verifying checksums"},
      {{"--status", "-w", "f"},
       false,
       "error: the --warn option is meaningful only when verifying checksums"},
      {{"--status", "--strict", "--quiet"},
       false,
       "error: the --quiet option is meaningful only when verifying checksums"},
      {{"--strict", "f"},
       false,
       "error: the --strict option is meaningful only when verifying checksums"},
      // Allowed together.
      {{"-c", "--ignore-missing", "--strict", "--quiet", "l"},
       false,
       "md5 check ignore-missing quiet strict [l]"},
      {{"--tag", "-z", "-b", "f"}, false, "md5 binary tag zero [f]"},
  };
  for (const TCommandCase& Case : Cases)
    ExpectRead(Case);
}

// -a NAME, -aNAME, --algorithm NAME, --algorithm=NAME: a digest by its name or any beginning of
// it only it has; the next argument is the name whatever it looks like.
TEST(SumOptions, NamesTheDigestWithAlgorithm) {
  const TCommandCase Cases[] = {
      {{"-a", "sha1", "f"}, false, "sha1 [f]"},
      {{"-asha256"}, false, "sha256 [-]"},
      {{"-ba", "sha384"}, false, "sha384 binary [-]"},
      {{"-basha512", "f"}, false, "sha512 binary [f]"},
      {{"--algorithm=sha224"}, false, "sha224 [-]"},
      {{"--algorithm", "sha1", "f"}, false, "sha1 [f]"},
      {{"--alg=md5", "--a", "sha1"}, false, "sha1 [-]"},
      {{"-a", "sha1", "-a", "sha256", "-c"}, false, "sha256 check [-]"},
      {{"f", "-a", "sha1"}, false, "sha1 [f]"},
      {{"f", "-a", "sha1"}, Posix, "md5 [f] [-a] [sha1]"},
      {{"-a", "sha1", "--", "-a"}, false, "sha1 [-a]"},
      // Unique beginnings.
      {{"-a", "m"}, false, "md5 [-]"},
      {{"-a", "sha5"}, false, "sha512 [-]"},
      {{"-a", "sha3"}, false, "sha384 [-]"},
      {{"-a", "sha22"}, false, "sha224 [-]"},
      {{"-a", "blake2"}, false, "blake2b [-]"},
      {{"-a", "blake3"}, false, "blake3 [-]"},
      // Beginnings of several names, and names of none (the case counts).
      {{"-a", "sha2"}, false, "error: ambiguous argument 'sha2' for '--algorithm'"},
      {{"--algorithm=sha"}, false, "error: ambiguous argument 'sha' for '--algorithm'"},
      {{"--algorithm="}, false, "error: ambiguous argument '' for '--algorithm'"},
      {{"-a", "b"}, false, "error: ambiguous argument 'b' for '--algorithm'"},
      {{"-a", "blake"}, false, "error: ambiguous argument 'blake' for '--algorithm'"},
      {{"-a", "SHA1"}, false, "error: invalid argument 'SHA1' for '--algorithm'"},
      {{"-a", "blake2b-256"}, false, "error: invalid argument 'blake2b-256' for '--algorithm'"},
      {{"-a", "sha1x"}, false, "error: invalid argument 'sha1x' for '--algorithm'"},
      {{"-a=sha1"}, false, "error: invalid argument '=sha1' for '--algorithm'"},
      {{"-a", "--tag", "f"}, false, "error: invalid argument '--tag' for '--algorithm'"},
      {{"--algorithm", "--", "f"}, false, "error: invalid argument '--' for '--algorithm'"},
      {{"-a", "bogus", "-x"}, false, "error: invalid argument 'bogus' for '--algorithm'"},
      {{"--algorithm", "bogus", "-c", "--tag"},
       false,
       "error: invalid argument 'bogus' for '--algorithm'"},
      // No argument left.
      {{"-a"}, false, "error: option requires an argument -- 'a'"},
      {{"-ba"}, false, "error: option requires an argument -- 'a'"},
      {{"--algorithm"}, false, "error: option '--algorithm' requires an argument"},
      {{"-c", "--alg"}, false, "error: option '--algorithm' requires an argument"},
  };
  for (const TCommandCase& Case : Cases)
    ExpectRead(Case);
}

// A name --algorithm does not take is followed by the names it takes, for invalid and ambiguous
// alike; other errors have no such lines.
TEST(SumOptions, ListsTheValidAlgorithmNames) {
  const std::vector<std::string> ValidNames{
      "Valid arguments are:", "  - 'md5'",    "  - 'sha1'",    "  - 'sha224'", "  - 'sha256'",
      "  - 'sha384'",         "  - 'sha512'", "  - 'blake2b'", "  - 'blake3'",
  };
  for (const char* Name : {"whirlpool", "sha"}) {
    SCOPED_TRACE(Name);
    EXPECT_EQ(ParseSumCommandLine({"-a", Name}).Details, ValidNames);
  }
  EXPECT_TRUE(ParseSumCommandLine({"--algorithm"}).Details.empty());
  EXPECT_TRUE(ParseSumCommandLine({"--strict"}).Details.empty());
}

// -l BITS is b2sum's, read as b2sum 9.1 reads it, for blake2b: the length of the digest in bits,
// a multiple of 8 up to 512, 0 for 512; refused where it stands, with b2sum's messages and no
// hint at --help. It goes with the digest the command line ends up naming; for any other digest
// it is no option, as md5sum has none.
TEST(SumOptions, ReadsLengthAsB2sumDoes) {
  const std::string Overflow = std::string(": ") + std::strerror(EOVERFLOW);
  const std::string NotWhole = " length is not a multiple of 8 (no hint)";
  const std::string TooLong = " maximum digest length for 'BLAKE2b' is 512 bits (no hint)";
  const auto Blake2b = [](std::vector<std::string> Args) {
    Args.insert(Args.begin(), {"-a", "blake2b"});
    return Args;
  };
  const TCommandCase Cases[] = {
      // Its argument in the same word or the next one, the option abbreviated; the last counts.
      {Blake2b({"-l", "256", "f"}), false, "blake2b-256 [f]"},
      {Blake2b({"-l256"}), false, "blake2b-256 [-]"},
      {Blake2b({"-bl", "8"}), false, "blake2b-8 binary [-]"},
      {Blake2b({"-cl128"}), false, "blake2b-128 check [-]"},
      {Blake2b({"--length=16"}), false, "blake2b-16 [-]"},
      {Blake2b({"--len", "16"}), false, "blake2b-16 [-]"},
      {Blake2b({"--l=16"}), false, "blake2b-16 [-]"},
      {Blake2b({"-l", "8", "--length", "512"}), false, "blake2b-512 [-]"},
      {Blake2b({"-l", "8", "-l", "0"}), false, "blake2b [-]"},
      {Blake2b({"f", "-l", "8"}), false, "blake2b-8 [f]"},
      {Blake2b({"f", "-l", "8"}), Posix, "blake2b [f] [-l] [8]"},
      // A decimal number, blanks and a '+' before it allowed.
      {Blake2b({"-l", " \t\n\v\f\r+016"}), false, "blake2b-16 [-]"},
      {Blake2b({"-l", "+0"}), false, "blake2b [-]"},
      {Blake2b({"-l", "00"}), false, "blake2b [-]"},
      // The digest named before or after it.
      {{"-l", "256", "-a", "blake2b"}, false, "blake2b-256 [-]"},
      {{"--length", "8", "--alg=blake2", "f"}, false, "blake2b-8 [f]"},
      {{"-l", "520", "-a", "blake2b"}, false, "error: invalid length: '520'" + TooLong},
      {Blake2b({"-l", "256", "-a", "md5"}), false, "error: invalid option -- 'l'"},
      // Not a number, or followed by anything.
      {Blake2b({"-l", "abc"}), false, "error: invalid length: 'abc' (no hint)"},
      {Blake2b({"-l", ""}), false, "error: invalid length: '' (no hint)"},
      {Blake2b({"--length="}), false, "error: invalid length: '' (no hint)"},
      {Blake2b({"-l", "-8"}), false, "error: invalid length: '-8' (no hint)"},
      {Blake2b({"-l", " -0"}), false, "error: invalid length: ' -0' (no hint)"},
      {Blake2b({"-l", "++16"}), false, "error: invalid length: '++16' (no hint)"},
      {Blake2b({"-l", "0x10"}), false, "error: invalid length: '0x10' (no hint)"},
      {Blake2b({"-l", "16 "}), false, "error: invalid length: '16 ' (no hint)"},
      {Blake2b({"-l", "8k"}), false, "error: invalid length: '8k' (no hint)"},
      {Blake2b({"-l=8"}), false, "error: invalid length: '=8' (no hint)"},
      {Blake2b({"--length=8=8"}), false, "error: invalid length: '8=8' (no hint)"},
      {Blake2b({"-l", "--tag"}), false, "error: invalid length: '--tag' (no hint)"},
      {Blake2b({"-l", "a'b\\c\x01"}), false, "error: invalid length: 'a\\'b\\\\c\\001' (no hint)"},
      // Too large for any number, unless something follows it.
      {Blake2b({"-l", "18446744073709551616"}), false,
       "error: invalid length: '18446744073709551616'" + Overflow + " (no hint)"},
      {Blake2b({"-l", "99999999999999999999999"}), false,
       "error: invalid length: '99999999999999999999999'" + Overflow + " (no hint)"},
      {Blake2b({"-l", "18446744073709551616x"}), false,
       "error: invalid length: '18446744073709551616x' (no hint)"},
      // Not whole bytes, then longer than 512 bits, whatever its size.
      {Blake2b({"-l", "7"}), false, "error: invalid length: '7'" + NotWhole},
      {Blake2b({"-l", "513"}), false, "error: invalid length: '513'" + NotWhole},
      {Blake2b({"-l", "18446744073709551615"}), false,
       "error: invalid length: '18446744073709551615'" + NotWhole},
      {Blake2b({"-l", "520"}), false, "error: invalid length: '520'" + TooLong},
      {Blake2b({"-l", "4294967304"}), false, "error: invalid length: '4294967304'" + TooLong},
      {Blake2b({"-l", "18446744073709551608"}), false,
       "error: invalid length: '18446744073709551608'" + TooLong},
      // Refused where it stands: before what follows, after what precedes.
      {Blake2b({"-l", "7", "-l", "8"}), false, "error: invalid length: '7'" + NotWhole},
      {Blake2b({"-l", "8", "-l", "7"}), false, "error: invalid length: '7'" + NotWhole},
      {Blake2b({"-l", "7", "--bogus"}), false, "error: invalid length: '7'" + NotWhole},
      {Blake2b({"--bogus", "-l", "7"}), false, "error: unrecognized option '--bogus'"},
      {Blake2b({"-l", "7", "--help"}), false, "error: invalid length: '7'" + NotWhole},
      {Blake2b({"--help", "-l", "7"}), false, "help"},
      {Blake2b({"-c", "--tag", "-l", "7"}), false, "error: invalid length: '7'" + NotWhole},
      {Blake2b({"-l", "8", "-c", "--tag"}), false,
       "error: the --tag option is meaningless when verifying checksums"},
      // No argument left.
      {Blake2b({"-l"}), false, "error: option requires an argument -- 'l'"},
      {Blake2b({"-bl"}), false, "error: option requires an argument -- 'l'"},
      {Blake2b({"--length"}), false, "error: option '--length' requires an argument"},
      // Among the possibilities of an abbreviation, in b2sum's place.
      {Blake2b({"--="}), false,
       "error: option '--=' is ambiguous; possibilities: '--algorithm' '--length' '--check' "
       "'--ignore-missing' '--quiet' '--status' '--warn' '--strict' '--tag' '--zero' '--binary' "
       "'--text' '--help' '--version'"},
      // The other digests have no -l.
      {{"-l", "256"}, false, "error: invalid option -- 'l'"},
      {{"-bl8"}, false, "error: invalid option -- 'l'"},
      {{"-a", "sha512", "-l", "256"}, false, "error: invalid option -- 'l'"},
      {{"--length=8"}, false, "error: unrecognized option '--length=8'"},
      {{"--l"}, false, "error: unrecognized option '--l'"},
      {{"-a", "sha1", "--le", "8"}, false, "error: unrecognized option '--le'"},
      {{"-l", "7", "-x"}, false, "error: invalid option -- 'l'"},
      {{"--="},
       false,
       "error: option '--=' is ambiguous; possibilities: '--algorithm' '--check' "
       "'--ignore-missing' '--quiet' '--status' '--warn' '--strict' '--tag' '--zero' '--binary' "
       "'--text' '--help' '--version'"},
  };
  for (const TCommandCase& Case : Cases)
    ExpectRead(Case);
}

// -l BYTES is b3sum's for blake3, read as b3sum 1.2.0 reads it: the length of the digest in bytes
// of output, a decimal number with a '+' allowed before it (no blank), 0 for no digits; past the
// longest the library gives (4096 bytes) it is refused, as b2sum's too long a length is. b3sum's
// --no-names goes with it; both are known only to blake3, wherever -a stands, and --no-names is
// refused with --check and --tag, --tag with -l 0.
TEST(SumOptions, ReadsLengthAndNoNamesAsB3sumDoes) {
  const std::string TooLong = " maximum digest length for 'BLAKE3' is 4096 bytes (no hint)";
  const auto Blake3 = [](std::vector<std::string> Args) {
    Args.insert(Args.begin(), {"-a", "blake3"});
    return Args;
  };
  const TCommandCase Cases[] = {
      // In bytes, its argument in the same word or the next one; the last counts.
      {Blake3({"-l", "16", "f"}), false, "blake3-128 [f]"},
      {Blake3({"-bl1"}), false, "blake3-8 binary [-]"},
      {Blake3({"--length=64"}), false, "blake3-512 [-]"},
      {Blake3({"--len", "32"}), false, "blake3-256 [-]"},
      {Blake3({"-l", "8", "-l", "4096"}), false, "blake3-32768 [-]"},
      {Blake3({"-l", "+007"}), false, "blake3-56 [-]"},
      {{"-l", "4", "-a", "blake3"}, false, "blake3-32 [-]"},
      // Counted as the digest named last counts it.
      {Blake3({"-l", "8", "-a", "blake2b"}), false, "blake2b-8 [-]"},
      {Blake3({"-l", "4", "-a", "blake2b"}), false,
       "error: invalid length: '4' length is not a multiple of 8 (no hint)"},
      {Blake3({"-l", "8", "-a", "sha1"}), false, "error: invalid option -- 'l'"},
      // 0: no digits, not the digest's own size as for b2sum.
      {Blake3({"-l", "0"}), false, "blake3-0 [-]"},
      {Blake3({"-l", "8", "--length=00"}), false, "blake3-0 [-]"},
      // Not a number as b3sum reads one: blanks, signs, units.
      {Blake3({"-l", " 8"}), false, "error: invalid length: ' 8' (no hint)"},
      {Blake3({"-l", "8 "}), false, "error: invalid length: '8 ' (no hint)"},
      {Blake3({"-l", "-8"}), false, "error: invalid length: '-8' (no hint)"},
      {Blake3({"-l", "+"}), false, "error: invalid length: '+' (no hint)"},
      {Blake3({"-l", "++8"}), false, "error: invalid length: '++8' (no hint)"},
      {Blake3({"-l", ""}), false, "error: invalid length: '' (no hint)"},
      {Blake3({"-l", "0x10"}), false, "error: invalid length: '0x10' (no hint)"},
      {Blake3({"-l", "1k"}), false, "error: invalid length: '1k' (no hint)"},
      {Blake3({"-l", "18446744073709551616"}), false,
       "error: invalid length: '18446744073709551616': " + std::string(std::strerror(EOVERFLOW)) +
           " (no hint)"},
      // Past the longest, whatever its size; whole bytes whatever they are.
      {Blake3({"-l", "4097"}), false, "error: invalid length: '4097'" + TooLong},
      {Blake3({"-l", "18446744073709551615"}), false,
       "error: invalid length: '18446744073709551615'" + TooLong},
      {Blake3({"-l", "7"}), false, "blake3-56 [-]"},
      // Refused where it stands.
      {Blake3({"-l", "4097", "--bogus"}), false, "error: invalid length: '4097'" + TooLong},
      {Blake3({"--bogus", "-l", "4097"}), false, "error: unrecognized option '--bogus'"},
      // --no-names, abbreviated too, before or after -a.
      {Blake3({"--no-names", "f"}), false, "blake3 no-names [f]"},
      {Blake3({"--no", "-z", "-l", "2"}), false, "blake3-16 zero no-names [-]"},
      {{"--n", "-a", "blake3"}, false, "blake3 no-names [-]"},
      {Blake3({"--no-names=yes"}), false, "error: option '--no-names' doesn't allow an argument"},
      {Blake3({"-b", "--no-names"}), false, "blake3 binary no-names [-]"},
      {Blake3({"-c", "-l", "16", "l"}), false, "blake3-128 check [l]"},
      // Refused with --check and --tag, after md5sum's own refusals; --tag refused with -l 0.
      {Blake3({"--no-names", "-c"}), false,
       "error: the --no-names option is meaningless when verifying checksums"},
      {Blake3({"--no-names", "--tag"}), false, "error: --tag does not support --no-names"},
      {Blake3({"--no-names", "--tag", "-c"}), false,
       "error: the --tag option is meaningless when verifying checksums"},
      {Blake3({"--no-names", "-c", "-w", "--status"}), false,
       "error: the --no-names option is meaningless when verifying checksums"},
      {Blake3({"--tag", "-l", "0"}), false, "error: --tag does not support --length=0"},
      {Blake3({"--tag", "-l", "32"}), false, "blake3-256 binary tag [-]"},
      // Among the possibilities of an abbreviation, after --length.
      {Blake3({"--="}), false,
       "error: option '--=' is ambiguous; possibilities: '--algorithm' '--length' '--no-names' "
       "'--check' '--ignore-missing' '--quiet' '--status' '--warn' '--strict' '--tag' '--zero' "
       "'--binary' '--text' '--help' '--version'"},
      // The other digests have no --no-names.
      {{"--no-names"}, false, "error: unrecognized option '--no-names'"},
      {{"-a", "blake2b", "--no"}, false, "error: unrecognized option '--no'"},
      {{"--no-names", "-a", "sha256"}, false, "error: unrecognized option '--no-names'"},
      {{"-a", "blake2b", "-l", "0", "--tag"}, false, "blake2b binary tag [-]"},
  };
  for (const TCommandCase& Case : Cases)
    ExpectRead(Case);
}

// getopt_long's values where ours differ; enable once SumOptions follows them.
TEST(SumOptions, ShowsAnAmbiguousAbbreviationWithItsArgument) {
  const TCommandCase Cases[] = {
      // An ambiguous abbreviation is shown with its argument.
      {{"--st=x", "f"},
       false,
       "error: option '--st=x' is ambiguous; possibilities: '--status' '--strict'"},
  };
  for (const TCommandCase& Case : Cases)
    ExpectRead(Case);
}

} // namespace
