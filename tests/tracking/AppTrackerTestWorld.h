#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/VirtualScheduler.h"
#include "platform/FileSystem.h"
#include "platform/sim/InMemoryUserDefaults.h"
#include "platform/sim/SimAppearance.h"
#include "platform/sim/SimLoginItems.h"
#include "platform/sim/SimulatedMac.h"
#include "settings/LaunchAtLoginHelper.h"
#include "settings/SettingsManager.h"
#include "tracking/AccessibilityHelper.h"
#include "tracking/AppTracker.h"
#include "tracking/WindowManager.h"

namespace pelko {

// Reaches the tracker's private operations and state, which the scenarios observe or drive directly.
struct AppTrackerTestAccess {
  using BuiltEntry = AppTracker::BuiltEntry;
  using EntryList = AppTracker::EntryList;
  using WindowInfo = AppTracker::WindowInfo;
  using DisplayGeometry = AppTracker::DisplayGeometry;

  static BuiltEntry entry(const std::string& bundleID, int32_t pid, std::optional<int64_t> windowNumber = {},
                          std::optional<std::string> title = {}, std::optional<uint32_t> displayID = {},
                          const std::string& name = {}, bool hidden = false) {
    auto app = std::make_shared<AppTracker::AppInfo>();
    app->bundleID = bundleID;
    app->name = name.empty() ? bundleID + " name" : name;
    app->pid = pid;
    app->isHidden = hidden;
    BuiltEntry result(std::move(app), false, false, std::move(title), windowNumber);
    result.displayID = displayID;
    return result;
  }
  static void applyUpdate(AppTracker& tracker, const EntryList& entries) { tracker.applyUpdate(entries); }
  static void applyCustomOrder(EntryList& entries, const std::vector<std::string>& order) {
    AppTracker::applyCustomOrder(entries, order);
  }
  static const WindowInfo* bestBoundsMatch(const Rect& bounds, const std::vector<WindowInfo>& candidates,
                                           const std::unordered_set<int64_t>& matched) {
    return AppTracker::bestBoundsMatch(bounds, candidates, matched);
  }
  static std::optional<uint32_t> displayIDForBounds(const Rect& bounds,
                                                    const std::vector<DisplayGeometry>& geometry) {
    return AppTracker::displayIDForBounds(bounds, geometry);
  }
  static std::vector<WindowInfo> detailedWindowList(const std::vector<platform::WindowInfo>& rows,
                                                    int32_t ownPID) {
    return AppTracker::getDetailedWindowList(AppTracker::readRows(rows), {}, {}, ownPID);
  }
  static void refresh(AppTracker& tracker) { tracker.refreshApps(); }
  static uint64_t refreshGeneration(const AppTracker& tracker) { return tracker.refreshGeneration_; }
  static const std::unordered_set<int32_t>& stickyPIDs(const AppTracker& tracker) {
    return tracker.stickyPIDs_;
  }
  static const std::unordered_set<int32_t>& trackedPIDs(const AppTracker& tracker) {
    return tracker.trackedPIDs_;
  }
  static const std::unordered_set<int32_t>& recentlyRemovedPIDs(const AppTracker& tracker) {
    return tracker.recentlyRemovedPIDs_;
  }
  static const std::unordered_set<int64_t>& recentlyDestroyed(const AppTracker& tracker) {
    return tracker.recentlyDestroyedWindowNumbers_;
  }
  static size_t observerCount(const AppTracker& tracker) { return tracker.axObservers_.size(); }
  static size_t windowElementCount(const AppTracker& tracker) { return tracker.windowElementMap_.size(); }
  static bool pendingRefresh(const AppTracker& tracker) { return tracker.pendingRefresh_; }
  static bool hasTimer(const AppTracker& tracker) { return tracker.refreshTimer_ != nullptr; }
  static std::vector<AppTracker::CachedWindowInfo> lastKnown(const AppTracker& tracker, int32_t pid) {
    auto it = tracker.lastKnownWindows_.find(pid);
    return it == tracker.lastKnownWindows_.end() ? std::vector<AppTracker::CachedWindowInfo>{} : *it->second;
  }
  // Hands the tracker a workspace notification as its subscription would.
  static void deliver(AppTracker& tracker, platform::WorkspaceNotificationName name,
                      platform::RunningApplicationPtr application) {
    platform::WorkspaceNotification notification{name, std::move(application)};
    using N = platform::WorkspaceNotificationName;
    switch (name) {
      case N::didActivateApplication:
        tracker.handleActivated(notification);
        break;
      case N::didDeactivateApplication:
        tracker.handleDeactivated(notification);
        break;
      case N::didLaunchApplication:
        tracker.handleLaunched(notification);
        break;
      case N::didHideApplication:
      case N::didUnhideApplication:
        tracker.handleHiddenOrUnhidden(notification);
        break;
      case N::didTerminateApplication:
        tracker.handleAppTerminated(notification);
        break;
      default:
        break;
    }
  }
  static void handleAXNotification(AppTracker& tracker, const std::string& name,
                                   const platform::AXElement& element) {
    tracker.handleAXNotification(name, element);
  }
};

namespace testing {

// Files in memory, for the settings store's login-item helper.
class TrackerTestFileSystem final : public platform::FileSystem {
 public:
  bool fileExists(const std::string& path) const override { return files.count(path) > 0; }
  std::optional<std::string> readFile(const std::string& path) const override {
    auto it = files.find(path);
    if (it == files.end()) return std::nullopt;
    return it->second;
  }
  bool createDirectories(const std::string&) override { return true; }
  bool writeFileAtomically(const std::string& path, const std::string& contents) override {
    files[path] = contents;
    return true;
  }
  bool removeFile(const std::string& path) override { return files.erase(path) > 0; }
  std::map<std::string, std::string> files;
};

// A simulated Mac with a settings store, a window manager and the tracker under test, wired as the
// application shell wires them.
class AppTrackerTest : public ::testing::Test {
 protected:
  using Access = AppTrackerTestAccess;

