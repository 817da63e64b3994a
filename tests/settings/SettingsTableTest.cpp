#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <cmath>
#include <map>
#include <set>

#include "SettingsTestWorld.h"
#include "settings/ColorHex.h"

namespace pelko {
namespace {

using platform::PlistValue;

const char* const kAccent = "#007AFF";  // the simulated system's blue accent

// The expected table, written out independently of the store's own: every key with its registered value
// (nothing for the two lists) and the bounds of the numbers.
// clang-format off
const std::set<std::string> kOn{
    "PelkoShowBattery", "PelkoShowTime", "PelkoGroupWindows", "PelkoGroupByApp", "PelkoShowThumbnails",
    "PelkoAutoHideShortcut", "PelkoAutoHideDragReveal", "PelkoBorderTop", "PelkoHideInFullscreen",
    "PelkoAutoResizeWindows", "PelkoFullyHideDock", "PelkoShowActiveIndicator", "PelkoShowWindowCount",
    "PelkoShowBatteryPercentage", "PelkoShowBatteryIcon", "PelkoColorCodedBattery"};
const std::set<std::string> kOff{
    "PelkoEqualWidth", "PelkoShowWindowTitle", "PelkoShowSystemTray",
    "PelkoSuppressAccessibilityPermissionPrompt", "PelkoSuppressScreenRecordingPermissionPrompt",
    "PelkoIndicateMinimized", "PelkoIndicateHidden", "PelkoAutoHide", "PelkoAutoHideDodgeWindows",
    "PelkoAutoHideShowOnAppSwitch", "PelkoAutoHidePinned", "PelkoAutoHideSmartDelay",
    "PelkoAutoHidePeekReveal", "PelkoAutoHideFullscreenOnly", "PelkoAutoHideShowOnNewWindow",
    "PelkoAutoHideResizeWindows", "PelkoBorderBottom", "PelkoBorderLeft", "PelkoBorderRight",
    "PelkoCenterItems", "PelkoExcludeFromCapture", "PelkoLaunchAtLogin", "PelkoFloatingBar",
    "PelkoShowTrashIcon", "PelkoUseVibrancy"};
const std::map<std::string, std::array<double, 3>> kNumbers{  // registered, lower, upper
    {"PelkoTaskbarSize", {100, 50, 150}}, {"PelkoMaxTaskWidth", {176, 50, 600}},
    {"PelkoThumbnailDelay", {0.45, 0, 5}}, {"PelkoAutoHideDelay", {0.5, 0, 30}},
    {"PelkoAutoHideActivationDelay", {0, 0, 0.5}}, {"PelkoAutoHideAnimationSpeed", {0.5, 0.5, 2}},
    {"PelkoBackgroundOpacity", {92, 0, 100}}, {"PelkoCornerRadius", {0, 0, 50}},
    {"PelkoBorderOpacity", {18, 0, 100}}, {"PelkoBorderWidth", {0.5, 0, 10}},
    {"PelkoBadgeOpacity", {100, 0, 100}}, {"PelkoMarginHorizontal", {0, 0, 100}},
    {"PelkoMarginVertical", {0, 0, 100}}, {"PelkoItemSpacing", {1, 0, 20}}, {"PelkoWindowGap", {0, 0, 20}},
    {"PelkoIconSize", {100, 50, 200}}, {"PelkoItemTextSize", {11, 9, 16}},
    {"PelkoClockFontSize", {11, 8, 16}}, {"PelkoTrayFontSize", {10, 8, 16}}};
const std::map<std::string, std::string> kTexts{
    {"PelkoPosition", "bottom"}, {"PelkoStyle", "iconsTextRight"}, {"PelkoAutoHideAnimation", "instant"},
    {"PelkoBackgroundColor", "#1F1F1F"}, {"PelkoBorderColor", "#FFFFFF"}, {"PelkoItemAlignment", "left"},
    {"PelkoMultiMonitorMode", "allOnAll"}, {"PelkoActiveIndicatorColor", kAccent},
    {"PelkoActiveIndicatorPosition", "bottom"}, {"PelkoWindowCountStyle", "badge"},
    {"PelkoBadgeColor", kAccent}, {"PelkoBadgeTextColor", "#FFFFFF"}, {"PelkoClockAlignment", "right"},
    {"PelkoDateAlignment", "right"}, {"PelkoBatteryIconStyle", "battery"}};
const std::set<std::string> kLists{"PelkoBlacklistedBundleIDs", "PelkoCustomAppOrder"};
// clang-format on

std::optional<PlistValue> registeredFor(const std::string& key) {
  if (kOn.count(key) || kOff.count(key)) return PlistValue(kOn.count(key) > 0);
  if (kNumbers.count(key)) return PlistValue(kNumbers.at(key)[0]);
  if (kTexts.count(key)) return PlistValue(kTexts.at(key));
  return std::nullopt;
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

// Checks one setting, named as its member, whose key is "Pelko" and the capitalised name.
template <class T>
void expectSetting(Setting<T> SettingsManager::*member, std::string name, std::set<std::string>& seen) {
  name[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
  const std::string key = "Pelko" + name;
  SCOPED_TRACE(key);
  seen.insert(key);
  test::SettingsTestWorld world;
  // Granted permissions would clear the suppress flags at the next start.
  world.permissions.accessibilityTrusted = false;
  world.permissions.screenCaptureGranted = key != "PelkoSuppressScreenRecordingPermissionPrompt";
  auto settings = world.make();
  auto& setting = (*settings).*member;
  const auto registered = registeredFor(key);
  EXPECT_EQ(setting.key(), key);
  EXPECT_EQ(world.defaults.objectForKey(key), registered);
  if constexpr (std::is_same_v<T, StringList>) {
    EXPECT_TRUE(kLists.count(key));
    EXPECT_TRUE(setting.get().empty());
  } else {
    ASSERT_TRUE(registered);
    EXPECT_EQ(formOf(setting.get()), *registered);
  }

  T value = other(setting.get());
  setting = value;
  ASSERT_EQ(setting.get(), value);
  if constexpr (std::is_same_v<T, StringList>) {
    ASSERT_TRUE(world.stored(key) && world.stored(key)->isData());
  } else {
    EXPECT_EQ(world.stored(key), formOf(value));
  }
  EXPECT_EQ(((*world.make()).*member).get(), value) << "loads back";

  ASSERT_EQ((std::is_same_v<T, double>), kNumbers.count(key) > 0);
  if constexpr (std::is_same_v<T, double>) {
    auto [byDefault, lower, upper] = kNumbers.at(key);
    const double mid = (lower + upper) / 2;
    const double cases[][2] = {
        {lower - 1, lower}, {lower, lower}, {upper, upper}, {upper + 1, upper}, {mid, mid}};
    for (const auto& [assigned, expected] : cases) {
      setting = assigned;
      EXPECT_EQ(setting.get(), expected) << "assigned " << assigned;
      EXPECT_EQ(world.stored(key), PlistValue(expected)) << "assigned " << assigned;
    }
    // Numbers that are not finite become the default without ever being published as such.
    auto published = world.record(setting);
    for (double bad : {std::nan(""), HUGE_VAL, -HUGE_VAL}) setting = bad;
    EXPECT_EQ(*published, std::vector<double>(3, byDefault));
    EXPECT_EQ(world.stored(key), PlistValue(byDefault));
  }
}

std::set<std::string> expectedKeys() {
  std::set<std::string> keys = kOn;
  keys.insert(kOff.begin(), kOff.end());
  keys.insert(kLists.begin(), kLists.end());
  for (const auto& [key, value] : kNumbers) keys.insert(key);
  for (const auto& [key, value] : kTexts) keys.insert(key);
  return keys;
}

TEST(SettingsTable, EveryKeyDefaultStoredTypeAndRange) {
  std::set<std::string> seen;
#define PELKO_EXPECT_SETTING(name, ...) expectSetting(&SettingsManager::name, #name, seen);
  PELKO_SETTINGS(PELKO_EXPECT_SETTING, PELKO_EXPECT_SETTING, PELKO_EXPECT_SETTING)
#undef PELKO_EXPECT_SETTING
  EXPECT_EQ(seen, expectedKeys());
  EXPECT_EQ(seen.size(), 77u);
}

// Every setting's stored value is judged as its own kind, from the independent table above: its
// registered value and another of its kind are readable, a value of another kind is not.
TEST(SettingsTable, EveryKeyJudgesAStoredValueByItsOwnKind) {
  for (const std::string& key : expectedKeys()) {
    SCOPED_TRACE(key);
    std::vector<PlistValue> readable, unreadable;
    if (kOn.count(key) || kOff.count(key)) {
      readable = {true, false, 0, 1.0};
      unreadable = {2, "true", PlistValue::Array{}};
    } else if (kNumbers.count(key)) {
      readable = {-5, 1e300, 0.25};
      unreadable = {std::nan(""), HUGE_VAL, "3", false};
    } else if (kTexts.count(key)) {
      readable = {kTexts.at(key), "names no case"};
      unreadable = {7, 0.5, true, platform::PlistData{}};
    } else {
      readable = {PlistValue::Array{}, platform::PlistData{'[', ']'}};
      unreadable = {"com.example.app", 3, PlistValue::Dictionary{}};
    }
    for (const auto& value : readable) EXPECT_EQ(SettingsManager::whyUnreadable(key, value), std::nullopt);
    for (const auto& value : unreadable) EXPECT_NE(SettingsManager::whyUnreadable(key, value), std::nullopt);
  }
  // Keys of no setting are not judged: the Dock's recovery record, the first-run flag, retired keys.
  for (const char* key : {"PelkoDockRecoveryNeeded", "PelkoOnboardingComplete", "PelkoHeight", "Other"})
    EXPECT_EQ(SettingsManager::whyUnreadable(key, std::nan("")), std::nullopt) << key;
}

std::set<std::string> storedKeys(const test::SettingsTestWorld& world) {
  std::set<std::string> keys;
  for (const auto& [key, value] : world.defaults.storedDictionary()) keys.insert(key);
  return keys;
}

TEST(SettingsStart, AnEmptyDomainGetsOnlyTheNumbersAndWhatTheSystemContradicts) {
  std::set<std::string> numbers;
  for (const auto& [key, value] : kNumbers) numbers.insert(key);
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
