#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "foundation/Publisher.h"
#include "platform/RunningApplication.h"

namespace pelko::platform {

enum class WorkspaceNotificationName {
  didLaunchApplication,
  didTerminateApplication,
  didActivateApplication,
  didDeactivateApplication,
  didHideApplication,
  didUnhideApplication,
  activeSpaceDidChange,
  screensDidSleep,
  screensDidWake,
};

struct WorkspaceNotification {
  WorkspaceNotificationName name = WorkspaceNotificationName::didLaunchApplication;
  // The application the notification is about; null when it carries none (Space and screen
  // notifications never do).
  RunningApplicationPtr application;
};

// The shared workspace: the running applications, the frontmost one, opening files and URLs, and the
// notifications of the application life cycle. Queries may be made from any thread; notifications are
// delivered on the main queue.
class Workspace {
 public:
  virtual ~Workspace() = default;

  // In launch order.
  virtual std::vector<RunningApplicationPtr> runningApplications() = 0;
  // The application that receives key events; null when there is none.
  virtual RunningApplicationPtr frontmostApplication() = 0;
  // The running application with this process identifier; null when none runs.
  virtual RunningApplicationPtr runningApplication(int32_t pid) = 0;

  // The icon the Finder shows for the file at `path` (a generic one when there is nothing there).
  virtual AppIcon iconForFile(const std::string& path) = 0;
  // Opens a URL, or the file or application bundle at an absolute path; false when nothing handles it.
  virtual bool openURL(const std::string& url) = 0;
  // Opens the application at an absolute path with no documents: launches it, or brings a running copy
  // forward (which then opens a window when it shows none); false when nothing can be opened there. A
  // system without that service opens nothing.
  virtual bool openApplication(const std::string& /*path*/) { return false; }
  // Shows the items at these absolute paths selected in a file viewer window; false when there is no
  // file viewer.
  virtual bool activateFileViewerSelecting(const std::vector<std::string>& /*paths*/) { return false; }
  // Sends the "reopen" Apple event (what clicking a running application's Dock icon sends) to the
  // process, without waiting for a reply; true when it was sent.
  virtual bool sendReopenEvent(int32_t pid, double timeoutSeconds) = 0;

  // Whether the user asked the system to reduce motion (animations become fades or nothing). A system
  // without that preference never reduces motion.
  virtual bool accessibilityDisplayShouldReduceMotion() { return false; }

  // The notifications of one name, from any sender.
  virtual Publisher<WorkspaceNotification> notifications(WorkspaceNotificationName name) = 0;
};

}  // namespace pelko::platform
