#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "foundation/Geometry.h"
#include "foundation/Scheduler.h"
#include "platform/AXElement.h"
#include "platform/Accessibility.h"
#include "platform/DistributedNotifications.h"
#include "platform/ProcessExistence.h"
#include "platform/RunningApplication.h"
#include "platform/Screens.h"
#include "platform/WindowServer.h"
#include "platform/Workspace.h"
#include "platform/sim/SimAppShell.h"
#include "platform/sim/SimPermissions.h"
#include "platform/sim/SimWindowIndex.h"

namespace pelko::sim {

class SimWorkspace;
class SimWindowServer;
class SimAccessibility;
class SimScreens;
class SimRunningApplication;
class SimAXObserver;
class SimDistributedNotifications;

using platform::AXError;
using platform::DisplayID;
using platform::WindowID;

// What an Accessibility element of the simulated Mac denotes.
enum class SimElementKind { application, window, closeButton };

struct SimAppSetup {
  std::optional<std::string> bundleID{};
  std::optional<std::string> name{};
  std::optional<platform::AppIcon> icon{};
  std::optional<std::string> bundlePath{};
  std::optional<std::string> executablePath{};
  platform::ActivationPolicy policy = platform::ActivationPolicy::regular;
  // A fixed process identifier (to model a reused one); by default the next free one.
  std::optional<int32_t> pid{};
  // Whether the application comes to the front as it launches.
  bool activate = true;
  bool hidden = false;
};

struct SimWindowSetup {
  std::string title{};
  Rect bounds{100, 100, 800, 600};  // window-server coordinates
  int layer = platform::window_layer::kNormal;
  // Nothing: reading the subrole reports no value.
  std::optional<std::string> subrole = std::string("AXStandardWindow");
  bool minimized = false;
  bool hasCloseButton = true;
  // Whether the window appears in its application's "AXWindows" and in the window server's list.
  bool listedInAccessibility = true;
  bool listedInWindowList = true;
  double alpha = 1.0;
  // Whether the new window becomes its application's main and focused window (when it is not minimized).
  bool becomesMain = true;
  // The Space it opens on; the active one by default.
  std::optional<int> space{};
  // Writes of a smaller size are clamped to this, as applications do.
  Size minimumSize{0, 0};
};

struct SimDisplaySetup {
  std::optional<DisplayID> id{};
  Rect bounds{0, 0, 1920, 1080};  // window-server coordinates
  double scale = 2.0;
  std::string name = "Display";
};

struct SimDisplay {
  DisplayID id = 0;
  Rect bounds;
  double scale = 2.0;
  std::string name{};
  bool operator==(const SimDisplay&) const = default;
};

// A snapshot of one window.
struct SimWindowState {
  WindowID number = 0;
  int32_t owner = 0;
  std::string title;
  Rect bounds;
  int layer = 0;
  std::optional<std::string> subrole;
  bool minimized = false;
  bool fullScreen = false;
  bool onScreen = false;
  int space = 1;
};

// One request the system under test made of the world through a port: the activation of an
// application (with its options), hiding, quitting, a reopen event, an opened URL, an Accessibility
// attribute write or action. `text()` renders it for assertions, for example
//   "activate pid=501 options=0", "set AXPosition window=7 (100, 48)", "set AXSize window=7 (800, 572)",
//   "set AXMinimized window=7 false", "set AXMainWindow pid=501 window=7", "set AXFrontmost pid=501 true",
//   "AXRaise window=7", "AXPress AXCloseButton window=7", "hide pid=501", "reopen pid=501",
//   "openURL /Applications/Editor.app"; a failed request ends in " -> error -25204" (or the code).
struct SimAction {
  std::string text;
  int32_t pid = 0;
  WindowID window = 0;
  AXError result = AXError::success;
};

// The simulated Mac: one in-memory world of running applications, their windows, the displays and the
// Accessibility interface, behind the Workspace, WindowServer, Accessibility and Screens ports, with the
// Permissions and AppShell stand-ins it owns. Tests change the world through the methods below (as the
// user or the applications would), and the world tells the ports' subscribers what a Mac tells them.
//
// What this model assumes about macOS:
// - Launching: the workspace reports the launch, then (unless the application launches in the
//   background) its activation.
// - Notifications are posted with the scheduler's main queue, in the order of the changes; a test
//   receives them by running the main queue. Of one change, the workspace notifications come first,
//   then the Accessibility ones. The state itself changes at once.
// - Activation: the previously frontmost application is told it deactivated, then the new one that it
//   activated. Activating a hidden application unhides it first (its unhide notification comes before
//   the activation's). Without activateAllWindows only the application's main window comes to the
//   front of the window order; with it all its windows do. Activation does not restore minimized
//   windows, unless the application is set to (setRestoresMinimizedWindowsOnActivation), as some do.
//   Setting "AXFrontmost" to true is an activation without options.
// - Hiding the frontmost application makes the application of the frontmost visible normal window
//   frontmost (deactivate, activate, then hide); with no such window nothing is frontmost. The same
//   happens when the frontmost application quits. There is no Finder unless a test launches one.
// - Quitting: every window is destroyed ("AXUIElementDestroyed"), the application deactivates if it was
//   frontmost, then the workspace reports its termination. Process identifiers are not reused unless a
//   test asks for a given one.
// - A window is on screen when it is not minimized, its application is not hidden and it lies on the
//   active Space. The window list is ordered front to back: by layer (higher first), then by window
//   order; windows off screen come after those on screen. A window's name is listed only when screen
//   capture is granted or the window belongs to this process. Full screen only changes the window's
//   frame to its display's bounds and its "AXFullScreen"; it opens no Space of its own.
// - "AXWindows" lists the application's windows on the active Space and its minimized windows, front
//   to back with the minimized ones last; hidden applications still list theirs. A new window opens in
//   front of its application's windows (in front of all when its application is frontmost, otherwise
//   behind the frontmost application's windows) and becomes main and focused.
// - "AXRaise" brings a window to the front and makes it its application's main window; it does not
//   activate the application. Minimizing the main window passes main and focus to the application's
//   next visible window; restoring a window brings it to the front as main and focused window.
// - The reopen event is handled by the application on a later pass of the main queue: when it has no
//   visible window it restores its front minimized window, or else opens a new window (unless it is set
//   not to). Opening a running application's bundle activates it and sends it the reopen event; opening
//   an installed application's bundle launches it.
// - Accessibility elements are equal exactly when they denote the same application, window or button,
//   however often they are asked for. Calls on a closed window's element fail with invalidUIElement;
//   calls on an application that does not run with invalidUIElement; calls while this process is not
//   trusted with apiDisabled. A hung application fails every call with cannotComplete (the messaging
//   time-out); the clock is not advanced, but the time callers would have waited is added up
//   (hungWaitSeconds). The default messaging time-out is 6 s.
// - Observer notifications registered on the application element cover all its windows; each change
//   is delivered at most once per observer, and only while the observer lives and its source is on the
//   main run loop.
// - Removing a display moves its windows onto the main display; when the main display goes, the next
//   one becomes main and every coordinate is shifted so that the new main display's origin is (0, 0).
//
// - The Dock is a process of its own (launchDock). Mission Control, while it shows, may give itself away
//   three ways, each of which a test can switch off: the "com.apple.spaces.willShowSpaces" distributed
//   notification, the Dock becoming the active application, and the Dock's full-display overlay windows
//   (layer 0, no name). Leaving it closes the overlays and gives the front back to the application that
//   had it.
// - An application set to put its frame back (setRestoresFrameAfterWrite) undoes every Accessibility
//   write of a window's position or size on a later pass of the main queue, as applications that insist
//   on their own layout do.
//
// Where each part lives: the world itself, its lookups, notifications and the action log in
// SimulatedMac.cpp; then one file per section below: SimulatedMacApplications.cpp (launching,
// activation, hiding, quitting, the reopen event and opened URLs), SimulatedMacWindows.cpp,
// SimulatedMacDisplays.cpp (Spaces, screens and displays), SimulatedMacMissionControl.cpp (the Dock and
// Mission Control) and SimulatedMacFaults.cpp.
//
// Thread safety: every method may be called from any thread (Accessibility and window-list reads come
// from the tracker's background queue); the world is guarded by one recursive mutex, and no callback
// runs while it is held.
class SimulatedMac {
 public:
  // With `includeOwnProcess` this process (the AppShell's pid and bundle identifier) is one of the
  // running applications, as an accessory application without windows. One display, 1920 x 1080 at
  // scale 2, identifier 1, is online.
  explicit SimulatedMac(Scheduler& scheduler, bool includeOwnProcess = true);
  ~SimulatedMac();
  SimulatedMac(const SimulatedMac&) = delete;
  SimulatedMac& operator=(const SimulatedMac&) = delete;

