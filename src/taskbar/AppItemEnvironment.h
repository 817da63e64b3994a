#pragma once

#include <memory>

namespace pelko {

class AccessibilityHelper;
class Animator;
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
  // The hover fades of a bar's buttons run on its frames, so a fade out and the next button's fade in
  // repaint the bar together; none: the button animates on frames of its own.
  std::shared_ptr<Animator> hoverAnimator = nullptr;
};

}  // namespace pelko
