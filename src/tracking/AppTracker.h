#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "foundation/Cancellable.h"
#include "foundation/Geometry.h"
#include "foundation/Published.h"
#include "foundation/Scheduler.h"
#include "foundation/Subject.h"
#include "platform/AXElement.h"
#include "platform/Accessibility.h"
#include "platform/RunningApplication.h"
#include "platform/WindowServer.h"
#include "platform/Workspace.h"
#include "tracking/TrackedApp.h"
#include "tracking/WindowManager.h"

namespace pelko {

namespace platform {
class Screens;
}  // namespace platform

class AccessibilityHelper;
class SettingsManager;

// Keeps the live, ordered list of taskbar entries: the running applications, or their windows, with
// their active, hidden and minimized state and the display each one is on.
//
// A refresh pass has three phases: a snapshot on the main thread, the Accessibility and window-list
// work on the serial queue "com.pelko.ax-work", and a completion on the main thread that applies the
// result only when no newer pass was started meanwhile. Entries keep their identity across passes: an
// entry whose id survives is the same object, updated in place through its published fields, and
// `apps` is republished only when membership or order changed. Every trigger (workspace notifications,
// Accessibility observers, timers, the window manager's pending focus) arrives on the main thread.
//
// All state belongs to the main thread. The queue phase works on copies and on state of its own, and
// hands its result back to the main queue; it never touches published state.
class AppTracker : public std::enable_shared_from_this<AppTracker> {
 public:
  // One of this process's own windows, as the tracker needs to know it: only a visible or
  // miniaturized settings window makes the system itself appear in the bar.
  struct OwnWindow {
    std::string title;
    bool isMiniaturized = false;
    bool isVisible = false;
  };

  struct Dependencies {
    Scheduler& scheduler;
    platform::Workspace& workspace;
    platform::WindowServer& windowServer;
    platform::Accessibility& accessibility;
    AccessibilityHelper& accessibilityHelper;
    // For the main screen's scale when icons are rasterized; without it icons get 256 pixels.
    platform::Screens* screens = nullptr;
    // The application's own windows, in window order; none when not given.
    std::function<std::vector<OwnWindow>()> ownWindows;
  };

  // One row of the window server's on-screen list that a pass keeps.
  struct WindowInfo {
    int32_t ownerPID = 0;
    int64_t number = 0;
    std::string title;
    Rect bounds;
    std::optional<uint32_t> displayID;
  };
  using WindowsByProcess = std::unordered_map<int32_t, std::vector<WindowInfo>>;

  // One last-known window of a process.
  struct CachedWindowInfo {
    std::string title;
    int64_t windowNumber = 0;
    bool operator==(const CachedWindowInfo&) const = default;
  };

  struct DisplayGeometry {
    uint32_t id = 0;
    Rect bounds;
    bool operator==(const DisplayGeometry&) const = default;
  };

  static constexpr const char* kQueueLabel = "com.pelko.ax-work";
  static constexpr const char* kSettingsWindowTitlePrefix = "Pelko Settings";
  static constexpr double kSafetyRefreshInterval = 10;
  static constexpr double kSafetyRefreshTolerance = 2;
  static constexpr double kThrottleDelay = 0.02;
  static constexpr double kSpaceChangeThrottle = 0.1;
  static constexpr double kMoveResizeDebounce = 0.08;
  static constexpr double kWindowCreatedRefreshDelay = 0.1;
  static constexpr double kRecentlyRemovedDuration = 2;
  static constexpr double kTimeoutBackoff = 5;
  static constexpr double kStickyRecheckInterval = 1.5;
  static constexpr float kPassMessagingTimeout = 0.3f;
  static constexpr size_t kMaxRecentlyDestroyed = 50;
  static constexpr size_t kElementMapPruneThreshold = 50;

  static std::shared_ptr<AppTracker> create(const Dependencies& dependencies);
  // Removes the observers and ends the timers and subscriptions, as stop() does. Runs on the main thread.
  ~AppTracker();
  AppTracker(const AppTracker&) = delete;
  AppTracker& operator=(const AppTracker&) = delete;

  // The entries every taskbar shows, in order. Written on the main thread only.
  Published<std::vector<TrackedAppPtr>> apps;
  // Raised by one after a pass that kept the same entries in the same order and moved at least one of
  // them to another display.
  Published<uint64_t> displayIDGeneration{0};
  // Sends an application's process identifier whenever the tracker learns that one of its windows
  // opened or closed: at once from its Accessibility observers, and from a pass that finds other
  // windows of the application than the last one did. With windows grouped such a change alters no
  // entry, yet the application's window count must follow it.
  Subject<int32_t> windowsChanged;

