#pragma once

#include <string>
#include <vector>

namespace pelko::platform {

enum class LoginItemStatus { notRegistered, enabled, requiresApproval, notFound };

// The system's login-item service for the main application.
class LoginItems {
 public:
  virtual ~LoginItems() = default;
  virtual LoginItemStatus status() const = 0;
  // Both return false and describe the failure in `error` when the service refuses.
  virtual bool registerMainApp(std::string& error) = 0;
  virtual bool unregisterMainApp(std::string& error) = 0;

  // Whether the system also starts the programs named by the user's own launch agent files at login.
  // Where it does not, the service is the only way to start at login, and nothing else may stand in for
  // a refused registration.
  virtual bool startsLaunchAgents() const = 0;
  // Where the user looks at the login items and allows them, best first: each is handed to the
  // workspace's openURL until one opens.
  virtual std::vector<std::string> settingsLocations() const = 0;
};

}  // namespace pelko::platform
