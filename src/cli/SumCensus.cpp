#include "cli/SumCensus.h"

#include "cli/SumLines.h"
#include "files/InputFile.h"

#include <memory>
#include <optional>
#include <string_view>

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
  TCheckLineReader Reader;
  constexpr std::size_t Piece = 64 * 1024;
  auto Buffer = std::make_unique_for_overwrite<char[]>(Piece);
  for (const std::string& List : Options.Operands) {
    TInputError Error;
    std::optional<TInputFile> File;
    // Only a list that is a regular file can be read twice.
    if (RegularSize(List))
      File = TInputFile::Open(List, Error);
    if (!File)
      continue;
    std::string Line;
    const auto Consider = [&] {
      bool Skipped = false;
      if (auto Entry = Reader.Read(Line, false, Skipped))
        Take(Entry->Name);
      Line.clear();
    };
    for (std::int64_t Got; (Got = File->Read(Buffer.get(), Piece, Error)) > 0;) {
      if (Stop.stop_requested())
        return;
      std::string_view Rest(Buffer.get(), static_cast<std::size_t>(Got));
      for (std::size_t End; (End = Rest.find('\n')) != std::string_view::npos;) {
        Line.append(Rest.substr(0, End));
        Consider();
        Rest.remove_prefix(End + 1);
      }
      Line.append(Rest);
    }
    if (!Line.empty())
      Consider();
  }
  Counted(Files, Bytes);
}

} // namespace Sumtide::Cli
