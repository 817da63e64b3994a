#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/RunningApplication.h"

namespace pelko::platform {

// The application delegate as other components reach it through the shared application.
class ApplicationDelegate {
 public:
  virtual ~ApplicationDelegate() = default;
  // Shows the settings window, or puts it away when it is in front.
  virtual void toggleSettingsWindowFromTaskbar() = 0;
};

// One of the application's own windows, as the application lists them.
struct AppWindowInfo {
  // The window's class name (the update framework's windows carry its prefix).
  std::string className;
  bool isVisible = false;
  bool isSheet = false;
  bool operator==(const AppWindowInfo&) const = default;
};

// What the running application knows about itself.
class AppShell {
 public:
  virtual ~AppShell() = default;
  virtual int processIdentifier() const = 0;
  virtual std::string bundleIdentifier() const = 0;
  // The main bundle's executable; nothing when the bundle reports none.
  virtual std::optional<std::string> mainBundleExecutablePath() const = 0;
  // The user's home folder.
  virtual std::string homeDirectory() const = 0;
  // The shared application's delegate; null when none is set (or it is of another kind).
  virtual ApplicationDelegate* delegate() const = 0;
  // Brings this process to the front the standard way.
  virtual void activateOwnProcess() = 0;

  // The main bundle's short version ("1.4.2") and build number; nothing when missing or not a string.
  virtual std::optional<std::string> shortVersionString() const = 0;
  virtual std::optional<std::string> bundleVersion() const = 0;
  // The operating system's version as the system words it ("Version 14.5 (Build 23F79)").
  virtual std::string operatingSystemVersionString() const = 0;
  // The processor family the process runs on ("Apple Silicon" or "Intel").
  virtual std::string processorFamily() const = 0;
  virtual AppIcon applicationIcon() const = 0;
  // The application's windows, in the order the application lists them.
  virtual std::vector<AppWindowInfo> windows() const = 0;
};

}  // namespace pelko::platform
