#include <algorithm>
#include <limits>
#include <string_view>

#include "foundation/DebugLog.h"
#include "tracking/AppTracker.h"

// The two builders that turn a pass's inputs into the ordered entry list (one entry per application,
// or one per window), and the user's custom application order. They run on the work queue and only
// create new entries; the published ones are never touched here.

namespace pelko {

namespace {

constexpr int64_t kUnranked = std::numeric_limits<int64_t>::max();

const std::vector<AppTracker::WindowInfo>& windowsOf(const AppTracker::WindowsByProcess& byProcess,
                                                     int32_t pid) {
  static const std::vector<AppTracker::WindowInfo> kNone;
  auto it = byProcess.find(pid);
  return it == byProcess.end() ? kNone : it->second;
}

// Reorders `entries` by the keys, stably; `keys[i]` belongs to `entries[i]`.
template <class Entry, class Key>
void stableSortByKeys(std::vector<Entry>& entries, const std::vector<Key>& keys) {
  std::vector<size_t> order(entries.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&keys](size_t a, size_t b) { return keys[a] < keys[b]; });
  std::vector<Entry> sorted;
  sorted.reserve(entries.size());
  for (size_t index : order) sorted.push_back(std::move(entries[index]));
  entries = std::move(sorted);
}

// The index of each id in a list of entries, the first one where an id occurs twice. Kept in one
// sorted array of hashes rather than a node per entry, since a pass builds it for every window.
template <class Entry>
class PositionIndex {
 public:
  explicit PositionIndex(const std::vector<Entry>& entries) : entries_(entries) {
    slots_.reserve(entries.size());
    for (size_t i = 0; i < entries.size(); ++i)
      slots_.push_back({std::hash<std::string_view>()(entries[i].id), i});
    std::sort(slots_.begin(), slots_.end());
  }
  std::optional<size_t> find(std::string_view id) const {
    size_t hash = std::hash<std::string_view>()(id);
    auto it = std::lower_bound(slots_.begin(), slots_.end(), std::pair<size_t, size_t>{hash, 0});
    for (; it != slots_.end() && it->first == hash; ++it)
      if (entries_[it->second].id == id) return it->second;
    return std::nullopt;
  }

 private:
  const std::vector<Entry>& entries_;
  std::vector<std::pair<size_t, size_t>> slots_;  // (hash of the id, index), by hash then index
};

}  // namespace

AppTracker::BuiltEntry::BuiltEntry(AppInfoPtr app, bool isActive, bool isMinimized,
                                   std::optional<std::string> windowTitle,
                                   std::optional<int64_t> windowNumber)
    : app(std::move(app)),
      isActive(isActive),
      isMinimized(isMinimized),
      windowTitle(std::move(windowTitle)),
      windowNumber(windowNumber),
      id(TrackedApp::makeID(this->app->bundleID, this->app->pid, windowNumber)) {}

TrackedAppPtr AppTracker::BuiltEntry::makeTrackedApp() const {
  auto entry = std::make_shared<TrackedApp>(app->bundleID, app->name, app->icon, app->pid, isActive,
                                            app->isHidden, isMinimized, windowTitle, windowNumber);
  entry->displayID = displayID;
  return entry;
}

