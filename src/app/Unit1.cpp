#include "app/Unit1.h"

#include "app/Unit1Layout.h"
#include "forms/Application.h"
#include "forms/RegisterForms.h"
#include "forms/SystemServices.h"
#include "rtl/ClassRegistry.h"
#include "rtl/Resources.h"
#include "scl/SCLRegister.h"

namespace Sumtide {

TForm1* Form1 = nullptr;

namespace {
const TMethodInfo Form1Handlers[] = {
    MakeMethod<&TForm1::Button1Click>("Button1Click"),
    MakeMethod<&TForm1::Button2Click>("Button2Click"),
    MakeMethod<&TForm1::Button4Click>("Button4Click"),
    MakeMethod<&TForm1::Label2Click>("Label2Click"),
    MakeMethod<&TForm1::Button3Click>("Button3Click"),
    MakeMethod<&TForm1::FormCreate>("FormCreate"),
};
} // namespace

const TComponentClass& TForm1::Class() {
  static const TComponentClassOf<TForm1> Descriptor("TForm1", &TForm::Class(), {}, Form1Handlers);
  return Descriptor;
}

void RegisterUnit1() {
  RegisterFormsClasses();
  RegisterSCLClasses();
  RegisterClass(TForm1::Class());
  RegisterResource("TFORM1", Unit1Layout());
}

void TForm1::BindFields() {
  Bind(SCL_md51, "SCL_md51");
  Bind(Button1, "Button1");
  Bind(GroupBox1, "GroupBox1");
  Bind(Button2, "Button2");
  Bind(GroupBox2, "GroupBox2");
  Bind(Edit1, "Edit1");
  Bind(Edit3, "Edit3");
  Bind(GroupBox3, "GroupBox3");
  Bind(Edit2, "Edit2");
  Bind(Button3, "Button3");
  Bind(Button4, "Button4");
  Bind(OpenDialog1, "OpenDialog1");
  Bind(Label1, "Label1");
  Bind(Label2, "Label2");
}

void TForm1::FormCreate(TComponent*) {
  DragAcceptFiles(Handle(), true);
}

void TForm1::Button4Click(TComponent*) {
  Application->Terminate();
}

void TForm1::WndProc(TMessage& Message) {
  if (Message.Msg == WM_DROPFILES)
    FormDropFiles(Message);
  else
    TForm::WndProc(Message);
}

} // namespace Sumtide
