#include "TestComponents.h"

#include "rtl/ClassRegistry.h"
#include "rtl/Exception.h"

#include <array>
#include <string_view>

namespace Sumtide::Test {

namespace {
constexpr std::array<std::string_view, 3> AlignNames = {"alNone", "alTop", "alClient"};
constexpr std::array<std::string_view, 4> AnchorNames = {"akLeft", "akTop", "akRight", "akBottom"};

const TPropInfo GadgetProperties[] = {
    MakeProperty<&TGadget::Width, &TGadget::SetWidth>("Width", TPropKind::Integer,
                                                      std::int32_t{75}),
    MakeProperty<&TGadget::Caption, &TGadget::SetCaption>("Caption", TPropKind::String),
    MakeProperty<&TGadget::Visible, &TGadget::SetVisible>("Visible", TPropKind::Boolean, true),
    MakeProperty<&TGadget::Align, &TGadget::SetAlign>("Align", TPropKind::Enumeration,
                                                      TAlign::alNone, AlignNames),
    MakeProperty<&TGadget::Anchors, &TGadget::SetAnchors>("Anchors", TPropKind::Set,
                                                          std::uint32_t{0b0011}, AnchorNames),
    MakeProperty<&TGadget::OnClick, &TGadget::SetOnClick>("OnClick", TPropKind::Event,
                                                          TNotifyEvent{}),
};

const TPropInfo StrictProperties[] = {
    MakeProperty<&TStrictGadget::Limit, &TStrictGadget::SetLimit>("Limit", TPropKind::Integer,
                                                                  std::int32_t{0}),
};
const TMethodInfo BoardMethods[] = {
    MakeMethod<&TBoard::GadgetClick>("GadgetClick"),
};
} // namespace

const TComponentClass& TBoard::Class() {
  static const TComponentClassOf<TBoard> Descriptor("TBoard", &TGadget::Class(), {}, BoardMethods);
  return Descriptor;
}

const TComponentClass& TGadget::Class() {
  static const TComponentClassOf<TGadget> Descriptor("TGadget", &TComponent::Class(),
                                                     GadgetProperties);
  return Descriptor;
}

void TGadget::SetParentComponent(TComponent* AParent) {
  if (AParent == Owner()) {
    FParent = nullptr;
    return;
  }
  if (!dynamic_cast<TGadget*>(AParent))
    TComponent::SetParentComponent(AParent);
  FParent = AParent;
}

const TComponentClass& TStrictGadget::Class() {
  static const TComponentClassOf<TStrictGadget> Descriptor("TStrictGadget", &TGadget::Class(),
                                                           StrictProperties);
  return Descriptor;
}

void TStrictGadget::SetLimit(std::int32_t V) {
  if (V < 0)
    throw Exception("Limit must not be negative");
  FLimit = V;
}

void RegisterTestClasses() {
  RegisterClass(TComponent::Class());
  RegisterClass(TGadget::Class());
  RegisterClass(TStrictGadget::Class());
  RegisterClass(TBoard::Class());
}

} // namespace Sumtide::Test
