// The settings window's form as data: the control catalogue against the store and against the widgets
// built from it, the value labels and the stepper conversions, the corner-radius maximum, the section
// signatures and the enabled rules.

#include <gtest/gtest.h>

#include <QAccessible>
#include <cmath>
#include <set>

#include "SettingsWindowTestWorld.h"
#include "settings/SettingsManager.h"
#include "settingswindow/SettingValueAccess.h"
#include "settingswindow/SettingsControlCatalog.h"
#include "settingswindow/SettingsSectionLayout.h"
#include "support/SimulatedSystem.h"
#include "ui/PlainText.h"
#include "ui/Stepper.h"

namespace pelko::test {
namespace {

class SettingsControlCatalogWidgetsTest : public SettingsWindowTest {};

const SettingsControlEntry& entry(std::string_view field) {
  const SettingsControlEntry* found = findControlEntry(field);
  EXPECT_NE(found, nullptr) << field;
  static const SettingsControlEntry none;
  return found ? *found : none;
}

TEST(SettingsControlCatalogTest, EveryControlEditsOneSettingOfTheStoreWithinItsRange) {
  SimulatedSystem system;
  SettingsManager& settings = *system.settings;
  std::set<SettingID> edited;
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
        if (control.setting == SettingID::fullyHideDock)
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
    SettingBase* setting = findSetting(*system.settings, binding.setting);
    ASSERT_NE(setting, nullptr);
    bound.insert(setting->name());
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
    EXPECT_TRUE(followed) << control.field;
  }
}

// Every control of the form, its range and step (steppers), its tooltip and its accessibility label (a
// switch's), with the values the form was designed with; the built widget carries the same, and a screen
// reader finds it by its name, its tooltip's words (after its row's title where its name is its own) as
// its plain description.
TEST_F(SettingsControlCatalogWidgetsTest, EveryControlsRangeStepTooltipAndAccessibilityLabel) {
  struct Case {
    std::string_view field;
    double minimum, maximum, increment;  // 0, 0, 0 for a control that is no stepper
    std::string_view tooltip;
    std::string_view accessibility;
    // What a screen reader calls the control: its own label, else its row's title (a check box with the
    // row's word before its own); and the row its description names when the name is not the row's.
    std::string_view name;
    std::string_view place;
  };
  // clang-format off
  const Case cases[] = {
      {"positionControl", 0, 0, 0, "Which screen edge the taskbar attaches to", "", "Position", ""},
      {"floatingBarSwitch", 0, 0, 0, "Detach from the screen edge and center the taskbar as a floating bar", "Floating Bar", "Floating Bar", ""},
      {"marginHStepper", 0, 100, 2, "Space between the taskbar and the left/right screen edges", "", "Horizontal Margin", ""},
      {"marginVStepper", 0, 100, 2, "Space between the taskbar and the top/bottom screen edges", "", "Vertical Margin", ""},
      {"windowGapStepper", 0, 20, 1, "Space between the taskbar and app windows", "", "Window Gap", ""},
      {"stylePopUp", 0, 0, 0, "Display style for taskbar items", "", "Style", ""},
      {"taskbarSizeStepper", 50, 150, 5, "Scale the taskbar height (50%-150%)", "", "Taskbar Size", ""},
      {"iconSizeStepper", 50, 200, 5, "Scale app icons (50%-200%)", "", "Icon Size", ""},
      {"itemTextSizeStepper", 9, 16, 1, "Adjust the text size for taskbar item labels", "", "Text Size", ""},
      {"maxTaskWidthStepper", 50, 600, 10, "Maximum width for each taskbar item", "", "Max Task Width", ""},
      {"itemSpacingStepper", 0, 20, 1, "Gap between taskbar items", "", "Item Spacing", ""},
      {"useVibrancySwitch", 0, 0, 0, "Use macOS blur/vibrancy effect for the background", "Vibrancy Effect", "Vibrancy Effect", "Vibrancy"},
      {"backgroundColorWell", 0, 0, 0, "Base color of the taskbar background", "", "Background Color", ""},
      {"backgroundOpacityStepper", 0, 100, 5, "0% = fully transparent, 100% = fully opaque", "", "Opacity", ""},
      {"borderTopCheck", 0, 0, 0, "", "", "Border: Top", ""},
      {"borderBottomCheck", 0, 0, 0, "", "", "Border: Bottom", ""},
      {"borderLeftCheck", 0, 0, 0, "", "", "Border: Left", ""},
      {"borderRightCheck", 0, 0, 0, "", "", "Border: Right", ""},
      {"borderColorWell", 0, 0, 0, "Color of the active border edges", "", "Border Color", ""},
      {"borderOpacityStepper", 0, 100, 5, "", "", "Border Opacity", ""},
      {"borderWidthStepper", 0, 10, 0.5, "", "", "Border Width", ""},
      {"cornerRadiusStepper", 0, 50, 1, "Round the corners of the taskbar", "", "Corner Radius", ""},
      {"groupWindowsSwitch", 0, 0, 0, "Combine windows of the same app into one item", "Group Windows", "Group Windows", ""},
      {"groupByAppSwitch", 0, 0, 0, "Sort items by app instead of activation order", "Group by App", "Group by App", ""},
      {"showWindowCountSwitch", 0, 0, 0, "Display the number of grouped windows", "", "Show Window Count", ""},
      {"windowCountStylePopUp", 0, 0, 0, "Visual style for the window count indicator", "", "Count Style", ""},
      {"badgeColorWell", 0, 0, 0, "Background color of the count badge", "", "Badge Color", ""},
      {"badgeTextColorWell", 0, 0, 0, "Text color of the count number", "", "Badge Text", ""},
      {"badgeOpacityStepper", 0, 100, 5, "", "", "Badge Opacity", ""},
      {"equalWidthSwitch", 0, 0, 0, "Make all items the same width", "Equal Width Items", "Equal Width Items", ""},
      {"itemAlignmentControl", 0, 0, 0, "Where items are positioned within the taskbar", "", "Item Alignment", ""},
      {"showTrashIconSwitch", 0, 0, 0, "Display a trash can at the end of the taskbar", "Show Trash Icon", "Show Trash Icon", ""},
      {"showWindowTitleSwitch", 0, 0, 0, "Display window or app name next to the icon", "Show Window Title", "Show Window Title", ""},
      {"indicateMinimizedSwitch", 0, 0, 0, "Dim items whose windows are minimized", "Indicate Minimized Windows", "Indicate Minimized Windows", "Indicate Minimized"},
      {"indicateHiddenSwitch", 0, 0, 0, "Dim items whose app is hidden", "Indicate Hidden Apps", "Indicate Hidden Apps", "Indicate Hidden"},
      {"showActiveIndicatorSwitch", 0, 0, 0, "Show a colored bar on the active taskbar item", "Show Active Indicator", "Show Active Indicator", "Active Indicator"},
      {"activeIndicatorColorWell", 0, 0, 0, "Color of the active indicator bar", "", "Indicator Color", ""},
      {"activeIndicatorPositionPopUp", 0, 0, 0, "Which edge of each item shows the active indicator", "", "Indicator Position", ""},
      {"showThumbnailsSwitch", 0, 0, 0, "Show a window preview when hovering an item", "", "Show Thumbnails", ""},
      {"thumbnailDelayStepper", 0, 5000, 50, "How long to hover before showing window preview", "", "Hover Delay", ""},
      {"showSystemTraySwitch", 0, 0, 0, "Display clock and battery on the taskbar", "Show System Tray", "Show System Tray", ""},
      {"showBatterySwitch", 0, 0, 0, "Display battery level in the system tray", "", "Show Battery", ""},
      {"showTimeSwitch", 0, 0, 0, "Display current time in the system tray", "", "Show Time", ""},
      {"clockFontSizeStepper", 8, 16, 1, "Font size for the clock display", "", "Clock Font Size", ""},
      {"trayFontSizeStepper", 8, 16, 1, "Font size for the battery display", "", "Battery Font Size", ""},
      {"clockAlignmentControl", 0, 0, 0, "Alignment of the clock text", "", "Clock Alignment", ""},
      {"dateAlignmentControl", 0, 0, 0, "Alignment of the date text (independent from clock)", "", "Date Alignment", ""},
      {"showBatteryIconSwitch", 0, 0, 0, "Display the battery icon in the system tray", "Show Battery Icon", "Show Battery Icon", ""},
      {"showBatteryPercentageSwitch", 0, 0, 0, "Display the battery percentage number", "Show Battery Percentage", "Show Battery Percentage", "Show Battery %"},
      {"colorCodedBatterySwitch", 0, 0, 0, "Use red, orange, green colors based on battery level", "Color-Coded Battery", "Color-Coded Battery", ""},
      {"batteryIconStylePopUp", 0, 0, 0, "Visual style for the battery icon", "", "Battery Style", ""},
      {"dockModeControl", 0, 0, 0, "Choose whether Pelko should keep the macOS Dock hidden while it runs", "", "Dock Mode", ""},
      {"multiMonitorPopUp", 0, 0, 0, "How the taskbar appears on multiple displays", "", "Monitor Mode", ""},
      {"hideInFullscreenSwitch", 0, 0, 0, "Hide taskbar when an app goes fullscreen", "Hide in Fullscreen", "Hide in Fullscreen", ""},
      {"autoResizeWindowsSwitch", 0, 0, 0, "Automatically resize windows that overlap the taskbar", "Auto-Resize Windows", "Auto-Resize Windows", ""},
      {"excludeFromCaptureSwitch", 0, 0, 0, "Hide the taskbar from screenshots and screen recordings", "Exclude from Screen Capture", "Exclude from Screen Capture", ""},
      {"launchAtLoginSwitch", 0, 0, 0, "Start Pelko when you log in to your Mac", "Launch at Login", "Launch at Login", ""},
      {"autoHideSwitch", 0, 0, 0, "Hide taskbar until you hover the screen edge", "Auto-Hide Taskbar", "Auto-Hide Taskbar", "Auto-Hide"},
      // Mended: the delay is the hide timer's, not a wait before showing.
      {"autoHideDelayStepper", 0, 30, 0.1, "Seconds to wait before the taskbar hides after the pointer leaves it", "", "Auto-Hide Delay", ""},
      {"autoHideAnimationPopUp", 0, 0, 0, "How the taskbar animates in and out", "", "Animation Style", ""},
      // Mended: Option is the Alt key here.
      {"autoHideShortcutSwitch", 0, 0, 0, "Toggle taskbar visibility with Ctrl+Alt+T", "Auto-Hide Keyboard Shortcut", "Auto-Hide Keyboard Shortcut", "Shortcut (Ctrl+Alt+T)"},
      {"autoHideActivationDelayStepper", 0, 0.5, 0.05, "How long the mouse must stay at the screen edge before the taskbar appears", "", "Activation Delay", ""},
      {"autoHideDodgeWindowsSwitch", 0, 0, 0, "Only hide the taskbar when a window overlaps it, instead of on a timer", "Dodge Windows Mode", "Dodge Windows Mode", "Dodge Windows"},
      {"autoHideShowOnAppSwitchSwitch", 0, 0, 0, "Briefly show the taskbar when switching between applications", "Show on App Switch", "Show on App Switch", ""},
      {"autoHidePinnedSwitch", 0, 0, 0, "Temporarily keep the taskbar visible (disable auto-hide)", "Pin Taskbar", "Pin Taskbar", ""},
      {"autoHideDragRevealSwitch", 0, 0, 0, "Use a larger trigger zone to make it easier to reveal the taskbar, especially during drag operations", "Easy Drag Reveal", "Easy Drag Reveal", ""},
      {"autoHideSmartDelaySwitch", 0, 0, 0, "Double the hide delay when you recently hovered over the taskbar", "Smart Delay", "Smart Delay", ""},
      {"autoHidePeekRevealSwitch", 0, 0, 0, "Show a thin accent-colored strip at the screen edge when the taskbar is hidden", "Peek Strip", "Peek Strip", ""},
      {"autoHideFullscreenOnlySwitch", 0, 0, 0, "Only auto-hide the taskbar when a fullscreen app is active on the screen", "Fullscreen Only", "Fullscreen Only", ""},
      {"autoHideShowOnNewWindowSwitch", 0, 0, 0, "Briefly show the taskbar when a new window appears", "Show on New Window", "Show on New Window", ""},
      {"autoHideResizeWindowsSwitch", 0, 0, 0, "Resize overlapping windows when the taskbar shows/hides during auto-hide", "Resize Windows", "Resize Windows", ""},
      {"autoHideAnimationSpeedStepper", 0.5, 2.0, 0.25, "Animation speed multiplier for show/hide transitions", "", "Animation Speed", ""},
  };
  // clang-format on
  SettingsViewController& view = open();  // the widgets as built, before the bindings' first pass
  std::set<std::string_view> listed;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.field));
    listed.insert(c.field);
    const SettingsControlEntry* control = findControlEntry(c.field);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->minimum, c.minimum);
    EXPECT_EQ(control->maximum, c.maximum);
    EXPECT_EQ(control->increment, c.increment);
    EXPECT_EQ(control->tooltip, c.tooltip);
    EXPECT_EQ(control->accessibilityLabel, c.accessibility);
    EXPECT_EQ(control->kind == SettingsControlKind::stepper, c.increment > 0);

    QWidget* widget = view.control(c.field);
    ASSERT_NE(widget, nullptr);
    // The Thumbnails section retitles its switch's tooltip for the Screen Recording permission.
    if (c.field != "showThumbnailsSwitch") {
      EXPECT_EQ(widget->toolTip(), plainToolTip(QString::fromUtf8(c.tooltip.data(), c.tooltip.size())));
    }
    if (!c.accessibility.empty()) {
      EXPECT_EQ(widget->accessibleName().toStdString(), c.accessibility);
    }
    QAccessibleInterface* item = QAccessible::queryAccessibleInterface(widget);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(QAccessible::Name).toStdString(), c.name);
    if (c.field != "showThumbnailsSwitch") {
      std::string description(c.place);
      if (!c.place.empty() && !c.tooltip.empty()) description += ": ";
      description += c.tooltip;
      EXPECT_EQ(item->text(QAccessible::Description).toStdString(), description);
    }
    if (auto* stepper = qobject_cast<Stepper*>(widget)) {
      EXPECT_EQ(stepper->minimum(), c.minimum);
      EXPECT_EQ(stepper->maximum(), c.maximum);
      EXPECT_EQ(stepper->increment(), c.increment);
    }
  }
  EXPECT_EQ(listed.size(), 72u);
  EXPECT_EQ(settingsControlCatalog().size(), 72u);
}

