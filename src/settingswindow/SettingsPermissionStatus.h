#pragma once

#include <string>

#include "platform/Alerts.h"
#include "shell/PermissionKind.h"

namespace pelko {

// What one permission row shows for a state: its description (also its tooltip), the status icon and
// the second button, which stops the reminders for a missing permission or resumes them.
struct PermissionRowState {
  std::string description;
  std::string iconSymbol;
  std::string iconDescription;
  bool granted = false;
  bool secondaryVisible = false;
  std::string secondaryTitle;
  std::string secondaryToolTip;
};

std::string permissionDescription(PermissionKind kind, bool granted, bool remindersSuppressed);
PermissionRowState permissionRowState(PermissionKind kind, bool granted, bool remindersSuppressed);

inline constexpr const char* kPermissionPrimaryTitle = "Open macOS Settings";
inline constexpr const char* kPermissionPrimaryToolTip =
    "Open the macOS privacy settings for this permission";

// The confirmations of "Use Limited Mode" and "Skip Thumbnails"; the first button confirms.
platform::AlertContent limitedModeAlert();
platform::AlertContent skipThumbnailsAlert();

}  // namespace pelko
