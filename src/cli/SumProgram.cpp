#include "cli/SumProgram.h"

#include "cli/B3sumLines.h"
#include "cli/LineOutput.h"
#include "cli/ListLines.h"
#include "cli/ProgressLine.h"
#include "cli/ShellQuote.h"
#include "cli/SumCensus.h"
#include "cli/SumLines.h"
#include "cli/SumOptions.h"
#include "cli/SumText.h"
#include "files/InputFile.h"

#include <deque>
#include <memory>
#include <optional>
#include <string_view>
#include <thread>

namespace Sumtide::Cli {

namespace {

using TKind = TDigestOutcome::TKind;
using TNames = IDigestEngine::TNames;

class TReporter {
public:
  explicit TReporter(const TSumStreams& Streams) : FStreams(Streams), FOutput(Streams.Out) {}

  // Text: whole lines.
  void Out(std::string_view Text) {
    if (FProgress && FStreams.OutIsTerminal)
      FProgress->Wipe();
    FOutput.Write(Text);
  }
  // The lines held back reach standard output now.
  void Flush() { FOutput.Flush(); }
  void Error(std::string_view Text) {
    // What was written before the message comes before it, where both go to the same file.
    FOutput.Flush();
    if (FProgress)
      FProgress->Wipe();
    std::fprintf(FStreams.Err, "%s: %.*s\n", FStreams.Invoked.c_str(),
                 static_cast<int>(Text.size()), Text.data());
  }

  // Draws the progress line from now on, with the engine's byte count.
  void FollowProgress(TProgressLine& Line, const TSumOptions& Options, IDigestEngine& Engine) {
    FProgress = &Line;
    FOptions = &Options;
    FEngine = &Engine;
    Engine.SetTick([this] { Tick(); });
  }
  // One more file reported.
  void FileDone() {
    ++FFilesDone;
    Tick();
  }
  void Tick() {
    if (!FProgress || !FProgress->Due())
      return;
    if (!FCensus.joinable())
      FCensus = std::jthread([this](std::stop_token Stop) {
        CountFiles(*FOptions, Stop, [this](std::uint64_t Files, std::int64_t Bytes) {
          FProgress->SetTotals(Files, Bytes);
        });
      });
    FProgress->Update(FFilesDone, FEngine->BytesRead());
  }
  void FileError(std::string_view Name, std::string_view Why) {
    Error(ShellQuote(Name) + ": " + std::string(Why));
  }
  // Closes standard output; false, with the message given, when some output did not reach it.
  bool Finish() {
    const std::optional<std::string> Failure = FOutput.Finish();
    if (Failure)
      Error(*Failure);
    return !Failure;
  }

private:
  TSumStreams FStreams;
  TLineOutput FOutput;
  TProgressLine* FProgress = nullptr;
  const TSumOptions* FOptions = nullptr;
  IDigestEngine* FEngine = nullptr;
  std::uint64_t FFilesDone = 0;
  std::jthread FCensus; // stopped and joined before the line goes
};

// The digest at the size -l gives; its own for an empty one, of which nothing is shown.
const TDigestKind& SizedDigest(const TSumOptions& Options) {
  if (!Options.DigestBits || *Options.DigestBits == 0)
    return *Options.Digest;
  const TDigestKind* Sized = DigestOfSize(*Options.Digest, *Options.DigestBits);
  if (!Sized)
    throw ESCL_hash(std::string(Options.Digest->Tag) + " has no digest of " +
                    std::to_string(*Options.DigestBits) + " bits");
  return *Sized;
}

// The line of one file's digest: b3sum's where the digest follows b3sum and the line has its
// form, else md5sum's.
std::string PrintedLine(const TSumOptions& Options, const TDigestKind& Kind,
                        const std::string& Name, std::span<const std::uint8_t> Digest) {
  const bool Binary = Options.Binary == 1;
  if (Options.NoNames)
    return DigitsLine(Digest, Options.Zero);
  if (FollowsB3sum(Kind) && !Options.Tag && !Options.Zero)
    return B3sumLine(Name, Digest, Binary);
  return SumLine(Name, Digest, Kind.Tag, Binary, Options.Tag, Options.Zero);
}

// Writes "sum  name" lines for each operand.
bool PrintSums(const TSumOptions& Options, IDigestEngine& Engine, TReporter& Report) {
  bool Ok = true;
  std::size_t Next = 0;
  const TDigestKind& Kind = SizedDigest(Options);
  // b3sum's -l 0: nothing of the digest is shown.
  const std::size_t Shown = Options.DigestBits == 0 ? 0 : Kind.DigestBytes;
  Engine.Run(
      Kind,
      [&](std::string& Name, bool) {
        if (Next == Options.Operands.size())
          return TNames::End;
        Name = Options.Operands[Next++];
        return TNames::Name;
      },
      [&](const std::string& Name, TDigestOutcome& Outcome) {
        Report.FileDone();
        if (Outcome.Kind != TKind::Done) {
          Report.FileError(Name, Outcome.Error);
          Ok = false;
          return;
        }
        Report.Out(PrintedLine(Options, Kind, Name, Outcome.Digest.View().first(Shown)));
      });
  return Ok;
}

// Checks one checksum list.
class TListCheck {
public:
  TListCheck(const TSumOptions& Options, IDigestEngine& Engine, TReporter& Report,
             TCheckLineReader& Reader, std::string ListName)
      : FOptions(Options), FEngine(Engine), FReport(Report), FReader(Reader),
        FListName(std::move(ListName)), FListIsStandardInput(FListName == "-"),
        FShownName(FListIsStandardInput ? "standard input" : FListName) {}

