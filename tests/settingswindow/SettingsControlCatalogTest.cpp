// The settings window's form as data, without widgets: the control catalogue against the store, the
// value labels and the stepper conversions, the corner-radius maximum, the section signatures and the
// enabled rules.

#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "settings/SettingsManager.h"
#include "settingswindow/SettingValueAccess.h"
#include "settingswindow/SettingsControlCatalog.h"
#include "settingswindow/SettingsSectionLayout.h"
#include "support/SimulatedSystem.h"

namespace pelko::test {
namespace {

const SettingsControlEntry& entry(std::string_view field) {
  const SettingsControlEntry* found = findControlEntry(field);
  EXPECT_NE(found, nullptr) << field;
  static const SettingsControlEntry none;
  return found ? *found : none;
}

TEST(SettingsControlCatalogTest, EveryControlEditsOneSettingOfTheStoreWithinItsRange) {
  SimulatedSystem system;
  SettingsManager& settings = *system.settings;
  std::set<std::string_view> edited;
  std::map<int, int> perPage;
  for (const SettingsControlEntry& control : settingsControlCatalog()) {
    SCOPED_TRACE(std::string(control.field));
    SettingBase* setting = findSetting(settings, control.setting);
    ASSERT_NE(setting, nullptr);
    EXPECT_TRUE(edited.insert(control.setting).second) << "edited twice";
    ++perPage[control.page];
    EXPECT_FALSE(control.rowLabel.empty());
    switch (control.kind) {
      case SettingsControlKind::switchControl:
      case SettingsControlKind::checkbox:
        EXPECT_NE(settingOfType<bool>(setting), nullptr);
        break;
      case SettingsControlKind::stepper: {
        auto* number = settingOfType<double>(setting);
        ASSERT_NE(number, nullptr);
        ASSERT_TRUE(number->range());
        EXPECT_GE(control.minimum / control.scale, number->range()->lower);
        EXPECT_LE(control.maximum / control.scale, number->range()->upper);
        EXPECT_GT(control.increment, 0);
        EXPECT_NE(control.format, SettingsValueFormat::none);
        break;
      }
      case SettingsControlKind::segmented:
        // The Dock mode's two segments stand for a Bool; every other segment for an enumeration case.
        if (control.setting == "fullyHideDock")
          EXPECT_NE(settingOfType<bool>(setting), nullptr);
        else
          EXPECT_EQ(enumIndex(setting) >= 0, true);
        EXPECT_FALSE(control.choices.empty());
        break;
      case SettingsControlKind::enumPopUp:
        EXPECT_GE(enumIndex(setting), 0);
        EXPECT_FALSE(control.choices.empty());
        break;
      case SettingsControlKind::titlePopUp:
        EXPECT_NE(settingOfType<std::string>(setting), nullptr);
        EXPECT_EQ(control.choices.size(), indicatorPositions().size());
        break;
      case SettingsControlKind::largeColorWell:
      case SettingsControlKind::smallColorWell:
        EXPECT_NE(settingOfType<Color>(setting), nullptr);
        break;
    }
    // The control's setting is persisted under its own key.
    system.defaults.removeObject(setting->key());
    setting->assignDefault();
    EXPECT_TRUE(system.defaults.objectForKey(setting->key()).has_value()) << setting->key();
  }
  EXPECT_EQ(edited.size(), 72u);
  EXPECT_EQ(perPage, (std::map<int, int>{{0, 22}, {1, 18}, {2, 17}, {3, 15}}));
}

TEST(SettingsControlCatalogTest, BindingsFollowEverySettingButThePromptFlagsAndTheCustomOrder) {
  SimulatedSystem system;
  std::set<std::string> bound;
  int subscriptions = 0;
  for (const SettingsBindingEntry& binding : settingsBindingOrder()) {
    ++subscriptions;
    EXPECT_NE(findSetting(*system.settings, binding.setting), nullptr) << binding.setting;
    bound.insert(std::string(binding.setting));
  }
  EXPECT_EQ(subscriptions, 79);
  EXPECT_EQ(bound.size(), 74u);
  std::set<std::string> unbound;
  for (SettingBase* setting : allSettings(*system.settings))
    if (!bound.count(setting->name())) unbound.insert(setting->name());
  EXPECT_EQ(unbound, (std::set<std::string>{"suppressAccessibilityPermissionPrompt",
                                            "suppressScreenRecordingPermissionPrompt", "customAppOrder"}));
  // Every control's setting is followed with its current value, not only on change.
  for (const SettingsControlEntry& control : settingsControlCatalog()) {
    bool followed = false;
    for (const SettingsBindingEntry& binding : settingsBindingOrder())
      followed |= binding.setting == control.setting && !binding.changeOnly;
    EXPECT_TRUE(followed) << control.setting;
  }
}

TEST(SettingsControlCatalogTest, RowsTooltipsAndAccessibilityLabels) {
  struct Case {
    std::string_view field;
    std::string_view rowField, label, help, tooltip, accessibility;
    double minimum, maximum, increment;
  };
  const Case cases[] = {
      {"taskbarSizeStepper", "appearanceTaskbarSizeRow", "Taskbar Size",
       "Scale the overall taskbar thickness (50%-150%)", "Scale the taskbar height (50%-150%)", "", 50, 150,
       5},
      {"thumbnailDelayStepper", "thumbnailDelayRow", "Hover Delay",
       "How long to hover before showing the window preview",
       "How long to hover before showing window preview", "", 0, 5000, 50},
      {"borderWidthStepper", "appearanceBorderWidthRow", "Border Width", "Thickness of the border line", "",
       "", 0, 10, 0.5},
      {"autoHideActivationDelayStepper", "autoHideActivationDelayRow", "Activation Delay",
       "How long the mouse must stay at the screen edge before the taskbar appears (0 = instant)",
       "How long the mouse must stay at the screen edge before the taskbar appears", "", 0, 0.5, 0.05},
      {"marginHStepper", "", "Horizontal Margin", "Space between the taskbar and the left/right screen edges",
       "Space between the taskbar and the left/right screen edges", "", 0, 100, 2},
      {"showThumbnailsSwitch", "showThumbnailsRow", "Show Thumbnails",
       "Show a live window preview when hovering a taskbar item. Requires Screen Recording permission.",
       "Show a window preview when hovering an item", "", 0, 0, 0},
      {"autoHideDodgeWindowsSwitch", "autoHideDodgeWindowsRow", "Dodge Windows",
       "Only hide when a window overlaps the taskbar (no timer)",
       "Only hide the taskbar when a window overlaps it, instead of on a timer", "Dodge Windows Mode", 0, 0,
       0},
      {"multiMonitorPopUp", "", "Monitor Mode", "", "How the taskbar appears on multiple displays", "", 0, 0,
       0},
      {"borderLeftCheck", "appearanceBorderEdgesRow", "Borders",
       "Choose which edges of the taskbar should draw a border", "", "", 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.field));
    const SettingsControlEntry& control = entry(c.field);
    EXPECT_EQ(control.rowField, c.rowField);
    EXPECT_EQ(control.rowLabel, c.label);
    EXPECT_EQ(control.helpText, c.help);
    EXPECT_EQ(control.tooltip, c.tooltip);
    EXPECT_EQ(control.accessibilityLabel, c.accessibility);
    EXPECT_EQ(control.minimum, c.minimum);
    EXPECT_EQ(control.maximum, c.maximum);
    EXPECT_EQ(control.increment, c.increment);
  }
  EXPECT_EQ(entry("dockModeControl").choices, (std::vector<std::string_view>{"Hide Dock", "Show Dock"}));
  EXPECT_EQ(entry("autoHideAnimationPopUp").choices,
            (std::vector<std::string_view>{"Slide In/Out", "Fade In/Out", "Scale Up/Down",
                                           "Instant (No Animation)"}));
  EXPECT_EQ(valueLabelField("autoHideAnimationSpeedStepper"), "autoHideAnimationSpeedLabel");
}

TEST(SettingsControlCatalogTest, ValueLabelsAndTheStoredValueOfAUserStep) {
  struct Case {
    std::string_view field;
    double stepper;    // what the user stepped to
    double stored;     // what the action stores
    double thickness;  // the bar after the write
    std::string label;
  };
  const Case cases[] = {
      {"taskbarSizeStepper", 104.6, 105, 36, "105% (36 pt)"},
      {"taskbarSizeStepper", 100, 100, 34, "100% (34 pt)"},
      {"borderWidthStepper", 1.26, 1.5, 0, "1.5 pt"},
      {"borderWidthStepper", 1.24, 1.0, 0, "1.0 pt"},
      {"borderWidthStepper", 0.5, 0.5, 0, "0.5 pt"},
      {"thumbnailDelayStepper", 1234, 1.25, 0, "1250 ms"},
      {"thumbnailDelayStepper", 450, 0.45, 0, "450 ms"},
      {"thumbnailDelayStepper", 0, 0, 0, "0 ms"},
      {"autoHideDelayStepper", 0.26, 0.3, 0, "0.3 s"},
      {"autoHideDelayStepper", 0.5, 0.5, 0, "0.5 s"},
      {"autoHideActivationDelayStepper", 0, 0, 0, "Instant"},
      {"autoHideActivationDelayStepper", 0.05, 0.05, 0, "50 ms"},
      // Three steps up and three down by the floating increment leave a remainder; the grid removes it.
      {"autoHideActivationDelayStepper", 0.05 + 0.05 + 0.05 - 0.05 - 0.05 - 0.05, 0, 0, "Instant"},
      {"autoHideActivationDelayStepper", 0.05 + 0.05 + 0.05, 0.15, 0, "150 ms"},
      {"autoHideAnimationSpeedStepper", 0.5 + 0.25 * 3, 1.25, 0, "1.25x"},
      {"autoHideAnimationSpeedStepper", 0.6, 0.5, 0, "0.50x"},
      {"backgroundOpacityStepper", 92.4, 92, 0, "92%"},
      {"iconSizeStepper", 117.5, 118, 0, "118%"},
      {"cornerRadiusStepper", 12.2, 12, 0, "12 pt"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.field) + " " + std::to_string(c.stepper));
    const SettingsControlEntry& control = entry(c.field);
    const double stored = settingValueForStepper(control, c.stepper);
    EXPECT_EQ(stored, c.stored);
    EXPECT_EQ(formatValueLabel(control, stored, c.thickness), c.label);
  }
  // A stored value shown by the binding: truncated, never rounded.
  EXPECT_EQ(formatValueLabel(entry("backgroundOpacityStepper"), 92.5, 0), "92%");
  EXPECT_EQ(formatValueLabel(entry("cornerRadiusStepper"), 12.7, 0), "12 pt");
  EXPECT_EQ(stepperValueForSetting(entry("thumbnailDelayStepper"), 0.45), 450);
  EXPECT_EQ(stepperValueForSetting(entry("cornerRadiusStepper"), 12.7), 12.7);
  EXPECT_EQ(formatActivationDelay(0.15), "150 ms");
  EXPECT_EQ(formatAnimationSpeed(2), "2.00x");
}

