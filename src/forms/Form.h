#pragma once

#include "forms/Controls.h"
#include "forms/Messages.h"

#include <cstdint>
#include <string_view>

namespace Sumtide {

enum class TPosition : std::uint8_t {
  poDesigned,
  poDefault,
  poDefaultPosOnly,
  poDefaultSizeOnly,
  poScreenCenter,
  poDesktopCenter,
  poMainFormCenter,
  poOwnerFormCenter
};
enum class TFormBorderStyle : std::uint8_t {
  bsNone,
  bsSingle,
  bsSizeable,
  bsDialog,
  bsToolWindow,
  bsSizeToolWin
};
// Bits of BorderIcons.
constexpr std::uint32_t biSystemMenu = 1, biMinimize = 2, biMaximize = 4, biHelp = 8;

// A top-level window built from its layout: the form description stored as the resource named
// after its class in upper case (TFORM1 for TForm1).
class TForm : public TWinControl {
public:
  explicit TForm(TComponent* AOwner);
  ~TForm() override;

  static const TComponentClass& Class();
  const TComponentClass& ClassType() const override { return Class(); }

  static constexpr TPosition DefaultPosition = TPosition::poDesigned;
  static constexpr TFormBorderStyle DefaultBorderStyle = TFormBorderStyle::bsSizeable;
  static constexpr std::uint32_t DefaultBorderIcons = biSystemMenu | biMinimize | biMaximize;
  // A form has a font of its own and the button face colour.
  static constexpr bool DefaultParentFont = false;
  static constexpr TColor DefaultColor = TColor::clBtnFace;

  // Reads the layout, binds the form's fields to its components, scales it to the screen, builds
  // the native peers and runs OnCreate. TApplication::CreateForm calls it.
  void CreateFromLayout();

  std::int32_t ClientWidth() const { return Width(); }
  void SetClientWidth(std::int32_t V) { SetWidth(V); }
  std::int32_t ClientHeight() const { return Height(); }
  void SetClientHeight(std::int32_t V) { SetHeight(V); }
  TPosition Position() const { return FPosition; }
  void SetPosition(TPosition V) { FPosition = V; }
  TFormBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TFormBorderStyle V) { FBorderStyle = V; }
  std::uint32_t BorderIcons() const { return FBorderIcons; }
  void SetBorderIcons(std::uint32_t V) { FBorderIcons = V; }
  bool OldCreateOrder() const { return FOldCreateOrder; }
  void SetOldCreateOrder(bool V) { FOldCreateOrder = V; }
  std::int32_t PixelsPerInch() const { return FPixelsPerInch; }
  void SetPixelsPerInch(std::int32_t V) { FPixelsPerInch = V; }
  std::int32_t TextHeight() const { return FTextHeight; }
  void SetTextHeight(std::int32_t V) { FTextHeight = V; }
  TNotifyEvent OnCreate() const { return FOnCreate; }
  void SetOnCreate(TNotifyEvent V) { FOnCreate = V; }

  // The window's native peer (its handle); raises if the form has not been built.
  Toolkit::IPeer& Handle() const;
  // Closing the main form ends the application.
  void Close();

  // The form's message dispatch. A form that handles a system message of its own overrides it
  // and hands every other message on to TForm::WndProc.
  virtual void WndProc(TMessage& Message);

protected:
  // Sets each field of a derived form to the component of the same name; raises if the layout
  // lacks it or holds another class.
  virtual void BindFields() {}
  template <class T> void Bind(T*& Field, std::string_view Name);

  Toolkit::TPeerProps PeerProps() const override;
  // A drop becomes WM_DROPFILES with a handle of the application's DroppedFiles.
  void PeerFilesDropped(std::vector<std::string> Names) override;
  void PeerCloseRequested() override;
  // Moved to a screen of another resolution: scaled for it by the rule of the start-up, from
  // the scale the form has now, and its peers reshaped.
  void PeerScreenChanged(std::int32_t PixelsPerInch) override;

private:
  void ScaleToScreen(Toolkit::IToolkit& Toolkit);
  // Scales fonts, places and sizes from what the form is scaled for now to PixelsPerInch.
  void ScaleFor(Toolkit::IToolkit& Toolkit, std::int32_t PixelsPerInch);
  [[noreturn]] void MissingComponent(std::string_view Name, std::string_view ClassName) const;

  TPosition FPosition = DefaultPosition;
  TFormBorderStyle FBorderStyle = DefaultBorderStyle;
  std::uint32_t FBorderIcons = DefaultBorderIcons;
  bool FOldCreateOrder = false;
  std::int32_t FPixelsPerInch = 96;
  std::int32_t FTextHeight = 13;
  // What the form is scaled for now: the screen's resolution and the height of a line of its font.
  std::int32_t FScreenPixelsPerInch = 0;
  std::int32_t FScreenTextHeight = 0;
  TNotifyEvent FOnCreate;
};

template <class T> void TForm::Bind(T*& Field, std::string_view Name) {
  Field = dynamic_cast<T*>(FindComponent(Name));
  if (!Field)
    MissingComponent(Name, T::Class().ClassName());
}

} // namespace Sumtide
