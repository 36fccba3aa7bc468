#pragma once

#include "toolkit/Toolkit.h"

#include <QFont>
#include <QPointer>
#include <QString>
#include <QWidget>

namespace Sumtide::QtBackend {

// The QFont standing in for a layout font: the platform's sans serif for "MS Sans Serif", at the
// layout's pixel height.
QFont QtFont(const Toolkit::TFontSpec& Font);

// The peer of one control: its widget, which it deletes when it goes (the forms layer frees the
// innermost peers first, so a parent's widget never deletes a child's behind its back).
class TQtPeer final : public Toolkit::IPeer {
public:
  TQtPeer(QWidget* Widget, Toolkit::TPeerKind Kind, bool AutoSize);
  ~TQtPeer() override;

  std::string GetText() const override;
  void SetText(const std::string& Text) override;
  void SetEnabled(bool Enabled) override;
  void SetVisible(bool Visible) override;
  void Reshape(std::int32_t Left, std::int32_t Top, std::int32_t Width, std::int32_t Height,
               const Toolkit::TFontSpec& Font) override;

  QWidget* Widget() const { return FWidget; }
  Toolkit::TPeerKind Kind() const { return FKind; }

private:
  QPointer<QWidget> FWidget;
  Toolkit::TPeerKind FKind;
  bool FAutoSize;
  // The last text set, as bytes, and what the widget shows for it: while the widget shows that,
  // GetText gives the bytes back, so that a file name that is not UTF-8 survives the field.
  std::string FTextSet;
  QString FTextShown;
};

// Builds the widget of a peer, child of Parent's widget (a top-level window when Parent is null).
std::unique_ptr<TQtPeer> CreateQtPeer(const Toolkit::TPeerProps& Props, TQtPeer* Parent,
                                      Toolkit::IPeerEvents& Events);

} // namespace Sumtide::QtBackend
