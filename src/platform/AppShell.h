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
  // Looks for a newer version on the user's request; a delegate without an updater does nothing.
  virtual void checkForUpdates() {}
};

// The version of the running operating system.
struct OperatingSystemVersion {
  int majorVersion = 0;
  int minorVersion = 0;
  int patchVersion = 0;
  bool operator==(const OperatingSystemVersion&) const = default;
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
  // The main bundle's short version and build number; nothing when the bundle has no such string.
  virtual std::optional<std::string> versionString() const = 0;
  virtual std::optional<std::string> buildString() const = 0;
  // The main bundle's copyright line; nothing when the bundle has no such string.
  virtual std::optional<std::string> copyrightString() const = 0;
  // The icon the application shows for itself (windows, the About box).
  virtual AppIcon applicationIcon() const = 0;
  virtual OperatingSystemVersion operatingSystemVersion() const = 0;
  // Makes `delegate` the shared application's delegate (null: none).
  virtual void setDelegate(ApplicationDelegate* delegate) = 0;
  // The operating system's version as the system words it ("Version 14.5 (Build 23F79)").
  virtual std::string operatingSystemVersionString() const = 0;
  // The processor family the process runs on ("Apple Silicon" or "Intel").
  virtual std::string processorFamily() const = 0;
  // The application's windows, in the order the application lists them.
  virtual std::vector<AppWindowInfo> windows() const = 0;
};

}  // namespace pelko::platform