  platform::Workspace& workspace();
  platform::WindowServer& windowServer();
  platform::Accessibility& accessibility();
  platform::Screens& screens();
  platform::DistributedNotifications& distributedNotifications();
  // Answers from this world's processes (the Dock included), never from the host's.
  platform::ProcessExistence& processExistence();
  SimPermissions& permissions() { return permissions_; }
  SimAppShell& appShell() { return appShell_; }
  Scheduler& scheduler() { return scheduler_; }

  // ---- Applications ----
  int32_t launchApp(const SimAppSetup& setup);
  int32_t launchApp(const std::string& bundleID, const std::string& name);
  // The application quits by itself (or is killed).
  void quitApp(int32_t pid);
  // Makes the application frontmost; false when it does not run or refuses.
  bool activate(int32_t pid, uint32_t options = platform::activateNone);
  void hide(int32_t pid);
  void unhide(int32_t pid);
  // An application that is not running but that opening its bundle launches.
  void installApp(const SimAppSetup& setup);

  bool isRunning(int32_t pid) const;
  bool isHidden(int32_t pid) const;
  std::optional<int32_t> frontmostPID() const;
  // In launch order.
  std::vector<int32_t> runningPIDs() const;

  // ---- Windows ----
  WindowID openWindow(int32_t pid, const SimWindowSetup& setup = {});
  void closeWindow(WindowID window);
  void moveWindow(WindowID window, Point origin);
  void resizeWindow(WindowID window, Size size);
  void setWindowFrame(WindowID window, Rect frame);
  void setTitle(WindowID window, const std::string& title);
  void minimize(WindowID window);
  void unminimize(WindowID window);
  void raiseWindow(WindowID window);
  void setFullScreen(WindowID window, bool fullScreen);
  // Keeps the window's offset from the display's origin, pulled inside the new display.
  void moveWindowToDisplay(WindowID window, DisplayID display);
  void moveWindowToSpace(WindowID window, int space);

