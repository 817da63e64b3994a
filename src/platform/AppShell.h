#pragma once

#include <optional>
#include <string>

namespace pelko::platform {

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
};

}  // namespace pelko::platform
