#pragma once

#include <functional>

#include "platform/AppShell.h"

namespace pelko::sim {

class SimAppShell final : public platform::AppShell {
 public:
  int processIdentifier() const override { return pid; }
  std::string bundleIdentifier() const override { return bundleID; }
  std::optional<std::string> mainBundleExecutablePath() const override { return executablePath; }
  std::string homeDirectory() const override { return home; }
  platform::ApplicationDelegate* delegate() const override { return applicationDelegate; }
  void activateOwnProcess() override {
    ++activateOwnProcessCount;
    if (onActivateOwnProcess) onActivateOwnProcess();
  }

  int pid = 4242;
  std::string bundleID = "com.pelko.app";
  std::optional<std::string> executablePath = "/Applications/Pelko.app/Contents/MacOS/Pelko";
  std::string home = "/tmp/pelko-home";
  platform::ApplicationDelegate* applicationDelegate = nullptr;
  int activateOwnProcessCount = 0;
  // Set by the simulated Mac so that activating this process changes the frontmost application.
  std::function<void()> onActivateOwnProcess;
};

}  // namespace pelko::sim
