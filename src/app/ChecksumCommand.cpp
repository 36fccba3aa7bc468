#include "app/Unit1.h"
#include "checksum/DigestText.h"
#include "checksum/FileChecksum.h"
#include "forms/SystemServices.h"

#include <memory>
#include <optional>

namespace Sumtide {

namespace {

// Files of this size and more are hashed under a progress display; smaller ones without.
constexpr std::int64_t ProgressLimit = std::int64_t{1} << 31;

// What the user sees while a file is hashed: the wait cursor, and for a large file the progress
// display with its cancel button. A file that reports no size may never end (a pseudo-file, a
// file that keeps growing): it gets the display once it has given as many bytes as a large file
// holds, so that it can be cancelled.
class TChecksumDisplay final : public Checksum::IProgress {
public:
  void Started(std::int64_t Total) override {
    FBusy.emplace();
    if (Total >= ProgressLimit)
      Show();
  }
  bool Reached(std::int64_t Done, std::int64_t Total) override {
    if (!FDisplay && Total == 0 && Done >= ProgressLimit)
      Show();
    return !FDisplay || FDisplay->Step(Done, Total);
  }

private:
  void Show() { FDisplay = BeginProgress("Sumtide", "Calcul de la somme de contrôle MD5…"); }

  std::optional<TBusyCursor> FBusy;
  std::unique_ptr<Toolkit::IProgress> FDisplay; // closed before the wait cursor goes
};

} // namespace

void TForm1::Button1Click(TComponent*) {
  const std::string FileName = Edit3->Text();
  Checksum::TResult Result;
  {
    TChecksumDisplay Display;
    Result = Checksum::FileChecksum(FileName, &SCL_md51->HashClass(), this, &Display);
  }
  switch (Result.Status) {
  case Checksum::TStatus::Done:
    break;
  case Checksum::TStatus::ReadFailed:
    // The standard error display shows it; the message ends with the closing quote, so the
    // display adds no final period.
    throw Exception("Impossible de lire le fichier \"" + FileName + "\"");
  case Checksum::TStatus::Changed:
    throw Exception("Le fichier \"" + FileName + "\" a été modifié pendant le calcul");
  case Checksum::TStatus::NotAFile:
  case Checksum::TStatus::NotOpened:
  case Checksum::TStatus::Cancelled:
    // A name that is no regular file, a file that cannot be opened, and a cancelled run end the
    // command without a word: the fields keep what they showed.
    return;
  }
  Edit1->SetText(Checksum::DigestText(Result.Digest, Checksum::TLetterCase::Upper));
  Button3->SetEnabled(true);
}

} // namespace Sumtide
