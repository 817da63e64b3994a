#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>

#include "SettingsTestWorld.h"
#include "settings/SettingEnumerations.h"
#include "settings/TaskbarPreset.h"

namespace pelko {
namespace {

using M = SettingsManager;

// One case, written out independently of the enumerations' own tables (rows of one enumeration in
// declared order): assigned through the settings object, it must be stored as `raw` and shown as `name`.
struct EnumRow {
  const char* raw;
  const char* name;
  // Assigns the case; gives the setting's key, the case's display name and the raw values of the whole
  // enumeration in declared order.
  std::function<std::tuple<std::string, std::string, std::string>(M&)> assign;
};

template <class E>
EnumRow row(Setting<E> M::*member, E value, const char* raw, const char* name) {
  return {raw, name, [=](M& s) {
            s.*member = value;
            std::string all;
            for (E e : allCases<E>()) all += (all.empty() ? "" : " ") + std::string(rawValue(e));
            return std::tuple{(s.*member).key(), std::string(displayName(value)), all};
          }};
}

TEST(SettingEnumerations, EveryCaseIsStoredAsItsRawValueAndShownByItsName) {
  using A = AutoHideAnimation;
  using W = WindowCountStyle;
  using P = TaskbarPosition;
  using B = BatteryIconStyle;
  using MM = MultiMonitorMode;
  const EnumRow rows[] = {
      row(&M::multiMonitorMode, MM::primaryOnly, "primaryOnly", "Primary Only"),
      row(&M::multiMonitorMode, MM::allOnAll, "allOnAll", "All on Every Monitor"),
      row(&M::multiMonitorMode, MM::activeMonitorOnly, "activeMonitorOnly", "Active Monitor Only"),
      row(&M::multiMonitorMode, MM::primaryAllOthersOwn, "primaryAllOthersOwn", "Per-Monitor Windows"),
      row(&M::autoHideAnimation, A::slide, "slide", "Slide In/Out"),
      row(&M::autoHideAnimation, A::fade, "fade", "Fade In/Out"),
      row(&M::autoHideAnimation, A::scale, "scale", "Scale Up/Down"),
      row(&M::autoHideAnimation, A::instant, "instant", "Instant (No Animation)"),
      row(&M::windowCountStyle, W::inlineLeft, "inlineLeft", "Inline Left"),
      row(&M::windowCountStyle, W::inlineRight, "inlineRight", "Inline Right"),
      row(&M::windowCountStyle, W::dots, "dots", "Dots"),
      row(&M::windowCountStyle, W::badge, "badge", "Badge"),
      row(&M::windowCountStyle, W::stacked, "stacked", "Stacked"),
      row(&M::itemAlignment, ItemAlignment::left, "left", "Left"),
      row(&M::clockAlignment, ItemAlignment::center, "center", "Center"),
      row(&M::dateAlignment, ItemAlignment::right, "right", "Right"),
      row(&M::position, P::bottom, "bottom", "Bottom"),
      row(&M::position, P::top, "top", "Top"),
      row(&M::position, P::left, "left", "Left"),
      row(&M::position, P::right, "right", "Right"),
      row(&M::batteryIconStyle, B::battery, "battery", "Battery"),
      row(&M::batteryIconStyle, B::bar, "bar", "Bar"),
      row(&M::batteryIconStyle, B::segments, "segments", "Segments"),
      row(&M::style, TaskbarStyle::iconsOnly, "icons", "Icons Only"),
      row(&M::style, TaskbarStyle::iconsTextRight, "iconsTextRight", "Icons + Text Right"),
  };
  test::SettingsTestWorld world;
  auto settings = world.make();
  std::map<std::string, std::string> declared;  // the rows' raw values, per enumeration
  for (const auto& r : rows) {
    const auto [key, shownName, enumeration] = r.assign(*settings);
    EXPECT_EQ(world.defaults.stringForKey(key), r.raw) << key;
    EXPECT_EQ(shownName, r.name) << r.raw;
    std::string& all = declared[enumeration];
    all += (all.empty() ? "" : " ") + std::string(r.raw);
  }
  for (const auto& [enumeration, fromRows] : declared) EXPECT_EQ(fromRows, enumeration) << "allCases order";

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