  std::optional<SimWindowState> window(WindowID window) const;
  // The application's windows, front to back.
  std::vector<WindowID> windowsOf(int32_t pid) const;
  // Every window, front to back.
  std::vector<WindowID> windowOrder() const;
  WindowID mainWindow(int32_t pid) const;
  WindowID focusedWindow(int32_t pid) const;

  // ---- Spaces and screens ----
  void switchSpace(int space);
  int activeSpace() const;
  void sleepScreens();
  void wakeScreens();
  // The user's "Reduce motion" accessibility preference.
  void setReduceMotion(bool reduce);

  // ---- The Dock and Mission Control ----
  static constexpr const char* kDockBundleID = "com.apple.dock";
  static constexpr const char* kWillShowSpacesNotification = "com.apple.spaces.willShowSpaces";
  struct MissionControlSignals {
    bool willShowSpacesNotification = true;
    bool dockActivation = true;
    bool overlayWindows = true;
  };
  // Starts the Dock process (an accessory application without windows) unless it runs; its pid.
  int32_t launchDock();
  std::optional<int32_t> dockPID() const;
  void setMissionControlSignals(MissionControlSignals enabled);
  // Shows Mission Control, launching the Dock first when it does not run; nothing while it shows.
  void showMissionControl();
  void hideMissionControl();
  bool isMissionControlShowing() const;
  void postDistributedNotification(const std::string& name);

