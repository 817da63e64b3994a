#include "settingswindow/SettingsControlCatalog.h"

#include <charconv>
#include <cmath>
#include <cstdint>

#include "settings/SettingsManager.h"

namespace pelko {

namespace {

using Kind = SettingsControlKind;
using Format = SettingsValueFormat;

struct Place {
  int page;
  std::string_view section;
};
constexpr Place kPlacement{0, "Placement"};
constexpr Place kContent{0, "Content & Density"};
constexpr Place kSurface{0, "Surface"};
constexpr Place kBorders{0, "Borders & Shape"};
constexpr Place kGrouping{1, "Grouping"};
constexpr Place kLayout{1, "Layout"};
constexpr Place kDisplay{1, "Display"};
constexpr Place kThumbnails{1, "Thumbnails"};
constexpr Place kDock{2, "Dock Integration"};
constexpr Place kTray{2, "System Tray"};
constexpr Place kSystem{2, "System & Startup"};
constexpr Place kCore{3, "Core"};
constexpr Place kReveal{3, "Reveal"};
constexpr Place kAutomation{3, "Automation"};
constexpr Place kMotion{3, "Animation & Windows"};

struct RowText {
  std::string_view field;  // empty: a static row
  std::string_view label;
  std::string_view help;
};

SettingsControlEntry control(std::string_view field, Kind kind, SettingID setting, Place place, RowText row,
                             std::string_view tooltip, std::string_view accessibility = {},
                             std::vector<std::string_view> choices = {}) {
  SettingsControlEntry entry{.field = field, .kind = kind};
  entry.setting = setting;
  entry.page = place.page;
  entry.section = place.section;
  entry.rowField = row.field;
  entry.rowLabel = row.label;
  entry.helpText = row.help;
  entry.tooltip = tooltip;
  entry.accessibilityLabel = accessibility;
  entry.choices = std::move(choices);
  return entry;
}

SettingsControlEntry onOff(std::string_view field, SettingID setting, Place place, RowText row,
                           std::string_view tooltip, std::string_view accessibility) {
  return control(field, Kind::switchControl, setting, place, row, tooltip, accessibility);
}

struct Steps {
  double minimum;
  double maximum;
  double increment;
  double grid;
  Format format;
  std::string_view suffix = {};
  double scale = 1;
};

SettingsControlEntry stepper(std::string_view field, SettingID setting, Place place, RowText row,
                             std::string_view tooltip, Steps steps) {
  SettingsControlEntry entry = control(field, Kind::stepper, setting, place, row, tooltip);
  entry.minimum = steps.minimum;
  entry.maximum = steps.maximum;
  entry.increment = steps.increment;
  entry.grid = steps.grid;
  entry.format = steps.format;
  entry.suffix = steps.suffix;
  entry.scale = steps.scale;
  return entry;
}

Steps whole(double minimum, double maximum, double increment, std::string_view suffix) {
  return {minimum, maximum, increment, 1, Format::whole, suffix};
}

template <StringEnumeration E>
std::vector<std::string_view> displayNames() {
  std::vector<std::string_view> names;
  for (E value : allCases<E>()) names.push_back(displayName(value));
  return names;
}

const std::vector<std::string_view> kEdges = {"Bottom", "Top", "Left", "Right"};
const std::vector<std::string_view> kAlignments = {"Left", "Center", "Right"};

std::vector<SettingsControlEntry> makeCatalog() {
  const RowText borders{stored_rows::appearanceBorderEdgesRow, "Borders",
                        "Choose which edges of the taskbar should draw a border"};
  return {
      // Appearance: Placement.
      control(controls::positionControl, Kind::segmented, SettingID::position, kPlacement,
              {{}, "Position", "Which screen edge the taskbar attaches to"},
              "Which screen edge the taskbar attaches to", {}, kEdges),
      onOff(controls::floatingBarSwitch, SettingID::floatingBar, kPlacement,
            {{}, "Floating Bar", "Detach from the screen edge and center the taskbar as a floating bar"},
            "Detach from the screen edge and center the taskbar as a floating bar", "Floating Bar"),
      stepper(controls::marginHStepper, SettingID::marginHorizontal, kPlacement,
              {{}, "Horizontal Margin", "Space between the taskbar and the left/right screen edges"},
              "Space between the taskbar and the left/right screen edges", whole(0, 100, 2, " pt")),
      stepper(controls::marginVStepper, SettingID::marginVertical, kPlacement,
              {{}, "Vertical Margin", "Space between the taskbar and the top/bottom screen edges"},
              "Space between the taskbar and the top/bottom screen edges", whole(0, 100, 2, " pt")),
      stepper(controls::windowGapStepper, SettingID::windowGap, kPlacement,
              {{}, "Window Gap", "Space reserved between the taskbar and application windows"},
              "Space between the taskbar and app windows", whole(0, 20, 1, " pt")),
      // Appearance: Content & Density.
      control(controls::stylePopUp, Kind::enumPopUp, SettingID::style, kContent,
              {stored_rows::appearanceStyleRow, "Style", "Icons only, or icons with text labels"},
              "Display style for taskbar items", {}, displayNames<TaskbarStyle>()),
      stepper(controls::taskbarSizeStepper, SettingID::taskbarSize, kContent,
              {stored_rows::appearanceTaskbarSizeRow, "Taskbar Size",
               "Scale the overall taskbar thickness (50%-150%)"},
              "Scale the taskbar height (50%-150%)", {50, 150, 5, 1, Format::taskbarSize}),
      stepper(controls::iconSizeStepper, SettingID::iconSize, kContent,
              {stored_rows::appearanceIconSizeRow, "Icon Size", "Scale app icons independently (50%-200%)"},
              "Scale app icons (50%-200%)", whole(50, 200, 5, "%")),
      stepper(controls::itemTextSizeStepper, SettingID::itemTextSize, kContent,
              {stored_rows::appearanceItemTextSizeRow, "Text Size",
               "Size of taskbar item labels when text is visible"},
              "Adjust the text size for taskbar item labels", whole(9, 16, 1, " pt")),
      stepper(controls::maxTaskWidthStepper, SettingID::maxTaskWidth, kContent,
              {stored_rows::appearanceMaxTaskWidthRow, "Max Task Width",
               "Maximum width for each taskbar item when text is shown"},
              "Maximum width for each taskbar item", whole(50, 600, 10, " pt")),
      stepper(controls::itemSpacingStepper, SettingID::itemSpacing, kContent,
              {stored_rows::appearanceItemSpacingRow, "Item Spacing", "Gap between individual taskbar items"},
              "Gap between taskbar items", whole(0, 20, 1, " pt")),
      // Appearance: Surface.
      onOff(controls::useVibrancySwitch, SettingID::useVibrancy, kSurface,
            {{}, "Vibrancy", "Use macOS vibrancy blur effect for the background"},
            "Use macOS blur/vibrancy effect for the background", "Vibrancy Effect"),
      control(controls::backgroundColorWell, Kind::largeColorWell, SettingID::backgroundColor, kSurface,
              {{}, "Background Color", "Base color of the taskbar background"},
              "Base color of the taskbar background"),
      stepper(controls::backgroundOpacityStepper, SettingID::backgroundOpacity, kSurface,
              {{}, "Opacity", "0% = fully transparent, 100% = fully opaque"},
              "0% = fully transparent, 100% = fully opaque", whole(0, 100, 5, "%")),
      // Appearance: Borders & Shape.
      control(controls::borderTopCheck, Kind::checkbox, SettingID::borderTop, kBorders, borders, {}, {},
              {"Top"}),
      control(controls::borderBottomCheck, Kind::checkbox, SettingID::borderBottom, kBorders, borders, {}, {},
              {"Bottom"}),
      control(controls::borderLeftCheck, Kind::checkbox, SettingID::borderLeft, kBorders, borders, {}, {},
              {"Left"}),
      control(controls::borderRightCheck, Kind::checkbox, SettingID::borderRight, kBorders, borders, {}, {},
              {"Right"}),
      control(controls::borderColorWell, Kind::largeColorWell, SettingID::borderColor, kBorders,
              {stored_rows::appearanceBorderColorRow, "Border Color", "Color of the active border edges"},
              "Color of the active border edges"),
      stepper(
          controls::borderOpacityStepper, SettingID::borderOpacity, kBorders,
          {stored_rows::appearanceBorderOpacityRow, "Border Opacity", "Transparency of the border (0%-100%)"},
          {}, whole(0, 100, 5, "%")),
      stepper(controls::borderWidthStepper, SettingID::borderWidth, kBorders,
              {stored_rows::appearanceBorderWidthRow, "Border Width", "Thickness of the border line"}, {},
              {0, 10, 0.5, 0.5, Format::halfPoints}),
      stepper(
          controls::cornerRadiusStepper, SettingID::cornerRadius, kBorders,
          {stored_rows::appearanceCornerRadiusRow, "Corner Radius", "Round the corners of the taskbar panel"},
          "Round the corners of the taskbar", whole(0, 50, 1, " pt")),
      // Items: Grouping.
      onOff(controls::groupWindowsSwitch, SettingID::groupWindows, kGrouping,
            {stored_rows::groupWindowsRow, "Group Windows",
             "Combine all windows of the same app into a single taskbar item"},
            "Combine windows of the same app into one item", "Group Windows"),
      onOff(controls::groupByAppSwitch, SettingID::groupByApp, kGrouping,
            {stored_rows::groupByAppRow, "Group by App",
             "Sort items by application instead of activation order"},
            "Sort items by app instead of activation order", "Group by App"),
      onOff(controls::showWindowCountSwitch, SettingID::showWindowCount, kGrouping,
            {stored_rows::showWindowCountRow, "Show Window Count",
             "Display the number of windows when grouped"},
            "Display the number of grouped windows", {}),
      control(controls::windowCountStylePopUp, Kind::enumPopUp, SettingID::windowCountStyle, kGrouping,
              {stored_rows::windowCountStyleRow, "Count Style",
               "Visual style for the window count indicator (dots or badge)"},
              "Visual style for the window count indicator", {}, displayNames<WindowCountStyle>()),
      control(controls::badgeColorWell, Kind::smallColorWell, SettingID::badgeColor, kGrouping,
              {stored_rows::badgeColorRow, "Badge Color", "Background color of the count badge"},
              "Background color of the count badge"),
      control(controls::badgeTextColorWell, Kind::smallColorWell, SettingID::badgeTextColor, kGrouping,
              {stored_rows::badgeTextColorRow, "Badge Text", "Text color of the count number in badges"},
              "Text color of the count number"),
      stepper(controls::badgeOpacityStepper, SettingID::badgeOpacity, kGrouping,
              {stored_rows::badgeOpacityRow, "Badge Opacity", "Transparency of the badge overlay"}, {},
              whole(0, 100, 5, "%")),
      // Items: Layout.
      onOff(controls::equalWidthSwitch, SettingID::equalWidth, kLayout,
            {{}, "Equal Width Items", "Make all taskbar items the same width"},
            "Make all items the same width", "Equal Width Items"),
      control(controls::itemAlignmentControl, Kind::segmented, SettingID::itemAlignment, kLayout,
              {{}, "Item Alignment", "Where items are positioned within the taskbar"},
              "Where items are positioned within the taskbar", {}, kAlignments),
      onOff(controls::showTrashIconSwitch, SettingID::showTrashIcon, kLayout,
            {{}, "Show Trash Icon", "Display a trash can icon at the end of the taskbar"},
            "Display a trash can at the end of the taskbar", "Show Trash Icon"),
      // Items: Display.
      onOff(controls::showWindowTitleSwitch, SettingID::showWindowTitle, kDisplay,
            {stored_rows::showWindowTitleRow, "Show Window Title",
             "Display the window or app name next to the icon"},
            "Display window or app name next to the icon", "Show Window Title"),
      onOff(
          controls::indicateMinimizedSwitch, SettingID::indicateMinimized, kDisplay,
          {stored_rows::indicateMinimizedRow, "Indicate Minimized", "Dim items whose windows are minimized"},
          "Dim items whose windows are minimized", "Indicate Minimized Windows"),
      onOff(controls::indicateHiddenSwitch, SettingID::indicateHidden, kDisplay,
            {stored_rows::indicateHiddenRow, "Indicate Hidden", "Dim items whose app is hidden (Ctrl+H)"},
            "Dim items whose app is hidden", "Indicate Hidden Apps"),
      onOff(controls::showActiveIndicatorSwitch, SettingID::showActiveIndicator, kDisplay,
            {stored_rows::showActiveIndicatorRow, "Active Indicator",
             "Show a colored bar on the currently active item"},
            "Show a colored bar on the active taskbar item", "Show Active Indicator"),
      control(controls::activeIndicatorColorWell, Kind::largeColorWell, SettingID::activeIndicatorColor,
              kDisplay,
              {stored_rows::activeIndicatorColorRow, "Indicator Color", "Color of the active indicator bar"},
              "Color of the active indicator bar"),
      control(controls::activeIndicatorPositionPopUp, Kind::titlePopUp, SettingID::activeIndicatorPosition,
              kDisplay,
              {stored_rows::activeIndicatorPositionRow, "Indicator Position",
               "Which edge of each item shows the indicator (bottom, top, left, right)"},
              "Which edge of each item shows the active indicator", {}, kEdges),
      // Items: Thumbnails.
      onOff(
          controls::showThumbnailsSwitch, SettingID::showThumbnails, kThumbnails,
          {stored_rows::showThumbnailsRow, "Show Thumbnails",
           "Show a live window preview when hovering a taskbar item. Requires Screen Recording permission."},
          "Show a window preview when hovering an item", {}),
      stepper(controls::thumbnailDelayStepper, SettingID::thumbnailDelay, kThumbnails,
              {stored_rows::thumbnailDelayRow, "Hover Delay",
               "How long to hover before showing the window preview"},
              "How long to hover before showing window preview",
              {0, 5000, 50, 50, Format::milliseconds, {}, 1000}),
      // Behavior: Dock Integration.
      control(
          controls::dockModeControl, Kind::segmented, SettingID::fullyHideDock, kDock,
          {{},
           "Dock Mode",
           "Recommended: keep the macOS Dock hidden while Pelko runs. Switch to Show Dock if you want the "
           "Dock available beside Pelko."},
          "Choose whether Pelko should keep the macOS Dock hidden while it runs", {},
          {"Hide Dock", "Show Dock"}),
      // Behavior: System Tray.
      onOff(controls::showSystemTraySwitch, SettingID::showSystemTray, kTray,
            {stored_rows::showSystemTrayRow, "Show System Tray", "Display clock and battery in the taskbar"},
            "Display clock and battery on the taskbar", "Show System Tray"),
      onOff(controls::showBatterySwitch, SettingID::showBattery, kTray,
            {stored_rows::showBatteryRow, "Show Battery", "Show battery level and charging status"},
            "Display battery level in the system tray", {}),
      onOff(controls::showTimeSwitch, SettingID::showTime, kTray,
            {stored_rows::showTimeRow, "Show Time", "Show current time and date"},
            "Display current time in the system tray", {}),
      stepper(controls::clockFontSizeStepper, SettingID::clockFontSize, kTray,
              {stored_rows::clockFontSizeRow, "Clock Font Size", "Font size for the clock display (8-16 pt)"},
              "Font size for the clock display", whole(8, 16, 1, " pt")),
      stepper(
          controls::trayFontSizeStepper, SettingID::trayFontSize, kTray,
          {stored_rows::trayFontSizeRow, "Battery Font Size", "Font size for the battery display (8-16 pt)"},
          "Font size for the battery display", whole(8, 16, 1, " pt")),
      control(controls::clockAlignmentControl, Kind::segmented, SettingID::clockAlignment, kTray,
              {stored_rows::clockAlignmentRow, "Clock Alignment", "Horizontal alignment of the clock text"},
              "Alignment of the clock text", {}, kAlignments),
      control(controls::dateAlignmentControl, Kind::segmented, SettingID::dateAlignment, kTray,
              {stored_rows::dateAlignmentRow, "Date Alignment",
               "Horizontal alignment of the date text (independent from clock)"},
              "Alignment of the date text (independent from clock)", {}, kAlignments),
      onOff(controls::showBatteryIconSwitch, SettingID::showBatteryIcon, kTray,
            {stored_rows::showBatteryIconRow, "Show Battery Icon", "Display the battery icon graphic"},
            "Display the battery icon in the system tray", "Show Battery Icon"),
      onOff(
          controls::showBatteryPercentageSwitch, SettingID::showBatteryPercentage, kTray,
          {stored_rows::showBatteryPercentageRow, "Show Battery %", "Display the battery percentage number"},
          "Display the battery percentage number", "Show Battery Percentage"),
      onOff(controls::colorCodedBatterySwitch, SettingID::colorCodedBattery, kTray,
            {stored_rows::colorCodedBatteryRow, "Color-Coded Battery",
             "Use red, orange, green colors based on battery level"},
            "Use red, orange, green colors based on battery level", "Color-Coded Battery"),
      control(
          controls::batteryIconStylePopUp, Kind::enumPopUp, SettingID::batteryIconStyle, kTray,
          {stored_rows::batteryIconStyleRow, "Battery Style", "Visual style for the battery icon graphic"},
          "Visual style for the battery icon", {}, displayNames<BatteryIconStyle>()),
      // Behavior: System & Startup.
      control(controls::multiMonitorPopUp, Kind::enumPopUp, SettingID::multiMonitorMode, kSystem,
              {{}, "Monitor Mode", {}}, "How the taskbar appears on multiple displays", {},
              displayNames<MultiMonitorMode>()),
      onOff(controls::hideInFullscreenSwitch, SettingID::hideInFullscreen, kSystem,
            {{}, "Hide in Fullscreen", "Hide the taskbar when any app enters fullscreen mode"},
            "Hide taskbar when an app goes fullscreen", "Hide in Fullscreen"),
      onOff(controls::autoResizeWindowsSwitch, SettingID::autoResizeWindows, kSystem,
            {{},
             "Auto-Resize Windows",
             "Automatically resize windows that overlap with the taskbar to prevent them from being hidden "
             "behind it"},
            "Automatically resize windows that overlap the taskbar", "Auto-Resize Windows"),
      onOff(controls::excludeFromCaptureSwitch, SettingID::excludeFromCapture, kSystem,
            {{}, "Exclude from Screen Capture", "Hide the taskbar from screenshots and screen recordings"},
            "Hide the taskbar from screenshots and screen recordings", "Exclude from Screen Capture"),
      onOff(controls::launchAtLoginSwitch, SettingID::launchAtLogin, kSystem,
            {{}, "Launch at Login", "Automatically start Pelko when you log in"},
            "Start Pelko when you log in to your Mac", "Launch at Login"),
      // Auto-Hide.
      onOff(controls::autoHideSwitch, SettingID::autoHide, kCore,
            {stored_rows::autoHideMainRow, "Auto-Hide",
             "Automatically hide the taskbar until you hover the screen edge"},
            "Hide taskbar until you hover the screen edge", "Auto-Hide Taskbar"),
      onOff(controls::autoHidePinnedSwitch, SettingID::autoHidePinned, kCore,
            {stored_rows::autoHidePinnedRow, "Pin Taskbar",
             "Temporarily keep the taskbar visible while auto-hide is enabled"},
            "Temporarily keep the taskbar visible (disable auto-hide)", "Pin Taskbar"),
      onOff(controls::autoHideFullscreenOnlySwitch, SettingID::autoHideFullscreenOnly, kCore,
            {stored_rows::autoHideFullscreenOnlyRow, "Fullscreen Only",
             "Only auto-hide when a fullscreen app is detected on the current screen"},
            "Only auto-hide the taskbar when a fullscreen app is active on the screen", "Fullscreen Only"),
      onOff(controls::autoHideDodgeWindowsSwitch, SettingID::autoHideDodgeWindows, kReveal,
            {stored_rows::autoHideDodgeWindowsRow, "Dodge Windows",
             "Only hide when a window overlaps the taskbar (no timer)"},
            "Only hide the taskbar when a window overlaps it, instead of on a timer", "Dodge Windows Mode"),
      stepper(controls::autoHideDelayStepper, SettingID::autoHideDelay, kReveal,
              {stored_rows::autoHideDelayRow, "Auto-Hide Delay",
               "Seconds before the taskbar hides after the pointer leaves it"},
              "Seconds to wait before the taskbar hides after the pointer leaves it",
              {0, 30, 0.1, 0.1, Format::tenthSeconds}),
      onOff(controls::autoHideSmartDelaySwitch, SettingID::autoHideSmartDelay, kReveal,
            {stored_rows::autoHideSmartDelayRow, "Smart Delay",
             "Doubles the hide delay when you recently hovered over the taskbar"},
            "Double the hide delay when you recently hovered over the taskbar", "Smart Delay"),
      stepper(controls::autoHideActivationDelayStepper, SettingID::autoHideActivationDelay, kReveal,
              {stored_rows::autoHideActivationDelayRow, "Activation Delay",
               "How long the mouse must stay at the screen edge before the taskbar appears (0 = instant)"},
              "How long the mouse must stay at the screen edge before the taskbar appears",
              {0, 0.5, 0.05, 0.05, Format::activationDelay}),
      onOff(controls::autoHideDragRevealSwitch, SettingID::autoHideDragReveal, kReveal,
            {stored_rows::autoHideDragRevealRow, "Easy Drag Reveal",
             "Use a larger trigger zone (10px) for easier reveal during drag operations"},
            "Use a larger trigger zone to make it easier to reveal the taskbar, especially during drag "
            "operations",
            "Easy Drag Reveal"),
      onOff(controls::autoHidePeekRevealSwitch, SettingID::autoHidePeekReveal, kReveal,
            {stored_rows::autoHidePeekRevealRow, "Peek Strip",
             "Shows a thin colored strip at the screen edge hinting at the taskbar location"},
            "Show a thin accent-colored strip at the screen edge when the taskbar is hidden", "Peek Strip"),
      onOff(controls::autoHideShortcutSwitch, SettingID::autoHideShortcut, kAutomation,
            {stored_rows::autoHideShortcutRow, "Shortcut (Ctrl+Alt+T)",
             "Toggle taskbar visibility with Ctrl+Alt+T"},
            "Toggle taskbar visibility with Ctrl+Alt+T", "Auto-Hide Keyboard Shortcut"),
      onOff(controls::autoHideShowOnAppSwitchSwitch, SettingID::autoHideShowOnAppSwitch, kAutomation,
            {stored_rows::autoHideShowOnAppSwitchRow, "Show on App Switch",
             "Briefly show the taskbar when switching between applications"},
            "Briefly show the taskbar when switching between applications", "Show on App Switch"),
      onOff(controls::autoHideShowOnNewWindowSwitch, SettingID::autoHideShowOnNewWindow, kAutomation,
            {stored_rows::autoHideShowOnNewWindowRow, "Show on New Window",
             "Briefly shows the taskbar when a new window appears on any app"},
            "Briefly show the taskbar when a new window appears", "Show on New Window"),
      control(controls::autoHideAnimationPopUp, Kind::enumPopUp, SettingID::autoHideAnimation, kMotion,
              {stored_rows::autoHideAnimationRow, "Animation Style",
               "How the taskbar animates in and out (slide or fade)"},
              "How the taskbar animates in and out", {}, displayNames<AutoHideAnimation>()),
      stepper(controls::autoHideAnimationSpeedStepper, SettingID::autoHideAnimationSpeed, kMotion,
              {stored_rows::autoHideAnimationSpeedRow, "Animation Speed",
               "Speed multiplier for show/hide animations (0.5x = slow, 2.0x = fast)"},
              "Animation speed multiplier for show/hide transitions",
              {0.5, 2.0, 0.25, 0.25, Format::animationSpeed}),
      onOff(controls::autoHideResizeWindowsSwitch, SettingID::autoHideResizeWindows, kMotion,
            {stored_rows::autoHideResizeWindowsRow, "Resize Windows",
             "Resize overlapping windows when the taskbar appears/disappears during auto-hide cycles"},
            "Resize overlapping windows when the taskbar shows/hides during auto-hide", "Resize Windows"),
  };
}

// Digits in the C locale whatever the process's locale is.
std::string fixed(double value, int precision) {
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, precision);
  std::string text(buffer, result.ptr);
  if (text.starts_with('-') && text.find_first_not_of("-0.") == std::string::npos)
    text.erase(0, 1);  // a tiny negative rounds to zero, never "-0"
  return text;
}

std::string truncated(double value) {
  return std::to_string(static_cast<long long>(std::trunc(value)));
}

}  // namespace

