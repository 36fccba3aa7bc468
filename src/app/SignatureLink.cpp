#include "app/Unit1.h"
#include "forms/SystemServices.h"

namespace Sumtide {

// The address goes to the shell exactly as the layout stores it.
void TForm1::Label2Click(TComponent*) {
  ShellExecuteOpen(Label2->Hint());
}

} // namespace Sumtide