  // ---- Displays ----
  DisplayID addDisplay(const SimDisplaySetup& setup);
  void removeDisplay(DisplayID display);
  // One reconfiguration to exactly these displays (the main one first, in window-server coordinates
  // relative to it; none is ignored): a window keeps its place on a display that remains, however
  // that display moved or changed; the windows of a display that goes move onto the main display.
  void setDisplays(const std::vector<SimDisplay>& displays);
  // The online displays, the main one first.
  std::vector<SimDisplay> displays() const;

  // ---- Faults ----
  // Every Accessibility call to the process fails with `error` (nothing: behaves again).
  void setAXError(int32_t pid, std::optional<AXError> error);
  // The process does not answer: every Accessibility call fails with cannotComplete.
  void setHung(int32_t pid, bool hung);
  // Reading (writing) the attribute of any element of the process fails with `error`.
  void setAttributeReadError(int32_t pid, const std::string& attribute, std::optional<AXError> error);
  void setAttributeWriteError(int32_t pid, const std::string& attribute, std::optional<AXError> error);
  // Reading the attribute of one window fails with `error`.
  void setWindowAttributeReadError(WindowID window, const std::string& attribute,
                                   std::optional<AXError> error);
  // Performing the action on any element of the process fails with `error`.
  void setActionError(int32_t pid, const std::string& action, std::optional<AXError> error);
  // The process refuses every attribute write with `error`.
  void setRefusesAttributeWrites(int32_t pid, std::optional<AXError> error);
  // The window's element yields no window number.
  void setWindowNumberUnavailable(WindowID window, bool unavailable);
  void setObserverCreationError(int32_t pid, std::optional<AXError> error);
  // Activation requests are declined (the application stays in the background).
  void setRefusesActivation(int32_t pid, bool refuses);
  // Polite termination requests are ignored (force termination still works).
  void setIgnoresTerminate(int32_t pid, bool ignores);
  void setReopenEventFails(int32_t pid, bool fails);
  void setOpensWindowOnReopen(int32_t pid, bool opens);
  void setRestoresMinimizedWindowsOnActivation(int32_t pid, bool restores);
  void setRestoresFrameAfterWrite(int32_t pid, bool restores);
  // The window server does not answer for its window list.
  void setWindowListUnavailable(bool unavailable);
  // A raw row added to every window list (to model odd entries), in front or at the end.
  void addRawWindowListRow(const platform::WindowInfo& row, bool atFront = false);
  void setDisplayListError(std::optional<platform::CGError> error);
  // Window pictures: every capture fails; every capture comes back 8 by 8 pixels; every capture renders
  // the picture `times` times over, as a slow window server would take (1: at the usual speed).
  void setWindowCaptureFails(bool fails);
  void setTinyWindowImages(bool tiny);
  void setWindowCaptureSlowdown(int times);

  // ---- Observations ----
  // The log keeps the latest kActionLogCapacity requests (and as many opened URLs), so a world that
  // runs for long, as the program's does, does not grow with every click.
  static constexpr size_t kActionLogCapacity = 1000;
  std::vector<SimAction> actions() const;
  std::vector<std::string> actionTexts() const;
  void clearActions();
  std::vector<std::string> openedURLs() const;
  // Accessibility calls made to the process (failed ones included).
  int axRequestCount(int32_t pid) const;
  // The messaging time-outs hung calls to the process would have waited, added up.
  double hungWaitSeconds(int32_t pid) const;
  // Window pictures made so far (failed captures not counted).
  int windowCaptureCount() const;
  // Observers of the process that are still alive.
  int liveObserverCount(int32_t pid) const;

 private:
  friend class SimWorkspace;
  friend class SimWindowServer;
  friend class SimAccessibility;
  friend class SimScreens;
  friend class SimRunningApplication;
  friend class SimAXObserver;

  struct Anchor {
    std::recursive_mutex mutex;
    SimulatedMac* mac = nullptr;
  };

  struct Window;
  // One of an application's windows in its front-to-back order, with what its "AXWindows" tests, so
  // that listing them reads the application's own array and not each window's record. The minimized
  // state and the Space are copies of the window's: setMinimizedLocked and moveWindowToSpace change
  // both.
  struct AppWindow {
    Window* window = nullptr;
    WindowID number = 0;
    int space = 1;
    bool minimized = false;
    bool listedInAccessibility = true;
  };
  // Window orders, front to back. The nodes stay put when a window moves, so a window keeps its place
  // in each order and moves or leaves in constant time.
  using WindowOrder = std::list<Window*>;
  // Fault tables are looked up by the attribute or action name as callers pass it.
  using ErrorTable = std::map<std::string, AXError, std::less<>>;

