#pragma once

#include "platform/LoginItems.h"

namespace pelko::sim {

// The login-item service as state: registering enables the item (or leaves it awaiting the user's
// approval), unless a refusal is injected.
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

  platform::LoginItemStatus currentStatus = platform::LoginItemStatus::notRegistered;
  bool failRegister = false;
  bool failUnregister = false;
  bool approvalRequiredOnRegister = false;
  int registerCount = 0;
  int unregisterCount = 0;
};

}  // namespace pelko::sim