  bool Run() {
    TInputError Error;
    // Opening a FIFO waits for its writer: what the lists before gave is out first.
    FReport.Flush();
    if (FListIsStandardInput)
      FList.emplace(TInputFile::StandardInput());
    else
      FList = TInputFile::Open(FListName, TFileKinds::Any, Error);
    if (!FList) {
      FReport.FileError(FListName, Error.Text);
      return false;
    }
    FLines.emplace(*FList);
    // One run of the engine hashes the files of consecutive entries of one digest size: an entry
    // of another size (in a list of BLAKE2b or BLAKE3 digests of several lengths) ends it and
    // begins the next one.
    FRunDigest = FOptions.Digest;
    do {
      FEngine.Run(
          *FRunDigest, [this](std::string& Name, bool MayWait) { return NextEntry(Name, MayWait); },
          [this](const std::string& Name, TDigestOutcome& Outcome) {
            FReport.FileDone();
            WarnUpTo(FHexes.front().first);
            Report(Name, FHexes.front().second, Outcome);
            FHexes.pop_front();
          });
    } while (FWaiting);
    WarnUpTo(UINT64_MAX);
    // The system's words are not given for a list that fails to read, as md5sum gives none.
    if (!FLines->Error().empty()) {
      FReport.FileError(FShownName, "read error");
      return false;
    }
    return Conclude();
  }

private:
  // Reads lines up to the next entry; counts and keeps the improperly formatted ones before it.
  TNames NextEntry(std::string& Name, bool MayWait) {
    if (FWaiting) {
      HandOut(FWaiting->first, std::move(FWaiting->second), Name);
      FWaiting.reset();
      return TNames::Name;
    }
    std::string Line;
    for (;;) {
      TListLines::TGot Got = FLines->Next(Line, false);
      if (Got == TListLines::TGot::NotYet) {
        if (!MayWait)
          return TNames::NotYet;
        // Every entry before was reported: the warnings of the lines since go out before the wait.
        WarnUpTo(FLineNumber + 1);
        Got = FLines->Next(Line, true);
      }
      if (Got == TListLines::TGot::End)
        return TNames::End;
      ++FLineNumber;
      bool Skipped = false;
      std::optional<TCheckEntry> Entry = FReader.Read(Line, FListIsStandardInput, Skipped);
      if (Skipped)
        continue;
      // The digest at the size its hexadecimal digits tell.
      const TDigestKind* Digest =
          Entry ? DigestOfSize(*FOptions.Digest, 4 * Entry->Hex.size()) : nullptr;
      if (!Digest) {
        ++FMisformatted;
        if (FOptions.Warn)
          FWarnings.push_back(FLineNumber);
        continue;
      }
      FProperlyFormatted = true;
      if (Digest != FRunDigest) {
        FRunDigest = Digest;
        FWaiting.emplace(FLineNumber, std::move(*Entry));
        return TNames::End;
      }
      HandOut(FLineNumber, std::move(*Entry), Name);
      return TNames::Name;
    }
  }

  // The entry of line Number goes to the engine.
  void HandOut(std::uint64_t Number, TCheckEntry&& Entry, std::string& Name) {
    FHexes.emplace_back(Number, std::move(Entry.Hex));
    Name = std::move(Entry.Name);
  }

  // Warns of the improperly formatted lines before line Number.
  void WarnUpTo(std::uint64_t Number) {
    while (!FWarnings.empty() && FWarnings.front() < Number) {
      FReport.Error(ShellQuote(FShownName) + ": " + std::to_string(FWarnings.front()) +
                    ": improperly formatted " + std::string(FOptions.Digest->Tag) +
                    " checksum line");
      FWarnings.pop_front();
    }
  }

  void Report(const std::string& Name, const std::string& Hex, const TDigestOutcome& Outcome) {
    // Escaped only where the name would break the line, to keep the output easy to parse.
    const bool Escape = !FOptions.Status && Name.find('\n') != std::string::npos;
    const auto Line = [&](const char* Verdict) {
      FReport.Out((Escape ? "\\" + EscapeName(Name) : Name) + ": " + Verdict + "\n");
    };
    if (Outcome.Kind == TKind::Missing && FOptions.IgnoreMissing)
      return;
    if (Outcome.Kind != TKind::Done) {
      FReport.FileError(Name, Outcome.Error);
      ++FUnreadable;
      if (!FOptions.Status)
        Line("FAILED open or read");
      return;
    }
    const bool Matches = DigestMatches(Outcome.Digest.View(), Hex);
    if (Matches)
      FMatched = true;
    else
      ++FMismatched;
    if (FOptions.Status)
      return;
    if (!Matches)
      Line("FAILED");
    else if (!FOptions.Quiet)
      Line("OK");
  }

