#pragma once

#include "toolkit/Toolkit.h"

#include <string>
#include <vector>

namespace Sumtide::Headless {

class THeadlessToolkit;

// An in-memory control: what the forms layer built, and what a user would see of it now.
class THeadlessPeer final : public Toolkit::IPeer {
public:
  THeadlessPeer(THeadlessToolkit& Owner, const Toolkit::TPeerProps& Props, THeadlessPeer* Parent,
                Toolkit::IPeerEvents& Events);
  ~THeadlessPeer() override;

  std::string GetText() const override { return FText; }
  void SetText(const std::string& Text) override;
  void SetEnabled(bool Enabled) override { FEnabled = Enabled; }
  void SetVisible(bool Visible) override { FVisible = Visible; }
  void Reshape(std::int32_t Left, std::int32_t Top, std::int32_t Width, std::int32_t Height,
               const Toolkit::TFontSpec& Font) override {
    FProps.Left = Left;
    FProps.Top = Top;
    FProps.Width = Width;
    FProps.Height = Height;
    FProps.Font = Font;
  }

  const Toolkit::TPeerProps& Props() const { return FProps; }
  const std::string& Name() const { return FProps.Name; }
  bool Enabled() const { return FEnabled; }
  bool Visible() const { return FVisible; }
  THeadlessPeer* Parent() const { return FParent; }
  const std::vector<THeadlessPeer*>& Children() const { return FChildren; }
  Toolkit::IPeerEvents& Events() const { return FEvents; }
  // How often the forms layer wrote the text: a write of the same text must not reach the peer.
  int TextWrites() const { return FTextWrites; }
  // Typing by the user, which does not count as a write of the program.
  void UserSetsText(const std::string& Text) { FText = Text; }
  // The peer's rectangle in its form's client area.
  int FormLeft() const;
  int FormTop() const;

private:
  THeadlessToolkit& FOwner;
  Toolkit::TPeerProps FProps;
  THeadlessPeer* FParent;
  Toolkit::IPeerEvents& FEvents;
  std::vector<THeadlessPeer*> FChildren;
  std::string FText;
  bool FEnabled;
  bool FVisible;
  int FTextWrites = 0;
};

} // namespace Sumtide::Headless
