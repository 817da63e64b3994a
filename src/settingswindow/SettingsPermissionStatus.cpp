#include "settingswindow/SettingsPermissionStatus.h"

namespace pelko {

std::string permissionDescription(PermissionKind kind, bool granted, bool remindersSuppressed) {
  if (kind == PermissionKind::accessibility) {
    if (granted) return "Granted. Pelko can track active apps and use full window controls.";
    if (!remindersSuppressed)
      return "Recommended for reliable app tracking, active-window detection, and window controls.";
    return "Limited Mode is active. Task tracking still works, but window controls and focus detection are "
           "less reliable until you grant Accessibility.";
  }
  if (granted) return "Granted. You can enable Thumbnails for live window previews.";
  if (!remindersSuppressed)
    return "Optional. Only needed for Thumbnails, which use live window previews on hover.";
  return "Skipped. Thumbnails stay disabled until Screen Recording is granted in System Settings.";
}

PermissionRowState permissionRowState(PermissionKind kind, bool granted, bool remindersSuppressed) {
  PermissionRowState state;
  state.description = permissionDescription(kind, granted, remindersSuppressed);
  state.granted = granted;
  state.iconSymbol = granted ? "checkmark.circle.fill" : "xmark.circle.fill";
  state.iconDescription = granted ? "Granted" : "Not granted";
  state.secondaryVisible = !granted;
  const bool accessibility = kind == PermissionKind::accessibility;
  if (!remindersSuppressed) {
    state.secondaryTitle = accessibility ? "Use Limited Mode" : "Skip Thumbnails";
    state.secondaryToolTip = accessibility
                                 ? "Stop Accessibility reminders and continue with reduced window controls"
                                 : "Keep Thumbnails disabled and stop Screen Recording reminders";
  } else {
    state.secondaryTitle = "Remind Me Again";
    state.secondaryToolTip = accessibility ? "Resume Accessibility reminders and onboarding prompts"
                                           : "Resume Screen Recording reminders for Thumbnails";
  }
  return state;
}

namespace {

// An informational confirmation whose second button, "Cancel", is also the answer when it is closed.
platform::AlertContent confirmation(std::string message, std::string informative, std::string confirm) {
  platform::AlertContent alert;
  alert.style = platform::AlertContent::Style::informational;
  alert.messageText = std::move(message);
  alert.informativeText = std::move(informative);
  alert.buttons = {std::move(confirm), "Cancel"};
  alert.cancelButton = 1;
  return alert;
}

}  // namespace

platform::AlertContent limitedModeAlert() {
  return confirmation(
      "Use Pelko Without Accessibility?",
      "Pelko will keep running, but active-window detection, window focus changes, and window "
      "controls like minimize or close will be less reliable until Accessibility is granted.",
      "Use Limited Mode");
}

platform::AlertContent skipThumbnailsAlert() {
  return confirmation(
      "Skip Screen Recording?",
      "Pelko will keep working normally, but Thumbnails will stay disabled because macOS blocks "
      "live window previews without Screen Recording permission.",
      "Skip Thumbnails");
}

}  // namespace pelko