// The rows' own texts (title and help), for a sample of every kind of control.
TEST(SettingsControlCatalogTest, RowTextsAndChoices) {
  struct Case {
    std::string_view field;
    std::string_view rowField, label, help;
  };
  const Case cases[] = {
      {"taskbarSizeStepper", "appearanceTaskbarSizeRow", "Taskbar Size",
       "Scale the overall taskbar thickness (50%-150%)"},
      {"thumbnailDelayStepper", "thumbnailDelayRow", "Hover Delay",
       "How long to hover before showing the window preview"},
      {"borderWidthStepper", "appearanceBorderWidthRow", "Border Width", "Thickness of the border line"},
      {"autoHideActivationDelayStepper", "autoHideActivationDelayRow", "Activation Delay",
       "How long the mouse must stay at the screen edge before the taskbar appears (0 = instant)"},
      // Mended: the delay is the hide timer's.
      {"autoHideDelayStepper", "autoHideDelayRow", "Auto-Hide Delay",
       "Seconds before the taskbar hides after the pointer leaves it"},
      {"marginHStepper", "", "Horizontal Margin",
       "Space between the taskbar and the left/right screen edges"},
      {"showThumbnailsSwitch", "showThumbnailsRow", "Show Thumbnails",
       "Show a live window preview when hovering a taskbar item. Requires Screen Recording permission."},
      {"autoHideDodgeWindowsSwitch", "autoHideDodgeWindowsRow", "Dodge Windows",
       "Only hide when a window overlaps the taskbar (no timer)"},
      {"indicateHiddenSwitch", "indicateHiddenRow", "Indicate Hidden",
       "Dim items whose app is hidden (Ctrl+H)"},
      {"autoHideShortcutSwitch", "autoHideShortcutRow", "Shortcut (Ctrl+Alt+T)",
       "Toggle taskbar visibility with Ctrl+Alt+T"},
      {"multiMonitorPopUp", "", "Monitor Mode", ""},
      {"borderLeftCheck", "appearanceBorderEdgesRow", "Borders",
       "Choose which edges of the taskbar should draw a border"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.field));
    const SettingsControlEntry& control = entry(c.field);
    EXPECT_EQ(control.rowField, c.rowField);
    EXPECT_EQ(control.rowLabel, c.label);
    EXPECT_EQ(control.helpText, c.help);
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

// Each ID stands for its own setting: the IDs follow the store's declared order one to one.
TEST(SettingsControlCatalogTest, EachSettingIDFindsItsOwnSetting) {
  SimulatedSystem system;
  const std::vector<SettingBase*> all = allSettings(*system.settings);
  ASSERT_FALSE(all.empty());
  for (size_t i = 0; i < all.size(); ++i)
    EXPECT_EQ(findSetting(*system.settings, static_cast<SettingID>(i)), all[i]) << all[i]->name();
  EXPECT_EQ(findSetting(*system.settings, SettingID::groupWindows), &system.settings->groupWindows);
  EXPECT_EQ(findSetting(*system.settings, SettingID::customAppOrder), &system.settings->customAppOrder);
}

// The window's code names controls and stored rows only through the named constants; each constant
// must be a control or a row the catalogue makes, and the catalogue must make nothing without one.
TEST(SettingsControlCatalogTest, TheNamedControlsAndRowsAreTheCataloguesOwn) {
  std::vector<std::string_view> fields;
  std::set<std::string_view> rowFields;
  for (const SettingsControlEntry& control : settingsControlCatalog()) {
    fields.push_back(control.field);
    if (!control.rowField.empty()) rowFields.insert(control.rowField);
  }
  EXPECT_EQ(fields, std::vector<std::string_view>(std::begin(controls::all), std::end(controls::all)));
  EXPECT_EQ(rowFields, std::set<std::string_view>(std::begin(stored_rows::all), std::end(stored_rows::all)));
  EXPECT_EQ(std::set<std::string_view>(fields.begin(), fields.end()).size(), fields.size())
      << "a field twice";
}

// Every named control is built, and every entry of every section's row lists, in any state of the
// deciding settings, is a row the built window stores or one of the notices.
TEST_F(SettingsControlCatalogWidgetsTest, EveryNamedControlAndEverySectionRowIsBuilt) {
  SettingsViewController& view = open();
  for (std::string_view field : controls::all) EXPECT_NE(view.control(field), nullptr) << field;
  for (std::string_view row : stored_rows::all) EXPECT_NE(view.storedRow(row), nullptr) << row;

  const std::set<std::string_view> notices = {
      notices::groupingOff,        notices::thumbnailsOff,          notices::thumbnailPermissionBlocked,
      notices::systemTrayOff,      notices::systemTrayEmpty,        notices::autoHideOffInfo,
      notices::autoHideRevealHint, notices::autoHideAutomationHint, notices::autoHideWindowsHint,
      notices::dodgeWindowsNote};
  bool SettingsSnapshot::*const flags[] = {
      &SettingsSnapshot::borderTop,           &SettingsSnapshot::borderBottom,
      &SettingsSnapshot::borderLeft,          &SettingsSnapshot::borderRight,
      &SettingsSnapshot::groupWindows,        &SettingsSnapshot::showWindowCount,
      &SettingsSnapshot::showActiveIndicator, &SettingsSnapshot::screenRecordingGranted,
      &SettingsSnapshot::showThumbnails,      &SettingsSnapshot::showSystemTray,
      &SettingsSnapshot::showBattery,         &SettingsSnapshot::showTime,
      &SettingsSnapshot::showBatteryIcon,     &SettingsSnapshot::autoHide,
      &SettingsSnapshot::autoHideDodgeWindows};
  const auto styles = allCases<TaskbarStyle>();
  const auto positions = allCases<TaskbarPosition>();
  const auto countStyles = allCases<WindowCountStyle>();
  std::set<std::string> shown;
  // Every combination of the flags, the enumerations cycling through theirs along the way.
  for (unsigned mask = 0; mask < (1u << std::size(flags)); ++mask) {
    SettingsSnapshot s;
    for (size_t i = 0; i < std::size(flags); ++i) s.*flags[i] = (mask >> i) & 1u;
    s.style = styles[mask % styles.size()];
    s.position = positions[(mask / styles.size()) % positions.size()];
    s.windowCountStyle = countStyles[(mask / styles.size() / positions.size()) % countStyles.size()];
    for (RebuildableSectionID section :
         {RebuildableSectionID::appearanceContent, RebuildableSectionID::appearanceBorders,
          RebuildableSectionID::grouping, RebuildableSectionID::itemsDisplay,
          RebuildableSectionID::thumbnails, RebuildableSectionID::systemTray, RebuildableSectionID::autoHide})
      for (const auto& stack : sectionContent(section, s).stacks)
        for (const std::string& entry : stack) shown.insert(entry);
  }
  for (const std::string& entry : shown) EXPECT_TRUE(notices.count(entry) || view.storedRow(entry)) << entry;
  for (std::string_view row : stored_rows::all)
    EXPECT_TRUE(shown.count(std::string(row))) << "never shown: " << row;
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
