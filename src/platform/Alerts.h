#pragma once

#include <string>
#include <vector>

namespace pelko::platform {

// One alert as the user sees it: a message, an explanation and its buttons, the first being the default.
struct AlertContent {
  enum class Style { informational, warning, critical };
  // No button: the answer of an alert that ended without a choice and has no button that cancels.
  static constexpr int kNoButton = -1;

  Style style = Style::warning;
  std::string messageText;
  std::string informativeText;
  std::vector<std::string> buttons;
  // The answer when the alert ends without a choice (its window closed, Escape, the application
  // quitting while it is open): the index of its cancelling button, or kNoButton. Never taken to be
  // the first button, which usually confirms.
  int cancelButton = kNoButton;
  bool operator==(const AlertContent&) const = default;
};

// The window an alert belongs to: the alert comes above that window and opens over it. `window` is the
// user-interface toolkit's own object for one of this process's windows (a QWidget in the Qt adapter);
// null for an alert of the whole application, which comes above every window of the application.
struct AlertOwner {
  const void* window = nullptr;
  bool operator==(const AlertOwner&) const = default;
};

// Shows alerts to the user. Main thread only.
class Alerts {
 public:
  virtual ~Alerts() = default;
  // Shows the alert application-modal and returns once it is dismissed: the index of the chosen button
  // (0 is the first), or `alert.cancelButton` when it ended without a choice.
  virtual int runModal(const AlertContent& alert, AlertOwner owner) = 0;
};

}  // namespace pelko::platform