const std::vector<SettingsControlEntry>& settingsControlCatalog() {
  static const std::vector<SettingsControlEntry> catalog = makeCatalog();
  return catalog;
}

const SettingsControlEntry* findControlEntry(std::string_view field) {
  for (const SettingsControlEntry& entry : settingsControlCatalog())
    if (entry.field == field) return &entry;
  return nullptr;
}

std::string valueLabelField(std::string_view stepperField) {
  std::string name(stepperField);
  if (name.ends_with("Stepper")) name.erase(name.size() - 7);
  return name + "Label";
}

double stepperValueForSetting(const SettingsControlEntry& entry, double settingValue) {
  return settingValue * entry.scale;
}

double settingValueForStepper(const SettingsControlEntry& entry, double stepperValue) {
  double value = stepperValue;
  if (entry.grid >= 1) {
    value = std::round(value / entry.grid) * entry.grid;
  } else if (entry.grid > 0) {
    // Divided by the whole number of steps per unit, so 3 x 0.05 gives 0.15, not 0.15000000000000002.
    value = std::round(value / entry.grid) / std::round(1 / entry.grid);
  }
  return value / entry.scale;
}

std::string formatActivationDelay(double seconds) {
  if (seconds == 0) return "Instant";
  return fixed(seconds * 1000, 0) + " ms";
}

