#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "settings/SettingEnumerations.h"
#include "settings/TaskbarPreset.h"

namespace pelko {
namespace {

template <class E>
void expectRoundTrip() {
  for (E value : allCases<E>()) {
    auto raw = rawValue(value);
    EXPECT_EQ(fromRawValue<E>(raw), value) << raw;
    EXPECT_FALSE(displayName(value).empty()) << raw;
  }
}

TEST(SettingEnumerations, EveryCaseRoundTripsThroughItsRawValue) {
  expectRoundTrip<MultiMonitorMode>();
  expectRoundTrip<AutoHideAnimation>();
  expectRoundTrip<WindowCountStyle>();
  expectRoundTrip<ItemAlignment>();
  expectRoundTrip<TaskbarPosition>();
  expectRoundTrip<BatteryIconStyle>();
  expectRoundTrip<TaskbarStyle>();
}

TEST(SettingEnumerations, RawValuesMatchExactlyWithoutFallback) {
  EXPECT_EQ(fromRawValue<TaskbarPosition>("bottom"), TaskbarPosition::bottom);
  for (const char* text : {"Bottom", " bottom", "bottom ", ""})
    EXPECT_EQ(fromRawValue<TaskbarPosition>(text), std::nullopt) << '"' << text << '"';
  EXPECT_EQ(fromRawValue<TaskbarStyle>("icons"), TaskbarStyle::iconsOnly);
  EXPECT_EQ(fromRawValue<TaskbarStyle>("iconsOnly"), std::nullopt);
  EXPECT_EQ(fromRawValue<TaskbarStyle>("iconsTextBelow"), std::nullopt);
  EXPECT_EQ(rawValue(TaskbarStyle::iconsOnly), "icons");
}

TEST(SettingEnumerations, CaseListsAndTexts) {
  EXPECT_EQ(allCases<WindowCountStyle>().size(), 5u);
  EXPECT_EQ(allCases<WindowCountStyle>().front(), WindowCountStyle::inlineLeft);
  EXPECT_EQ(allCases<MultiMonitorMode>().size(), 4u);
  EXPECT_EQ(allCases<AutoHideAnimation>().size(), 4u);
  EXPECT_EQ(allCases<TaskbarPosition>().size(), 4u);
  EXPECT_EQ(allCases<ItemAlignment>().size(), 3u);
  EXPECT_EQ(allCases<BatteryIconStyle>().size(), 3u);
  EXPECT_EQ(allCases<TaskbarStyle>().size(), 2u);

  EXPECT_EQ(displayName(MultiMonitorMode::primaryAllOthersOwn), "Per-Monitor Windows");
  EXPECT_EQ(displayName(AutoHideAnimation::instant), "Instant (No Animation)");
  EXPECT_EQ(displayName(TaskbarStyle::iconsTextRight), "Icons + Text Right");
  EXPECT_EQ(displayName(ItemAlignment::center), "Center");
  EXPECT_EQ(displayName(TaskbarPosition::right), "Right");
  EXPECT_EQ(explanation(MultiMonitorMode::primaryOnly), "Taskbar only on your main display.");

  for (TaskbarPosition p : allCases<TaskbarPosition>()) {
    bool horizontal = p == TaskbarPosition::bottom || p == TaskbarPosition::top;
    EXPECT_EQ(isHorizontal(p), horizontal);
    EXPECT_EQ(isVertical(p), !horizontal);
  }
}

TEST(PresetCatalogue, IdentifiersAndCategories) {
  EXPECT_EQ(presetIDFromRawValue(0), TaskbarPresetID::dock);
  EXPECT_EQ(presetIDFromRawValue(8), TaskbarPresetID::sidebar);
  EXPECT_EQ(presetIDFromRawValue(9), std::nullopt);
  EXPECT_EQ(presetIDFromRawValue(-1), std::nullopt);
  EXPECT_EQ(presetCategoryFromRawValue(3), std::nullopt);
  EXPECT_EQ(presetCategoryFromRawValue(2), TaskbarPresetCategory::alternativeLayouts);

  std::multiset<TaskbarPresetID> seen;
  for (auto c : allPresetCategories())
    for (auto id : presets(c)) seen.insert(id);
  EXPECT_EQ(seen.size(), 9u);
  for (auto id : allPresetIDs()) {
    EXPECT_EQ(seen.count(id), 1u);
    auto group = presets(category(id));
    EXPECT_NE(std::find(group.begin(), group.end(), id), group.end());
  }
  EXPECT_EQ(presets(TaskbarPresetCategory::macOSStyle),
            (std::vector{TaskbarPresetID::dock, TaskbarPresetID::minimal}));
  EXPECT_EQ(title(TaskbarPresetCategory::windowsStyle), "Windows Style");
}

TEST(PresetCatalogue, TitlesDifferOnlyWhereIntended) {
  std::set<TaskbarPresetID> confirmationDiffers, onboardingDiffers;
  for (auto id : allPresetIDs()) {
    if (confirmationTitle(id) != title(id)) confirmationDiffers.insert(id);
    if (onboardingTitle(id) != title(id)) onboardingDiffers.insert(id);
    EXPECT_FALSE(symbolName(id).empty());
    EXPECT_FALSE(settingsSummary(id).empty());
    EXPECT_FALSE(onboardingSummary(id).empty());
  }
  using P = TaskbarPresetID;
  EXPECT_EQ(confirmationDiffers, (std::set{P::dock, P::windowsIcons, P::windowsText}));
  EXPECT_EQ(onboardingDiffers, (std::set{P::windowsIcons, P::windowsText, P::windows11}));
  EXPECT_EQ(confirmationTitle(P::dock), "macOS Dock");
  EXPECT_EQ(onboardingTitle(P::windows11), "Win 11");

  auto featured = onboardingFeatured();
  ASSERT_EQ(featured.size(), 6u);
  EXPECT_EQ(featured.front(), P::windowsText);
}

}  // namespace
}  // namespace pelko
