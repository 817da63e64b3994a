#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

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

// A check removes only a banner of its own, never the one another check just showed: showing the
// Appearance page runs the position check and then the style check, and the position banner stays.
struct Decision {
  enum class Kind {
    leave,       // change nothing (a dismissed key, or a batch in progress)
    show,        // show `suggestion` (or only swap the action of the same banner)
    dismissOwn,  // remove the banner only when it is this check's: its key begins with `key`
  };
  Kind kind = Kind::leave;
  std::optional<Suggestion> suggestion;
  std::string key;
};

using DismissedKey = std::optional<std::string>;

// The beginning of every key the Dock's check gives its banners.
inline constexpr std::string_view kDockKeyPrefix = "dock-visible-optimize-";
// Whether the banner with `currentKey` is one the decision removes.
bool removes(const Decision& decision, const std::optional<std::string>& currentKey);

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
