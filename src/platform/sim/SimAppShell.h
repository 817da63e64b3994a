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
  std::optional<std::string> shortVersionString() const override { return shortVersion; }
  std::optional<std::string> bundleVersion() const override { return build; }
  std::string operatingSystemVersionString() const override { return osVersion; }
  std::string processorFamily() const override { return processor; }
  platform::AppIcon applicationIcon() const override { return icon; }
  std::vector<platform::AppWindowInfo> windows() const override { return windowList; }

  int pid = 4242;
  std::string bundleID = "com.pelko.app";
  std::optional<std::string> executablePath = "/Applications/Pelko.app/Contents/MacOS/Pelko";
  std::string home = "/tmp/pelko-home";
  platform::ApplicationDelegate* applicationDelegate = nullptr;
  int activateOwnProcessCount = 0;
  std::optional<std::string> shortVersion = "1.0";
  std::optional<std::string> build = "1";
  std::string osVersion = "Version 14.5 (Build 23F79)";
  std::string processor = "Apple Silicon";
  platform::AppIcon icon{"Pelko", Color{0.984, 0.749, 0.141, 1.0}};
  std::vector<platform::AppWindowInfo> windowList;
  // Set by the simulated Mac so that activating this process changes the frontmost application.
  std::function<void()> onActivateOwnProcess;
};

}  // namespace pelko::sim
