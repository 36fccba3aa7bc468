#include "cli/SumOptions.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace Sumtide::Cli {

namespace {

using TAction = TParsedCommandLine::TAction;

enum class TOption {
  Algorithm,
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
// --algorithm first.
constexpr std::array<TLongOption, 13> LongOptions{{
    {"algorithm", TOption::Algorithm},
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

bool ShortOption(char Letter, TOption& Option) {
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
  case TOption::Algorithm: // read with its argument
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

TParsedCommandLine Fail(std::string Message) {
  TParsedCommandLine Result;
  Result.Action = TAction::UsageError;
  Result.Errors.push_back(std::move(Message));
  return Result;
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

} // namespace

TParsedCommandLine ParseSumCommandLine(const std::vector<std::string>& Args, bool PosixlyCorrect) {
  TParsedCommandLine Result;
  Result.Options.Digest = FindDigestKind("md5");
  // Sets the digest an option's argument names; false when it names none.
  const auto TakeAlgorithm = [&](const std::string& Argument) {
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
      if (Found->Option == TOption::Algorithm) {
        if (Equals == std::string_view::npos && At + 1 == Args.size())
          return Fail("option '" + LongName + "' requires an argument");
        const std::string Argument =
            Equals == std::string_view::npos ? Args[++At] : std::string(Body.substr(Equals + 1));
        if (!TakeAlgorithm(Argument))
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
      if (!ShortOption(Arg[Index], Option))
        return Fail(std::string("invalid option -- '") + Arg[Index] + "'");
      if (Option == TOption::Algorithm) {
        // The rest of this argument, or else the next one, is the name.
        if (Index + 1 == Arg.size() && At + 1 == Args.size())
          return Fail("option requires an argument -- 'a'");
        const std::string Argument = Index + 1 < Arg.size() ? Arg.substr(Index + 1) : Args[++At];
        if (!TakeAlgorithm(Argument))
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

} // namespace Sumtide::Cli
