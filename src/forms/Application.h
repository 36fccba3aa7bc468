#pragma once

#include "forms/DroppedFiles.h"
#include "rtl/Component.h"
#include "toolkit/Toolkit.h"

#include <exception>
#include <functional>
#include <memory>
#include <string>

namespace Sumtide {

class TForm;

// The application object: one per process. It owns the forms, runs the message loop through the
// toolkit, and guards every event handler: an exception that leaves a handler is shown in the
// standard exception display and the loop goes on.
class TApplication : public TComponent {
public:
  explicit TApplication(Toolkit::IToolkit& Toolkit);
  ~TApplication() override;

  static const TComponentClass& Class();
  const TComponentClass& ClassType() const override { return Class(); }

  void Initialize() {}
  const std::string& Title() const { return FTitle; }
  void SetTitle(const std::string& Title) { FTitle = Title; }

  // Creates a form owned by the application from its layout; the first form created becomes the
  // main form. Reference is set before the form's OnCreate runs. If creating it fails, the form
  // is freed, Reference is null again and the exception goes on to the caller.
  template <class T> void CreateForm(T*& Reference);
  TForm* MainForm() const { return FMainForm; }

  // Shows the main form in the start-up show state and runs the message loop until Terminate.
  void Run(Toolkit::TShowState ShowState = Toolkit::TShowState::Normal);
  void Terminate();
  bool Terminated() const { return FTerminated; }

  void ShowMessageBox(const std::string& Text, const std::string& Caption,
                      Toolkit::TMessageKind Kind);
  // The standard exception display: the message (with a final "." when its last byte sorts after
  // "."), the application title as caption, the error icon and an OK button.
  void ShowException(const std::exception& E);
  // Runs Handler; whatever it throws is shown by HandleException instead of going on.
  void Guard(const std::function<void()>& Handler);
  // Inside a catch: gives up the mouse capture and shows the exception being handled.
  void HandleException();

  Toolkit::IToolkit& Toolkit() const { return FToolkit; }
  // The drops handed to the forms' message dispatch and not yet released.
  TDroppedFiles& DroppedFiles() { return FDroppedFiles; }

private:
  Toolkit::IToolkit& FToolkit;
  std::string FTitle;
  TForm* FMainForm = nullptr;
  bool FTerminated = false;
  TDroppedFiles FDroppedFiles;
};

// The application object of this process while one exists.
extern TApplication* Application;

// The message an exception carries, whatever its type.
std::string ExceptionMessage(const std::exception& E);

} // namespace Sumtide

#include "forms/Form.h"

namespace Sumtide {

template <class T> void TApplication::CreateForm(T*& Reference) {
  T& Form = NewComponent<T>(*this);
  Reference = &Form;
  if (!FMainForm)
    FMainForm = &Form;
  try {
    Form.CreateFromLayout();
  } catch (...) {
    Reference = nullptr;
    if (FMainForm == &Form)
      FMainForm = nullptr;
    delete &Form; // freeing it takes it out of the application's list
    throw;
  }
}

} // namespace Sumtide