  bool Conclude() {
    if (!FProperlyFormatted) {
      FReport.Error(ShellQuote(FShownName) + ": no properly formatted checksum lines found");
      return false;
    }
    if (!FOptions.Status) {
      if (FMisformatted)
        FReport.Error(Warning(FMisformatted, "line is improperly formatted",
                              "lines are improperly formatted"));
      if (FUnreadable)
        FReport.Error(Warning(FUnreadable, "listed file could not be read",
                              "listed files could not be read"));
      if (FMismatched)
        FReport.Error(Warning(FMismatched, "computed checksum did NOT match",
                              "computed checksums did NOT match"));
      if (FOptions.IgnoreMissing && !FMatched)
        FReport.Error(ShellQuote(FShownName) + ": no file was verified");
    }
    return FMismatched == 0 && FUnreadable == 0 && (!FOptions.Strict || FMisformatted == 0) &&
           (!FOptions.IgnoreMissing || FMatched);
  }

  static std::string Warning(std::uint64_t Count, const char* One, const char* Many) {
    return "WARNING: " + std::to_string(Count) + " " + (Count == 1 ? One : Many);
  }

  const TSumOptions& FOptions;
  IDigestEngine& FEngine;
  TReporter& FReport;
  TCheckLineReader& FReader;
  std::string FListName;
  bool FListIsStandardInput;
  std::string FShownName; // the list's name in messages: "standard input" for "-"
  std::optional<TInputFile> FList;
  std::optional<TListLines> FLines;
  std::uint64_t FLineNumber = 0;
  std::deque<std::uint64_t> FWarnings; // line numbers not yet reported
  // The line number and expected digest of each entry handed out and not yet reported.
  std::deque<std::pair<std::uint64_t, std::string>> FHexes;
  // The digest the engine runs with, and the entry of another size that ended its run, with its
  // line number, until the next run takes it.
  const TDigestKind* FRunDigest = nullptr;
  std::optional<std::pair<std::uint64_t, TCheckEntry>> FWaiting;
  bool FProperlyFormatted = false;
  bool FMatched = false;
  std::uint64_t FMisformatted = 0, FUnreadable = 0, FMismatched = 0;
};

// Prints the sums of the operands, or checks the lists they name.
bool RunChecksums(const TSumOptions& Options, IDigestEngine& Engine, TReporter& Report,
                  const TSumStreams& Streams, std::optional<TProgressLine>& Progress) {
  if (Streams.Progress) {
    Progress.emplace(Streams.Err);
    Report.FollowProgress(*Progress, Options, Engine);
  }
  Engine.SetBeforeWait([&Report] { Report.Flush(); });
  bool Ok = true;
  if (Options.Check) {
    // As md5sum does, the form of the lines seen in one list holds for the lists after it.
    TCheckLineReader Reader(*Options.Digest);
    for (const std::string& List : Options.Operands)
      Ok = TListCheck(Options, Engine, Report, Reader, List).Run() && Ok;
  } else {
    Ok = PrintSums(Options, Engine, Report);
  }
  Engine.SetBeforeWait({});
  if (Progress)
    Progress->Wipe();
  return Ok;
}

} // namespace

void TSequentialEngine::Run(const TDigestKind& Kind, const TNext& Next, const TDeliver& Deliver) {
  std::string Name;
  for (;;) {
    // Each file, and each name that must be waited for, comes once all before it are delivered.
    if (FBeforeWait)
      FBeforeWait();
    if (Next(Name, true) != TNames::Name)
      return;
    TDigestOutcome Outcome = DigestFile(Name, Kind, FBytesRead);
    Deliver(Name, Outcome);
  }
}

int RunSum(const std::vector<std::string>& Args, IDigestEngine& Engine, const TSumStreams& Streams,
           bool PosixlyCorrect) {
  // Declared before the reporter, which stops its counting thread before the line goes.
  std::optional<TProgressLine> Progress;
  TReporter Report(Streams);
  const TParsedCommandLine Parsed = ParseSumCommandLine(Args, PosixlyCorrect);
  bool Ok = true;
  switch (Parsed.Action) {
  case TParsedCommandLine::TAction::Help:
    Report.Out(HelpText());
    break;
  case TParsedCommandLine::TAction::Version:
    Report.Out(VersionText());
    break;
  case TParsedCommandLine::TAction::UsageError:
    for (const std::string& Message : Parsed.Errors)
      Report.Error(Message);
    for (const std::string& Line : Parsed.Details)
      std::fprintf(Streams.Err, "%s\n", Line.c_str());
    if (Parsed.HelpHint)
      std::fprintf(Streams.Err, "Try '%s --help' for more information.\n", Streams.Invoked.c_str());
    Ok = false;
    break;
  case TParsedCommandLine::TAction::Run:
    Ok = RunChecksums(Parsed.Options, Engine, Report, Streams, Progress);
    break;
  }
  return Report.Finish() && Ok ? 0 : 1;
}

} // namespace Sumtide::Cli
