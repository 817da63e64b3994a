#pragma once

#include <optional>
#include <string>

namespace pelko::platform {

// The application delegate as other components reach it through the shared application.
class ApplicationDelegate {
 public:
  virtual ~ApplicationDelegate() = default;
  // Shows the settings window, or puts it away when it is in front.
  virtual void toggleSettingsWindowFromTaskbar() = 0;
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
  // The main bundle's short version string and build number; nothing when the bundle has none.
  virtual std::optional<std::string> versionString() const { return std::nullopt; }
  virtual std::optional<std::string> buildString() const { return std::nullopt; }
  // Makes `delegate` the shared application's delegate (null: none).
  virtual void setDelegate(ApplicationDelegate* delegate) = 0;
};

}  // namespace pelko::platform
