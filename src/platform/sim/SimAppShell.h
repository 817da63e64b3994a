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
  void setDelegate(platform::ApplicationDelegate* delegate) override { applicationDelegate = delegate; }
  void activateOwnProcess() override {
    ++activateOwnProcessCount;
    if (onActivateOwnProcess) onActivateOwnProcess();
  }
  std::optional<std::string> versionString() const override { return version; }
  std::optional<std::string> buildString() const override { return build; }
  std::optional<std::string> copyrightString() const override { return copyright; }
  platform::AppIcon applicationIcon() const override { return icon; }
  platform::OperatingSystemVersion operatingSystemVersion() const override { return systemVersion; }
  std::string operatingSystemVersionString() const override { return osVersion; }
  std::string processorFamily() const override { return processor; }
  std::vector<platform::AppWindowInfo> windows() const override {
    std::vector<platform::AppWindowInfo> list = windowList;
    if (moreWindows) {
      for (auto& window : moreWindows()) list.push_back(std::move(window));
    }
    return list;
  }

  int pid = 4242;
  std::string bundleID = "com.pelko.app";
  std::optional<std::string> executablePath = "/Applications/Pelko.app/Contents/MacOS/Pelko";
  std::string home = "/tmp/pelko-home";
  platform::ApplicationDelegate* applicationDelegate = nullptr;
  std::optional<std::string> version = "1.0.0";
  std::optional<std::string> build = "1";
  std::optional<std::string> copyright;
  // An amber tile: the application's own colour.
  platform::AppIcon icon{"", Color{0.984, 0.749, 0.141, 1.0}};
  platform::OperatingSystemVersion systemVersion{14, 5, 0};
  int activateOwnProcessCount = 0;
  std::string osVersion = "Version 14.5 (Build 23F79)";
  std::string processor = "Apple Silicon";
  std::vector<platform::AppWindowInfo> windowList;
  // Windows of the running program that are real (the update framework's), listed after windowList.
  std::function<std::vector<platform::AppWindowInfo>()> moreWindows;
  // Set by the simulated Mac so that activating this process changes the frontmost application.
  std::function<void()> onActivateOwnProcess;
};

}  // namespace pelko::sim