std::string formatAnimationSpeed(double speed) {
  return fixed(speed, 2) + "x";
}

std::string formatValueLabel(const SettingsControlEntry& entry, double settingValue, double barThickness) {
  switch (entry.format) {
    case Format::none:
      return {};
    case Format::whole:
      return truncated(settingValue) + std::string(entry.suffix);
    case Format::taskbarSize:
      return truncated(settingValue) + "% (" + truncated(barThickness) + " pt)";
    case Format::milliseconds:
      return truncated(settingValue * entry.scale) + " ms";
    case Format::halfPoints:
      return fixed(settingValue, 1) + " pt";
    case Format::tenthSeconds:
      return fixed(settingValue, 1) + " s";
    case Format::activationDelay:
      return formatActivationDelay(settingValue);
    case Format::animationSpeed:
      return formatAnimationSpeed(settingValue);
  }
  return {};
}

double cornerRadiusMaximum(double barThickness) {
  return std::min(std::floor(barThickness * 0.5), 50.0);
}

const std::vector<std::string_view>& indicatorPositions() {
  static const std::vector<std::string_view> positions = {"bottom", "top", "left", "right"};
  return positions;
}

int indicatorPositionIndex(std::string_view stored) {
  const auto& positions = indicatorPositions();
  for (size_t i = 0; i < positions.size(); ++i)
    if (positions[i] == stored) return static_cast<int>(i);
  return 0;
}