  VirtualScheduler scheduler;
  sim::SimulatedMac mac{scheduler};
  sim::InMemoryUserDefaults defaults;
  sim::SimAppearance appearance;
  sim::SimLoginItems loginItems;
  TrackerTestFileSystem fileSystem;
  LaunchAtLoginHelper launchAtLogin{loginItems, fileSystem, mac.appShell()};
  std::unique_ptr<SettingsManager> settings = std::make_unique<SettingsManager>(
      SettingsManager::Dependencies{defaults, mac.permissions(), appearance, launchAtLogin, scheduler});
  AccessibilityHelper accessibilityHelper{scheduler, mac.permissions(), mac.accessibility(), mac.workspace(),
                                          mac.appShell()};
  std::shared_ptr<WindowManager> windowManager =
      WindowManager::create(scheduler, mac.workspace(), mac.windowServer(), accessibilityHelper);
  std::vector<AppTracker::OwnWindow> ownWindows;
  // Publications of the list and of the display counter, counted from after the first delivery.
  int listPublications = 0;
  int displayGenerationPublications = 0;
  std::vector<Cancellable> subscriptions;

  std::shared_ptr<AppTracker> tracker = makeTracker();

  std::shared_ptr<AppTracker> makeTracker() {
    auto made = AppTracker::create(AppTracker::Dependencies{scheduler, mac.workspace(), mac.windowServer(),
                                                            mac.accessibility(), accessibilityHelper,
                                                            &mac.screens(), [this] { return ownWindows; }});
    made->settingsManager = settings.get();
    made->windowManager = windowManager;
    std::weak_ptr<AppTracker> weak = made;
    windowManager->onPendingFocusChanged = [weak] {
      if (auto t = weak.lock()) t->pendingFocusChanged();
    };
    subscriptions.clear();
    subscriptions.push_back(
        made->apps.publisher().dropFirst().sink([this](const auto&) { ++listPublications; }));
    subscriptions.push_back(made->displayIDGeneration.publisher().dropFirst().sink(
        [this](const auto&) { ++displayGenerationPublications; }));
    return made;
  }

  void TearDown() override {
    if (tracker && tracker->isRunning()) tracker->stop();
  }

  void setGrouped(bool grouped) { settings->groupWindows = grouped; }

  int32_t launch(const std::string& bundleID, const std::string& name, bool activate = true) {
    sim::SimAppSpec spec;
    spec.bundleID = bundleID;
    spec.name = name;
    spec.bundlePath = "/Applications/" + name + ".app";
    spec.icon = platform::AppIcon{"/Applications/" + name + ".app", Color{0.2, 0.4, 0.8, 1.0}};
    spec.activate = activate;
    return mac.launchApp(spec);
  }
  platform::WindowID open(int32_t pid, const std::string& title, Rect bounds = Rect(100, 100, 800, 600)) {
    sim::SimWindowSpec spec;
    spec.title = title;
    spec.bounds = bounds;
    return mac.openWindow(pid, spec);
  }

  // Lets the notifications, the queue phase and the completion of any pass run.
  void settle() { scheduler.runUntilIdle(); }
  // Starts the tracker and lets the first pass and the start-up refreshes finish.
  void startAndSettle() {
    tracker->start();
    scheduler.advance(4.5);
  }

  const std::vector<TrackedAppPtr>& apps() const { return tracker->apps.get(); }
  std::vector<std::string> ids() const {
    std::vector<std::string> result;
    for (const auto& app : apps()) result.push_back(app->id);
    return result;
  }
  TrackedAppPtr find(const std::string& id) const {
    for (const auto& app : apps())
      if (app->id == id) return app;
    return nullptr;
  }
  static std::string idOf(const std::string& bundleID, int32_t pid, std::optional<int64_t> window = {}) {
    return TrackedApp::makeID(bundleID, pid, window);
  }
};

}  // namespace testing
}  // namespace pelko
