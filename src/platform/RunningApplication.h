#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "foundation/Color.h"

namespace pelko::platform {

enum class ActivationPolicy : int {
  regular = 0,     // appears in the Dock and may have a user interface
  accessory = 1,   // no Dock icon, may show windows
  prohibited = 2,  // background only
};

// Options of activating another application (a bit set).
enum ActivationOptions : uint32_t {
  activateNone = 0,
  activateAllWindows = 1,
  activateIgnoringOtherApps = 2,
};

// An application's icon as the platform hands it over: where it comes from and a colour a renderer can
// paint a placeholder with. Turning it into pixels is the user interface's business.
struct AppIcon {
  std::string source;  // a file path or a symbolic name; empty for the generic icon
  Color color{0.5, 0.5, 0.5, 1.0};
  bool operator==(const AppIcon&) const = default;
};

// A running (or terminated) application. A live handle: its properties report the current state, also
// after the process has ended (then isTerminated() is true and the actions do nothing). Readable from
// any thread.
class RunningApplication {
 public:
  virtual ~RunningApplication() = default;

  virtual int32_t processIdentifier() const = 0;
  virtual std::optional<std::string> bundleIdentifier() const = 0;
  virtual std::optional<std::string> localizedName() const = 0;
  virtual std::optional<AppIcon> icon() const = 0;
  // File-system paths of the application bundle and of its executable.
  virtual std::optional<std::string> bundleURL() const = 0;
  virtual std::optional<std::string> executableURL() const = 0;
  virtual ActivationPolicy activationPolicy() const = 0;
  virtual bool isHidden() const = 0;
  virtual bool isActive() const = 0;
  virtual bool isTerminated() const = 0;

  // The requests one application may send another; each answers whether the request was accepted.
  virtual bool activate(uint32_t options) = 0;
  virtual bool hide() = 0;
  virtual bool unhide() = 0;
  virtual bool terminate() = 0;
  virtual bool forceTerminate() = 0;
};
using RunningApplicationPtr = std::shared_ptr<RunningApplication>;

}  // namespace pelko::platform