const std::vector<SettingsBindingEntry>& settingsBindingOrder() {
  static const std::vector<SettingsBindingEntry> order = {
      {SettingID::position},
      {SettingID::style},
      {SettingID::style, true},
      {SettingID::position, true},
      {SettingID::groupWindows, true},
      {SettingID::showWindowTitle, true},
      {SettingID::taskbarSize},
      {SettingID::maxTaskWidth},
      {SettingID::groupWindows},
      {SettingID::showWindowCount},
      {SettingID::windowCountStyle},
      {SettingID::badgeColor},
      {SettingID::badgeTextColor},
      {SettingID::badgeOpacity},
      {SettingID::groupByApp},
      {SettingID::equalWidth},
      {SettingID::showWindowTitle},
      {SettingID::indicateMinimized},
      {SettingID::indicateHidden},
      {SettingID::itemAlignment},
      {SettingID::showThumbnails},
      {SettingID::thumbnailDelay},
      {SettingID::borderTop},
      {SettingID::borderBottom},
      {SettingID::borderLeft},
      {SettingID::borderRight},
      {SettingID::centerItems, true},
      {SettingID::backgroundOpacity},
      {SettingID::cornerRadius},
      {SettingID::backgroundColor},
      {SettingID::borderColor},
      {SettingID::borderOpacity},
      {SettingID::borderWidth},
      {SettingID::showSystemTray},
      {SettingID::clockFontSize},
      {SettingID::trayFontSize},
      {SettingID::clockAlignment},
      {SettingID::dateAlignment},
      {SettingID::showBatteryIcon},
      {SettingID::showBatteryPercentage},
      {SettingID::colorCodedBattery},
      {SettingID::batteryIconStyle},
      {SettingID::multiMonitorMode},
      {SettingID::autoHide},
      {SettingID::autoHideDelay},
      {SettingID::autoHideAnimation},
      {SettingID::autoHideShortcut},
      {SettingID::autoHideActivationDelay},
      {SettingID::autoHideDodgeWindows},
      {SettingID::autoHideAnimationSpeed},
      {SettingID::autoHideShowOnAppSwitch},
      {SettingID::autoHidePinned},
      {SettingID::autoHideDragReveal},
      {SettingID::autoHideSmartDelay},
      {SettingID::autoHidePeekReveal},
      {SettingID::autoHideFullscreenOnly},
      {SettingID::autoHideShowOnNewWindow},
      {SettingID::autoHideResizeWindows},
      {SettingID::hideInFullscreen},
      {SettingID::autoResizeWindows},
      {SettingID::fullyHideDock},
      {SettingID::fullyHideDock, true},
      {SettingID::excludeFromCapture},
      {SettingID::showActiveIndicator},
      {SettingID::blacklistedBundleIDs},
      {SettingID::activeIndicatorColor},
      {SettingID::activeIndicatorPosition},
      {SettingID::launchAtLogin},
      {SettingID::floatingBar},
      {SettingID::useVibrancy},
      {SettingID::showTrashIcon},
      {SettingID::itemSpacing},
      {SettingID::iconSize},
      {SettingID::itemTextSize},
      {SettingID::marginHorizontal},
      {SettingID::marginVertical},
      {SettingID::windowGap},
      {SettingID::showBattery},
      {SettingID::showTime},
  };
  return order;
}

