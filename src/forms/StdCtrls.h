#pragma once

#include "forms/Controls.h"

namespace Sumtide {

class TButton : public TWinControl {
public:
  explicit TButton(TComponent* AOwner);
  static const TComponentClass& Class();
  const TComponentClass& ClassType() const override { return Class(); }

  static constexpr bool DefaultTabStop = true;
  static constexpr TColor DefaultColor = TColor::clBtnFace;

  // Runs the button's OnClick handler, exactly as a click of the user does.
  void Click() override { TWinControl::Click(); }

protected:
  Toolkit::TPeerProps PeerProps() const override;
};

class TEdit : public TWinControl {
public:
  explicit TEdit(TComponent* AOwner);
  static const TComponentClass& Class();
  const TComponentClass& ClassType() const override { return Class(); }

  static constexpr bool DefaultTabStop = true;
  static constexpr TColor DefaultColor = TColor::clWindow;
  static constexpr bool DefaultReadOnly = false;

  std::string Text() const { return GetText(); }
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool V) { FReadOnly = V; }

protected:
  Toolkit::TPeerProps PeerProps() const override;

private:
  bool FReadOnly = DefaultReadOnly;
};

class TGroupBox : public TWinControl {
public:
  explicit TGroupBox(TComponent* AOwner) : TWinControl(AOwner) {}
  static const TComponentClass& Class();
  const TComponentClass& ClassType() const override { return Class(); }

protected:
  Toolkit::TPeerProps PeerProps() const override;
};

class TLabel : public TControl {
public:
  explicit TLabel(TComponent* AOwner) : TControl(AOwner) {}
  static const TComponentClass& Class();
  const TComponentClass& ClassType() const override { return Class(); }

  static constexpr bool DefaultTransparent = false;
  static constexpr bool DefaultAutoSize = true;

  std::string Caption() const { return GetText(); }
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool V) { FTransparent = V; }
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool V) { FAutoSize = V; }

protected:
  Toolkit::TPeerProps PeerProps() const override;

private:
  bool FTransparent = DefaultTransparent;
  bool FAutoSize = DefaultAutoSize;
};

} // namespace Sumtide
