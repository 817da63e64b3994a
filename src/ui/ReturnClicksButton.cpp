#include "ui/ReturnClicksButton.h"

#include <QAbstractButton>
#include <QKeyEvent>

namespace pelko {

namespace {

class ReturnClicks final : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) || key->isAutoRepeat()) return false;
    static_cast<QAbstractButton*>(watched)->click();
    return true;
  }
};

}  // namespace

void clickOnReturn(QAbstractButton& button) {
  button.installEventFilter(new ReturnClicks(&button));
}

}  // namespace pelko