TEST(SettingsControlCatalogTest, CornerRadiusMaximumIsWholePointsCappedAtFifty) {
  const std::pair<double, double> cases[] = {{34, 17}, {26, 13},  {72, 36}, {31, 15},
                                             {35, 17}, {100, 50}, {130, 50}};
  for (auto [thickness, maximum] : cases) EXPECT_EQ(cornerRadiusMaximum(thickness), maximum) << thickness;
  EXPECT_EQ(indicatorPositionIndex("right"), 3);
  EXPECT_EQ(indicatorPositionIndex("Right"), 0);
  EXPECT_EQ(indicatorPositionIndex(""), 0);
}

TEST(SettingsControlCatalogTest, EnabledRules) {
  struct Case {
    std::string_view field;
    void (*change)(SettingsSnapshot&);
    bool enabled;
  };
  const Case cases[] = {
      {"maxTaskWidthStepper", [](SettingsSnapshot&) {}, true},
      {"maxTaskWidthStepper", [](SettingsSnapshot& s) { s.style = TaskbarStyle::iconsOnly; }, false},
      {"showWindowTitleSwitch", [](SettingsSnapshot& s) { s.position = TaskbarPosition::left; }, false},
      {"showWindowTitleSwitch", [](SettingsSnapshot& s) { s.position = TaskbarPosition::top; }, true},
      {"equalWidthSwitch", [](SettingsSnapshot& s) { s.style = TaskbarStyle::iconsOnly; }, true},
      {"equalWidthSwitch", [](SettingsSnapshot& s) { s.position = TaskbarPosition::right; }, false},
      {"showWindowCountSwitch", [](SettingsSnapshot& s) { s.groupWindows = false; }, false},
      {"borderColorWell", [](SettingsSnapshot& s) { s.borderTop = false; }, false},
      {"borderWidthStepper", [](SettingsSnapshot& s) { s.borderTop = false, s.borderRight = true; }, true},
      {"cornerRadiusStepper", [](SettingsSnapshot& s) { s.borderTop = false; }, true},
      {"showThumbnailsSwitch", [](SettingsSnapshot& s) { s.screenRecordingGranted = false; }, false},
      {"thumbnailDelayStepper", [](SettingsSnapshot& s) { s.showThumbnails = false; }, false},
      {"thumbnailDelayStepper", [](SettingsSnapshot& s) { s.screenRecordingGranted = false; }, false},
      {"showSystemTraySwitch", [](SettingsSnapshot& s) { s.showSystemTray = false; }, true},
      {"showTimeSwitch", [](SettingsSnapshot& s) { s.showSystemTray = false; }, false},
      {"clockAlignmentControl", [](SettingsSnapshot& s) { s.showTime = false; }, false},
      {"trayFontSizeStepper", [](SettingsSnapshot& s) { s.showBattery = false; }, false},
      {"trayFontSizeStepper", [](SettingsSnapshot& s) { s.showTime = false; }, true},
      {"batteryIconStylePopUp", [](SettingsSnapshot& s) { s.showBatteryIcon = false; }, false},
      {"batteryIconStylePopUp", [](SettingsSnapshot&) {}, true},
  };
  for (const Case& c : cases) {
    // Every rule on: a bottom bar with text, a top border, grouping, thumbnails and the whole tray.
    SettingsSnapshot s;
    s.borderTop = s.groupWindows = s.showThumbnails = true;
    s.showSystemTray = s.showBattery = s.showTime = s.showBatteryIcon = true;
    c.change(s);
    EXPECT_EQ(isControlEnabled(c.field, s), c.enabled) << c.field;
  }
}

}  // namespace
}  // namespace pelko::test
