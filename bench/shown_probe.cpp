// Preloaded into a program under measurement (LD_PRELOAD): ends the process
// as soon as its first window of the class named in TAGNARABE_PROBE_WINDOW
// (any top-level window when unset) has been painted once. The program itself
// needs no hook, so its start-up is measured exactly as users get it.

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

class ShownProbe final : public QObject {
 public:
  explicit ShownProbe(QByteArray window_class) : window_class_(std::move(window_class)) {}

 protected:
  bool eventFilter(QObject* o, QEvent* e) override {
    if (done_ || e->type() != QEvent::Paint || !o->isWidgetType()) return false;
    auto* w = static_cast<QWidget*>(o);
    if (!w->isWindow()) return false;
    if (!window_class_.isEmpty() && !w->inherits(window_class_.constData())) return false;
    done_ = true;
    // The window paints before its children: leave once this paint pass is over.
    QTimer::singleShot(0, [] { ::_exit(0); });
    return false;
  }

 private:
  QByteArray window_class_;
  bool done_ = false;
};

void install_probe() {
  auto* app = QCoreApplication::instance();
  app->installEventFilter(new ShownProbe(qgetenv("TAGNARABE_PROBE_WINDOW")));
  // A program that never shows the window must not hang the benchmark.
  QTimer::singleShot(20000, [] {
    std::fputs("shown_probe: no window shown within 20 s\n", stderr);
    ::_exit(3);
  });
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(install_probe)
