#include "forms/Controls.h"

#include "forms/Application.h"
#include "forms/Form.h"
#include "forms/PropertyNames.h"
#include "rtl/Exception.h"

#include <algorithm>

namespace Sumtide {

namespace {

const TPropInfo ControlProperties[] = {
    MakeProperty<&TControl::Left, &TControl::SetLeft>("Left", TPropKind::Integer),
    MakeProperty<&TControl::Top, &TControl::SetTop>("Top", TPropKind::Integer),
    MakeProperty<&TControl::Width, &TControl::SetWidth>("Width", TPropKind::Integer),
    MakeProperty<&TControl::Height, &TControl::SetHeight>("Height", TPropKind::Integer),
    MakeProperty<&TControl::Enabled, &TControl::SetEnabled>("Enabled", TPropKind::Boolean,
                                                            TControl::DefaultEnabled),
    MakeProperty<&TControl::Visible, &TControl::SetVisible>("Visible", TPropKind::Boolean,
                                                            TControl::DefaultVisible),
    MakeProperty<&TControl::Color, &TControl::SetColor>(
        "Color", TPropKind::Enumeration, TControl::DefaultColor, PropertyNames::Colors),
    MakeProperty<&TControl::Cursor, &TControl::SetCursor>(
        "Cursor", TPropKind::Enumeration, TControl::DefaultCursor, PropertyNames::Cursors),
    MakeProperty<&TControl::Hint, &TControl::SetHint>("Hint", TPropKind::String, std::string()),
    MakeProperty<&TControl::ShowHint, &TControl::SetShowHint>("ShowHint", TPropKind::Boolean,
                                                              TControl::DefaultShowHint),
    MakeProperty<&TControl::ParentFont, &TControl::SetParentFont>("ParentFont", TPropKind::Boolean,
                                                                  TControl::DefaultParentFont),
    MakeProperty<&TControl::FontCharset, &TControl::SetFontCharset>(
        "Font.Charset", TPropKind::Enumeration, TControl::DefaultFontCharset,
        PropertyNames::Charsets),
    MakeProperty<&TControl::FontColor, &TControl::SetFontColor>(
        "Font.Color", TPropKind::Enumeration, TControl::DefaultFont().Color, PropertyNames::Colors),
    MakeProperty<&TControl::FontHeight, &TControl::SetFontHeight>("Font.Height", TPropKind::Integer,
                                                                  TControl::DefaultFont().Height),
    MakeProperty<&TControl::FontName, &TControl::SetFontName>("Font.Name", TPropKind::String,
                                                              TControl::DefaultFont().Name),
    MakeProperty<&TControl::FontStyle, &TControl::SetFontStyle>(
        "Font.Style", TPropKind::Set, TControl::DefaultFontStyle, PropertyNames::FontStyles),
    MakeProperty<&TControl::OnClick, &TControl::SetOnClick>("OnClick", TPropKind::Event,
                                                            TNotifyEvent{}),
};

const TPropInfo WinControlProperties[] = {
    MakeProperty<&TWinControl::TabOrder, &TWinControl::SetTabOrder>("TabOrder", TPropKind::Integer,
                                                                    TWinControl::DefaultTabOrder),
    MakeProperty<&TWinControl::TabStop, &TWinControl::SetTabStop>("TabStop", TPropKind::Boolean,
                                                                  TWinControl::DefaultTabStop),
};

} // namespace

std::int32_t MulDiv(std::int32_t V, std::int32_t Num, std::int32_t Den) {
  if (Den == 0)
    return V;
  const std::int64_t P = static_cast<std::int64_t>(V) * Num;
  const std::int64_t Half = (Den > 0 ? Den : -Den) / 2;
  const std::int64_t R = (P >= 0 ? P + Half : P - Half) / Den;
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(R, INT32_MIN, INT32_MAX));
}

const Toolkit::TFontSpec& TControl::DefaultFont() {
  static const Toolkit::TFontSpec Font;
  return Font;
}

const TComponentClass& TControl::Class() {
  static const TComponentClassOf<TControl> Descriptor("TControl", &TComponent::Class(),
                                                      ControlProperties);
  return Descriptor;
}

const TComponentClass& TWinControl::Class() {
  static const TComponentClassOf<TWinControl> Descriptor("TWinControl", &TControl::Class(),
                                                         WinControlProperties);
  return Descriptor;
}

TControl::~TControl() {
  FPeer.reset();
  SetParent(nullptr);
}

