#include "cli/SumCensus.h"

#include "cli/ListLines.h"
#include "cli/SumLines.h"
#include "files/InputFile.h"

#include <optional>

namespace Sumtide::Cli {

namespace {

std::optional<std::int64_t> RegularSize(const std::string& Name) {
  if (Name == "-")
    return std::nullopt;
  return RegularFileSize(Name);
}

} // namespace

void CountFiles(const TSumOptions& Options, std::stop_token Stop,
                const std::function<void(std::uint64_t Files, std::int64_t Bytes)>& Counted) {
  std::uint64_t Files = 0;
  std::int64_t Bytes = 0;
  const auto Take = [&](const std::string& Name) {
    ++Files;
    Bytes += RegularSize(Name).value_or(0);
  };
  if (!Options.Check) {
    for (const std::string& Name : Options.Operands) {
      if (Stop.stop_requested())
        return;
      Take(Name);
    }
    Counted(Files, Bytes);
    return;
  }
  TCheckLineReader Reader(*Options.Digest);
  for (const std::string& List : Options.Operands) {
    TInputError Error;
    std::optional<TInputFile> File;
    // Only a list that is a regular file can be read twice.
    if (RegularSize(List))
      File = TInputFile::Open(List, TFileKinds::Any, Error);
    if (!File)
      continue;
    TListLines Lines(*File);
    for (std::string Line; Lines.Next(Line);) {
      if (Stop.stop_requested())
        return;
      bool Skipped = false;
      if (auto Entry = Reader.Read(Line, false, Skipped))
        Take(Entry->Name);
    }
  }
  Counted(Files, Bytes);
}

} // namespace Sumtide::Cli
