#pragma once

#include <QMessageBox>
#include <memory>

#include "platform/Alerts.h"

class QWidget;

namespace pelko {

// The owner of an alert that belongs to `widget`'s window; none for a null widget.
platform::AlertOwner alertOwner(const QWidget* widget);

// Alerts as Qt message boxes, for a program that has a display to show them on. Every text is shown as
// given (never as markup, '&' never a mnemonic); the buttons run in the given order along the box, the
// first being the default. A box belongs to its owner's window: it stays above that window (and on top
// when the window stays on top) and opens centred over it; a box without an owner stays on top of every
// window, so that no window that stays on top can hide it. It lives with the widget kit rather than with
// the platform's real adapters because it shows its texts through the kit's plain-text rules.
class QtAlerts final : public platform::Alerts {
 public:
  // The box runModal() shows, built but not shown, application-modal. Its buttons are in the order of
  // `alert.buttons`; closing it or pressing Escape clicks the cancelling button, or ends it without one.
  static std::unique_ptr<QMessageBox> makeBox(const platform::AlertContent& alert,
                                              platform::AlertOwner owner = {});
  // The answer of a box that ended: the index of its clicked button, else `alert.cancelButton`.
  static int answerOf(const QMessageBox& box, const platform::AlertContent& alert);

  int runModal(const platform::AlertContent& alert, platform::AlertOwner owner) override;
};

}  // namespace pelko
