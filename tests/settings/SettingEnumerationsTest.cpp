#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "settings/SettingEnumerations.h"
#include "settings/TaskbarPreset.h"

namespace pelko {
namespace {

template <class... E>
void expectRoundTrips() {
  auto check = [](auto cases) {
    for (auto value : cases) {
      EXPECT_EQ(fromRawValue<decltype(value)>(rawValue(value)), value) << rawValue(value);
      EXPECT_FALSE(displayName(value).empty()) << rawValue(value);
    }
  };
  (check(allCases<E>()), ...);
}

TEST(SettingEnumerations, EveryCaseRoundTripsAndRawValuesMatchExactly) {
  expectRoundTrips<MultiMonitorMode, AutoHideAnimation, WindowCountStyle, ItemAlignment, TaskbarPosition,
                   BatteryIconStyle, TaskbarStyle>();
  for (const char* text : {"Bottom", " bottom", "bottom ", ""})
    EXPECT_EQ(fromRawValue<TaskbarPosition>(text), std::nullopt) << '"' << text << '"';
  // The icons-only style is stored under its older name, and the retired names are not read.
  EXPECT_EQ(rawValue(TaskbarStyle::iconsOnly), "icons");
  for (const char* retired : {"iconsOnly", "iconsTextBelow"})
    EXPECT_EQ(fromRawValue<TaskbarStyle>(retired), std::nullopt) << retired;
}

TEST(PresetCatalogue, RawValuesAndEveryPresetInExactlyOneCategory) {
  EXPECT_EQ(presetIDFromRawValue(0), TaskbarPresetID::dock);
  EXPECT_EQ(presetIDFromRawValue(8), TaskbarPresetID::sidebar);
  EXPECT_EQ(presetCategoryFromRawValue(2), TaskbarPresetCategory::alternativeLayouts);
  for (int raw : {-1, 9}) EXPECT_EQ(presetIDFromRawValue(raw), std::nullopt) << raw;
  EXPECT_EQ(presetCategoryFromRawValue(3), std::nullopt);

  std::multiset<TaskbarPresetID> seen;
  for (auto c : allPresetCategories())
    for (auto id : presets(c)) seen.insert(id);
  EXPECT_EQ(seen.size(), 9u);
  for (auto id : allPresetIDs()) {
    EXPECT_EQ(seen.count(id), 1u);
    auto group = presets(category(id));
    EXPECT_NE(std::find(group.begin(), group.end(), id), group.end());
    EXPECT_FALSE(symbolName(id).empty() || settingsSummary(id).empty() || onboardingSummary(id).empty());
  }
  EXPECT_EQ(onboardingFeatured().size(), 6u);
}

}  // namespace
}  // namespace pelko
