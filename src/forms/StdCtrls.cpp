#include "forms/StdCtrls.h"

#include "forms/PropertyNames.h"

namespace Sumtide {

namespace {

const TPropInfo CaptionProperties[] = {
    MakeProperty<&TControl::GetText, &TControl::SetText>("Caption", TPropKind::String,
                                                         std::string()),
};

// Buttons and edits start with TabStop on and a colour of their own: they publish TabStop and
// Color again with those defaults, so that the writer leaves out exactly what a new instance
// already holds.
const TPropInfo ButtonProperties[] = {
    MakeProperty<&TControl::GetText, &TControl::SetText>("Caption", TPropKind::String,
                                                         std::string()),
    MakeProperty<&TControl::Color, &TControl::SetColor>(
        "Color", TPropKind::Enumeration, TButton::DefaultColor, PropertyNames::Colors),
    MakeProperty<&TWinControl::TabStop, &TWinControl::SetTabStop>("TabStop", TPropKind::Boolean,
                                                                  TButton::DefaultTabStop),
};

const TPropInfo EditProperties[] = {
    MakeProperty<&TControl::GetText, &TControl::SetText>("Text", TPropKind::String, std::string()),
    MakeProperty<&TEdit::ReadOnly, &TEdit::SetReadOnly>("ReadOnly", TPropKind::Boolean,
                                                        TEdit::DefaultReadOnly),
    MakeProperty<&TControl::Color, &TControl::SetColor>("Color", TPropKind::Enumeration,
                                                        TEdit::DefaultColor, PropertyNames::Colors),
    MakeProperty<&TWinControl::TabStop, &TWinControl::SetTabStop>("TabStop", TPropKind::Boolean,
                                                                  TEdit::DefaultTabStop),
};

const TPropInfo LabelProperties[] = {
    MakeProperty<&TControl::GetText, &TControl::SetText>("Caption", TPropKind::String,
                                                         std::string()),
    MakeProperty<&TLabel::Transparent, &TLabel::SetTransparent>("Transparent", TPropKind::Boolean,
                                                                TLabel::DefaultTransparent),
    MakeProperty<&TLabel::AutoSize, &TLabel::SetAutoSize>("AutoSize", TPropKind::Boolean,
                                                          TLabel::DefaultAutoSize),
};

} // namespace

TButton::TButton(TComponent* AOwner) : TWinControl(AOwner) {
  SetTabStop(DefaultTabStop);
  SetColor(DefaultColor);
}

const TComponentClass& TButton::Class() {
  static const TComponentClassOf<TButton> Descriptor("TButton", &TWinControl::Class(),
                                                     ButtonProperties);
  return Descriptor;
}

Toolkit::TPeerProps TButton::PeerProps() const {
  Toolkit::TPeerProps P = TWinControl::PeerProps();
  P.Kind = Toolkit::TPeerKind::Button;
  P.Clickable = true;
  return P;
}

TEdit::TEdit(TComponent* AOwner) : TWinControl(AOwner) {
  SetTabStop(DefaultTabStop);
  SetColor(DefaultColor);
}

const TComponentClass& TEdit::Class() {
  static const TComponentClassOf<TEdit> Descriptor("TEdit", &TWinControl::Class(), EditProperties);
  return Descriptor;
}

Toolkit::TPeerProps TEdit::PeerProps() const {
  Toolkit::TPeerProps P = TWinControl::PeerProps();
  P.Kind = Toolkit::TPeerKind::Edit;
  P.ReadOnly = FReadOnly;
  return P;
}

const TComponentClass& TGroupBox::Class() {
  static const TComponentClassOf<TGroupBox> Descriptor("TGroupBox", &TWinControl::Class(),
                                                       CaptionProperties);
  return Descriptor;
}

Toolkit::TPeerProps TGroupBox::PeerProps() const {
  Toolkit::TPeerProps P = TWinControl::PeerProps();
  P.Kind = Toolkit::TPeerKind::GroupBox;
  return P;
}

const TComponentClass& TLabel::Class() {
  static const TComponentClassOf<TLabel> Descriptor("TLabel", &TControl::Class(), LabelProperties);
  return Descriptor;
}

Toolkit::TPeerProps TLabel::PeerProps() const {
  Toolkit::TPeerProps P = TControl::PeerProps();
  P.Kind = Toolkit::TPeerKind::Label;
  P.Transparent = FTransparent;
  P.AutoSize = FAutoSize;
  return P;
}

} // namespace Sumtide
