#pragma once

namespace pelko::platform {

// The two privacy permissions the system depends on: Accessibility trust (to read and move other
// applications' windows) and Screen Recording (for window thumbnails).
class Permissions {
 public:
  virtual ~Permissions() = default;
  // Whether this process is trusted for Accessibility; with `prompt`, the system asks the user to
  // grant it when it is not (the answer still reflects the state before the user acts).
  virtual bool isAccessibilityTrusted(bool prompt) = 0;
  // Screen-capture preflight: whether capture is allowed, without asking.
  virtual bool preflightScreenCaptureAccess() = 0;
  // Asks the user for screen-capture access when not granted; returns the state after asking.
  virtual bool requestScreenCaptureAccess() = 0;
};

}  // namespace pelko::platform
