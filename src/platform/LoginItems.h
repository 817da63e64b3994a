#pragma once

#include <string>

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
};

}  // namespace pelko::platform
