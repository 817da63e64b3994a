#include "settingswindow/SettingsSectionLayout.h"

#include "settings/SettingsManager.h"
#include "settingswindow/SettingsControlFields.h"

namespace pelko {

namespace {

std::string flag(bool on) {
  return on ? "1" : "0";
}

std::string joined(const std::vector<std::string>& values) {
  std::string text;
  for (size_t i = 0; i < values.size(); ++i) text += (i ? "|" : "") + values[i];
  return text;
}

using Stack = std::vector<std::string>;

SectionContent appearanceContent(const SettingsSnapshot& s) {
  const bool iconsOnly = s.style == TaskbarStyle::iconsOnly;
  Stack rows = {stored_rows::appearanceStyleRow, stored_rows::appearanceTaskbarSizeRow,
                stored_rows::appearanceIconSizeRow};
  if (!iconsOnly) rows.push_back(stored_rows::appearanceItemTextSizeRow);
  if (!iconsOnly && isHorizontal(s.position)) rows.push_back(stored_rows::appearanceMaxTaskWidthRow);
  rows.push_back(stored_rows::appearanceItemSpacingRow);
  return {joined({std::string(rawValue(s.style)), flag(isHorizontal(s.position))}), {rows}};
}

SectionContent appearanceBorders(const SettingsSnapshot& s) {
  Stack rows = {stored_rows::appearanceBorderEdgesRow};
  if (s.anyBorderEdge())
    rows.insert(rows.end(), {stored_rows::appearanceBorderColorRow, stored_rows::appearanceBorderOpacityRow,
                             stored_rows::appearanceBorderWidthRow});
  rows.push_back(stored_rows::appearanceCornerRadiusRow);
  return {flag(s.anyBorderEdge()), {rows}};
}

SectionContent grouping(const SettingsSnapshot& s) {
  Stack rows = {stored_rows::groupWindowsRow, stored_rows::groupByAppRow, stored_rows::showWindowCountRow};
  if (!s.groupWindows) {
    rows.emplace_back(notices::groupingOff);
  } else if (s.showWindowCount) {
    rows.push_back(stored_rows::windowCountStyleRow);
    if (s.windowCountStyle == WindowCountStyle::badge)
      rows.insert(rows.end(),
                  {stored_rows::badgeColorRow, stored_rows::badgeTextColorRow, stored_rows::badgeOpacityRow});
  }
  return {joined({flag(s.groupWindows), flag(s.showWindowCount), std::string(rawValue(s.windowCountStyle))}),
          {rows}};
}

SectionContent itemsDisplay(const SettingsSnapshot& s) {
  Stack rows = {stored_rows::showWindowTitleRow, stored_rows::indicateMinimizedRow,
                stored_rows::indicateHiddenRow, stored_rows::showActiveIndicatorRow};
  if (s.showActiveIndicator)
    rows.insert(rows.end(), {stored_rows::activeIndicatorColorRow, stored_rows::activeIndicatorPositionRow});
  return {flag(s.showActiveIndicator), {rows}};
}

SectionContent thumbnails(const SettingsSnapshot& s) {
  // Without the permission the thumbnails setting is forced off before the section is read.
  const bool on = s.showThumbnails && s.screenRecordingGranted;
  Stack rows = {stored_rows::showThumbnailsRow};
  if (!s.screenRecordingGranted)
    rows.emplace_back(notices::thumbnailPermissionBlocked);
  else if (on)
    rows.push_back(stored_rows::thumbnailDelayRow);
  else
    rows.emplace_back(notices::thumbnailsOff);
  return {joined({flag(s.screenRecordingGranted), flag(on)}), {rows}};
}

SectionContent systemTray(const SettingsSnapshot& s) {
  Stack rows = {stored_rows::showSystemTrayRow};
  if (!s.showSystemTray) {
    rows.emplace_back(notices::systemTrayOff);
  } else {
    rows.insert(rows.end(), {stored_rows::showTimeRow, stored_rows::showBatteryRow});
    if (s.showTime)
      rows.insert(rows.end(), {stored_rows::clockFontSizeRow, stored_rows::clockAlignmentRow,
                               stored_rows::dateAlignmentRow});
    if (s.showBattery) {
      rows.push_back(stored_rows::showBatteryIconRow);
      if (s.showBatteryIcon) rows.push_back(stored_rows::batteryIconStyleRow);
      rows.insert(rows.end(), {stored_rows::showBatteryPercentageRow, stored_rows::colorCodedBatteryRow,
                               stored_rows::trayFontSizeRow});
    }
    if (!s.showTime && !s.showBattery) rows.emplace_back(notices::systemTrayEmpty);
  }
  return {joined({flag(s.showSystemTray), flag(s.showBattery), flag(s.showTime), flag(s.showBatteryIcon)}),
          {rows}};
}

SectionContent autoHide(const SettingsSnapshot& s) {
  const std::string signature = joined({flag(s.autoHide), flag(s.autoHideDodgeWindows)});
  if (!s.autoHide)
    return {signature,
            {{stored_rows::autoHideMainRow, std::string(notices::autoHideOffInfo)},
             {std::string(notices::autoHideRevealHint)},
             {std::string(notices::autoHideAutomationHint)},
             {std::string(notices::autoHideWindowsHint)}}};
  Stack reveal = {stored_rows::autoHideDodgeWindowsRow};
  if (s.autoHideDodgeWindows)
    reveal.emplace_back(notices::dodgeWindowsNote);
  else
    reveal.insert(reveal.end(), {stored_rows::autoHideDelayRow, stored_rows::autoHideSmartDelayRow});
  reveal.insert(reveal.end(), {stored_rows::autoHideActivationDelayRow, stored_rows::autoHideDragRevealRow,
                               stored_rows::autoHidePeekRevealRow});
  return {
      signature,
      {{stored_rows::autoHideMainRow, stored_rows::autoHidePinnedRow, stored_rows::autoHideFullscreenOnlyRow},
       reveal,
       {stored_rows::autoHideShortcutRow, stored_rows::autoHideShowOnAppSwitchRow,
        stored_rows::autoHideShowOnNewWindowRow},
       {stored_rows::autoHideAnimationRow, stored_rows::autoHideAnimationSpeedRow,
        stored_rows::autoHideResizeWindowsRow}}};
}

}  // namespace

SettingsSnapshot settingsSnapshot(const SettingsManager& m, bool screenRecordingGranted) {
  SettingsSnapshot s;
  s.style = m.style;
  s.position = m.position;
  s.borderTop = m.borderTop;
  s.borderBottom = m.borderBottom;
  s.borderLeft = m.borderLeft;
  s.borderRight = m.borderRight;
  s.groupWindows = m.groupWindows;
  s.showWindowCount = m.showWindowCount;
  s.windowCountStyle = m.windowCountStyle;
  s.showActiveIndicator = m.showActiveIndicator;
  s.screenRecordingGranted = screenRecordingGranted;
  s.showThumbnails = m.showThumbnails;
  s.showSystemTray = m.showSystemTray;
  s.showBattery = m.showBattery;
  s.showTime = m.showTime;
  s.showBatteryIcon = m.showBatteryIcon;
  s.autoHide = m.autoHide;
  s.autoHideDodgeWindows = m.autoHideDodgeWindows;
  return s;
}

SectionContent sectionContent(RebuildableSectionID section, const SettingsSnapshot& snapshot) {
  switch (section) {
    case RebuildableSectionID::appearanceContent:
      return appearanceContent(snapshot);
    case RebuildableSectionID::appearanceBorders:
      return appearanceBorders(snapshot);
    case RebuildableSectionID::grouping:
      return grouping(snapshot);
    case RebuildableSectionID::itemsDisplay:
      return itemsDisplay(snapshot);
    case RebuildableSectionID::thumbnails:
      return thumbnails(snapshot);
    case RebuildableSectionID::systemTray:
      return systemTray(snapshot);
    case RebuildableSectionID::autoHide:
      return autoHide(snapshot);
  }
  return {};
}

bool isControlEnabled(std::string_view field, const SettingsSnapshot& s) {
  const bool horizontal = isHorizontal(s.position);
  const bool iconsOnly = s.style == TaskbarStyle::iconsOnly;
  const bool tray = s.showSystemTray;
  const bool clock = tray && s.showTime;
  const bool battery = tray && s.showBattery;
  if (field == controls::maxTaskWidthStepper || field == controls::showWindowTitleSwitch)
    return horizontal && !iconsOnly;
  if (field == controls::equalWidthSwitch) return horizontal;
  if (field == controls::showWindowCountSwitch) return s.groupWindows;
  if (field == controls::borderColorWell || field == controls::borderOpacityStepper ||
      field == controls::borderWidthStepper)
    return s.anyBorderEdge();
  if (field == controls::showThumbnailsSwitch) return s.screenRecordingGranted;
  if (field == controls::thumbnailDelayStepper) return s.screenRecordingGranted && s.showThumbnails;
  if (field == controls::showBatterySwitch || field == controls::showTimeSwitch) return tray;
  if (field == controls::clockFontSizeStepper || field == controls::clockAlignmentControl ||
      field == controls::dateAlignmentControl)
    return clock;
  if (field == controls::trayFontSizeStepper || field == controls::showBatteryIconSwitch ||
      field == controls::showBatteryPercentageSwitch || field == controls::colorCodedBatterySwitch)
    return battery;
  if (field == controls::batteryIconStylePopUp) return battery && s.showBatteryIcon;
  return true;
}

}  // namespace pelko
