#pragma once

#include <map>
#include <memory>
#include <string>

#include "foundation/Subject.h"
#include "platform/Workspace.h"
#include "platform/sim/SimulatedMac.h"

namespace pelko::sim {

// A running application of the simulated Mac. It stays valid after its process ended (and after the
// world is gone): it then reports itself terminated and its requests do nothing.
class SimRunningApplication final : public platform::RunningApplication {
 public:
  SimRunningApplication(std::weak_ptr<SimulatedMac::Anchor> anchor, int32_t pid, uint64_t serial,
                        SimAppSetup setup)
      : anchor_(std::move(anchor)), pid_(pid), serial_(serial), setup_(std::move(setup)) {}

  int32_t processIdentifier() const override { return pid_; }
  std::optional<std::string> bundleIdentifier() const override { return setup_.bundleID; }
  std::optional<std::string> localizedName() const override { return setup_.name; }
  std::optional<platform::AppIcon> icon() const override { return setup_.icon; }
  std::optional<std::string> bundleURL() const override { return setup_.bundlePath; }
  std::optional<std::string> executableURL() const override { return setup_.executablePath; }
  platform::ActivationPolicy activationPolicy() const override { return setup_.policy; }
  bool isHidden() const override;
  bool isActive() const override;
  bool isTerminated() const override;

  bool activate(uint32_t options) override;
  bool hide() override;
  bool unhide() override;
  bool terminate() override;
  bool forceTerminate() override;

 private:
  // Runs `f` with the world and this application's record under the world's lock; `fallback` when
  // the process has ended.
  template <class F, class R>
  R withApp(F f, R fallback) const;

  std::weak_ptr<SimulatedMac::Anchor> anchor_;
  int32_t pid_;
  uint64_t serial_;
  SimAppSetup setup_;
};

// The workspace port of the simulated Mac.
class SimWorkspace final : public platform::Workspace {
 public:
  explicit SimWorkspace(SimulatedMac& mac);

  std::vector<platform::RunningApplicationPtr> runningApplications() override;
  platform::RunningApplicationPtr frontmostApplication() override;
  platform::RunningApplicationPtr runningApplication(int32_t pid) override;
  platform::AppIcon iconForFile(const std::string& path) override;
  bool openURL(const std::string& url) override;
  // Logged as "openApplication <path>" and "reveal <path>" (one line per path).
  bool openApplication(const std::string& path) override;
  bool activateFileViewerSelecting(const std::vector<std::string>& paths) override;
  bool sendReopenEvent(int32_t pid, double timeoutSeconds) override;
  bool accessibilityDisplayShouldReduceMotion() override;
  Publisher<platform::WorkspaceNotification> notifications(platform::WorkspaceNotificationName name) override;

  // On the main queue: hands a notification to its subscribers.
  void deliver(const platform::WorkspaceNotification& notification);

 private:
  SimulatedMac& mac_;
  std::map<platform::WorkspaceNotificationName, std::unique_ptr<Subject<platform::WorkspaceNotification>>>
      subjects_;
};

}  // namespace pelko::sim
