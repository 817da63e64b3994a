#include "settingswindow/SettingsSuggestions.h"

#include "settings/SettingsManager.h"

namespace pelko::settings_suggestions {

namespace {

using Kind = Decision::Kind;

Decision leave() {
  return {Kind::leave, std::nullopt, {}};
}
Decision dismissOwn(std::string keyPrefix) {
  return {Kind::dismissOwn, std::nullopt, std::move(keyPrefix)};
}
Decision show(Suggestion suggestion) {
  std::string key = suggestion.key;
  return {Kind::show, std::move(suggestion), std::move(key)};
}
bool isDismissed(const std::string& key, const DismissedKey& dismissed) {
  return dismissed && *dismissed == key;
}
std::string raw(TaskbarPosition position) {
  return std::string(rawValue(position));
}

constexpr std::string_view kPositionKeyPrefix = "position-";
constexpr std::string_view kStyleKeyPrefix = "style-";

}  // namespace

bool removes(const Decision& decision, const std::optional<std::string>& currentKey) {
  return decision.kind == Kind::dismissOwn && currentKey && currentKey->starts_with(decision.key);
}

Inputs inputsFrom(const SettingsManager& settings) {
  Inputs inputs;
  inputs.isBatchingUpdates = settings.isBatchingUpdates;
  inputs.position = settings.position.get();
  inputs.style = settings.style.get();
  inputs.borderTop = settings.borderTop.get();
  inputs.borderBottom = settings.borderBottom.get();
  inputs.borderLeft = settings.borderLeft.get();
  inputs.borderRight = settings.borderRight.get();
  inputs.floatingBar = settings.floatingBar.get();
  inputs.centerItems = settings.centerItems.get();
  inputs.itemAlignment = settings.itemAlignment.get();
  inputs.equalWidth = settings.equalWidth.get();
  inputs.groupWindows = settings.groupWindows.get();
  inputs.showWindowTitle = settings.showWindowTitle.get();
  inputs.autoHide = settings.autoHide.get();
  inputs.autoHideDodgeWindows = settings.autoHideDodgeWindows.get();
  inputs.fullyHideDock = settings.fullyHideDock.get();
  return inputs;
}

Decision position(const Inputs& in, const DismissedKey& dismissed) {
  if (in.isBatchingUpdates) return leave();
  const bool anyEdge = in.borderTop || in.borderBottom || in.borderLeft || in.borderRight;
  if (!anyEdge && in.floatingBar) return dismissOwn(std::string(kPositionKeyPrefix));
  // The inner edge: the one that faces the desktop.
  bool top = false, bottom = false, left = false, right = false;
  std::string edge;
  switch (in.position) {
    case TaskbarPosition::bottom:
      top = true;
      edge = "top";
      break;
    case TaskbarPosition::top:
      bottom = true;
      edge = "bottom";
      break;
    case TaskbarPosition::left:
      right = true;
      edge = "right";
      break;
    case TaskbarPosition::right:
      left = true;
      edge = "left";
      break;
  }
  if (in.borderTop == top && in.borderBottom == bottom && in.borderLeft == left && in.borderRight == right)
    return dismissOwn(std::string(kPositionKeyPrefix));
  const std::string key = std::string(kPositionKeyPrefix) + raw(in.position) + "-border";
  if (isDismissed(key, dismissed)) return leave();
  return show({key, "Recommended: Use " + edge + " border only for " + raw(in.position) + " position",
               "Apply", [top, bottom, left, right](SettingsManager& settings) {
                 settings.borderTop = top;
                 settings.borderBottom = bottom;
                 settings.borderLeft = left;
                 settings.borderRight = right;
               }});
}

Decision style(const Inputs& in, const DismissedKey& dismissed) {
  if (in.isBatchingUpdates) return leave();
  std::optional<Suggestion> due;
  if (in.style == TaskbarStyle::iconsOnly && !in.floatingBar && in.itemAlignment != ItemAlignment::left &&
      !in.centerItems) {
    due =
        Suggestion{"style-iconsOnly-centerItems", "Recommended: Enable \"Center Items\" for Icons Only style",
                   "Apply", [](SettingsManager& settings) {
                     settings.centerItems = true;
                     settings.itemAlignment = ItemAlignment::center;
                   }};
  } else if (in.style == TaskbarStyle::iconsTextRight && in.centerItems) {
    due = Suggestion{"style-iconsTextRight-centerItems",
                     "Recommended: Disable \"Center Items\" for Icons + Text style", "Apply",
                     [](SettingsManager& settings) {
                       settings.centerItems = false;
                       settings.itemAlignment = ItemAlignment::left;
                     }};
  }
  if (due && !isDismissed(due->key, dismissed)) return show(std::move(*due));
  return dismissOwn(std::string(kStyleKeyPrefix));
}

Decision equalWidth(const Inputs& in, const DismissedKey& dismissed) {
  if (in.isBatchingUpdates) return leave();
  const std::string key = "equalWidth-iconsOnly";
  if (!(in.equalWidth && in.style == TaskbarStyle::iconsOnly)) return dismissOwn(key);
  if (isDismissed(key, dismissed)) return leave();
  return show({key, "Tip: Disable \"Equal Width\" for Icons Only style to save taskbar space", "Apply",
               [](SettingsManager& settings) { settings.equalWidth = false; }});
}

Decision groupedTitle(const Inputs& in, const DismissedKey& dismissed) {
  if (in.isBatchingUpdates) return leave();
  const std::string key = "grouped-showWindowTitle";
  if (!(in.groupWindows && in.showWindowTitle)) return dismissOwn(key);
  if (isDismissed(key, dismissed)) return leave();
  return show({key, "Tip: Disable \"Show Window Title\" to show app names for grouped windows", "Apply",
               [](SettingsManager& settings) { settings.showWindowTitle = false; }});
}

Decision autoHide(const Inputs& in, const DismissedKey& dismissed) {
  if (in.isBatchingUpdates) return leave();
  const std::string key = "autohide-dodgeWindows";
  if (!(in.autoHide && !in.autoHideDodgeWindows)) return dismissOwn(key);
  if (isDismissed(key, dismissed)) return leave();
  return show({key, "Tip: Enable \"Dodge Windows\" so the taskbar peeks out when a window overlaps it",
               "Apply", [](SettingsManager& settings) { settings.autoHideDodgeWindows = true; }});
}

Decision dock(const Inputs& in, const DockManager::VisibilitySnapshot& snapshot,
              const DismissedKey& dismissed) {
  if (in.isBatchingUpdates || in.fullyHideDock) return dismissOwn(std::string(kDockKeyPrefix));
  const bool conflicts =
      snapshot.placement && DockManager::dockPlacementConflicts(*snapshot.placement, in.position);
  if (snapshot.autohideEnabled && !conflicts && !snapshot.matchesPelkoHiddenConfiguration)
    return dismissOwn(std::string(kDockKeyPrefix));
  const std::string edge =
      snapshot.placement ? std::string(DockManager::rawValue(*snapshot.placement)) : "unknown";
  const std::string key = std::string(kDockKeyPrefix) + raw(in.position) + "-" + edge + "-" +
                          (snapshot.autohideEnabled ? "1" : "0");
  if (isDismissed(key, dismissed)) return leave();
  std::string text;
  if (!conflicts) {
    text =
        "Recommended: Enable macOS Dock auto-hide so the Dock stays available without permanently competing "
        "with Pelko.";
  } else {
    const std::string recommended = std::string(
        DockManager::rawValue(DockManager::recommendedVisiblePlacement(in.position, snapshot.placement)));
    if (!snapshot.autohideEnabled || snapshot.matchesPelkoHiddenConfiguration) {
      text = "Recommended: Move the macOS Dock to the " + recommended +
             " and enable auto-hide so it stays out of Pelko\u2019s way.";
    } else {
      text = "Recommended: Move the macOS Dock to the " + recommended +
             " so it does not compete with Pelko on the " + raw(in.position) + " edge.";
    }
  }
  return show({key, text, "Optimize Dock", {}});
}

}  // namespace pelko::settings_suggestions
