#include "app/AppMain.h"

#include "app/Unit1.h"
#include "forms/Application.h"

namespace Sumtide {

int SumtideMain(Toolkit::IToolkit& Toolkit, int ShowState) {
  TApplication App(Toolkit);
  try {
    Application->Initialize();
    Application->SetTitle("Sumtide");
    Application->CreateForm(Form1);
    Application->Run(ShowState);
  } catch (const std::exception& E) {
    Application->ShowException(E);
  }
  Form1 = nullptr; // freed with the application
  return 0;
}

} // namespace Sumtide
