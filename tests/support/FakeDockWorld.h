#pragma once

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/WindowServer.h"
#include "platform/Workspace.h"

namespace pelko::testing {

// The little of the workspace and the window server that the Dock manager looks at: which process is
// the Dock, and the on-screen window list.
class FakeRunningApplication final : public platform::RunningApplication {
 public:
  FakeRunningApplication(int32_t pid, std::string bundleID) : pid_(pid), bundleID_(std::move(bundleID)) {}
  int32_t processIdentifier() const override { return pid_; }
  std::optional<std::string> bundleIdentifier() const override { return bundleID_; }
  std::optional<std::string> localizedName() const override { return bundleID_; }
  std::optional<platform::AppIcon> icon() const override { return std::nullopt; }
  std::optional<std::string> bundleURL() const override { return std::nullopt; }
  std::optional<std::string> executableURL() const override { return std::nullopt; }
  platform::ActivationPolicy activationPolicy() const override { return platform::ActivationPolicy::regular; }
  bool isHidden() const override { return false; }
  bool isActive() const override { return false; }
  bool isTerminated() const override { return false; }
  bool activate(uint32_t) override { return false; }
  bool hide() override { return false; }
  bool unhide() override { return false; }
  bool terminate() override { return false; }
  bool forceTerminate() override { return false; }

 private:
  int32_t pid_;
  std::string bundleID_;
};

class FakeWorkspace final : public platform::Workspace {
 public:
  std::vector<platform::RunningApplicationPtr> runningApplications() override { return applications; }
  platform::RunningApplicationPtr frontmostApplication() override { return nullptr; }
  platform::RunningApplicationPtr runningApplication(int32_t pid) override {
    for (const auto& app : applications) {
      if (app->processIdentifier() == pid) return app;
    }
    return nullptr;
  }
  platform::AppIcon iconForFile(const std::string&) override { return {}; }
  bool openURL(const std::string& url) override {
    asked.push_back(url);
    return opens.count(url) > 0;
  }
  bool sendReopenEvent(int32_t, double) override { return false; }
  Publisher<platform::WorkspaceNotification> notifications(platform::WorkspaceNotificationName) override {
    return Publisher<platform::WorkspaceNotification>([](auto) { return Cancellable(); });
  }

  std::vector<platform::RunningApplicationPtr> applications;
  std::set<std::string> opens;  // the URLs that open; every one asked for is recorded
  std::vector<std::string> asked;
};

class FakeWindowServer final : public platform::WindowServer {
 public:
  std::optional<std::vector<platform::WindowInfo>> copyWindowInfo(uint32_t options,
                                                                  platform::WindowID relativeTo) override {
    lastOptions = options;
    lastRelativeTo = relativeTo;
    return windows;
  }
  platform::DisplayListResult onlineDisplayList() override { return {platform::CGError::success, {1}}; }
  Rect displayBounds(platform::DisplayID) override { return Rect(0, 0, 1440, 900); }
  platform::DisplayID mainDisplayID() override { return 1; }

  std::optional<std::vector<platform::WindowInfo>> windows = std::vector<platform::WindowInfo>{};
  uint32_t lastOptions = 0;
  platform::WindowID lastRelativeTo = 12345;
};

}  // namespace pelko::testing
