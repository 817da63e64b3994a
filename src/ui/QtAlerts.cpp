#include "ui/QtAlerts.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QPointer>
#include <QPushButton>

#include "ui/PlainText.h"
#include "ui/ReadingOrderFocusChain.h"

namespace pelko {

namespace {

QMessageBox::Icon iconFor(platform::AlertContent::Style style) {
  switch (style) {
    case platform::AlertContent::Style::informational:
      return QMessageBox::Information;
    case platform::AlertContent::Style::warning:
      return QMessageBox::Warning;
    case platform::AlertContent::Style::critical:
      return QMessageBox::Critical;
  }
  return QMessageBox::Warning;
}

// A message box refuses to close, and ignores Escape, when none of several buttons cancels. An alert
// without a cancelling button still ends on either, without a choice.
class AlertBox final : public QMessageBox {
 public:
  explicit AlertBox(QWidget* parent) : QMessageBox(parent) {}
  bool hasCancellingButton = false;

 protected:
  void closeEvent(QCloseEvent* event) override {
    if (hasCancellingButton) {
      QMessageBox::closeEvent(event);
      return;
    }
    QDialog::closeEvent(event);
  }
  void keyPressEvent(QKeyEvent* event) override {
    if (!hasCancellingButton && event->matches(QKeySequence::Cancel)) {
      reject();
      return;
    }
    QMessageBox::keyPressEvent(event);
  }
  // Tab and Shift+Tab go along the buttons as they are laid out, left to right.
  bool focusNextPrevChild(bool next) override {
    applyReadingOrderFocusChain(*this);
    return QMessageBox::focusNextPrevChild(next);
  }
};

}  // namespace

platform::AlertOwner alertOwner(const QWidget* widget) {
  return {widget ? widget->window() : nullptr};
}

std::unique_ptr<QMessageBox> QtAlerts::makeBox(const platform::AlertContent& alert,
                                               platform::AlertOwner owner) {
  // The owner is a window of ours that outlives the box: the box is shown and ended within runModal.
  auto* ownerWindow = const_cast<QWidget*>(static_cast<const QWidget*>(owner.window));
  auto box = std::make_unique<AlertBox>(ownerWindow);
  // A window of its own takes no colours from its owner unless given them: a dark window's alert is dark.
  if (ownerWindow) box->setPalette(ownerWindow->palette());
  box->setIcon(iconFor(alert.style));
  setPlainMessage(*box, QString::fromStdString(alert.messageText),
                  QString::fromStdString(alert.informativeText));
  // One role for every button: the box then keeps them in the order they were added instead of sorting
  // them by role the way the desktop's style would.
  for (const std::string& title : alert.buttons) {
    QPushButton* button =
        box->addButton(plainButtonTitle(QString::fromStdString(title)), QMessageBox::ActionRole);
    if (box->buttons().size() == 1) box->setDefaultButton(button);
  }
  if (alert.buttons.empty()) box->addButton(QMessageBox::Ok);
  const QList<QAbstractButton*> buttons = box->buttons();
  if (alert.cancelButton >= 0 && alert.cancelButton < buttons.size()) {
    box->setEscapeButton(buttons[alert.cancelButton]);
    box->hasCancellingButton = true;
  } else {
    // The box's own rule: a lone button is also the one that cancels.
    box->hasCancellingButton = buttons.size() == 1;
  }
  // Modal first: making a message box modal gives it its dialog flags afresh, which would drop the
  // on-top flag set after it.
  box->setWindowModality(Qt::ApplicationModal);
  // Above a window that stays on top only at the same level; without an owner above any of them.
  if (!ownerWindow || ownerWindow->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
    box->setWindowFlag(Qt::WindowStaysOnTopHint, true);
  return box;
}

int QtAlerts::answerOf(const QMessageBox& box, const platform::AlertContent& alert) {
  const int index = static_cast<int>(box.buttons().indexOf(box.clickedButton()));
  if (index >= 0 && index < static_cast<int>(alert.buttons.size())) return index;
  return alert.cancelButton;
}

int QtAlerts::runModal(const platform::AlertContent& alert, platform::AlertOwner owner) {
  auto box = makeBox(alert, owner);
  // The owner may go while the box waits (a rebuilt bar); the box must not go with it.
  QPointer<QMessageBox> alive(box.get());
  box->exec();
  if (!alive) {
    (void)box.release();
    return alert.cancelButton;
  }
  return answerOf(*box, alert);
}

}  // namespace pelko
