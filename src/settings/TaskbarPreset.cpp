#include "settings/TaskbarPreset.h"

namespace pelko {

namespace {

struct CategoryInfo {
  std::string_view title;
  std::string_view summary;
};

constexpr std::array<CategoryInfo, 3> kCategories{{
    {"Windows Style", "Structured taskbars with clearer density and alignment."},
    {"macOS Style", "Floating presets with softer weight and minimal chrome."},
    {"Alternative Layouts", "Focused layouts for utility bars and side workflows."},
}};

struct PresetInfo {
  TaskbarPresetCategory category;
  std::string_view title;
  std::string_view confirmationTitle;
  std::string_view symbolName;
  std::string_view settingsSummary;
  std::string_view onboardingTitle;
  std::string_view onboardingSummary;
};

using C = TaskbarPresetCategory;
constexpr std::array<PresetInfo, 9> kPresets{{
    {C::macOSStyle, "Dock", "macOS Dock", "dock.rectangle",
     "Soft floating dock, grouped apps, low-opacity blur", "Dock", "Soft floating dock with grouped apps"},
    {C::macOSStyle, "Minimal", "Minimal", "rectangle.bottomthird.inset.filled",
     "Auto-hide, airy spacing, very low visual weight", "Minimal",
     "Auto-hiding bar with very low visual weight"},
    {C::windowsStyle, "Windows Icons", "Windows (Icons)", "square.grid.3x1.below.line.grid.1x2",
     "Flat taskbar, grouped icons, subtle group dots", "Win Icons", "Flat taskbar with grouped icons"},
    {C::windowsStyle, "Windows Text", "Windows (Text)", "text.below.photo",
     "Flat taskbar, readable labels, equal-width buttons", "Win Text",
     "Classic taskbar with readable labels"},
    {C::windowsStyle, "Windows 11", "Windows 11", "square.bottomhalf.filled",
     "Centered grouped icons, restrained blur, subtle group dots", "Win 11",
     "Centered grouped icons with restrained blur"},
    {C::windowsStyle, "Productivity", "Productivity", "checklist",
     "Grouped labels, count badges, dense work layout", "Productivity",
     "Dense grouped labels with quick counts"},
    {C::alternativeLayouts, "Glass", "Glass", "rectangle.on.rectangle",
     "Floating translucency, soft blur, no hard borders", "Glass",
     "Translucent floating bar with subtle depth"},
    {C::alternativeLayouts, "Top Bar", "Top Bar", "rectangle.tophalf.filled",
     "Top utility strip, compact labels, bottom hairline", "Top Bar",
     "Compact top strip with utility shortcuts"},
    {C::alternativeLayouts, "Sidebar", "Sidebar", "sidebar.left",
     "Left launcher rail, grouped icons, auto-hide", "Sidebar",
     "Auto-hiding launcher rail for focused layouts"},
}};

constexpr std::array<TaskbarPresetCategory, 3> kAllCategories{C::windowsStyle, C::macOSStyle,
                                                              C::alternativeLayouts};

using P = TaskbarPresetID;
constexpr std::array<TaskbarPresetID, 9> kAllPresets{P::dock,        P::minimal,   P::windowsIcons,
                                                     P::windowsText, P::windows11, P::productivity,
                                                     P::glass,       P::topBar,    P::sidebar};
constexpr std::array<TaskbarPresetID, 6> kOnboardingFeatured{P::windowsText, P::windowsIcons, P::windows11,
                                                             P::dock,        P::glass,        P::minimal};

const PresetInfo& info(TaskbarPresetID id) {
  return kPresets[static_cast<size_t>(id)];
}
const CategoryInfo& info(TaskbarPresetCategory c) {
  return kCategories[static_cast<size_t>(c)];
}

}  // namespace

std::optional<TaskbarPresetCategory> presetCategoryFromRawValue(int raw) {
  if (raw < 0 || raw >= static_cast<int>(kAllCategories.size())) return std::nullopt;
  return static_cast<TaskbarPresetCategory>(raw);
}

std::optional<TaskbarPresetID> presetIDFromRawValue(int raw) {
  if (raw < 0 || raw >= static_cast<int>(kAllPresets.size())) return std::nullopt;
  return static_cast<TaskbarPresetID>(raw);
}

std::span<const TaskbarPresetCategory> allPresetCategories() {
  return kAllCategories;
}
std::span<const TaskbarPresetID> allPresetIDs() {
  return kAllPresets;
}

std::string_view title(TaskbarPresetCategory c) {
  return info(c).title;
}
std::string_view summary(TaskbarPresetCategory c) {
  return info(c).summary;
}

TaskbarPresetCategory category(TaskbarPresetID id) {
  return info(id).category;
}
std::string_view title(TaskbarPresetID id) {
  return info(id).title;
}
std::string_view confirmationTitle(TaskbarPresetID id) {
  return info(id).confirmationTitle;
}
std::string_view symbolName(TaskbarPresetID id) {
  return info(id).symbolName;
}
std::string_view settingsSummary(TaskbarPresetID id) {
  return info(id).settingsSummary;
}
std::string_view onboardingTitle(TaskbarPresetID id) {
  return info(id).onboardingTitle;
}
std::string_view onboardingSummary(TaskbarPresetID id) {
  return info(id).onboardingSummary;
}

std::vector<TaskbarPresetID> presets(TaskbarPresetCategory in) {
  std::vector<TaskbarPresetID> result;
  for (auto id : kAllPresets)
    if (category(id) == in) result.push_back(id);
  return result;
}

std::span<const TaskbarPresetID> onboardingFeatured() {
  return kOnboardingFeatured;
}

}  // namespace pelko
