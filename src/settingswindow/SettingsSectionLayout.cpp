#include "settingswindow/SettingsSectionLayout.h"

#include "settings/SettingsManager.h"

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
  Stack rows = {"appearanceStyleRow", "appearanceTaskbarSizeRow", "appearanceIconSizeRow"};
  if (!iconsOnly) rows.push_back("appearanceItemTextSizeRow");
  if (!iconsOnly && isHorizontal(s.position)) rows.push_back("appearanceMaxTaskWidthRow");
  rows.push_back("appearanceItemSpacingRow");
  return {joined({std::string(rawValue(s.style)), flag(isHorizontal(s.position))}), {rows}};
}

SectionContent appearanceBorders(const SettingsSnapshot& s) {
  Stack rows = {"appearanceBorderEdgesRow"};
  if (s.anyBorderEdge())
    rows.insert(rows.end(),
                {"appearanceBorderColorRow", "appearanceBorderOpacityRow", "appearanceBorderWidthRow"});
  rows.push_back("appearanceCornerRadiusRow");
  return {flag(s.anyBorderEdge()), {rows}};
}

SectionContent grouping(const SettingsSnapshot& s) {
  Stack rows = {"groupWindowsRow", "groupByAppRow", "showWindowCountRow"};
  if (!s.groupWindows) {
    rows.emplace_back(notices::groupingOff);
  } else if (s.showWindowCount) {
    rows.push_back("windowCountStyleRow");
    if (s.windowCountStyle == WindowCountStyle::badge)
      rows.insert(rows.end(), {"badgeColorRow", "badgeTextColorRow", "badgeOpacityRow"});
  }
  return {joined({flag(s.groupWindows), flag(s.showWindowCount), std::string(rawValue(s.windowCountStyle))}),
          {rows}};
}

SectionContent itemsDisplay(const SettingsSnapshot& s) {
  Stack rows = {"showWindowTitleRow", "indicateMinimizedRow", "indicateHiddenRow", "showActiveIndicatorRow"};
  if (s.showActiveIndicator)
    rows.insert(rows.end(), {"activeIndicatorColorRow", "activeIndicatorPositionRow"});
  return {flag(s.showActiveIndicator), {rows}};
}

SectionContent thumbnails(const SettingsSnapshot& s) {
  // Without the permission the thumbnails setting is forced off before the section is read.
  const bool on = s.showThumbnails && s.screenRecordingGranted;
  Stack rows = {"showThumbnailsRow"};
  if (!s.screenRecordingGranted)
    rows.emplace_back(notices::thumbnailPermissionBlocked);
  else if (on)
    rows.push_back("thumbnailDelayRow");
  else
    rows.emplace_back(notices::thumbnailsOff);
  return {joined({flag(s.screenRecordingGranted), flag(on)}), {rows}};
}

SectionContent systemTray(const SettingsSnapshot& s) {
  Stack rows = {"showSystemTrayRow"};
  if (!s.showSystemTray) {
    rows.emplace_back(notices::systemTrayOff);
  } else {
    rows.insert(rows.end(), {"showTimeRow", "showBatteryRow"});
    if (s.showTime) rows.insert(rows.end(), {"clockFontSizeRow", "clockAlignmentRow", "dateAlignmentRow"});
    if (s.showBattery) {
      rows.push_back("showBatteryIconRow");
      if (s.showBatteryIcon) rows.push_back("batteryIconStyleRow");
      rows.insert(rows.end(), {"showBatteryPercentageRow", "colorCodedBatteryRow", "trayFontSizeRow"});
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
            {{"autoHideMainRow", std::string(notices::autoHideOffInfo)},
             {std::string(notices::autoHideRevealHint)},
             {std::string(notices::autoHideAutomationHint)},
             {std::string(notices::autoHideWindowsHint)}}};
  Stack reveal = {"autoHideDodgeWindowsRow"};
  if (s.autoHideDodgeWindows)
    reveal.emplace_back(notices::dodgeWindowsNote);
  else
    reveal.insert(reveal.end(), {"autoHideDelayRow", "autoHideSmartDelayRow"});
  reveal.insert(reveal.end(),
                {"autoHideActivationDelayRow", "autoHideDragRevealRow", "autoHidePeekRevealRow"});
  return {signature,
          {{"autoHideMainRow", "autoHidePinnedRow", "autoHideFullscreenOnlyRow"},
           reveal,
           {"autoHideShortcutRow", "autoHideShowOnAppSwitchRow", "autoHideShowOnNewWindowRow"},
           {"autoHideAnimationRow", "autoHideAnimationSpeedRow", "autoHideResizeWindowsRow"}}};
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
  if (field == "maxTaskWidthStepper" || field == "showWindowTitleSwitch") return horizontal && !iconsOnly;
  if (field == "equalWidthSwitch") return horizontal;
  if (field == "showWindowCountSwitch") return s.groupWindows;
  if (field == "borderColorWell" || field == "borderOpacityStepper" || field == "borderWidthStepper")
    return s.anyBorderEdge();
  if (field == "showThumbnailsSwitch") return s.screenRecordingGranted;
  if (field == "thumbnailDelayStepper") return s.screenRecordingGranted && s.showThumbnails;
  if (field == "showBatterySwitch" || field == "showTimeSwitch") return tray;
  if (field == "clockFontSizeStepper" || field == "clockAlignmentControl" || field == "dateAlignmentControl")
    return clock;
  if (field == "trayFontSizeStepper" || field == "showBatteryIconSwitch" ||
      field == "showBatteryPercentageSwitch" || field == "colorCodedBatterySwitch")
    return battery;
  if (field == "batteryIconStylePopUp") return battery && s.showBatteryIcon;
  return true;
}

}  // namespace pelko
