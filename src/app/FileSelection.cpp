#include "app/Unit1.h"
#include "forms/Application.h"
#include "forms/SystemServices.h"

namespace Sumtide {

namespace {

constexpr const char* FileFilter =
    "All files (*.*)|*.*|Fichiers Executable (*.exe)|*.exe|Fichiers Texte (*.txt)|*.txt|"
    "Fichiers Doc (*.doc)|*.doc|Fichiers 7-Zip (*.7z)|*.7z|Fichiers Ace (*.ace)|*.ace|"
    "Fichiers Rar (*.rar)|*.rar|Fichiers Tar (*.tar)|*.tar|Fichiers Zip (*.zip)|*.zip|"
    "Fichiers Iso (*.iso)|*.iso|Fichiers Bin (*.bin)|*.bin";

// Releases a drop when the handler is done with it, whichever way it leaves.
class TDropRelease {
public:
  explicit TDropRelease(TDropHandle Drop) : FDrop(Drop) {}
  ~TDropRelease() {
    try {
      DragFinish(FDrop);
    } catch (...) {
      // Nothing more can be done with a drop the system refuses to release.
    }
  }
  TDropRelease(const TDropRelease&) = delete;
  TDropRelease& operator=(const TDropRelease&) = delete;

private:
  TDropHandle FDrop;
};

} // namespace

void TForm1::Button2Click(TComponent*) {
  OpenDialog1->SetFilter(FileFilter);
  OpenDialog1->SetFilterIndex(1);
  if (!OpenDialog1->Execute())
    return;
  Edit3->SetText(OpenDialog1->FileName());
  Button1->Click();
}

void TForm1::FormDropFiles(TMessage& Message) {
  const TDropHandle Drop = Message.WParam;
  TDropRelease Release(Drop);
  // One file is taken, whole; a drop of several changes nothing.
  if (DragQueryFileCount(Drop) == 1) {
    Edit3->SetText(DragQueryFileName(Drop, 0));
    Button1->Click();
  }
}

} // namespace Sumtide
