#pragma once

#include "toolkit/headless/HeadlessToolkit.h"

#include <functional>
#include <string>
#include <utility>

namespace Sumtide::Test {

// The headless toolkit with two plants: a fault that the next of the services below raises
// instead of doing its work, and an action run when the wait cursor goes up (the checksum command
// shows it after the open and before the first read).
class TFaultyToolkit final : public Headless::THeadlessToolkit {
public:
  std::function<void()> Fault;
  std::function<void()> OnBusy;

  void AcceptDrops(Toolkit::IPeer& Form, bool Accept) override {
    Trip();
    THeadlessToolkit::AcceptDrops(Form, Accept);
  }
  void ShellOpen(const std::string& Address) override {
    Trip();
    THeadlessToolkit::ShellOpen(Address);
  }
  void SetBusyCursor(bool Busy) override {
    if (Busy && OnBusy)
      std::exchange(OnBusy, nullptr)();
    Trip();
    THeadlessToolkit::SetBusyCursor(Busy);
  }
  bool OpenDialog(Toolkit::TOpenDialogParams& Params) override {
    Trip();
    return THeadlessToolkit::OpenDialog(Params);
  }
  std::string UpperCase(const std::string& Text) override {
    Trip();
    return THeadlessToolkit::UpperCase(Text);
  }
  void Terminate() override {
    Trip();
    THeadlessToolkit::Terminate();
  }

private:
  void Trip() {
    if (Fault)
      std::exchange(Fault, nullptr)();
  }
};

} // namespace Sumtide::Test
