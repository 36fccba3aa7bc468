#include "cli/SumOptions.h"

#include "cli/B3sumLines.h"
#include "cli/ShellQuote.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace Sumtide::Cli {

namespace {

using TAction = TParsedCommandLine::TAction;

enum class TOption {
  Algorithm,
  Length,
  NoNames,
  Binary,
  Check,
  IgnoreMissing,
  Quiet,
  Status,
  Strict,
  Tag,
  Text,
  Warn,
  Zero,
  Help,
  Version
};

struct TLongOption {
  std::string_view Name;
  TOption Option;
};

// In the order getopt lists the possibilities of an ambiguous abbreviation: md5sum's, with
// --algorithm first, b2sum's --length where b2sum has it, and b3sum's --no-names after it.
constexpr std::array<TLongOption, 15> LongOptions{{
    {"algorithm", TOption::Algorithm},
    {"length", TOption::Length},
    {"no-names", TOption::NoNames},
    {"check", TOption::Check},
    {"ignore-missing", TOption::IgnoreMissing},
    {"quiet", TOption::Quiet},
    {"status", TOption::Status},
    {"warn", TOption::Warn},
    {"strict", TOption::Strict},
    {"tag", TOption::Tag},
    {"zero", TOption::Zero},
    {"binary", TOption::Binary},
    {"text", TOption::Text},
    {"help", TOption::Help},
    {"version", TOption::Version},
}};

// How one reading of the command line takes the options only some digests have.
struct TDigestOptions {
  bool Length = false;  // -l/--length is an option
  bool NoNames = false; // --no-names is an option
  // The digest -l's argument is read for; nothing: the argument is left unread (by the reading
  // that finds the digest, which knows both options).
  const TDigestKind* Sized = nullptr;
  bool LengthInBytes = false; // b3sum's -l; else b2sum's, in bits
};

bool TakesArgument(TOption Option) {
  return Option == TOption::Algorithm || Option == TOption::Length;
}

bool ShortOption(char Letter, const TDigestOptions& Extra, TOption& Option) {
  switch (Letter) {
  case 'a':
    Option = TOption::Algorithm;
    return true;
  case 'b':
    Option = TOption::Binary;
    return true;
  case 'c':
    Option = TOption::Check;
    return true;
  case 'l':
    Option = TOption::Length;
    return Extra.Length;
  case 't':
    Option = TOption::Text;
    return true;
  case 'w':
    Option = TOption::Warn;
    return true;
  case 'z':
    Option = TOption::Zero;
    return true;
  default:
    return false;
  }
}

// Applies one option; false when it ends the reading (help or version).
bool Apply(TOption Option, TParsedCommandLine& Result) {
  TSumOptions& O = Result.Options;
  switch (Option) {
  case TOption::Algorithm: // read with their argument
  case TOption::Length:
    break;
  case TOption::NoNames:
    O.NoNames = true;
    break;
  case TOption::Binary:
    O.Binary = 1;
    break;
  case TOption::Check:
    O.Check = true;
    break;
  case TOption::IgnoreMissing:
    O.IgnoreMissing = true;
    break;
  case TOption::Quiet:
    O.Quiet = true;
    O.Status = false;
    O.Warn = false;
    break;
  case TOption::Status:
    O.Status = true;
    O.Warn = false;
    O.Quiet = false;
    break;
  case TOption::Strict:
    O.Strict = true;
    break;
  case TOption::Tag:
    O.Tag = true;
    O.Binary = 1;
    break;
  case TOption::Text:
    O.Binary = 0;
    break;
  case TOption::Warn:
    O.Warn = true;
    O.Status = false;
    O.Quiet = false;
    break;
  case TOption::Zero:
    O.Zero = true;
    break;
  case TOption::Help:
    Result.Action = TAction::Help;
    return false;
  case TOption::Version:
    Result.Action = TAction::Version;
    return false;
  }
  return true;
}

// The digest an --algorithm argument names: exactly, or as the only one it begins; nothing, and
// the error, for another text.
const TDigestKind* NamedDigest(const std::string& Argument, TParsedCommandLine& Errors) {
  const TDigestKind* Found = nullptr;
  bool Ambiguous = false;
  for (const TDigestKind& Kind : DigestKinds()) {
    if (Kind.Name == Argument)
      return &Kind;
    if (Kind.Name.starts_with(Argument)) {
      Ambiguous = Found != nullptr;
      Found = &Kind;
    }
  }
  if (Found && !Ambiguous)
    return Found;
  Errors.Action = TAction::UsageError;
  Errors.Errors.push_back(std::string(Ambiguous ? "ambiguous" : "invalid") + " argument '" +
                          Argument + "' for '--algorithm'");
  Errors.Details.emplace_back("Valid arguments are:");
  for (const TDigestKind& Kind : DigestKinds())
    Errors.Details.push_back("  - '" + std::string(Kind.Name) + "'");
  return nullptr;
}

// The checks md5sum makes once the options are read, in its order.
void CheckCombination(TParsedCommandLine& Result) {
  const TSumOptions& O = Result.Options;
  const auto Fail = [&](const char* Message) {
    Result.Action = TAction::UsageError;
    Result.Errors.emplace_back(Message);
  };
  if (O.Tag && O.Binary == 0)
    return Fail("--tag does not support --text mode");
  if (O.Zero && O.Check)
    return Fail("the --zero option is not supported when verifying checksums");
  if (O.Tag && O.Check)
    return Fail("the --tag option is meaningless when verifying checksums");
  if (O.Binary >= 0 && O.Check)
    return Fail("the --binary and --text options are meaningless when verifying checksums");
  if (O.IgnoreMissing && !O.Check)
    return Fail("the --ignore-missing option is meaningful only when verifying checksums");
  if (O.Status && !O.Check)
    return Fail("the --status option is meaningful only when verifying checksums");
  if (O.Warn && !O.Check)
    return Fail("the --warn option is meaningful only when verifying checksums");
  if (O.Quiet && !O.Check)
    return Fail("the --quiet option is meaningful only when verifying checksums");
  if (O.Strict && !O.Check)
    return Fail("the --strict option is meaningful only when verifying checksums");
  // b3sum's --no-names, worded as md5sum words the others.
  if (O.NoNames && O.Check)
    return Fail("the --no-names option is meaningless when verifying checksums");
  if (O.NoNames && O.Tag)
    return Fail("--tag does not support --no-names");
  // A tagged line names its digest's length; b3sum's -l 0 leaves none to name.
  if (O.Tag && O.DigestBits == 0)
    return Fail("--tag does not support --length=0");
}

// The number of -l's argument from At on: decimal digits up to the end of Text, at least one.
// Nothing for any other text; Overflow tells of a number past the largest one.
std::optional<std::uintmax_t> DecimalNumber(std::string_view Text, std::size_t At, bool& Overflow) {
  const std::size_t Digits = At;
  std::uintmax_t Number = 0;
  Overflow = false;
  for (; At < Text.size() && Text[At] >= '0' && Text[At] <= '9'; ++At) {
    const auto Digit = static_cast<std::uintmax_t>(Text[At] - '0');
    Overflow = Overflow || Number > (UINTMAX_MAX - Digit) / 10;
    if (!Overflow)
      Number = Number * 10 + Digit;
  }
  if (At == Digits || At < Text.size())
    return std::nullopt;
  return Number;
}

// Refuses -l's argument: "invalid length: 'ARGUMENT'" followed by Message, then the line Why if
// there is one; no hint at --help follows.
bool RefuseLength(const std::string& Argument, TParsedCommandLine& Result, std::string Message,
                  const std::string& Why = "") {
  Result.Action = TAction::UsageError;
  Result.HelpHint = false;
  Result.Errors.push_back("invalid length: " + LocaleQuote(Argument) + std::move(Message));
  if (!Why.empty())
    Result.Errors.push_back(Why);
  return false;
}

// The size in bits -l's argument gives the digest Sized, read as b2sum reads it: a decimal
// number, blanks and a '+' allowed before it, 0 for the digest's own size, else a multiple of 8
// up to that size. False, with b2sum's messages, for any other text.
bool TakeLengthInBits(const std::string& Argument, const TDigestKind& Sized,
                      TParsedCommandLine& Result) {
  const std::string_view Text(Argument);
  std::size_t At = Text.find_first_not_of(" \t\n\v\f\r");
  At = At == std::string_view::npos ? Text.size() : At;
  if (At < Text.size() && Text[At] == '+')
    ++At;
  bool Overflow = false;
  const std::optional<std::uintmax_t> Bits = DecimalNumber(Text, At, Overflow);
  if (!Bits)
    return RefuseLength(Argument, Result, "");
  if (Overflow)
    return RefuseLength(Argument, Result, std::string(": ") + std::strerror(EOVERFLOW));
  if (*Bits % 8 != 0)
    return RefuseLength(Argument, Result, "", "length is not a multiple of 8");
  const std::size_t Most = 8 * LongestDigestBytes(Sized);
  if (*Bits > Most)
    return RefuseLength(Argument, Result, "",
                        "maximum digest length for " + LocaleQuote(Sized.Tag) + " is " +
                            std::to_string(Most) + " bits");
  if (*Bits != 0)
    Result.Options.DigestBits = static_cast<std::size_t>(*Bits);
  else
    Result.Options.DigestBits.reset();
  return true;
}

// The size in bytes -l's argument gives the digest Sized, read as b3sum reads it: a decimal
// number, a '+' allowed before it (no blank), 0 for a digest of no byte; up to the longest
// digest the library gives (b3sum has no such limit). False, with messages worded as b2sum's,
// for any other text.
bool TakeLengthInBytes(const std::string& Argument, const TDigestKind& Sized,
                       TParsedCommandLine& Result) {
  const std::string_view Text(Argument);
  bool Overflow = false;
  const std::optional<std::uintmax_t> Bytes =
      DecimalNumber(Text, Text.starts_with('+') ? 1 : 0, Overflow);
  if (!Bytes)
    return RefuseLength(Argument, Result, "");
  if (Overflow)
    return RefuseLength(Argument, Result, std::string(": ") + std::strerror(EOVERFLOW));
  const std::size_t Most = LongestDigestBytes(Sized);
  if (*Bytes > Most)
    return RefuseLength(Argument, Result, "",
                        "maximum digest length for " + LocaleQuote(Sized.Tag) + " is " +
                            std::to_string(Most) + " bytes");
  Result.Options.DigestBits = 8 * static_cast<std::size_t>(*Bytes);
  return true;
}

// One reading of the command line, the options only some digests have taken as Extra says.
TParsedCommandLine ReadCommandLine(const std::vector<std::string>& Args, bool PosixlyCorrect,
                                   const TDigestOptions& Extra) {
  TParsedCommandLine Result;
  Result.Options.Digest = FindDigestKind("md5");
  // The reading ends with a message; what was read before stays, the digest named so far too.
  const auto Fail = [&Result](std::string Message) {
    Result.Action = TAction::UsageError;
    Result.Errors.push_back(std::move(Message));
    return Result;
  };
  // Reads an option's argument; false when it is refused.
  const auto TakeArgument = [&](TOption Option, const std::string& Argument) {
    if (Option == TOption::Length) {
      if (!Extra.Sized)
        return true;
      return Extra.LengthInBytes ? TakeLengthInBytes(Argument, *Extra.Sized, Result)
                                 : TakeLengthInBits(Argument, *Extra.Sized, Result);
    }
    const TDigestKind* Kind = NamedDigest(Argument, Result);
    if (Kind)
      Result.Options.Digest = Kind;
    return Kind != nullptr;
  };
  bool OptionsEnded = false;
  for (std::size_t At = 0; At < Args.size(); ++At) {
    const std::string& Arg = Args[At];
    if (OptionsEnded || Arg.size() < 2 || Arg[0] != '-') {
      Result.Options.Operands.push_back(Arg);
      OptionsEnded = OptionsEnded || PosixlyCorrect;
      continue;
    }
    if (Arg == "--") {
      OptionsEnded = true;
      continue;
    }
    if (Arg[1] == '-') {
      const std::string_view Body = std::string_view(Arg).substr(2);
      const std::size_t Equals = Body.find('=');
      const std::string_view Name = Body.substr(0, Equals);
      const TLongOption* Found = nullptr;
      std::vector<const TLongOption*> Candidates;
      for (const TLongOption& Long : LongOptions) {
        if ((Long.Option == TOption::Length && !Extra.Length) ||
            (Long.Option == TOption::NoNames && !Extra.NoNames))
          continue;
        if (Long.Name == Name) {
          Found = &Long;
          Candidates.clear();
          break;
        }
        if (Long.Name.starts_with(Name))
          Candidates.push_back(&Long);
      }
      if (!Found && Candidates.size() == 1)
        Found = Candidates.front();
      if (!Found && Candidates.size() > 1) {
        std::string Message = "option '" + Arg + "' is ambiguous; possibilities:";
        for (const TLongOption* Candidate : Candidates)
          Message += " '--" + std::string(Candidate->Name) + "'";
        return Fail(Message);
      }
      if (!Found)
        return Fail("unrecognized option '" + Arg + "'");
      const std::string LongName = "--" + std::string(Found->Name);
      if (TakesArgument(Found->Option)) {
        if (Equals == std::string_view::npos && At + 1 == Args.size())
          return Fail("option '" + LongName + "' requires an argument");
        const std::string Argument =
            Equals == std::string_view::npos ? Args[++At] : std::string(Body.substr(Equals + 1));
        if (!TakeArgument(Found->Option, Argument))
          return Result;
        continue;
      }
      if (Equals != std::string_view::npos)
        return Fail("option '" + LongName + "' doesn't allow an argument");
      if (!Apply(Found->Option, Result))
        return Result;
      continue;
    }
    for (std::size_t Index = 1; Index < Arg.size(); ++Index) {
      TOption Option{};
      if (!ShortOption(Arg[Index], Extra, Option))
        return Fail(std::string("invalid option -- '") + Arg[Index] + "'");
      if (TakesArgument(Option)) {
        // The rest of this argument, or else the next one, is the argument.
        if (Index + 1 == Arg.size() && At + 1 == Args.size())
          return Fail(std::string("option requires an argument -- '") + Arg[Index] + "'");
        const std::string Argument = Index + 1 < Arg.size() ? Arg.substr(Index + 1) : Args[++At];
        if (!TakeArgument(Option, Argument))
          return Result;
        break;
      }
      Apply(Option, Result);
    }
  }
  CheckCombination(Result);
  if (Result.Action == TAction::Run && Result.Options.Operands.empty())
    Result.Options.Operands.emplace_back("-");
  return Result;
}

} // namespace

TParsedCommandLine ParseSumCommandLine(const std::vector<std::string>& Args, bool PosixlyCorrect) {
  // Whether -l and --no-names are options depends on the digest the command line names, wherever
  // -a stands: a first reading finds it (the one named before a refusal, where there is one).
  const TDigestOptions Finding{.Length = true, .NoNames = true};
  const TDigestKind* Named = ReadCommandLine(Args, PosixlyCorrect, Finding).Options.Digest;
  const bool B3sum = FollowsB3sum(*Named);
  const TDigestOptions Extra{
      .Length = TakesDigestSizes(*Named), .NoNames = B3sum, .Sized = Named, .LengthInBytes = B3sum};
  return ReadCommandLine(Args, PosixlyCorrect, Extra);
}

} // namespace Sumtide::Cli
