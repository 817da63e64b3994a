#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <variant>

#include "SettingsTestWorld.h"
#include "settings/ColorHex.h"

namespace pelko {
namespace {

using M = SettingsManager;
using platform::PlistValue;

// The expected table, written out independently of the store's own: member, key, registered value
// (nothing for the lists) and bounds.
struct Row {
  std::variant<Setting<bool> M::*, Setting<double> M::*, Setting<TaskbarPosition> M::*,
               Setting<TaskbarStyle> M::*, Setting<AutoHideAnimation> M::*, Setting<ItemAlignment> M::*,
               Setting<MultiMonitorMode> M::*, Setting<WindowCountStyle> M::*, Setting<BatteryIconStyle> M::*,
               Setting<Color> M::*, Setting<std::string> M::*, Setting<StringList> M::*>
      member;
  const char* key;
  std::optional<PlistValue> registered;
  std::optional<std::pair<double, double>> range = std::nullopt;
};

const char* const kAccent = "#007AFF";  // the simulated system's blue accent

const std::vector<Row>& table() {
  static const std::vector<Row> rows{
      {&M::position, "PelkoPosition", "bottom"},
      {&M::style, "PelkoStyle", "iconsTextRight"},
      {&M::showBattery, "PelkoShowBattery", true},
      {&M::showTime, "PelkoShowTime", true},
      {&M::groupWindows, "PelkoGroupWindows", true},
      {&M::equalWidth, "PelkoEqualWidth", false},
      {&M::showWindowTitle, "PelkoShowWindowTitle", false},
      {&M::showSystemTray, "PelkoShowSystemTray", false},
      {&M::groupByApp, "PelkoGroupByApp", true},
      {&M::taskbarSize, "PelkoTaskbarSize", 100.0, {{50, 150}}},
      {&M::maxTaskWidth, "PelkoMaxTaskWidth", 176.0, {{50, 600}}},
      {&M::showThumbnails, "PelkoShowThumbnails", true},
      {&M::suppressAccessibilityPermissionPrompt, "PelkoSuppressAccessibilityPermissionPrompt", false},
      {&M::suppressScreenRecordingPermissionPrompt, "PelkoSuppressScreenRecordingPermissionPrompt", false},
      {&M::thumbnailDelay, "PelkoThumbnailDelay", 0.45, {{0, 5}}},
      {&M::indicateMinimized, "PelkoIndicateMinimized", false},
      {&M::indicateHidden, "PelkoIndicateHidden", false},
      {&M::autoHide, "PelkoAutoHide", false},
      {&M::autoHideDelay, "PelkoAutoHideDelay", 0.5, {{0, 30}}},
      {&M::autoHideAnimation, "PelkoAutoHideAnimation", "instant"},
      {&M::autoHideShortcut, "PelkoAutoHideShortcut", true},
      {&M::autoHideActivationDelay, "PelkoAutoHideActivationDelay", 0.0, {{0, 0.5}}},
      {&M::autoHideDodgeWindows, "PelkoAutoHideDodgeWindows", false},
      {&M::autoHideShowOnAppSwitch, "PelkoAutoHideShowOnAppSwitch", false},
      {&M::autoHidePinned, "PelkoAutoHidePinned", false},
      {&M::autoHideDragReveal, "PelkoAutoHideDragReveal", true},
      {&M::autoHideSmartDelay, "PelkoAutoHideSmartDelay", false},
      {&M::autoHidePeekReveal, "PelkoAutoHidePeekReveal", false},
      {&M::autoHideFullscreenOnly, "PelkoAutoHideFullscreenOnly", false},
      {&M::autoHideShowOnNewWindow, "PelkoAutoHideShowOnNewWindow", false},
      {&M::autoHideResizeWindows, "PelkoAutoHideResizeWindows", false},
      {&M::autoHideAnimationSpeed, "PelkoAutoHideAnimationSpeed", 0.5, {{0.5, 2}}},
      {&M::borderTop, "PelkoBorderTop", true},
      {&M::borderBottom, "PelkoBorderBottom", false},
      {&M::borderLeft, "PelkoBorderLeft", false},
      {&M::borderRight, "PelkoBorderRight", false},
      {&M::backgroundOpacity, "PelkoBackgroundOpacity", 92.0, {{0, 100}}},
      {&M::cornerRadius, "PelkoCornerRadius", 0.0, {{0, 50}}},
      {&M::backgroundColor, "PelkoBackgroundColor", "#1F1F1F"},
      {&M::borderColor, "PelkoBorderColor", "#FFFFFF"},
      {&M::borderOpacity, "PelkoBorderOpacity", 18.0, {{0, 100}}},
      {&M::borderWidth, "PelkoBorderWidth", 0.5, {{0, 10}}},
      {&M::centerItems, "PelkoCenterItems", false},
      {&M::itemAlignment, "PelkoItemAlignment", "left"},
      {&M::multiMonitorMode, "PelkoMultiMonitorMode", "allOnAll"},
      {&M::hideInFullscreen, "PelkoHideInFullscreen", true},
      {&M::autoResizeWindows, "PelkoAutoResizeWindows", true},
      {&M::fullyHideDock, "PelkoFullyHideDock", true},
      {&M::excludeFromCapture, "PelkoExcludeFromCapture", false},
      {&M::blacklistedBundleIDs, "PelkoBlacklistedBundleIDs", std::nullopt},
      {&M::showActiveIndicator, "PelkoShowActiveIndicator", true},
      {&M::activeIndicatorColor, "PelkoActiveIndicatorColor", kAccent},
      {&M::activeIndicatorPosition, "PelkoActiveIndicatorPosition", "bottom"},
      {&M::launchAtLogin, "PelkoLaunchAtLogin", false},
      {&M::showWindowCount, "PelkoShowWindowCount", true},
      {&M::windowCountStyle, "PelkoWindowCountStyle", "badge"},
      {&M::badgeColor, "PelkoBadgeColor", kAccent},
      {&M::badgeTextColor, "PelkoBadgeTextColor", "#FFFFFF"},
      {&M::badgeOpacity, "PelkoBadgeOpacity", 100.0, {{0, 100}}},
      {&M::marginHorizontal, "PelkoMarginHorizontal", 0.0, {{0, 100}}},
      {&M::marginVertical, "PelkoMarginVertical", 0.0, {{0, 100}}},
      {&M::floatingBar, "PelkoFloatingBar", false},
      {&M::itemSpacing, "PelkoItemSpacing", 1.0, {{0, 20}}},
      {&M::showTrashIcon, "PelkoShowTrashIcon", false},
      {&M::windowGap, "PelkoWindowGap", 0.0, {{0, 20}}},
      {&M::iconSize, "PelkoIconSize", 100.0, {{50, 200}}},
      {&M::itemTextSize, "PelkoItemTextSize", 11.0, {{9, 16}}},
      {&M::useVibrancy, "PelkoUseVibrancy", false},
      {&M::clockFontSize, "PelkoClockFontSize", 11.0, {{8, 16}}},
      {&M::trayFontSize, "PelkoTrayFontSize", 10.0, {{8, 16}}},
      {&M::clockAlignment, "PelkoClockAlignment", "right"},
      {&M::dateAlignment, "PelkoDateAlignment", "right"},
      {&M::showBatteryPercentage, "PelkoShowBatteryPercentage", true},
      {&M::showBatteryIcon, "PelkoShowBatteryIcon", true},
      {&M::colorCodedBattery, "PelkoColorCodedBattery", true},
      {&M::batteryIconStyle, "PelkoBatteryIconStyle", "battery"},
      {&M::customAppOrder, "PelkoCustomAppOrder", std::nullopt},
  };
  return rows;
}

template <class... F>
struct Overloaded : F... {
  using F::operator()...;
};

// The in-memory value in the form it is registered and stored.
const Overloaded formOf{[](bool v) { return PlistValue(v); }, [](double v) { return PlistValue(v); },
                        [](const Color& v) { return PlistValue(hexString(v)); },
                        [](const std::string& v) { return PlistValue(v); },
                        []<StringEnumeration E>(E v) { return PlistValue(std::string(rawValue(v))); }};

// A value other than the default, to see it persist and load back.
const Overloaded other{
    [](bool v) { return !v; },
    [](double v) { return v == 100 ? 99.5 : v + 0.25; },
    [](const Color&) {
      return Color{0.2, 0.4, 0.6, 1};
    },
    [](const std::string&) { return std::string("top"); },
    [](const StringList&) { return StringList{"com.example.one"}; },
    []<StringEnumeration E>(E v) { return v == allCases<E>()[0] ? allCases<E>()[1] : allCases<E>()[0]; }};

template <class T>
bool isStoredKind(const PlistValue& stored) {
  if constexpr (std::is_same_v<T, bool>) return stored.isBool();
  if constexpr (std::is_same_v<T, double>) return stored.isReal();
  if constexpr (std::is_same_v<T, StringList>) return stored.isData();
  return stored.isString();
}

class SettingsTable : public ::testing::TestWithParam<size_t> {};

TEST_P(SettingsTable, KeyDefaultStoredTypeAndRange) {
  const Row& row = table()[GetParam()];
  test::SettingsTestWorld world;
  // Granted permissions would clear the suppress flags at the next start.
  world.permissions.accessibilityTrusted = false;
  world.permissions.screenCaptureGranted =
      std::string(row.key) != "PelkoSuppressScreenRecordingPermissionPrompt";
  auto settings = world.make();
  std::visit(
      [&](auto member) {
        auto& setting = (*settings).*member;
        using T = std::decay_t<decltype(setting.get())>;
        EXPECT_EQ(setting.key(), row.key);
        EXPECT_EQ(world.defaults.objectForKey(row.key), row.registered);
        if constexpr (std::is_same_v<T, StringList>) {
          EXPECT_TRUE(setting.get().empty());
        } else {
          EXPECT_EQ(formOf(setting.get()), *row.registered);
        }

        T value = other(setting.get());
        setting = value;
        ASSERT_EQ(setting.get(), value);
        auto stored = world.stored(row.key);
        ASSERT_TRUE(stored && isStoredKind<T>(*stored));
        EXPECT_EQ(((*world.make()).*member).get(), value) << "loads back";

        ASSERT_EQ((std::is_same_v<T, double>), row.range.has_value());
        if constexpr (std::is_same_v<T, double>) {
          auto [lower, upper] = *row.range;
          const double mid = (lower + upper) / 2;
          const double cases[][2] = {
              {lower - 1, lower}, {lower, lower}, {upper, upper}, {upper + 1, upper}, {mid, mid}};
          for (const auto& [assigned, expected] : cases) {
            setting = assigned;
            EXPECT_EQ(setting.get(), expected) << "assigned " << assigned;
            EXPECT_EQ(world.stored(row.key), PlistValue(expected)) << "assigned " << assigned;
          }
          // Numbers that are not finite become the default without ever being published as such.
          auto published = world.record(setting);
          for (double bad : {std::nan(""), HUGE_VAL, -HUGE_VAL}) setting = bad;
          EXPECT_EQ(*published, std::vector<double>(3, *row.registered->numberValue()));
          EXPECT_EQ(world.stored(row.key), row.registered);
        }
      },
      row.member);
}

INSTANTIATE_TEST_SUITE_P(AllSettings, SettingsTable, ::testing::Range<size_t>(0, 77),
                         [](const auto& info) { return std::string(table()[info.param].key).substr(5); });

std::set<std::string> storedKeys(const test::SettingsTestWorld& world) {
  std::set<std::string> keys;
  for (const auto& [key, value] : world.defaults.storedDictionary()) keys.insert(key);
  return keys;
}

TEST(SettingsStart, AnEmptyDomainGetsOnlyTheNumbersAndWhatTheSystemContradicts) {
  std::set<std::string> keys, numbers;
  for (const auto& row : table()) {
    keys.insert(row.key);
    if (row.range) numbers.insert(row.key);
  }
  ASSERT_EQ(keys.size(), 77u);
  test::SettingsTestWorld world;
  world.make();
  EXPECT_EQ(storedKeys(world), numbers);

  test::SettingsTestWorld denied;
  denied.permissions.screenCaptureGranted = false;
  denied.loginItems.currentStatus = platform::LoginItemStatus::enabled;
  auto settings = denied.make();
  numbers.insert({"PelkoShowThumbnails", "PelkoLaunchAtLogin"});
  EXPECT_EQ(storedKeys(denied), numbers);
  EXPECT_FALSE(settings->showThumbnails.get());
  EXPECT_TRUE(settings->launchAtLogin.get());
}

}  // namespace
}  // namespace pelko