AppTracker::EntryList AppTracker::refreshGrouped(const PassInput& input, WindowDiscovery& discovery,
                                                 LastKnownMap& lastKnown) {
  const WindowsByProcess byProcess =
      windowsByProcess(input.rows, input.recentlyDestroyed, input.geometry, input.ownPID);

  EntryList result;
  result.reserve(input.candidates.size());
  for (const auto& candidate : input.candidates) {
    if (candidate.isTerminated) continue;
    const AppInfo& app = *candidate.app;
    BuiltEntry entry(candidate.app, app.pid == input.frontmostPID, false, std::nullopt, std::nullopt);
    entry.isMinimized = discovery.allStandardWindowsMinimized(app.pid);

    const auto& windows = windowsOf(byProcess, app.pid);
    if (!windows.empty() && !windows.front().title.empty()) {
      entry.windowTitle = windows.front().title;
      std::vector<CachedWindowInfo> known;
      known.reserve(windows.size());
      for (const auto& window : windows)
        known.push_back({window.title.empty() ? app.name : window.title, window.number});
      lastKnown[app.pid] = std::make_shared<const std::vector<CachedWindowInfo>>(std::move(known));
    } else {
      auto maps = discovery.buildAXWindowMaps(app.pid, windows);
      for (int64_t number : maps.order()) {
        if (const std::string* title = maps.title(number)) {
          entry.windowTitle = *title;
          break;
        }
      }
      if (!entry.windowTitle) {
        auto it = lastKnown.find(app.pid);
        if (it != lastKnown.end() && !it->second->empty()) entry.windowTitle = it->second->front().title;
      }
    }
    if (!windows.empty()) entry.displayID = windows.front().displayID;
    result.push_back(std::move(entry));
  }
  return result;
}

