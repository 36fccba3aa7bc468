#include "forms/Application.h"

#include "rtl/Exception.h"

#include <new>

namespace Sumtide {

TApplication* Application = nullptr;

TApplication::TApplication(Toolkit::IToolkit& Toolkit) : TComponent(nullptr), FToolkit(Toolkit) {
  Application = this;
}

TApplication::~TApplication() {
  // The forms go while the application object is still whole: their controls reach it when
  // they release their peers.
  DestroyComponents();
  if (Application == this)
    Application = nullptr;
}

const TComponentClass& TApplication::Class() {
  // Created by the program, never by a form description: the factory is never used.
  class TApplicationClass final : public TComponentClass {
  public:
    using TComponentClass::TComponentClass;

  protected:
    TComponent* NewInstance(TComponent*) const override {
      throw Exception("TApplication cannot be created from a form description");
    }
  };
  static const TApplicationClass Descriptor("TApplication", &TComponent::Class(), {});
  return Descriptor;
}

void TApplication::Run(Toolkit::TShowState ShowState) {
  if (!FMainForm)
    return;
  FToolkit.Run(FMainForm->Handle(), ShowState);
}

void TApplication::Terminate() {
  FTerminated = true;
  FToolkit.Terminate();
}

void TApplication::ShowMessageBox(const std::string& Text, const std::string& Caption,
                                  Toolkit::TMessageKind Kind) {
  FToolkit.ShowMessageBox(Text, Caption, Kind);
}

std::string ExceptionMessage(const std::exception& E) {
  if (const auto* Own = dynamic_cast<const Exception*>(&E))
    return Own->Message();
  if (dynamic_cast<const std::bad_alloc*>(&E))
    return "M\xC3\xA9moire insuffisante";
  return E.what();
}

void TApplication::ShowException(const std::exception& E) {
  std::string Text = ExceptionMessage(E);
  if (!Text.empty() && static_cast<unsigned char>(Text.back()) > '.')
    Text += '.';
  ShowMessageBox(Text, FTitle, Toolkit::TMessageKind::Error);
}

void TApplication::HandleException() {
  // Nothing may leave here: the caller is the toolkit's event loop.
  try {
    FToolkit.ReleaseCapture();
  } catch (...) {
  }
  try {
    try {
      throw;
    } catch (const std::exception& E) {
      ShowException(E);
    } catch (...) {
      ShowException(Exception("Erreur inconnue"));
    }
  } catch (...) {
  }
}

void TApplication::Guard(const std::function<void()>& Handler) {
  try {
    Handler();
  } catch (...) {
    HandleException();
  }
}

} // namespace Sumtide
