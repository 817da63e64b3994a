#pragma once

#include <string>

#include "platform/AppShell.h"
#include "platform/FileSystem.h"
#include "platform/LoginItems.h"
#include "platform/Workspace.h"

namespace pelko {

// Starting the application at the user's login: registered as the system's login item for the main
// application, or, when the system refuses, through a per-user launch agent file where the system starts
// those (where it does not, a refusal stays a refusal). No operation reports a failure; callers read
// isEnabled() and requiresApproval() afterwards to learn the outcome.
class LaunchAtLoginHelper {
 public:
  static constexpr const char* kLaunchAgentLabel = "com.pelko.launcher";

  LaunchAtLoginHelper(platform::LoginItems& loginItems, platform::FileSystem& fileSystem,
                      const platform::AppShell& appShell);

  // The login item is enabled, or the launch agent file exists on a system that starts it; both are
  // looked at on every call.
  bool isEnabled() const;
  // The login item waits for the user to allow it in the system settings.
  bool requiresApproval() const;
  void setEnabled(bool enabled);

  // <home>/Library/LaunchAgents/com.pelko.launcher.plist
  std::string launchAgentPlistPath() const;

  // Opens the place where the user sees the login items and allows one that awaits approval (on a Mac
  // the Login Items pane of System Settings): the first of the service's places that opens.
  void openLoginItemsSettings(platform::Workspace& workspace) const;

 private:
  void setLaunchAgent(bool install);

  platform::LoginItems& loginItems_;
  platform::FileSystem& fileSystem_;
  const platform::AppShell& appShell_;
};

}  // namespace pelko
