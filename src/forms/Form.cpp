#include "forms/Form.h"

#include "forms/Application.h"
#include "forms/PropertyNames.h"
#include "rtl/Exception.h"
#include "rtl/FormReader.h"
#include "rtl/Resources.h"
#include "rtl/StringUtils.h"

#include <utility>

namespace Sumtide {

namespace {

const TPropInfo FormProperties[] = {
    MakeProperty<&TForm::ClientWidth, &TForm::SetClientWidth>("ClientWidth", TPropKind::Integer),
    MakeProperty<&TForm::ClientHeight, &TForm::SetClientHeight>("ClientHeight", TPropKind::Integer),
    MakeProperty<&TForm::GetText, &TForm::SetText>("Caption", TPropKind::String, std::string()),
    MakeProperty<&TForm::Position, &TForm::SetPosition>(
        "Position", TPropKind::Enumeration, TForm::DefaultPosition, PropertyNames::Positions),
    MakeProperty<&TForm::BorderStyle, &TForm::SetBorderStyle>("BorderStyle", TPropKind::Enumeration,
                                                              TForm::DefaultBorderStyle,
                                                              PropertyNames::BorderStyles),
    MakeProperty<&TForm::BorderIcons, &TForm::SetBorderIcons>(
        "BorderIcons", TPropKind::Set, TForm::DefaultBorderIcons, PropertyNames::BorderIcons),
    MakeProperty<&TForm::OldCreateOrder, &TForm::SetOldCreateOrder>("OldCreateOrder",
                                                                    TPropKind::Boolean),
    MakeProperty<&TForm::PixelsPerInch, &TForm::SetPixelsPerInch>("PixelsPerInch",
                                                                  TPropKind::Integer),
    MakeProperty<&TForm::TextHeight, &TForm::SetTextHeight>("TextHeight", TPropKind::Integer),
    MakeProperty<&TForm::OnCreate, &TForm::SetOnCreate>("OnCreate", TPropKind::Event,
                                                        TNotifyEvent{}),
    MakeProperty<&TControl::ParentFont, &TControl::SetParentFont>("ParentFont", TPropKind::Boolean,
                                                                  TForm::DefaultParentFont),
    MakeProperty<&TControl::Color, &TControl::SetColor>("Color", TPropKind::Enumeration,
                                                        TForm::DefaultColor, PropertyNames::Colors),
};

} // namespace

TForm::TForm(TComponent* AOwner) : TWinControl(AOwner) {
  SetParentFont(DefaultParentFont);
  SetColor(DefaultColor);
}

TForm::~TForm() {
  // The controls go while the form is whole: they unhook from it and from its peer.
  DestroyComponents();
}

const TComponentClass& TForm::Class() {
  static const TComponentClassOf<TForm> Descriptor("TForm", &TWinControl::Class(), FormProperties);
  return Descriptor;
}

void TForm::CreateFromLayout() {
  if (!Application)
    throw Exception("No application object to create " + std::string(ClassName()) + " in");
  const std::string ResourceName = UpperAscii(ClassName());
  const auto Layout = FindResource(ResourceName);
  if (!Layout)
    throw Exception("Resource " + ResourceName + " not found");
  ReadComponentInto(*Layout, *this);
  BindFields();
  Toolkit::IToolkit& Toolkit = Application->Toolkit();
  ScaleToScreen(Toolkit);
  CreatePeers(Toolkit, nullptr);
  if (FOnCreate)
    Application->Guard([this] { FOnCreate(this); });
}

void TForm::ScaleToScreen(Toolkit::IToolkit& Toolkit) {
  // The layout was made for FPixelsPerInch and a line of FTextHeight pixels.
  FScreenPixelsPerInch = FPixelsPerInch;
  FScreenTextHeight = FTextHeight;
  ScaleFor(Toolkit, Toolkit.PixelsPerInch());
}

void TForm::ScaleFor(Toolkit::IToolkit& Toolkit, std::int32_t PixelsPerInch) {
  // Fonts follow the screen's resolution; then, when a line of the form's font is not as tall
  // as the form is scaled for, every position and size follows the text.
  if (PixelsPerInch > 0 && FScreenPixelsPerInch > 0 && PixelsPerInch != FScreenPixelsPerInch) {
    SetFontHeight(MulDiv(FontHeight(), PixelsPerInch, FScreenPixelsPerInch));
    for (int I = 0; I < ComponentCount(); ++I)
      if (auto* Control = dynamic_cast<TControl*>(Components(I)); Control && !Control->ParentFont())
        Control->SetFontHeight(MulDiv(Control->FontHeight(), PixelsPerInch, FScreenPixelsPerInch));
    FScreenPixelsPerInch = PixelsPerInch;
  }
  const std::int32_t Height = Toolkit.TextHeight(EffectiveFont());
  if (Height > 0 && FScreenTextHeight > 0 && Height != FScreenTextHeight) {
    ChangeScale(Height, FScreenTextHeight);
    FScreenTextHeight = Height;
  }
}

void TForm::PeerScreenChanged(std::int32_t PixelsPerInch) {
  if (!Application || !Peer() || PixelsPerInch == FScreenPixelsPerInch)
    return;
  Application->Guard([&] {
    ScaleFor(Application->Toolkit(), PixelsPerInch);
    ReshapePeers();
  });
}

Toolkit::IPeer& TForm::Handle() const {
  if (!Peer())
    throw Exception("The window of " + Name() + " has not been created");
  return *Peer();
}

void TForm::Close() {
  if (Application && Application->MainForm() == this)
    Application->Terminate();
  else
    SetVisible(false);
}

void TForm::WndProc(TMessage&) {}

void TForm::PeerFilesDropped(std::vector<std::string> Names) {
  if (Application)
    Application->Guard([&] {
      TMessage Message{WM_DROPFILES, Application->DroppedFiles().Add(std::move(Names)), 0, 0};
      WndProc(Message);
    });
}

void TForm::PeerCloseRequested() {
  if (Application)
    Application->Guard([this] { Close(); });
}

Toolkit::TPeerProps TForm::PeerProps() const {
  Toolkit::TPeerProps P = TWinControl::PeerProps();
  P.Kind = Toolkit::TPeerKind::Form;
  P.CentreOnScreen =
      FPosition == TPosition::poScreenCenter || FPosition == TPosition::poDesktopCenter;
  P.Resizable = FBorderStyle == TFormBorderStyle::bsSizeable ||
                FBorderStyle == TFormBorderStyle::bsSizeToolWin;
  const bool HasIcons = (FBorderIcons & biSystemMenu) != 0 &&
                        FBorderStyle != TFormBorderStyle::bsDialog &&
                        FBorderStyle != TFormBorderStyle::bsNone;
  P.MinimizeBox = HasIcons && (FBorderIcons & biMinimize) != 0;
  P.MaximizeBox = HasIcons && (FBorderIcons & biMaximize) != 0;
  return P;
}

void TForm::MissingComponent(std::string_view Name, std::string_view ClassName) const {
  throw Exception("The layout of " + std::string(this->ClassName()) + " has no " +
                  std::string(ClassName) + " named " + std::string(Name));
}

} // namespace Sumtide
