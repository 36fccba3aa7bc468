#include "toolkit/qt/QtAccessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QGroupBox>
#include <QLineEdit>

namespace Sumtide::QtBackend {

namespace {

class TLinkAccessible final : public QAccessibleWidget {
public:
  explicit TLinkAccessible(TLinkLabel* Label) : QAccessibleWidget(Label, QAccessible::Link) {}

  QString text(QAccessible::Text Kind) const override {
    if (Kind == QAccessible::Name && widget()->accessibleName().isEmpty())
      return Label()->text();
    return QAccessibleWidget::text(Kind);
  }
  QStringList actionNames() const override {
    return QStringList(pressAction()) << QAccessibleWidget::actionNames();
  }
  void doAction(const QString& Action) override {
    if (Action == pressAction() && widget()->isEnabled())
      Label()->Press();
    else
      QAccessibleWidget::doAction(Action);
  }

private:
  TLinkLabel* Label() const { return static_cast<TLinkLabel*>(widget()); }
};

QAccessibleInterface* Factory(const QString& ClassName, QObject* Object) {
  if (!Object || !Object->isWidgetType())
    return nullptr;
  if (auto* Label = dynamic_cast<TLinkLabel*>(Object); Label && Label->IsLink())
    return new TLinkAccessible(Label);
  // A form is a plain widget made a window; Qt would announce it as a filler inside nothing.
  auto* Widget = static_cast<QWidget*>(Object);
  if (ClassName == QLatin1String("QWidget") && Widget->isWindow())
    return new QAccessibleWidget(Widget, QAccessible::Window);
  return nullptr;
}

} // namespace

void InstallAccessibleFactory() {
  static const bool Installed = [] {
    QAccessible::installFactory(&Factory);
    return true;
  }();
  (void)Installed;
}

void NameFieldsByCaption(QGroupBox& Box) {
  const QString Name = Box.title().trimmed();
  for (QLineEdit* Field : Box.findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly))
    Field->setAccessibleName(Name);
}

} // namespace Sumtide::QtBackend
