#include "cli/SumOptions.h"

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
// --algorithm first, and b2sum's --length where b2sum has it.
constexpr std::array<TLongOption, 14> LongOptions{{
    {"algorithm", TOption::Algorithm},
    {"length", TOption::Length},
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

// How one reading of the command line takes -l.
enum class TLengths {
  None,    // as no option: the digest has one size
  Skipped, // as an option whose argument is left unread (the reading that finds the digest)
  Read     // as b2sum reads it
};

bool TakesArgument(TOption Option) {
  return Option == TOption::Algorithm || Option == TOption::Length;
}

bool ShortOption(char Letter, TLengths Lengths, TOption& Option) {
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
    return Lengths != TLengths::None;
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
}

// The size in bits -l's argument gives the digest Sized, read as b2sum reads it: a decimal
// number, blanks and a '+' allowed before it, 0 for the digest's own size, else a multiple of 8
// up to that size. False, with b2sum's messages, for any other text.
bool TakeLength(const std::string& Argument, const TDigestKind& Sized, TParsedCommandLine& Result) {
  const auto Refuse = [&](std::string Message, const char* Why) {
    Result.Action = TAction::UsageError;
    Result.HelpHint = false;
    Result.Errors.push_back("invalid length: " + LocaleQuote(Argument) + std::move(Message));
    if (Why)
      Result.Errors.emplace_back(Why);
    return false;
  };
  const std::string_view Text(Argument);
  std::size_t At = Text.find_first_not_of(" \t\n\v\f\r");
  At = At == std::string_view::npos ? Text.size() : At;
  if (At < Text.size() && Text[At] == '+')
    ++At;
  const std::size_t Digits = At;
  std::uintmax_t Bits = 0;
  bool Overflow = false;
  for (; At < Text.size() && Text[At] >= '0' && Text[At] <= '9'; ++At) {
    const auto Digit = static_cast<std::uintmax_t>(Text[At] - '0');
    Overflow = Overflow || Bits > (UINTMAX_MAX - Digit) / 10;
    if (!Overflow)
      Bits = Bits * 10 + Digit;
  }
  if (At == Digits || At < Text.size())
    return Refuse("", nullptr);
  if (Overflow)
    return Refuse(std::string(": ") + std::strerror(EOVERFLOW), nullptr);
  if (Bits % 8 != 0)
    return Refuse("", "length is not a multiple of 8");
  const std::size_t Most = 8 * Sized.DigestBytes;
  if (Bits > Most) {
    const std::string Why = "maximum digest length for " + LocaleQuote(Sized.Tag) + " is " +
                            std::to_string(Most) + " bits";
    return Refuse("", Why.c_str());
  }
  Result.Options.DigestBits = static_cast<std::size_t>(Bits);
  return true;
}

// One reading of the command line, -l taken as Lengths says, for the digest Sized when it is
// read.
TParsedCommandLine ReadCommandLine(const std::vector<std::string>& Args, bool PosixlyCorrect,
                                   TLengths Lengths, const TDigestKind* Sized) {
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
    if (Option == TOption::Length)
      return Lengths != TLengths::Read || TakeLength(Argument, *Sized, Result);
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
        if (Long.Option == TOption::Length && Lengths == TLengths::None)
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
      if (!ShortOption(Arg[Index], Lengths, Option))
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
  // Whether -l is an option depends on the digest the command line names, wherever -a stands: a
  // first reading finds it (the one named before a refusal, where there is one).
  const TDigestKind* Named =
      ReadCommandLine(Args, PosixlyCorrect, TLengths::Skipped, nullptr).Options.Digest;
  if (!TakesDigestSizes(*Named))
    return ReadCommandLine(Args, PosixlyCorrect, TLengths::None, nullptr);
  return ReadCommandLine(Args, PosixlyCorrect, TLengths::Read, Named);
}

} // namespace Sumtide::Cli
