#include "forms/RegisterForms.h"

#include "forms/Dialogs.h"
#include "forms/Form.h"
#include "forms/StdCtrls.h"
#include "rtl/ClassRegistry.h"

namespace Sumtide {

void RegisterFormsClasses() {
  RegisterClass(TComponent::Class());
  RegisterClass(TButton::Class());
  RegisterClass(TEdit::Class());
  RegisterClass(TGroupBox::Class());
  RegisterClass(TLabel::Class());
  RegisterClass(TOpenDialog::Class());
}

} // namespace Sumtide