  // Set by the application shell right after creation.
  SettingsManager* settingsManager = nullptr;
  std::shared_ptr<WindowManager> windowManager;

  bool isRunning() const { return isRunning_; }

  // Call only while not running: each call makes a full set of subscriptions and a new timer.
  void start();
  void stop();
  // One pass at once, whether running or not and without coalescing.
  void forceRefresh();
  // Makes every pass in flight discard its result.
  void invalidateRefreshGeneration();
  // Shows an activation at once by flipping the active flags of the existing entries.
  void fastUpdateActiveState(int32_t activatedPID);
  // What the window manager's pending-focus callback does: drop the running pass and show the focused
  // application as active at once.
  void pendingFocusChanged();
  // The numbers of the application's standard windows, ascending. Main thread; reads Accessibility
  // itself and never touches a running pass's state.
  std::vector<int64_t> windowNumbers(int32_t pid);

 private:
  friend struct AppTrackerTestAccess;

  using PIDSet = std::unordered_set<int32_t>;
  using WindowNumberSet = std::unordered_set<int64_t>;
  using TimeoutMap = std::unordered_map<int32_t, double>;
  // Each process's list is shared between the tracker and the passes that captured it, and replaced,
  // never changed in place, so capturing the map copies no window.
  using CachedWindowList = std::shared_ptr<const std::vector<CachedWindowInfo>>;
  using LastKnownMap = std::unordered_map<int32_t, CachedWindowList>;
  using BundleIDMap = std::unordered_map<int32_t, std::string>;
  using Geometry = std::vector<DisplayGeometry>;

  struct WindowRef {
    int32_t pid = 0;
    int64_t windowNumber = 0;
  };

  // What every entry of one application shares, read on the main thread.
  struct AppInfo {
    std::string bundleID;
    std::string name;
    AppImage icon;
    int32_t pid = 0;
    bool isHidden = false;
  };
  using AppInfoPtr = std::shared_ptr<const AppInfo>;

  // A running application that takes part in a pass.
  struct CandidateApp {
    AppInfoPtr app;
    bool isTerminated = false;
  };

  // The id and display of a published entry, for ordering a new list off the main thread without
  // touching the published objects.
  struct ExistingEntry {
    std::string id;
    std::optional<uint32_t> displayID;
  };

  // One entry as a builder makes it. The main thread turns it into a TrackedApp only when no published
  // entry has its id; otherwise it is merged into that entry.
  struct BuiltEntry {
    AppInfoPtr app;
    bool isActive = false;
    bool isMinimized = false;
    std::optional<std::string> windowTitle;
    std::optional<int64_t> windowNumber;
    std::optional<uint32_t> displayID;
    std::string id;

    BuiltEntry(AppInfoPtr app, bool isActive, bool isMinimized, std::optional<std::string> windowTitle,
               std::optional<int64_t> windowNumber);
    const std::string& bundleID() const { return app->bundleID; }
    TrackedAppPtr makeTrackedApp() const;
  };
  using EntryList = std::vector<BuiltEntry>;

  // The fields of one window-list row that the tracker reads; absent where the row lacks the key or
  // holds another kind of value.
  using RowFields = platform::WindowListRow;

  // Everything the queue phase needs, captured on the main thread.
  struct PassInput {
    uint64_t generation = 0;
    int32_t ownPID = 0;
    bool trusted = false;
    bool groupWindows = true;
    bool groupByApp = true;
    std::vector<CandidateApp> candidates;
    std::vector<RowFields> rows;
    WindowNumberSet recentlyDestroyed;
    Geometry geometry;
    int32_t frontmostPID = -1;
    std::optional<PendingFocus> pendingFocus;
    std::vector<ExistingEntry> existing;
    // The bundle identifiers of the published entries in the order they first appear.
    std::vector<std::string> existingBundleOrder;
    std::vector<std::string> customAppOrder;
    LastKnownMap lastKnown;
    TimeoutMap timeouts;
    PIDSet candidatePIDs;
  };

  // What a pass hands back to the main thread.
  struct PassResult {
    uint64_t generation = 0;
    LastKnownMap lastKnown;
    TimeoutMap timeouts;
    BundleIDMap bundleIDUpdates;
    EntryList items;
    PIDSet candidatePIDs;
  };