  struct App {
    int32_t pid = 0;
    bool hidden = false;  // beside the pid: every window-list row asks it
    uint64_t serial = 0;  // tells a reused process identifier's applications apart
    SimAppSetup setup;
    WindowID mainWindow = 0;
    WindowID focusedWindow = 0;
    std::shared_ptr<SimRunningApplication> handle;
    // Behaviour and faults.
    std::optional<AXError> axError;
    bool hung = false;
    ErrorTable readErrors;
    ErrorTable writeErrors;
    ErrorTable actionErrors;
    std::optional<AXError> refusedWriteError;
    std::optional<AXError> observerCreationError;
    bool refusesActivation = false;
    bool ignoresTerminate = false;
    bool reopenFails = false;
    bool opensWindowOnReopen = true;
    bool restoresMinimizedOnActivation = false;
    bool restoresFrameAfterWrite = false;
    int axRequests = 0;
    double hungWait = 0;
    std::vector<std::weak_ptr<SimAXObserver>> observers;
    // This application's open windows, front to back. A vector rather than a list: its "AXWindows" is
    // asked for on every pass, and a walk of scattered list nodes missed the cache once per window when
    // there are thousands; an application has few windows, so moving one within it is cheap.
    std::vector<AppWindow> windows;
  };

  struct Window {
    // What the walks of the window orders and the Accessibility reads test, together at the front of
    // the record, so that a walk over thousands of windows reads one cache line of each. The record
    // keeps only what it needs of the window's setup, each field fixed when the window opens.
    WindowID number = 0;
    int32_t owner = 0;
    int layer = 0;
    int space = 1;
    bool minimized = false;
    bool fullScreen = false;
    bool listedInAccessibility = true;
    bool listedInWindowList = true;
    bool closed = false;
    bool numberUnavailable = false;
    bool hasCloseButton = true;
    // The setup's subrole, shared by every window with the same one (see internSubrole); null for none.
    const std::string* subrole = nullptr;
    // Faults set on this window's attributes; null while there are none, as nearly always.
    std::unique_ptr<ErrorTable> readErrors;
    // Then what a window-list row copies.
    Rect bounds;
    std::string title;
    // Less often read (a copy of the whole setup made the record twice as large, and thousands of
    // them did not stay in the cache).
    double alpha = 1.0;
    Size minimumSize{0, 0};
    Rect frameBeforeFullScreen;
    // The frame an application that insists on its layout will put back.
    std::optional<Rect> frameToPutBack;
    // Where the window stands in the world's order and its layer's.
    WindowOrder::iterator inWorld;
    WindowOrder::iterator inLayer;
  };

