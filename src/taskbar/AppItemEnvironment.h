#pragma once

namespace pelko {

class AccessibilityHelper;
class IconCache;
class Scheduler;
struct ThumbnailServices;

namespace platform {
class Alerts;
class Appearance;
class Workspace;
}  // namespace platform

// The platform services every item button of a bar uses. They outlive the buttons.
struct AppItemEnvironment {
  Scheduler& scheduler;
  platform::Workspace& workspace;            // the frontmost application
  platform::Appearance& appearance;          // the accent colour while no settings object is attached
  AccessibilityHelper& accessibilityHelper;  // trust and elements for acting on other windows
  IconCache* iconCache = nullptr;            // decoded icon files; none: the one all bars share
  platform::Alerts* alerts = nullptr;        // for confirming "Hide from Taskbar"; none: the entry is absent
  ThumbnailServices* thumbnails = nullptr;   // none: the button shows no thumbnails
};

}  // namespace pelko
