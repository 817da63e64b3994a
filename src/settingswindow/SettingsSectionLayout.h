#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "settings/SettingEnumerations.h"

namespace pelko {

class SettingsManager;

// What the settings window's rebuildable sections and enabled states depend on, read from the store at
// one moment (plus the Screen Recording permission, which the store does not hold).
struct SettingsSnapshot {
  TaskbarStyle style = TaskbarStyle::iconsTextRight;
  TaskbarPosition position = TaskbarPosition::bottom;
  bool borderTop = false;
  bool borderBottom = false;
  bool borderLeft = false;
  bool borderRight = false;
  bool groupWindows = false;
  bool showWindowCount = false;
  WindowCountStyle windowCountStyle = WindowCountStyle::badge;
  bool showActiveIndicator = false;
  bool screenRecordingGranted = true;
  bool showThumbnails = false;
  bool showSystemTray = false;
  bool showBattery = false;
  bool showTime = false;
  bool showBatteryIcon = false;
  bool autoHide = false;
  bool autoHideDodgeWindows = false;

  bool anyBorderEdge() const { return borderTop || borderBottom || borderLeft || borderRight; }
};
SettingsSnapshot settingsSnapshot(const SettingsManager& settings, bool screenRecordingGranted);

// The sections whose rows depend on settings. The Auto-Hide page's four sections share one signature.
enum class RebuildableSectionID {
  appearanceContent,
  appearanceBorders,
  grouping,
  itemsDisplay,
  thumbnails,
  systemTray,
  autoHide,
};

// What a rebuildable section shows for a snapshot: the signature of its deciding values and, per inner
// stack, its entries in order. An entry is a stored row's field ("appearanceStyleRow") or a notice made
// anew by each rebuild (the names below).
struct SectionContent {
  std::string signature;
  std::vector<std::vector<std::string>> stacks;
};
SectionContent sectionContent(RebuildableSectionID section, const SettingsSnapshot& snapshot);

// The notices of the rebuildable sections.
namespace notices {
inline constexpr std::string_view groupingOff = "notice.groupingOff";
inline constexpr std::string_view thumbnailsOff = "notice.thumbnailsOff";
inline constexpr std::string_view thumbnailPermissionBlocked = "notice.thumbnailPermissionBlocked";
inline constexpr std::string_view systemTrayOff = "notice.systemTrayOff";
inline constexpr std::string_view systemTrayEmpty = "notice.systemTrayEmpty";
inline constexpr std::string_view autoHideOffInfo = "notice.autoHideOffInfo";
inline constexpr std::string_view autoHideRevealHint = "notice.autoHideRevealHint";
inline constexpr std::string_view autoHideAutomationHint = "notice.autoHideAutomationHint";
inline constexpr std::string_view autoHideWindowsHint = "notice.autoHideWindowsHint";
inline constexpr std::string_view dodgeWindowsNote = "notice.dodgeWindowsNote";
}  // namespace notices

// Whether a control a user can act on is enabled for this snapshot; controls without a rule always are.
bool isControlEnabled(std::string_view field, const SettingsSnapshot& snapshot);

}  // namespace pelko
