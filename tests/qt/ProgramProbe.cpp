// A Qt generic plugin that a test loads into the real program through the environment
// (QT_PLUGIN_PATH, QT_QPA_GENERIC_PLUGINS=sumtideprobe): once the main window is shown it prints
// how it stands, then closes it as the close box does, so the program ends its own way.

#include <QApplication>
#include <QGenericPlugin>
#include <QTimer>
#include <QWidget>
#include <cstdio>

namespace {

class TProbe final : public QObject {
public:
  TProbe() {
    FPoll.setInterval(50);
    connect(&FPoll, &QTimer::timeout, this, [this] { Look(); });
    FPoll.start();
  }

private:
  void Look() {
    // Up to 30 seconds for the window to show.
    if (++FLooks > 600) {
      FPoll.stop();
      std::printf("probe: no window\n");
      std::fflush(stdout);
      return;
    }
    for (QWidget* Window : QApplication::topLevelWidgets()) {
      if (Window->objectName() != QLatin1String("Form1") || !Window->isVisible())
        continue;
      FPoll.stop();
      const auto Direction = [](Qt::LayoutDirection Value) {
        return Value == Qt::LeftToRight ? "left-to-right" : "right-to-left";
      };
      std::printf("probe: window \"%s\", %s, application %s\n",
                  Window->windowTitle().toUtf8().constData(), Direction(Window->layoutDirection()),
                  Direction(QGuiApplication::layoutDirection()));
      std::fflush(stdout);
      Window->close();
      return;
    }
  }

  QTimer FPoll;
  int FLooks = 0;
};

} // namespace

class TProgramProbePlugin final : public QGenericPlugin {
  Q_OBJECT
  Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "ProgramProbe.json")

public:
  QObject* create(const QString& Key, const QString&) override {
    return Key == QLatin1String("sumtideprobe") ? new TProbe : nullptr;
  }
};

#include "ProgramProbe.moc"