  // The Accessibility reads of one pass (or of one main-thread query): each process's window list is
  // read at most once, and a process that timed out is left alone for kTimeoutBackoff seconds. The
  // state is its own, so a main-thread query never shares it with a pass on the queue.
  class WindowDiscovery {
   public:
    WindowDiscovery(platform::Accessibility& accessibility, AccessibilityHelper& helper, Scheduler& scheduler,
                    bool trusted, TimeoutMap timeouts);

    const std::vector<platform::AXElement>& cachedAXWindows(int32_t pid);
    // The window numbers of cachedAXWindows(pid), in the same order, each asked for once per pass.
    const std::vector<std::optional<int64_t>>& cachedWindowNumbers(int32_t pid);
    // What Accessibility says about each window of a process, by window number. The minimized state is
    // read for every window; a title only when a builder asks for it, since most windows have theirs
    // from the window list. Valid for the pass that made it.
    class AXWindowMaps {
     public:
      bool isMinimized(int64_t number) const;
      // The window's title when it reads as a non-empty string; none otherwise.
      const std::string* title(int64_t number);
      // The window numbers in Accessibility order.
      const std::vector<int64_t>& order() const { return order_; }

     private:
      friend class WindowDiscovery;
      struct Attributes {
        const platform::AXElement* element = nullptr;
        std::optional<bool> minimized;  // when it read as a Boolean
        bool titleRead = false;
        std::string title;
      };
      WindowDiscovery* discovery_ = nullptr;
      std::unordered_map<int64_t, Attributes> windows_;
      std::vector<int64_t> order_;
    };
    AXWindowMaps buildAXWindowMaps(int32_t pid, const std::vector<WindowInfo>& cgWindows);
    struct StandardWindows {
      std::vector<int64_t> order;  // in Accessibility order, without duplicates
      WindowNumberSet members;
    };
    StandardWindows getStandardWindowNumbers(int32_t pid, const std::vector<WindowInfo>& cgWindows);
    // Whether the application has a standard window (or one whose subrole cannot be read) and every
    // such window reads as minimized.
    bool allStandardWindowsMinimized(int32_t pid);
    // The window number of the application's focused window, when Accessibility tells it.
    std::optional<int64_t> focusedWindowNumber(int32_t pid);

    bool trusted() const { return trusted_; }
    TimeoutMap& timeouts() { return timeouts_; }
    void clearCache() {
      axWindowCache_.clear();
      windowNumberCache_.clear();
    }

   private:
    // True when the process timed out less than kTimeoutBackoff seconds ago (an older mark is dropped).
    bool isBackedOff(int32_t pid);
    std::optional<int64_t> windowNumberOf(const platform::AXElement& element);
    platform::AXCopyResult copy(const platform::AXElement& element, std::string_view attribute);

    platform::Accessibility& accessibility_;
    AccessibilityHelper& helper_;
    Scheduler& scheduler_;
    bool trusted_;
    TimeoutMap timeouts_;
    std::unordered_map<int32_t, std::vector<platform::AXElement>> axWindowCache_;
    std::unordered_map<int32_t, std::vector<std::optional<int64_t>>> windowNumberCache_;
  };

  explicit AppTracker(const Dependencies& dependencies);

  // Event sources.
  void subscribeToWorkspace();
  void startSafetyTimer();
  void handleActivated(const platform::WorkspaceNotification& notification);
  void handleDeactivated(const platform::WorkspaceNotification& notification);
  void handleLaunched(const platform::WorkspaceNotification& notification);
  void handleHiddenOrUnhidden(const platform::WorkspaceNotification& notification);
  void handleAppTerminated(const platform::WorkspaceNotification& notification);
  void scheduleThrottledRefresh();
  void scheduleCoalescedRefresh();
  void removeAXObserver(int32_t pid);
  void removeAllObservers();
  std::optional<int64_t> frontWindowFromWindowList(int32_t pid);
  bool groupsWindows() const;

  // The refresh pass.
  void refreshApps();
  // Raises refreshGeneration_ (wrapping) and tells the queue; returns the new value.
  uint64_t raiseRefreshGeneration();
  static PassResult computePass(PassInput input, platform::Accessibility& accessibility,
                                AccessibilityHelper& helper, Scheduler& scheduler);
  void completePass(PassResult result);
  // Whether two lists hold the same window numbers, in any order.
  static bool sameWindowNumbers(const std::vector<CachedWindowInfo>& a,
                                const std::vector<CachedWindowInfo>& b);
  PIDSet getWindowOwnerPIDs(const std::vector<RowFields>& rows,
                            const std::vector<platform::RunningApplicationPtr>& runningApps);
  bool appHasAXWindows(int32_t pid);
  // The application's rasterized icon, made once per process. `bundleID` is the application's.
  const AppImage& cachedIcon(const platform::RunningApplication& app, const std::string& bundleID);
  void rebuildDisplayGeometry();

