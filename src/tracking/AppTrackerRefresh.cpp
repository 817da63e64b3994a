#include <algorithm>
#include <limits>
#include <utility>

#include "foundation/DebugLog.h"
#include "platform/Screens.h"
#include "settings/SettingsManager.h"
#include "tracking/AccessibilityHelper.h"
#include "tracking/AppTracker.h"

// The refresh pass: what the main thread captures, the work on the queue, and the completion back on
// the main thread; and which processes own windows worth an entry (with the sticky processes).

namespace pelko {

namespace {
bool hasSettingsWindowPrefix(const std::string& title) {
  return title.starts_with(AppTracker::kSettingsWindowTitlePrefix);
}
}  // namespace

void AppTracker::refreshApps() {
  scheduler_.assertMainThread("AppTracker.refreshApps");
  auto input = std::make_shared<PassInput>();
  input->groupWindows = groupsWindows();
  input->ownPID = ownPID_;

  if (windowElementMap_.size() > kElementMapPruneThreshold) {
    std::erase_if(windowElementMap_,
                  [this](const auto& item) { return !trackedPIDs_.count(item.second.pid); });
  }

  // Only the fields the pass needs: with thousands of windows, building and dropping every entry's
  // dictionary cost more than the rest of the pass.
  if (auto rows = windowServer_.copyWindowListRows(
          platform::kWindowListOptionOnScreenOnly | platform::kWindowListExcludeDesktopElements,
          platform::kNullWindowID))
    input->rows = std::move(*rows);

  auto running = workspace_.runningApplications();
  PIDSet owners = getWindowOwnerPIDs(input->rows, running);

  for (const auto& app : running) {
    int32_t pid = app->processIdentifier();
    bool own = pid == ownPID_;
    if (app->activationPolicy() != platform::ActivationPolicy::regular && !own) continue;
    auto bundleID = app->bundleIdentifier();
    if (!bundleID) continue;
    if (excludedBundleIDs_.count(*bundleID)) continue;
    // The system itself is never hidden from its own bar.
    if (!own && settingsManager && settingsManager->isBlacklisted(*bundleID)) continue;
    if (!owners.count(pid)) continue;
    auto info = std::make_shared<AppInfo>();
    info->name = app->localizedName().value_or(*bundleID);
    info->icon = cachedIcon(*app, *bundleID);
    info->bundleID = std::move(*bundleID);
    info->pid = pid;
    info->isHidden = app->isHidden();
    input->candidates.push_back(CandidateApp{std::move(info), app->isTerminated()});
  }

  rebuildDisplayGeometry();

  input->recentlyDestroyed = recentlyDestroyedWindowNumbers_;
  input->lastKnown = lastKnownWindows_;
  input->geometry = cachedDisplayGeometry_;
  if (!input->groupWindows) {
    // Only the ungrouped builder orders by the current list.
    const auto& current = apps.get();
    input->existing.reserve(current.size());
    std::unordered_set<std::string_view> bundles;
    for (const auto& entry : current) {
      input->existing.push_back({entry->id, entry->displayID});
      if (bundles.insert(entry->bundleID).second) input->existingBundleOrder.push_back(entry->bundleID);
    }
  }
  if (windowManager) input->pendingFocus = windowManager->pendingFocus();
  auto frontmost = workspace_.frontmostApplication();
  input->frontmostPID = frontmost ? frontmost->processIdentifier() : -1;
  if (settingsManager) {
    input->groupByApp = settingsManager->groupByApp.get();
    input->customAppOrder = settingsManager->customAppOrder.get();
  }

  double now = scheduler_.now();
  std::erase_if(axTimedOutPIDs_, [now](const auto& item) { return !(now - item.second < kTimeoutBackoff); });
  input->timeouts = axTimedOutPIDs_;

  input->generation = raiseRefreshGeneration();
  for (const auto& candidate : input->candidates) input->candidatePIDs.insert(candidate.app->pid);
  input->trusted = accessibilityHelper_.isTrusted();

  // The queue phase needs nothing of the tracker but its liveness; it works on the captured input and
  // the ports, and hands the result back to the main queue.
  std::weak_ptr<AppTracker> weak = weak_from_this();
  Scheduler* scheduler = &scheduler_;
  platform::Accessibility* accessibility = &accessibility_;
  AccessibilityHelper* helper = &accessibilityHelper_;
  // A burst of requests (launches arrive one notification per application) thus costs one pass.
  axQueue_->async([weak, input, scheduler, accessibility, helper, latest = queueGeneration_] {
    if (weak.expired() || latest->load(std::memory_order_relaxed) != input->generation) return;
    auto result =
        std::make_shared<PassResult>(computePass(std::move(*input), *accessibility, *helper, *scheduler));
    scheduler->mainAsync([weak, result] {
      if (auto tracker = weak.lock()) tracker->completePass(std::move(*result));
    });
  });
}

bool AppTracker::sameWindowNumbers(const std::vector<CachedWindowInfo>& a,
                                   const std::vector<CachedWindowInfo>& b) {
  // As sets: the window list's order changes with every window brought forward. An application has
  // few windows, so a search beats building a set.
  if (a.size() != b.size()) return false;
  return std::all_of(a.begin(), a.end(), [&b](const CachedWindowInfo& window) {
    return std::any_of(b.begin(), b.end(), [&window](const CachedWindowInfo& other) {
      return other.windowNumber == window.windowNumber;
    });
  });
}

AppTracker::PassResult AppTracker::computePass(PassInput input, platform::Accessibility& accessibility,
                                               AccessibilityHelper& helper, Scheduler& scheduler) {
  WindowDiscovery discovery(accessibility, helper, scheduler, input.trusted, std::move(input.timeouts));
  PassResult result;
  result.generation = input.generation;
  result.lastKnown = std::move(input.lastKnown);
  if (input.groupWindows) {
    result.items = refreshGrouped(input, discovery, result.lastKnown);
  } else {
    result.items = refreshUngrouped(input, discovery, result.lastKnown, result.bundleIDUpdates);
  }
  applyCustomOrder(result.items, input.customAppOrder);
  // No Accessibility element outlives the pass.
  discovery.clearCache();
  result.timeouts = std::move(discovery.timeouts());
  result.candidatePIDs = std::move(input.candidatePIDs);
  return result;
}

void AppTracker::completePass(PassResult result) {
  scheduler_.assertMainThread("AppTracker.completePass");
  if (result.generation != refreshGeneration_) return;

  // Windows the observers did not report: an application without an observer, or a window that was
  // not yet a standard one when its creation was announced. The first pass publishes the first list,
  // which gives every button its count: announcing each application as well would count it again.
  std::vector<int32_t> windowsChangedPIDs;
  if (std::exchange(hasCompletedPass_, true)) {
    for (const auto& [pid, windows] : result.lastKnown) {
      auto known = lastKnownWindows_.find(pid);
      if (known == lastKnownWindows_.end() || !sameWindowNumbers(*known->second, *windows))
        windowsChangedPIDs.push_back(pid);
    }
  }

  lastKnownWindows_ = std::move(result.lastKnown);
  axTimedOutPIDs_ = std::move(result.timeouts);
  for (auto& [pid, bundleID] : result.bundleIDUpdates) lastKnownBundleIDs_[pid] = std::move(bundleID);

  applyUpdate(result.items);
  for (int32_t pid : windowsChangedPIDs) windowsChanged.send(pid);

  // A pass that was in flight when the tracker stopped must not bring the observers back.
  if (!isRunning_ || !accessibilityHelper_.isTrusted() || trackedPIDs_ == result.candidatePIDs) return;
  std::vector<int32_t> leaving;
  for (int32_t pid : trackedPIDs_)
    if (!result.candidatePIDs.count(pid)) leaving.push_back(pid);
  for (int32_t pid : leaving) removeAXObserver(pid);
  for (int32_t pid : result.candidatePIDs)
    if (!trackedPIDs_.count(pid)) registerObserver(pid);
  trackedPIDs_ = std::move(result.candidatePIDs);
}

AppTracker::PIDSet AppTracker::getWindowOwnerPIDs(
    const std::vector<RowFields>& rows, const std::vector<platform::RunningApplicationPtr>& runningApps) {
  PIDSet owners;
  bool ownWindow = false;

  if (ownWindows_) {
    for (const auto& window : ownWindows_()) {
      if (hasSettingsWindowPrefix(window.title) && (window.isMiniaturized || window.isVisible)) {
        ownWindow = true;
        break;
      }
    }
  }

  for (const auto& fields : rows) {
    if (!fields.ownerPID || !fields.layer || !fields.bounds) continue;
    bool own = *fields.ownerPID == ownPID_;
    bool counts = own ? fields.name && hasSettingsWindowPrefix(*fields.name) : *fields.layer == 0;
    if (!counts) continue;
    if (!(fields.bounds->width() > 1 && fields.bounds->height() > 1)) continue;
    if (own) {
      ownWindow = true;
    } else {
      owners.insert(*fields.ownerPID);
    }
  }

  for (int32_t pid : recentlyRemovedPIDs_) owners.erase(pid);
  stickyPIDs_.insert(owners.begin(), owners.end());
  for (int32_t pid : recentlyRemovedPIDs_) stickyPIDs_.erase(pid);

  auto forget = [this](int32_t pid) {
    stickyValidationDueAt_.erase(pid);
    lastKnownWindows_.erase(pid);
    lastKnownBundleIDs_.erase(pid);
  };

  if (accessibilityHelper_.isTrusted()) {
    double now = scheduler_.now();
    std::vector<int32_t> offScreen;
    for (int32_t pid : stickyPIDs_)
      if (!owners.count(pid)) offScreen.push_back(pid);
    for (int32_t pid : offScreen) {
      auto due = stickyValidationDueAt_.find(pid);
      if (due != stickyValidationDueAt_.end() && now < due->second) continue;
      stickyValidationDueAt_[pid] = now + kStickyRecheckInterval;
      if (!appHasAXWindows(pid)) {
        stickyPIDs_.erase(pid);
        forget(pid);
      }
    }
  }

  // A sticky process that ended, or whose pid now belongs to another application, starts afresh.
  std::unordered_map<int32_t, std::optional<std::string>> runningBundleIDs;
  runningBundleIDs.reserve(runningApps.size());
  for (const auto& app : runningApps)
    runningBundleIDs.emplace(app->processIdentifier(), app->bundleIdentifier());
  std::vector<int32_t> stale;
  for (int32_t pid : stickyPIDs_) {
    auto runningIt = runningBundleIDs.find(pid);
    if (runningIt == runningBundleIDs.end()) {
      stale.push_back(pid);
      continue;
    }
    auto knownIt = lastKnownBundleIDs_.find(pid);
    if (knownIt != lastKnownBundleIDs_.end() && runningIt->second != knownIt->second) stale.push_back(pid);
  }
  for (int32_t pid : stale) {
    forget(pid);
    stickyPIDs_.erase(pid);
  }
  std::erase_if(stickyValidationDueAt_, [this](const auto& item) { return !stickyPIDs_.count(item.first); });

  PIDSet result = stickyPIDs_;
  if (ownWindow) result.insert(ownPID_);
  return result;
}

bool AppTracker::appHasAXWindows(int32_t pid) {
  if (!accessibilityHelper_.isTrusted()) return false;
  double now = scheduler_.now();
  if (auto it = axTimedOutPIDs_.find(pid); it != axTimedOutPIDs_.end() && now - it->second < kTimeoutBackoff)
    return true;
  auto app = accessibilityHelper_.appElement(pid, kPassMessagingTimeout);
  auto windows = accessibility_.copyAttributeValue(app, platform::ax::kWindows);
  if (windows.ok()) {
    const auto* list = windows.value ? windows.value->asElements() : nullptr;
    return list && !list->empty();
  }
  if (windows.error == platform::AXError::cannotComplete) {
    // An application that does not answer is given the benefit of the doubt, and a rest.
    axTimedOutPIDs_[pid] = now;
    return true;
  }
  return false;
}

const AppImage& AppTracker::cachedIcon(const platform::RunningApplication& app, const std::string& bundleID) {
  int32_t pid = app.processIdentifier();
  auto it = iconCache_.find(pid);
  if (it != iconCache_.end() && it->second.bundleID == bundleID) return it->second.icon;
  auto source = app.icon();
  if (!source) source = workspace_.iconForFile(app.bundleURL().value_or(""));
  std::optional<double> scale;
  if (screens_) {
    if (auto screen = screens_->mainScreen()) scale = screen->backingScaleFactor;
  }
  CachedIcon made{bundleID, TrackedApp::rasterizeIcon(AppImage{*source}, scale)};
  if (it != iconCache_.end()) {
    it->second = std::move(made);
  } else {
    it = iconCache_.emplace(pid, std::move(made)).first;
  }
  return it->second.icon;
}

void AppTracker::rebuildDisplayGeometry() {
  cachedDisplayGeometry_.clear();
  auto displays = windowServer_.onlineDisplayList();
  if (displays.error != platform::CGError::success) return;
  cachedDisplayGeometry_.reserve(displays.displays.size());
  for (auto id : displays.displays) cachedDisplayGeometry_.push_back({id, windowServer_.displayBounds(id)});
}

}  // namespace pelko
