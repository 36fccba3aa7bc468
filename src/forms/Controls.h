#pragma once

#include "rtl/Component.h"
#include "toolkit/Toolkit.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Sumtide {

class TWinControl;
class TForm;

using Toolkit::TColor;
using Toolkit::TCursor;

enum class TFontCharset : std::uint8_t { ANSI_CHARSET, DEFAULT_CHARSET };

// A control of a form: position, size, text, font, state, and the native peer the toolkit builds
// for it. Until the peer exists the control keeps its text and state itself; afterwards the peer
// holds the text (the user edits it there) and every change goes to it.
class TControl : public TComponent, protected Toolkit::IPeerEvents {
public:
  explicit TControl(TComponent* AOwner) : TComponent(AOwner) {}
  ~TControl() override;

  static const TComponentClass& Class();
  const TComponentClass& ClassType() const override { return Class(); }

  // What a new control holds, and so what its published properties give as their defaults. A
  // class that starts with another value declares its own constant of the same name.
  static constexpr bool DefaultEnabled = true;
  static constexpr bool DefaultVisible = true;
  static constexpr TColor DefaultColor = TColor::clDefault;
  static constexpr TCursor DefaultCursor = TCursor::crDefault;
  static constexpr bool DefaultShowHint = false;
  static constexpr bool DefaultParentFont = true;
  static constexpr TFontCharset DefaultFontCharset = TFontCharset::DEFAULT_CHARSET;
  static constexpr std::uint32_t DefaultFontStyle = 0;
  // Name, height and colour of the font come from Toolkit::TFontSpec's own initialisers.
  static const Toolkit::TFontSpec& DefaultFont();

  TWinControl* Parent() const { return FParent; }
  void SetParent(TWinControl* AParent);
  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* AParent) override;

  std::int32_t Left() const { return FLeft; }
  void SetLeft(std::int32_t V) { FLeft = V; }
  std::int32_t Top() const { return FTop; }
  void SetTop(std::int32_t V) { FTop = V; }
  std::int32_t Width() const { return FWidth; }
  void SetWidth(std::int32_t V) { FWidth = V; }
  std::int32_t Height() const { return FHeight; }
  void SetHeight(std::int32_t V) { FHeight = V; }

  // Caption or text, whichever the control shows. Setting the text it already has does nothing.
  std::string GetText() const;
  void SetText(const std::string& Text);

  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool V);
  bool Visible() const { return FVisible; }
  void SetVisible(bool V);

  TColor Color() const { return FColor; }
  void SetColor(TColor V) { FColor = V; }
  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor V) { FCursor = V; }
  const std::string& Hint() const { return FHint; }
  void SetHint(const std::string& V) { FHint = V; }
  bool ShowHint() const { return FShowHint; }
  void SetShowHint(bool V) { FShowHint = V; }

  bool ParentFont() const { return FParentFont; }
  void SetParentFont(bool V) { FParentFont = V; }
  const Toolkit::TFontSpec& Font() const { return FFont; }
  const std::string& FontName() const { return FFont.Name; }
  void SetFontName(const std::string& V) { FFont.Name = V; }
  std::int32_t FontHeight() const { return FFont.Height; }
  void SetFontHeight(std::int32_t V) { FFont.Height = V; }
  TColor FontColor() const { return FFont.Color; }
  void SetFontColor(TColor V) { FFont.Color = V; }
  // The font the control shows: its parent's while ParentFont is set.
  Toolkit::TFontSpec EffectiveFont() const;
  TFontCharset FontCharset() const { return FFontCharset; }
  void SetFontCharset(TFontCharset V) { FFontCharset = V; }
  std::uint32_t FontStyle() const { return FFontStyle; }
  void SetFontStyle(std::uint32_t V) { FFontStyle = V; }

  TNotifyEvent OnClick() const { return FOnClick; }
  void SetOnClick(TNotifyEvent V) { FOnClick = V; }

  // The native peer, null until the form has built it.
  Toolkit::IPeer* Peer() const { return FPeer.get(); }
  // Builds the peers of this control and of the controls in it, in creation order.
  virtual void CreatePeers(Toolkit::IToolkit& Toolkit, Toolkit::IPeer* ParentPeer);
  // Gives the peers of this control and of the controls in it their places and fonts anew.
  virtual void ReshapePeers();
  // Multiplies positions and sizes by Num / Den, as a form does for its screen (the fonts follow
  // the screen's resolution instead).
  virtual void ChangeScale(std::int32_t Num, std::int32_t Den);

  // The form the control is placed on (the control itself for a form), or null.
  TForm* ParentForm() const;

protected:
  // Runs the OnClick handler. A click of the user and a command that clicks a button both end
  // here.
  virtual void Click();
  virtual Toolkit::TPeerProps PeerProps() const;
  // Destroys the peers of this control and of the controls in it, the innermost first.
  virtual void DestroyPeers();

  // IPeerEvents: every event runs inside the application's exception guard.
  void PeerClicked() override;
  void PeerFilesDropped(std::vector<std::string>) override {}
  void PeerCloseRequested() override {}
  void PeerScreenChanged(std::int32_t) override {}

private:
  friend class TWinControl;
  TWinControl* FParent = nullptr;
  std::int32_t FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
  std::string FText;
  bool FEnabled = DefaultEnabled;
  bool FVisible = DefaultVisible;
  TColor FColor = DefaultColor;
  TCursor FCursor = DefaultCursor;
  std::string FHint;
  bool FShowHint = DefaultShowHint;
  bool FParentFont = DefaultParentFont;
  Toolkit::TFontSpec FFont;
  TFontCharset FFontCharset = DefaultFontCharset;
  std::uint32_t FFontStyle = DefaultFontStyle;
  TNotifyEvent FOnClick;
  std::unique_ptr<Toolkit::IPeer> FPeer;
};

// A control that can hold other controls and take the focus.
class TWinControl : public TControl {
public:
  explicit TWinControl(TComponent* AOwner) : TControl(AOwner) {}
  ~TWinControl() override;

  static const TComponentClass& Class();
  const TComponentClass& ClassType() const override { return Class(); }

  static constexpr std::int32_t DefaultTabOrder = -1; // not in the tab order
  static constexpr bool DefaultTabStop = false;

  std::int32_t TabOrder() const { return FTabOrder; }
  void SetTabOrder(std::int32_t V) { FTabOrder = V; }
  bool TabStop() const { return FTabStop; }
  void SetTabStop(bool V) { FTabStop = V; }

  const std::vector<TControl*>& Controls() const { return FControls; }
  void CreatePeers(Toolkit::IToolkit& Toolkit, Toolkit::IPeer* ParentPeer) override;
  void ReshapePeers() override;
  void ChangeScale(std::int32_t Num, std::int32_t Den) override;

protected:
  Toolkit::TPeerProps PeerProps() const override;
  void DestroyPeers() override;

private:
  friend class TControl;
  std::int32_t FTabOrder = DefaultTabOrder;
  bool FTabStop = DefaultTabStop;
  std::vector<TControl*> FControls; // in the order they were placed
};

// The value of V scaled by Num / Den, rounded to nearest.
std::int32_t MulDiv(std::int32_t V, std::int32_t Num, std::int32_t Den);

} // namespace Sumtide
