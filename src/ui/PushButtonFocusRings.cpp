#include "ui/PushButtonFocusRings.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QPushButton>

#include "ui/FocusRing.h"
#include "ui/FocusVisibility.h"

namespace pelko {

namespace {

// The corner radius of the push buttons' outline, as the first-run guide's rings have it.
constexpr double kButtonCornerRadius = 4;

// Rings a push button the first time it takes the focus; the ring shows as every other does, once the
// keyboard has moved the focus. The ring is made while that focus event is on its way, before the button's
// own filters see it, so it shows at once.
class PushButtonFocusWatcher : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::FocusIn) return false;
    auto* button = qobject_cast<QPushButton*>(watched);
    if (button && !FocusRing::isRinged(*button)) new FocusRing(*button, kButtonCornerRadius);
    return false;
  }
};

}  // namespace

void installPushButtonFocusRings() {
  static QPointer<PushButtonFocusWatcher> watcher;
  if (!qApp || watcher) return;
  FocusVisibility::follow();
  watcher = new PushButtonFocusWatcher(qApp);
  qApp->installEventFilter(watcher);
}

}  // namespace pelko
