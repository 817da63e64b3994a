#pragma once

#include <functional>
#include <optional>
#include <string>

#include "screens/DockManager.h"
#include "settings/SettingEnumerations.h"

namespace pelko {

class SettingsManager;

// The suggestion banners' rules, without widgets: from the settings (and, for the Dock, what the Dock
// manager saw) to what the banner should do. The settings window carries the decisions out.
namespace settings_suggestions {

// The settings the rules read.
struct Inputs {
  bool isBatchingUpdates = false;
  TaskbarPosition position = TaskbarPosition::bottom;
  TaskbarStyle style = TaskbarStyle::iconsTextRight;
  bool borderTop = true;
  bool borderBottom = false;
  bool borderLeft = false;
  bool borderRight = false;
  bool floatingBar = false;
  bool centerItems = false;
  ItemAlignment itemAlignment = ItemAlignment::left;
  bool equalWidth = false;
  bool groupWindows = true;
  bool showWindowTitle = false;
  bool autoHide = false;
  bool autoHideDodgeWindows = false;
  bool fullyHideDock = true;
};
Inputs inputsFrom(const SettingsManager& settings);

// One banner. `apply` makes the recommended change; the Dock's banner has none (the window runs the
// Dock optimisation).
struct Suggestion {
  std::string key;
  std::string text;
  std::string actionTitle = "Apply";
  std::function<void(SettingsManager&)> apply;
};

struct Decision {
  enum class Kind {
    leave,             // change nothing (a dismissed key, or a batch in progress)
    show,              // show `suggestion` (or only swap the action of the same banner)
    dismiss,           // remove any banner
    dismissIfCurrent,  // remove the banner only when it is the one with `key`
  };
  Kind kind = Kind::leave;
  std::optional<Suggestion> suggestion;
  std::string key;
};

using DismissedKey = std::optional<std::string>;

Decision position(const Inputs& inputs, const DismissedKey& dismissed);
Decision style(const Inputs& inputs, const DismissedKey& dismissed);
Decision equalWidth(const Inputs& inputs, const DismissedKey& dismissed);
Decision groupedTitle(const Inputs& inputs, const DismissedKey& dismissed);
Decision autoHide(const Inputs& inputs, const DismissedKey& dismissed);
// What the Dock's snapshot asks for, once it has come back (the page is checked by the caller).
Decision dock(const Inputs& inputs, const DockManager::VisibilitySnapshot& snapshot,
              const DismissedKey& dismissed);

}  // namespace settings_suggestions

}  // namespace pelko
