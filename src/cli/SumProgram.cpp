#include "cli/SumProgram.h"

#include "cli/ShellQuote.h"
#include "cli/SumOptions.h"
#include "cli/SumText.h"
#include "files/InputFile.h"

#include <memory>
#include <optional>
#include <string_view>

namespace Sumtide::Cli {

namespace {

using TKind = TDigestOutcome::TKind;

// How many names are hashed together before their lines are written: enough to keep every lane
// and reader busy, few enough that memory stays bounded whatever the length of the list.
constexpr std::size_t BatchNames = 4096;
constexpr std::size_t ListPiece = 64 * 1024;

class TReporter {
public:
  explicit TReporter(const TSumStreams& Streams) : FStreams(Streams) {}

  void Out(std::string_view Text) { std::fwrite(Text.data(), 1, Text.size(), FStreams.Out); }
  void Error(std::string_view Text) {
    std::fprintf(FStreams.Err, "%s: %.*s\n", ProgramName, static_cast<int>(Text.size()),
                 Text.data());
  }
  void FileError(std::string_view Name, std::string_view Why) {
    Error(ShellQuote(Name) + ": " + std::string(Why));
  }

private:
  TSumStreams FStreams;
};

// Writes "sum  name" lines for each operand.
bool PrintSums(const TSumOptions& Options, IDigestEngine& Engine, TReporter& Report) {
  bool Ok = true;
  std::vector<TDigestOutcome> Outcomes;
  const std::vector<std::string>& Names = Options.Operands;
  for (std::size_t First = 0; First < Names.size(); First += BatchNames) {
    const std::vector<std::string> Batch(
        Names.begin() + static_cast<std::ptrdiff_t>(First),
        Names.begin() + static_cast<std::ptrdiff_t>(std::min(Names.size(), First + BatchNames)));
    Engine.DigestAll(Batch, Outcomes);
    for (std::size_t I = 0; I < Batch.size(); ++I) {
      if (Outcomes[I].Kind != TKind::Done) {
        Report.FileError(Batch[I], Outcomes[I].Error);
        Ok = false;
        continue;
      }
      Report.Out(
          SumLine(Batch[I], Outcomes[I].Digest, Options.Binary == 1, Options.Tag, Options.Zero));
    }
  }
  return Ok;
}

// Checks one checksum list.
class TListCheck {
public:
  TListCheck(const TSumOptions& Options, IDigestEngine& Engine, TReporter& Report,
             TCheckLineReader& Reader, std::string ListName)
      : FOptions(Options), FEngine(Engine), FReport(Report), FReader(Reader),
        FListName(std::move(ListName)), FListIsStandardInput(FListName == "-") {}

  bool Run() {
    TInputError Error;
    std::optional<TInputFile> List;
    if (FListIsStandardInput)
      List.emplace(TInputFile::StandardInput());
    else
      List = TInputFile::Open(FListName, Error);
    if (!List) {
      FReport.FileError(FListName, Error.Text);
      return false;
    }
    if (!ReadLines(*List))
      return false;
    CheckBatch();
    return Conclude();
  }

private:
  // A line of the list: an entry to check, or an improperly formatted line to warn about.
  struct TPending {
    std::uint64_t LineNumber = 0;
    bool Entry = false;
  };

  bool ReadLines(TInputFile& List) {
    auto Piece = std::make_unique_for_overwrite<char[]>(ListPiece);
    std::string Line;
    TInputError Error;
    for (;;) {
      const std::int64_t Got = List.Read(Piece.get(), ListPiece, Error);
      if (Got < 0) {
        // What came before the failure is checked and reported, as it would have been anyway.
        CheckBatch();
        FReport.FileError(FListName, Error.Text);
        return false;
      }
      if (Got == 0)
        break;
      std::string_view Rest(Piece.get(), static_cast<std::size_t>(Got));
      for (std::size_t End; (End = Rest.find('\n')) != std::string_view::npos;) {
        Line.append(Rest.substr(0, End));
        TakeLine(Line);
        Line.clear();
        Rest.remove_prefix(End + 1);
      }
      Line.append(Rest);
    }
    if (!Line.empty())
      TakeLine(Line);
    return true;
  }