TWinControl::~TWinControl() {
  // Controls placed here that something else still owns lose their peers, which are native
  // children of this one, and their parent.
  for (TControl* Child : FControls) {
    Child->DestroyPeers();
    Child->FParent = nullptr;
  }
  FControls.clear();
}

void TControl::DestroyPeers() {
  FPeer.reset();
}

void TWinControl::DestroyPeers() {
  for (TControl* Child : FControls)
    Child->DestroyPeers();
  TControl::DestroyPeers();
}

void TControl::SetParent(TWinControl* AParent) {
  if (AParent == FParent)
    return;
  if (FParent)
    std::erase(FParent->FControls, this);
  FParent = AParent;
  if (FParent)
    FParent->FControls.push_back(this);
}

TComponent* TControl::GetParentComponent() const {
  return FParent;
}

void TControl::SetParentComponent(TComponent* AParent) {
  auto* Win = dynamic_cast<TWinControl*>(AParent);
  if (!Win)
    throw Exception("A " + std::string(ClassName()) + " cannot be placed inside " +
                    (AParent ? AParent->Name() : std::string("nothing")));
  SetParent(Win);
}

std::string TControl::GetText() const {
  return FPeer ? FPeer->GetText() : FText;
}

void TControl::SetText(const std::string& Text) {
  if (GetText() == Text)
    return;
  FText = Text;
  if (FPeer)
    FPeer->SetText(Text);
}

void TControl::SetEnabled(bool V) {
  FEnabled = V;
  if (FPeer)
    FPeer->SetEnabled(V);
}

void TControl::SetVisible(bool V) {
  FVisible = V;
  if (FPeer)
    FPeer->SetVisible(V);
}

Toolkit::TFontSpec TControl::EffectiveFont() const {
  if (FParentFont && FParent)
    return FParent->EffectiveFont();
  return FFont;
}

TForm* TControl::ParentForm() const {
  const TControl* C = this;
  while (C->FParent)
    C = C->FParent;
  return const_cast<TForm*>(dynamic_cast<const TForm*>(C));
}

Toolkit::TPeerProps TControl::PeerProps() const {
  Toolkit::TPeerProps P;
  P.Name = Name();
  P.Left = FLeft;
  P.Top = FTop;
  P.Width = FWidth;
  P.Height = FHeight;
  P.Text = FText;
  P.Enabled = FEnabled;
  P.Visible = FVisible;
  P.Color = FColor;
  P.Font = EffectiveFont();
  P.Cursor = FCursor;
  P.Clickable = static_cast<bool>(FOnClick);
  return P;
}

Toolkit::TPeerProps TWinControl::PeerProps() const {
  Toolkit::TPeerProps P = TControl::PeerProps();
  P.TabOrder = FTabOrder;
  P.TabStop = FTabStop;
  return P;
}

void TControl::CreatePeers(Toolkit::IToolkit& Toolkit, Toolkit::IPeer* ParentPeer) {
  FPeer = Toolkit.CreatePeer(PeerProps(), ParentPeer, *this);
}

void TWinControl::CreatePeers(Toolkit::IToolkit& Toolkit, Toolkit::IPeer* ParentPeer) {
  TControl::CreatePeers(Toolkit, ParentPeer);
  for (TControl* Child : FControls)
    Child->CreatePeers(Toolkit, Peer());
}

void TControl::ChangeScale(std::int32_t Num, std::int32_t Den) {
  FLeft = MulDiv(FLeft, Num, Den);
  FTop = MulDiv(FTop, Num, Den);
  FWidth = MulDiv(FWidth, Num, Den);
  FHeight = MulDiv(FHeight, Num, Den);
}

void TWinControl::ChangeScale(std::int32_t Num, std::int32_t Den) {
  TControl::ChangeScale(Num, Den);
  for (TControl* Child : FControls)
    Child->ChangeScale(Num, Den);
}

void TControl::ReshapePeers() {
  if (!FPeer)
    return;
  const Toolkit::TPeerProps P = PeerProps();
  FPeer->Reshape(P.Left, P.Top, P.Width, P.Height, P.Font);
}

void TWinControl::ReshapePeers() {
  TControl::ReshapePeers();
  for (TControl* Child : FControls)
    Child->ReshapePeers();
}

void TControl::Click() {
  if (FOnClick)
    FOnClick(this);
}

void TControl::PeerClicked() {
  if (Application)
    Application->Guard([this] { Click(); });
}

} // namespace Sumtide
