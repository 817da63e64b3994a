#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "SettingsTestWorld.h"
#include "settings/SettingEnumerations.h"
#include "settings/TaskbarPreset.h"

namespace pelko {
namespace {

using M = SettingsManager;

// Every case of one enumeration in declared order, written out independently of the enumeration's own
// tables: assigned through the settings object, each must be stored as its raw value and shown by its name.
template <class E>
void expectCases(test::SettingsTestWorld& world, M& settings, Setting<E> M::*member,
                 std::vector<std::tuple<E, const char*, const char*>> cases) {
  std::vector<E> listed;
  for (const auto& [value, raw, name] : cases) {
    settings.*member = value;
    EXPECT_EQ(world.defaults.stringForKey((settings.*member).key()), raw);
    EXPECT_EQ(displayName(value), std::string_view(name)) << raw;
    listed.push_back(value);
  }
  const auto all = allCases<E>();
  EXPECT_EQ(listed, std::vector<E>(all.begin(), all.end())) << "allCases order";
}

TEST(SettingEnumerations, EveryCaseIsStoredAsItsRawValueAndShownByItsName) {
  using A = AutoHideAnimation;
  using W = WindowCountStyle;
  using P = TaskbarPosition;
  using B = BatteryIconStyle;
  using MM = MultiMonitorMode;
  using IA = ItemAlignment;
  test::SettingsTestWorld world;
  auto settings = world.make();
  // clang-format off
  expectCases(world, *settings, &M::multiMonitorMode, {{MM::primaryOnly, "primaryOnly", "Primary Only"}, {MM::allOnAll, "allOnAll", "All on Every Monitor"},
                                                       {MM::activeMonitorOnly, "activeMonitorOnly", "Active Monitor Only"}, {MM::primaryAllOthersOwn, "primaryAllOthersOwn", "Per-Monitor Windows"}});
  expectCases(world, *settings, &M::autoHideAnimation, {{A::slide, "slide", "Slide In/Out"}, {A::fade, "fade", "Fade In/Out"}, {A::scale, "scale", "Scale Up/Down"},
                                                        {A::instant, "instant", "Instant (No Animation)"}});
  expectCases(world, *settings, &M::windowCountStyle,  {{W::inlineLeft, "inlineLeft", "Inline Left"}, {W::inlineRight, "inlineRight", "Inline Right"}, {W::dots, "dots", "Dots"},
                                                        {W::badge, "badge", "Badge"}, {W::stacked, "stacked", "Stacked"}});
  expectCases(world, *settings, &M::clockAlignment,    {{IA::left, "left", "Left"}, {IA::center, "center", "Center"}, {IA::right, "right", "Right"}});
  expectCases(world, *settings, &M::position,          {{P::bottom, "bottom", "Bottom"}, {P::top, "top", "Top"}, {P::left, "left", "Left"}, {P::right, "right", "Right"}});
  expectCases(world, *settings, &M::batteryIconStyle,  {{B::battery, "battery", "Battery"}, {B::bar, "bar", "Bar"}, {B::segments, "segments", "Segments"}});
  expectCases(world, *settings, &M::style,             {{TaskbarStyle::iconsOnly, "icons", "Icons Only"}, {TaskbarStyle::iconsTextRight, "iconsTextRight", "Icons + Text Right"}});
  // clang-format on

  for (const char* text : {"Bottom", " bottom", "bottom ", ""})
    EXPECT_EQ(fromRawValue<TaskbarPosition>(text), std::nullopt) << '"' << text << '"';
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
