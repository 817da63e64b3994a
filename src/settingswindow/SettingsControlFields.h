#pragma once

#include <string_view>

namespace pelko {

// The names the settings window gives its controls and the rows its rebuildable sections store. Code
// names a control or a row through these constants, so a misspelt name does not compile; the catalogue
// is written with the same constants and its tests keep these lists and the catalogue's entries equal.

// Every control of the control catalogue, in catalogue order.
#define PELKO_SETTINGS_CONTROL_FIELDS(X) \
  X(positionControl)                     \
  X(floatingBarSwitch)                   \
  X(marginHStepper)                      \
  X(marginVStepper)                      \
  X(windowGapStepper)                    \
  X(stylePopUp)                          \
  X(taskbarSizeStepper)                  \
  X(iconSizeStepper)                     \
  X(itemTextSizeStepper)                 \
  X(maxTaskWidthStepper)                 \
  X(itemSpacingStepper)                  \
  X(useVibrancySwitch)                   \
  X(backgroundColorWell)                 \
  X(backgroundOpacityStepper)            \
  X(borderTopCheck)                      \
  X(borderBottomCheck)                   \
  X(borderLeftCheck)                     \
  X(borderRightCheck)                    \
  X(borderColorWell)                     \
  X(borderOpacityStepper)                \
  X(borderWidthStepper)                  \
  X(cornerRadiusStepper)                 \
  X(groupWindowsSwitch)                  \
  X(groupByAppSwitch)                    \
  X(showWindowCountSwitch)               \
  X(windowCountStylePopUp)               \
  X(badgeColorWell)                      \
  X(badgeTextColorWell)                  \
  X(badgeOpacityStepper)                 \
  X(equalWidthSwitch)                    \
  X(itemAlignmentControl)                \
  X(showTrashIconSwitch)                 \
  X(showWindowTitleSwitch)               \
  X(indicateMinimizedSwitch)             \
  X(indicateHiddenSwitch)                \
  X(showActiveIndicatorSwitch)           \
  X(activeIndicatorColorWell)            \
  X(activeIndicatorPositionPopUp)        \
  X(showThumbnailsSwitch)                \
  X(thumbnailDelayStepper)               \
  X(dockModeControl)                     \
  X(showSystemTraySwitch)                \
  X(showBatterySwitch)                   \
  X(showTimeSwitch)                      \
  X(clockFontSizeStepper)                \
  X(trayFontSizeStepper)                 \
  X(clockAlignmentControl)               \
  X(dateAlignmentControl)                \
  X(showBatteryIconSwitch)               \
  X(showBatteryPercentageSwitch)         \
  X(colorCodedBatterySwitch)             \
  X(batteryIconStylePopUp)               \
  X(multiMonitorPopUp)                   \
  X(hideInFullscreenSwitch)              \
  X(autoResizeWindowsSwitch)             \
  X(excludeFromCaptureSwitch)            \
  X(launchAtLoginSwitch)                 \
  X(autoHideSwitch)                      \
  X(autoHidePinnedSwitch)                \
  X(autoHideFullscreenOnlySwitch)        \
  X(autoHideDodgeWindowsSwitch)          \
  X(autoHideDelayStepper)                \
  X(autoHideSmartDelaySwitch)            \
  X(autoHideActivationDelayStepper)      \
  X(autoHideDragRevealSwitch)            \
  X(autoHidePeekRevealSwitch)            \
  X(autoHideShortcutSwitch)              \
  X(autoHideShowOnAppSwitchSwitch)       \
  X(autoHideShowOnNewWindowSwitch)       \
  X(autoHideAnimationPopUp)              \
  X(autoHideAnimationSpeedStepper)       \
  X(autoHideResizeWindowsSwitch)

// Every row a rebuildable section moves in and out.
#define PELKO_SETTINGS_ROW_FIELDS(X) \
  X(appearanceBorderEdgesRow)        \
  X(appearanceStyleRow)              \
  X(appearanceTaskbarSizeRow)        \
  X(appearanceIconSizeRow)           \
  X(appearanceItemTextSizeRow)       \
  X(appearanceMaxTaskWidthRow)       \
  X(appearanceItemSpacingRow)        \
  X(appearanceBorderColorRow)        \
  X(appearanceBorderOpacityRow)      \
  X(appearanceBorderWidthRow)        \
  X(appearanceCornerRadiusRow)       \
  X(groupWindowsRow)                 \
  X(groupByAppRow)                   \
  X(showWindowCountRow)              \
  X(windowCountStyleRow)             \
  X(badgeColorRow)                   \
  X(badgeTextColorRow)               \
  X(badgeOpacityRow)                 \
  X(showWindowTitleRow)              \
  X(indicateMinimizedRow)            \
  X(indicateHiddenRow)               \
  X(showActiveIndicatorRow)          \
  X(activeIndicatorColorRow)         \
  X(activeIndicatorPositionRow)      \
  X(showThumbnailsRow)               \
  X(thumbnailDelayRow)               \
  X(showSystemTrayRow)               \
  X(showBatteryRow)                  \
  X(showTimeRow)                     \
  X(clockFontSizeRow)                \
  X(trayFontSizeRow)                 \
  X(clockAlignmentRow)               \
  X(dateAlignmentRow)                \
  X(showBatteryIconRow)              \
  X(showBatteryPercentageRow)        \
  X(colorCodedBatteryRow)            \
  X(batteryIconStyleRow)             \
  X(autoHideMainRow)                 \
  X(autoHidePinnedRow)               \
  X(autoHideFullscreenOnlyRow)       \
  X(autoHideDodgeWindowsRow)         \
  X(autoHideDelayRow)                \
  X(autoHideSmartDelayRow)           \
  X(autoHideActivationDelayRow)      \
  X(autoHideDragRevealRow)           \
  X(autoHidePeekRevealRow)           \
  X(autoHideShortcutRow)             \
  X(autoHideShowOnAppSwitchRow)      \
  X(autoHideShowOnNewWindowRow)      \
  X(autoHideAnimationRow)            \
  X(autoHideAnimationSpeedRow)       \
  X(autoHideResizeWindowsRow)

#define PELKO_FIELD_CONSTANT(name) inline constexpr const char* name = #name;
#define PELKO_FIELD_NAME(name) std::string_view(#name),

namespace controls {
PELKO_SETTINGS_CONTROL_FIELDS(PELKO_FIELD_CONSTANT)
inline constexpr std::string_view all[] = {PELKO_SETTINGS_CONTROL_FIELDS(PELKO_FIELD_NAME)};
}  // namespace controls

namespace stored_rows {
PELKO_SETTINGS_ROW_FIELDS(PELKO_FIELD_CONSTANT)
inline constexpr std::string_view all[] = {PELKO_SETTINGS_ROW_FIELDS(PELKO_FIELD_NAME)};
}  // namespace stored_rows

#undef PELKO_FIELD_CONSTANT
#undef PELKO_FIELD_NAME

}  // namespace pelko
