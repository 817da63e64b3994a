#pragma once

#include <string>
#include <vector>

namespace pelko::platform {

// One alert as the user sees it: a message, an explanation and its buttons, the first being the default.
struct AlertContent {
  enum class Style { informational, warning, critical };

  Style style = Style::warning;
  std::string messageText;
  std::string informativeText;
  std::vector<std::string> buttons;
  bool operator==(const AlertContent&) const = default;
};

// Shows alerts to the user. Main thread only.
class Alerts {
 public:
  virtual ~Alerts() = default;
  // Shows the alert application-modal and returns once it is dismissed: the index of the chosen button
  // (0 is the first).
  virtual int runModal(const AlertContent& alert) = 0;
};

}  // namespace pelko::platform
