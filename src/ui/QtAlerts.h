#pragma once

#include <QMessageBox>
#include <memory>

#include "platform/Alerts.h"

namespace pelko {

// Alerts as Qt message boxes, for a program that has a display to show them on. Every text is shown as
// given (never as markup, '&' never a mnemonic); the buttons run in the given order along the box, the
// first being the default. It lives with the widget kit rather than with the platform's real adapters
// because it shows its texts through the kit's plain-text rules.
class QtAlerts final : public platform::Alerts {
 public:
  // The box runModal() shows, built but not shown. Its buttons are in the order of `alert.buttons`.
  static std::unique_ptr<QMessageBox> makeBox(const platform::AlertContent& alert);

  int runModal(const platform::AlertContent& alert) override;
};

}  // namespace pelko