  // Internals; the caller holds the mutex.
  App* findApp(int32_t pid);
  const App* findApp(int32_t pid) const;
  // One piece of a process's state, or `absent` when the process does not run.
  template <class Field>
  Field appField(int32_t pid, Field App::*field, std::type_identity_t<Field> absent = {}) const {
    std::lock_guard<std::recursive_mutex> lock(anchor_->mutex);
    const App* app = findApp(pid);
    return app ? app->*field : absent;
  }
  // Sets one per-process fault or behaviour switch, when the process runs.
  template <class Field, class Value>
  void setAppFault(int32_t pid, Field App::*field, Value value) {
    std::lock_guard<std::recursive_mutex> lock(anchor_->mutex);
    if (App* app = findApp(pid)) app->*field = std::move(value);
  }
  App* runningApp(int32_t pid);
  Window* findWindow(WindowID window);
  const Window* findWindow(WindowID window) const;
  bool isOnScreen(const Window& window) const;
  // The entry of the window in its application's order (the application runs while it has windows).
  AppWindow& appEntry(const Window& window);
  const std::string* internSubrole(const std::optional<std::string>& subrole);
  bool isVisible(const Window& window) const;
  // A snapshot, for callers that change the order while they walk it.
  std::vector<WindowID> appWindowsFrontToBack(int32_t pid) const;
  std::vector<WindowID> axWindowList(int32_t pid) const;
  std::optional<size_t> displayIndexFor(const Rect& bounds) const;
  void bringToFront(Window& window);
  void activateLocked(int32_t pid, uint32_t options);
  void deactivateFrontmost();
  void chooseNextFrontmost(int32_t leaving);
  void hideLocked(int32_t pid);
  void unhideLocked(int32_t pid);
  void quitLocked(int32_t pid);
  void closeWindowLocked(WindowID window);
  void setFrameLocked(WindowID window, Rect frame);
  void setMinimizedLocked(WindowID window, bool minimized);
  void raiseLocked(WindowID window);
  void setMainWindowLocked(int32_t pid, WindowID window);
  void setFocusedWindowLocked(int32_t pid, WindowID window);
  void passMainAndFocusOn(int32_t pid, WindowID leaving);
  void handleReopen(int32_t pid);
  bool openURLLocked(const std::string& url);
  // Opening an application bundle at an absolute path: a running copy is activated and sent the reopen
  // event, an installed one launches; false for any other path.
  bool openBundleLocked(const std::string& path);
  void shiftCoordinates(Point delta);
  // After an Accessibility write of the window's frame: queues the application's undoing of it.
  void noteFrameWrite(Window& window, const Rect& before);

  platform::AXElement makeElement(int32_t pid, SimElementKind kind, WindowID window = 0) const;
  void postWorkspace(platform::WorkspaceNotificationName name, int32_t pid);
  void postAX(int32_t pid, WindowID window, std::string_view notification);
  void postScreensChanged();
  void record(std::string text, int32_t pid, WindowID window = 0, AXError result = AXError::success,
              bool appendCode = true);

  Scheduler& scheduler_;
  std::shared_ptr<Anchor> anchor_;
  SimPermissions permissions_;
  SimAppShell appShell_;
  std::unique_ptr<SimWorkspace> workspace_;
  std::unique_ptr<SimWindowServer> windowServer_;
  std::unique_ptr<SimAccessibility> accessibility_;
  std::unique_ptr<SimScreens> screens_;
  std::unique_ptr<SimDistributedNotifications> distributed_;
  std::unique_ptr<platform::ProcessExistence> processExistence_;

  std::unordered_map<int32_t, App> apps_;
  std::vector<int32_t> launchOrder_;
  std::vector<SimAppSetup> installed_;
  std::unordered_map<WindowID, Window> windows_;
  // The same windows for lookups by number: findWindow is asked several times per window per pass.
  SimWindowIndex<Window> windowIndex_;
  // The distinct subroles windows were opened with; a set's elements stay where they are.
  std::set<std::string, std::less<>> subroles_;
  WindowOrder zOrder_;  // every open window
  // The same windows by layer, the highest layer first: the window list's order without a sort.
  std::map<int, WindowOrder, std::greater<>> layers_;
  std::vector<SimDisplay> displays_;
  std::optional<int32_t> frontmost_;
  int activeSpace_ = 1;
  int32_t nextPid_ = 501;
  uint64_t nextSerial_ = 1;
  WindowID nextWindow_ = 101;
  DisplayID nextDisplay_ = 1;
  bool reduceMotion_ = false;
  int captureCount_ = 0;

  // How the window server misbehaves, as tests set it.
  struct WindowServerFaults {
    bool windowListUnavailable = false;
    std::vector<std::pair<platform::WindowInfo, bool>> rawRows;  // with whether each goes in front
    std::optional<platform::CGError> displayListError;
    bool captureFails = false;
    bool tinyImages = false;
    int captureSlowdown = 1;
  };
  WindowServerFaults windowServerFaults_;

  // The Dock process and Mission Control while it shows.
  struct MissionControl {
    std::optional<int32_t> dockPID;
    MissionControlSignals enabledSignals;
    bool showing = false;
    std::vector<WindowID> overlays;
    std::optional<int32_t> frontmostBefore;
  };
  MissionControl missionControl_;
  std::deque<SimAction> actions_;
  std::deque<std::string> openedURLs_;
};

}  // namespace pelko::sim
