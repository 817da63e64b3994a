#pragma once

#include <string>
#include <vector>

#include "platform/LoginItems.h"

namespace pelko::sim {

// The login-item service as state: registering enables the item (or leaves it awaiting the user's
// approval), unless a refusal is injected. A Mac also starts the user's launch agents at login, and
// shows its login items in a pane of System Settings; a test may take either away.
class SimLoginItems final : public platform::LoginItems {
 public:
  platform::LoginItemStatus status() const override { return currentStatus; }
  bool registerMainApp(std::string& error) override {
    ++registerCount;
    if (failRegister) {
      error = "The operation couldn't be completed. (Operation not permitted)";
      return false;
    }
    currentStatus = approvalRequiredOnRegister ? platform::LoginItemStatus::requiresApproval
                                               : platform::LoginItemStatus::enabled;
    return true;
  }
  bool unregisterMainApp(std::string& error) override {
    ++unregisterCount;
    if (failUnregister) {
      error = "The operation couldn't be completed. (Operation not permitted)";
      return false;
    }
    currentStatus = platform::LoginItemStatus::notRegistered;
    return true;
  }

  bool startsLaunchAgents() const override { return launchAgentsStarted; }
  std::vector<std::string> settingsLocations() const override { return settingsPane; }

  platform::LoginItemStatus currentStatus = platform::LoginItemStatus::notRegistered;
  bool failRegister = false;
  bool failUnregister = false;
  bool approvalRequiredOnRegister = false;
  bool launchAgentsStarted = true;
  // The pane's current link, its link before the redesigned settings, then the application itself.
  std::vector<std::string> settingsPane = {
      "x-apple.systempreferences:com.apple.LoginItems-Settings.extension",
      "x-apple.systempreferences:com.apple.preference.users?LoginItems",
      "/System/Applications/System Settings.app",
  };
  int registerCount = 0;
  int unregisterCount = 0;
};

}  // namespace pelko::sim
