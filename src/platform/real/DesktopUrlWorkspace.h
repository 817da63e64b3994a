#pragma once

#include "platform/Workspace.h"

namespace pelko::real {

// The workspace with its opening of files, folders and web pages done by the desktop's URL handler
// (xdg-open or the desktop's own): everything else (running applications, notifications, application
// bundles) stays with the workspace it wraps.
class DesktopUrlWorkspace final : public platform::Workspace {
 public:
  explicit DesktopUrlWorkspace(platform::Workspace& inner) : inner_(inner) {}

  std::vector<platform::RunningApplicationPtr> runningApplications() override {
    return inner_.runningApplications();
  }
  platform::RunningApplicationPtr frontmostApplication() override { return inner_.frontmostApplication(); }
  platform::RunningApplicationPtr runningApplication(int32_t pid) override {
    return inner_.runningApplication(pid);
  }
  platform::AppIcon iconForFile(const std::string& path) override { return inner_.iconForFile(path); }
  // An absolute path opens as a local file or folder, anything else as the URL it is; false when the
  // text is no URL or nothing handles it.
  bool openURL(const std::string& url) override;
  bool openApplication(const std::string& path) override { return inner_.openApplication(path); }
  bool activateFileViewerSelecting(const std::vector<std::string>& paths) override {
    return inner_.activateFileViewerSelecting(paths);
  }
  bool sendReopenEvent(int32_t pid, double timeoutSeconds) override {
    return inner_.sendReopenEvent(pid, timeoutSeconds);
  }
  bool accessibilityDisplayShouldReduceMotion() override {
    return inner_.accessibilityDisplayShouldReduceMotion();
  }
  Publisher<platform::WorkspaceNotification> notifications(
      platform::WorkspaceNotificationName name) override {
    return inner_.notifications(name);
  }

 private:
  platform::Workspace& inner_;
};

}  // namespace pelko::real