  // Window discovery and the builders, on the queue.
  // The windows worth an entry, each process's in a list of its own, front to back. Made straight from
  // the rows: a flat list of every window first would be one more copy of the whole window list per
  // pass, in one block as large as the list, which the allocator takes from fresh pages once the list
  // is long.
  static WindowsByProcess windowsByProcess(const std::vector<RowFields>& rows,
                                           const WindowNumberSet& recentlyDestroyed, const Geometry& geometry,
                                           int32_t ownPID);
  static std::optional<uint32_t> displayIDForBounds(const Rect& bounds, const Geometry& geometry);
  static const WindowInfo* bestBoundsMatch(const Rect& axBounds, const std::vector<WindowInfo>& candidates,
                                           const WindowNumberSet& alreadyMatched);
  // The window number when the row is a front-window candidate of the process: a layer-0 window wider
  // and taller than 50 points.
  static std::optional<int64_t> frontWindowNumber(const RowFields& row, int32_t pid);
  static std::optional<int64_t> frontWindowInRows(const std::vector<RowFields>& rows, int32_t pid);
  static EntryList refreshGrouped(const PassInput& input, WindowDiscovery& discovery,
                                  LastKnownMap& lastKnown);
  static EntryList refreshUngrouped(const PassInput& input, WindowDiscovery& discovery,
                                    LastKnownMap& lastKnown, BundleIDMap& bundleIDUpdates);
  static void applyCustomOrder(EntryList& entries, const std::vector<std::string>& customAppOrder);

  // Applying a pass's result.
  void applyUpdate(const EntryList& newEntries);
  static void mergeProperties(const BuiltEntry& fresh, TrackedApp& existing);

  // Accessibility observers and their notifications.
  void registerObserver(int32_t pid);
  void registerWindowDestructionObservers(int32_t pid, const platform::AXObserverPtr& observer);
  void handleAXNotification(const std::string& notification, const platform::AXElement& element);
  void handleTitleChanged(int32_t pid, const platform::AXElement& element);
  void handleSpecificWindowDestroyed(int32_t pid, int64_t windowNumber);
  void scheduleMoveResizeRefresh();

  Scheduler& scheduler_;
  platform::Workspace& workspace_;
  platform::WindowServer& windowServer_;
  platform::Accessibility& accessibility_;
  AccessibilityHelper& accessibilityHelper_;
  platform::Screens* screens_;
  std::function<std::vector<OwnWindow>()> ownWindows_;
  const int32_t ownPID_;

  CancellableBag cancellables_;
  RepeatingTimerPtr refreshTimer_;
  bool isRunning_ = false;
  std::shared_ptr<TaskQueue> axQueue_;
  uint64_t refreshGeneration_ = 0;
  // refreshGeneration_ as the queue sees it: a pass that a newer one (or an invalidation) has
  // overtaken before it started on the queue is not run, since its result would be discarded.
  std::shared_ptr<std::atomic<uint64_t>> queueGeneration_ = std::make_shared<std::atomic<uint64_t>>(0);
  std::unordered_map<int32_t, platform::AXObserverPtr> axObservers_;
  PIDSet trackedPIDs_;
  PIDSet stickyPIDs_;
  PIDSet recentlyRemovedPIDs_;
  WindowNumberSet recentlyDestroyedWindowNumbers_;
  std::unordered_map<int32_t, double> stickyValidationDueAt_;
  std::unordered_map<platform::AXElement, WindowRef, platform::AXElementHash> windowElementMap_;
  LastKnownMap lastKnownWindows_;
  bool hasCompletedPass_ = false;
  BundleIDMap lastKnownBundleIDs_;
  TimeoutMap axTimedOutPIDs_;
  // An icon remembers the application it was made for, so a reused pid never shows the icon of the
  // application that had the pid before.
  struct CachedIcon {
    std::string bundleID;
    AppImage icon;
  };
  std::unordered_map<int32_t, CachedIcon> iconCache_;
  Geometry cachedDisplayGeometry_;
  const std::unordered_set<std::string> excludedBundleIDs_;
  bool pendingRefresh_ = false;
  // A pass for the launches reported so far waits on the main queue.
  bool launchRefreshScheduled_ = false;
  WorkItemPtr axThrottleWorkItem_;
  WorkItemPtr moveResizeWorkItem_;
};

}  // namespace pelko
