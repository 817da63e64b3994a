#pragma once

#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/AXElement.h"
#include "platform/WindowServer.h"
#include "platform/Workspace.h"
#include "tracking/AppTracker.h"

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
  static AppTracker::WindowsByProcess windowsByProcess(const std::vector<platform::WindowInfo>& rows,
                                                       int32_t ownPID) {
    std::vector<AppTracker::RowFields> fields;
    for (const auto& row : rows) fields.push_back(platform::decodeWindowListRow(row));
    return AppTracker::windowsByProcess(fields, {}, {}, ownPID);
  }
  static uint64_t refreshGeneration(const AppTracker& tracker) { return tracker.refreshGeneration_; }
  static const std::unordered_set<int32_t>& stickyPIDs(const AppTracker& tracker) {
    return tracker.stickyPIDs_;
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
  static void deactivated(AppTracker& tracker, platform::RunningApplicationPtr application) {
    tracker.handleDeactivated({platform::WorkspaceNotificationName::didDeactivateApplication, application});
  }
  static void terminated(AppTracker& tracker, platform::RunningApplicationPtr application) {
    tracker.handleAppTerminated({platform::WorkspaceNotificationName::didTerminateApplication, application});
  }
  static void handleAXNotification(AppTracker& tracker, const std::string& name,
                                   const platform::AXElement& element) {
    tracker.handleAXNotification(name, element);
  }
};

}  // namespace pelko