  void TakeLine(std::string_view Line) {
    ++FLineNumber;
    bool Skipped = false;
    std::optional<TCheckEntry> Entry = FReader.Read(Line, FListIsStandardInput, Skipped);
    if (Skipped)
      return;
    if (!Entry) {
      ++FMisformatted;
      if (FOptions.Warn)
        FPending.push_back({FLineNumber, false});
    } else {
      FPending.push_back({FLineNumber, true});
      FNames.push_back(std::move(Entry->Name));
      FHexes.push_back(std::move(Entry->Hex));
      FProperlyFormatted = true;
    }
    if (FNames.size() == BatchNames)
      CheckBatch();
  }

  void CheckBatch() {
    std::vector<TDigestOutcome> Outcomes;
    if (!FNames.empty())
      FEngine.DigestAll(FNames, Outcomes);
    std::size_t Next = 0;
    for (const TPending& Pending : FPending) {
      if (!Pending.Entry) {
        FReport.Error(ShellQuote(FListName) + ": " + std::to_string(Pending.LineNumber) +
                      ": improperly formatted MD5 checksum line");
        continue;
      }
      Report(FNames[Next], FHexes[Next], Outcomes[Next]);
      ++Next;
    }
    FPending.clear();
    FNames.clear();
    FHexes.clear();
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
    const bool Matches = DigestMatches(Outcome.Digest, Hex);
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
      FReport.Error(ShellQuote(FListName) + ": no properly formatted MD5 checksum lines found");
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
        FReport.Error(ShellQuote(FListName) + ": no file was verified");
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
  std::uint64_t FLineNumber = 0;
  std::vector<TPending> FPending;
  std::vector<std::string> FNames, FHexes;
  bool FProperlyFormatted = false;
  bool FMatched = false;
  std::uint64_t FMisformatted = 0, FUnreadable = 0, FMismatched = 0;
};

} // namespace

void TSequentialEngine::DigestAll(const std::vector<std::string>& Names,
                                  std::vector<TDigestOutcome>& Outcomes) {
  Outcomes.clear();
  for (const std::string& Name : Names)
    Outcomes.push_back(DigestFile(Name));
}

int RunSum(const std::vector<std::string>& Args, IDigestEngine& Engine, const TSumStreams& Streams,
           bool PosixlyCorrect) {
  TReporter Report(Streams);
  const TParsedCommandLine Parsed = ParseSumCommandLine(Args, PosixlyCorrect);
  switch (Parsed.Action) {
  case TParsedCommandLine::TAction::Help:
    Report.Out(HelpText());
    return 0;
  case TParsedCommandLine::TAction::Version:
    Report.Out(VersionText());
    return 0;
  case TParsedCommandLine::TAction::UsageError:
    for (const std::string& Message : Parsed.Errors)
      Report.Error(Message);
    std::fprintf(Streams.Err, "Try '%s --help' for more information.\n", ProgramName);
    return 1;
  case TParsedCommandLine::TAction::Run:
    break;
  }
  const TSumOptions& Options = Parsed.Options;
  bool Ok = true;
  if (Options.Check) {
    // As md5sum does, the form of the lines seen in one list holds for the lists after it.
    TCheckLineReader Reader;
    for (const std::string& List : Options.Operands)
      Ok = TListCheck(Options, Engine, Report, Reader, List).Run() && Ok;
  } else {
    Ok = PrintSums(Options, Engine, Report);
  }
  if (std::fflush(Streams.Out) != 0 || std::ferror(Streams.Out)) {
    Report.Error("write error");
    return 1;
  }
  return Ok ? 0 : 1;
}

} // namespace Sumtide::Cli