AppTracker::EntryList AppTracker::refreshUngrouped(const PassInput& input, WindowDiscovery& discovery,
                                                   LastKnownMap& lastKnown, BundleIDMap& bundleIDUpdates) {
  const WindowsByProcess byProcess =
      windowsByProcess(input.rows, input.recentlyDestroyed, input.geometry, input.ownPID);

  // Where each current entry stands; an id listed twice keeps its first place.
  PositionIndex<ExistingEntry> previousIndex(input.existing);

  // Which window is in front, and of which application.
  std::optional<int32_t> activePID;
  std::optional<int64_t> frontWindow;
  if (input.pendingFocus) {
    activePID = input.pendingFocus->pid;
    frontWindow = input.pendingFocus->windowNumber;
    debugLog("refreshUngrouped: using pendingFocus pid=" + std::to_string(input.pendingFocus->pid) +
             " winNum=" + std::to_string(input.pendingFocus->windowNumber));
  } else {
    if (input.frontmostPID != -1) {
      activePID = input.frontmostPID;
      if (discovery.trusted()) {
        frontWindow = discovery.focusedWindowNumber(input.frontmostPID);
        if (frontWindow) {
          debugLog("getFrontmostWindowNumber: AX focused wid=" + std::to_string(*frontWindow) +
                   " for pid=" + std::to_string(input.frontmostPID));
        } else {
          debugLog("getFrontmostWindowNumber: AX query failed for pid=" + std::to_string(input.frontmostPID) +
                   ", falling back to CGWindowList");
        }
      }
      if (!frontWindow) frontWindow = frontWindowInRows(input.rows, input.frontmostPID);
    }
    debugLog("refreshUngrouped: frontmostPID=" + std::to_string(input.frontmostPID) +
             " frontmostWinNum=" + std::to_string(frontWindow.value_or(-1)));
  }

  EntryList result;
  result.reserve(input.candidates.size());
  for (const auto& candidate : input.candidates) {
    const AppInfo& app = *candidate.app;
    const std::string& bundleID = app.bundleID;
    const std::string& name = app.name;
    const auto& windows = windowsOf(byProcess, app.pid);

    auto standard = discovery.getStandardWindowNumbers(app.pid, windows);
    std::vector<const WindowInfo*> visible;
    visible.reserve(windows.size());
    for (const auto& window : windows)
      if (standard.members.count(window.number)) visible.push_back(&window);
    auto maps = discovery.buildAXWindowMaps(app.pid, windows);

    // Minimized standard windows are not in the on-screen list; Accessibility still knows them.
    std::vector<CachedWindowInfo> minimizedExtras;
    WindowNumberSet visibleNumbers;
    for (int64_t number : standard.order) {
      if (!maps.isMinimized(number)) continue;
      if (visibleNumbers.empty() && !visible.empty()) {
        for (const WindowInfo* window : visible) visibleNumbers.insert(window->number);
      }
      if (visibleNumbers.count(number)) continue;
      const std::string* title = maps.title(number);
      minimizedExtras.push_back({title ? *title : name, number});
    }

    if (visible.empty() && minimizedExtras.empty()) {
      auto known = lastKnown.find(app.pid);
      if (known == lastKnown.end()) {
        result.emplace_back(candidate.app, activePID && *activePID == app.pid, false, std::nullopt,
                            std::nullopt);
      } else {
        // Windows on another Space: show what was last seen of them.
        for (const auto& cached : *known->second)
          result.emplace_back(candidate.app, false, false, cached.title, cached.windowNumber);
      }
      continue;
    }

    std::vector<CachedWindowInfo> recorded;
    recorded.reserve(visible.size() + minimizedExtras.size());
    for (const WindowInfo* window : visible) {
      std::string title;
      if (!window->title.empty()) {
        title = window->title;
      } else if (const std::string* axTitle = maps.title(window->number)) {
        title = *axTitle;
      } else {
        title = name.empty() ? bundleID : name;
      }
      bool isFront = frontWindow && *frontWindow == window->number;
      if (isFront || (activePID && *activePID == app.pid)) {
        debugLog("  window: " + name + " winNum=" + std::to_string(window->number) + " title='" +
                 window->title + "' isFrontmost=" + (isFront ? "true" : "false"));
      }
      bool isMinimized = maps.isMinimized(window->number);
      auto& entry = result.emplace_back(candidate.app, isFront, isMinimized, title, window->number);
      entry.displayID = window->displayID;
      recorded.push_back({std::move(title), window->number});
    }
    for (auto& extra : minimizedExtras) {
      auto& entry = result.emplace_back(candidate.app, false, true, extra.title, extra.windowNumber);
      if (auto index = previousIndex.find(entry.id)) entry.displayID = input.existing[*index].displayID;
      recorded.push_back(std::move(extra));
    }
    lastKnown[app.pid] = std::make_shared<const std::vector<CachedWindowInfo>>(std::move(recorded));
    bundleIDUpdates[app.pid] = bundleID;
  }

  // Entries keep the places they had; new ones follow (after their application's windows when
  // grouping by application).
  auto previousPosition = [&previousIndex](const BuiltEntry& entry) -> int64_t {
    auto index = previousIndex.find(entry.id);
    return index ? static_cast<int64_t>(*index) : kUnranked;
  };
  if (!input.groupByApp) {
    std::vector<int64_t> keys;
    keys.reserve(result.size());
    for (const auto& entry : result) keys.push_back(previousPosition(entry));
    stableSortByKeys(result, keys);
  } else {
    std::unordered_map<std::string_view, int64_t> groupPosition;
    auto place = [&groupPosition](std::string_view bundleID) {
      groupPosition.try_emplace(bundleID, static_cast<int64_t>(groupPosition.size()));
    };
    for (const auto& bundleID : input.existingBundleOrder) place(bundleID);
    for (const auto& entry : result) place(entry.bundleID());
    std::vector<std::pair<int64_t, int64_t>> keys;
    keys.reserve(result.size());
    for (const auto& entry : result)
      keys.emplace_back(groupPosition.at(entry.bundleID()), previousPosition(entry));
    stableSortByKeys(result, keys);
  }
  return result;
}

void AppTracker::applyCustomOrder(EntryList& entries, const std::vector<std::string>& customAppOrder) {
  if (customAppOrder.empty()) return;
  std::unordered_map<std::string_view, int64_t> rank;
  rank.reserve(customAppOrder.size());
  for (size_t i = 0; i < customAppOrder.size(); ++i) rank.emplace(customAppOrder[i], static_cast<int64_t>(i));
  std::vector<int64_t> keys;
  keys.reserve(entries.size());
  for (const auto& entry : entries) {
    auto it = rank.find(entry.bundleID());
    keys.push_back(it == rank.end() ? kUnranked : it->second);
  }
  stableSortByKeys(entries, keys);
}

}  // namespace pelko
