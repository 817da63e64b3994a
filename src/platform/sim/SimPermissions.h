#pragma once

#include "platform/Permissions.h"

namespace pelko::sim {

// Permissions as settable state. A prompt or request is counted; it grants nothing unless the test
// says the user would grant it.
class SimPermissions final : public platform::Permissions {
 public:
  bool isAccessibilityTrusted(bool prompt) override {
    if (prompt) ++accessibilityPromptCount;
    return accessibilityTrusted;
  }
  bool preflightScreenCaptureAccess() override {
    ++screenCapturePreflightCount;
    return screenCaptureGranted;
  }
  bool requestScreenCaptureAccess() override {
    ++screenCaptureRequestCount;
    if (userGrantsScreenCaptureOnRequest) screenCaptureGranted = true;
    return screenCaptureGranted;
  }

  bool accessibilityTrusted = true;
  bool screenCaptureGranted = true;
  bool userGrantsScreenCaptureOnRequest = false;
  int accessibilityPromptCount = 0;
  int screenCapturePreflightCount = 0;
  int screenCaptureRequestCount = 0;
};

}  // namespace pelko::sim
