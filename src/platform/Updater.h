#pragma once

namespace pelko::platform {

// The software-update framework: its scheduled checks and the windows it shows are its own business.
// Main thread only.
class Updater {
 public:
  virtual ~Updater() = default;
  // Creates the update controller and starts its scheduled checking; later calls do nothing.
  virtual void start() = 0;
  // A check the user asked for; the framework shows its progress and outcome in its own windows.
  virtual void checkForUpdates() = 0;
};

}  // namespace pelko::platform
