#include "app/Unit1.h"
#include "forms/Application.h"
#include "forms/SystemServices.h"
#include "rtl/StringUtils.h"

namespace Sumtide {

void TForm1::Button3Click(TComponent*) {
  Edit2->SetText(Trim(Edit2->Text()));
  const std::string Expected = AnsiUpperCase(Edit2->Text());
  const std::string Computed = AnsiUpperCase(Edit1->Text());
  if (Expected == Computed)
    Application->ShowMessageBox("Les sommes de contrôle MD5 sont identiques.", "",
                                Toolkit::TMessageKind::Information);
  else
    Application->ShowMessageBox("Les sommes de contrôle MD5 sont différentes.", "",
                                Toolkit::TMessageKind::Error);
}

} // namespace Sumtide
