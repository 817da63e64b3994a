#pragma once

#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace pelko {

// The groups the presets are shown in; raw values 0 to 2 in declared order.
enum class TaskbarPresetCategory { windowsStyle = 0, macOSStyle = 1, alternativeLayouts = 2 };

// The nine named looks; raw values 0 to 8 in declared order.
enum class TaskbarPresetID {
  dock = 0,
  minimal = 1,
  windowsIcons = 2,
  windowsText = 3,
  windows11 = 4,
  productivity = 5,
  glass = 6,
  topBar = 7,
  sidebar = 8,
};

constexpr int rawValue(TaskbarPresetCategory category) {
  return static_cast<int>(category);
}
constexpr int rawValue(TaskbarPresetID id) {
  return static_cast<int>(id);
}

std::optional<TaskbarPresetCategory> presetCategoryFromRawValue(int raw);
std::optional<TaskbarPresetID> presetIDFromRawValue(int raw);

std::span<const TaskbarPresetCategory> allPresetCategories();
std::span<const TaskbarPresetID> allPresetIDs();

std::string_view title(TaskbarPresetCategory category);
std::string_view summary(TaskbarPresetCategory category);

TaskbarPresetCategory category(TaskbarPresetID id);
std::string_view title(TaskbarPresetID id);
std::string_view confirmationTitle(TaskbarPresetID id);
std::string_view symbolName(TaskbarPresetID id);
std::string_view settingsSummary(TaskbarPresetID id);
std::string_view onboardingTitle(TaskbarPresetID id);
std::string_view onboardingSummary(TaskbarPresetID id);

// The presets of one group, in declared order.
std::vector<TaskbarPresetID> presets(TaskbarPresetCategory in);
// The six presets the onboarding offers, in the order it shows them.
std::span<const TaskbarPresetID> onboardingFeatured();

}  // namespace pelko
