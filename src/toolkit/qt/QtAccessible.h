#pragma once

// What screen readers hear of the window over the platform's accessibility bus.

#include <QLabel>

class QGroupBox;

namespace Sumtide::QtBackend {

// A label that opens something when clicked: announced as a link, pressed by its action.
class TLinkLabel : public QLabel {
public:
  using QLabel::QLabel;
  virtual bool IsLink() const = 0;
  virtual void Press() = 0;
};

// Makes the links links and the forms windows for assistive technology; once, before any widget
// is shown.
void InstallAccessibleFactory();

// Names each field in Box by the box's caption, as a label beside it would name it.
void NameFieldsByCaption(QGroupBox& Box);

} // namespace Sumtide::QtBackend
