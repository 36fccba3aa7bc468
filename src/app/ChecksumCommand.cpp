#include "app/ChecksumDisplay.h"
#include "app/Unit1.h"
#include "checksum/DigestText.h"
#include "checksum/FileChecksum.h"

namespace Sumtide {

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
