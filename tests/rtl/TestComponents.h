#pragma once

// Small component classes with a published property of every kind, used to exercise ownership,
// class references and form descriptions.

#include "rtl/Component.h"

#include <cstdint>
#include <string>

namespace Sumtide::Test {

enum class TAlign : std::uint8_t { alNone, alTop, alClient };

// Counts live instances, so tests can prove that nothing is left behind.
class TGadget : public TComponent {
public:
  explicit TGadget(TComponent* AOwner) : TComponent(AOwner) { ++Live; }
  ~TGadget() override { --Live; }

  static const TComponentClass& Class();
  const TComponentClass& ClassType() const override { return Class(); }

  std::int32_t Width() const { return FWidth; }
  void SetWidth(std::int32_t V) { FWidth = V; }
  std::string Caption() const { return FCaption; }
  void SetCaption(const std::string& V) { FCaption = V; }
  bool Visible() const { return FVisible; }
  void SetVisible(bool V) { FVisible = V; }
  TAlign Align() const { return FAlign; }
  void SetAlign(TAlign V) { FAlign = V; }
  std::uint32_t Anchors() const { return FAnchors; }
  void SetAnchors(std::uint32_t V) { FAnchors = V; }
  TNotifyEvent OnClick() const { return FOnClick; }
  void SetOnClick(TNotifyEvent V) { FOnClick = V; }

  // Gadgets nest in gadgets, as controls do in their parents.
  TComponent* GetParentComponent() const override { return FParent; }
  void SetParentComponent(TComponent* AParent) override;

  int LoadedCalls = 0;
  void Loaded() override { ++LoadedCalls; }

  static inline int Live = 0;

private:
  std::int32_t FWidth = 75;
  std::string FCaption;
  bool FVisible = true;
  TAlign FAlign = TAlign::alNone;
  std::uint32_t FAnchors = 0b0011; // akLeft, akTop
  TNotifyEvent FOnClick;
  TComponent* FParent = nullptr;
};

// A gadget whose Width refuses negative values, to show errors raised by a write accessor.
class TStrictGadget : public TGadget {
public:
  using TGadget::TGadget;
  static const TComponentClass& Class();
  const TComponentClass& ClassType() const override { return Class(); }
  std::int32_t Limit() const { return FLimit; }
  void SetLimit(std::int32_t V);

private:
  std::int32_t FLimit = 0;
};

// A gadget that publishes a handler, as a form does for its controls' events.
class TBoard : public TGadget {
public:
  using TGadget::TGadget;
  static const TComponentClass& Class();
  const TComponentClass& ClassType() const override { return Class(); }

  void GadgetClick(TComponent* Sender) { LastSender = Sender; }
  TComponent* LastSender = nullptr;
};

// Registers TComponent, TGadget, TStrictGadget and TBoard by name.
void RegisterTestClasses();

} // namespace Sumtide::Test
