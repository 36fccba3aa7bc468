#include "app/AppMain.h"

#include "app/Unit1.h"
#include "forms/Application.h"

namespace Sumtide {

int SumtideMain(Toolkit::IToolkit& Toolkit, Toolkit::TShowState ShowState) {
  TApplication App(Toolkit);
  try {
    Application->Initialize();
    Application->SetTitle("Sumtide");
    Application->CreateForm(Form1);
    Application->Run(ShowState);
  } catch (...) {
    // Whatever stops the start-up is shown, and the program still ends normally.
    Application->HandleException();
  }
  Form1 = nullptr; // freed with the application
  return 0;
}

} // namespace Sumtide