std::vector<SettingBase*> allSettings(SettingsManager& settings) {
  std::vector<SettingBase*> all;
#define PELKO_COLLECT_BOOL(name, def) all.push_back(&settings.name);
#define PELKO_COLLECT_NUMBER(name, def, lower, upper) all.push_back(&settings.name);
#define PELKO_COLLECT_VALUE(name, Type, def, rule) all.push_back(&settings.name);
  PELKO_SETTINGS(PELKO_COLLECT_BOOL, PELKO_COLLECT_NUMBER, PELKO_COLLECT_VALUE)
#undef PELKO_COLLECT_BOOL
#undef PELKO_COLLECT_NUMBER
#undef PELKO_COLLECT_VALUE
  return all;
}

SettingBase* findSetting(SettingsManager& settings, SettingID setting) {
  switch (setting) {
#define PELKO_FIND_BOOL(name, def) \
  case SettingID::name:            \
    return &settings.name;
#define PELKO_FIND_NUMBER(name, def, lower, upper) PELKO_FIND_BOOL(name, def)
#define PELKO_FIND_VALUE(name, Type, def, rule) PELKO_FIND_BOOL(name, def)
    PELKO_SETTINGS(PELKO_FIND_BOOL, PELKO_FIND_NUMBER, PELKO_FIND_VALUE)
#undef PELKO_FIND_BOOL
#undef PELKO_FIND_NUMBER
#undef PELKO_FIND_VALUE
  }
  return nullptr;
}

}  // namespace pelko
