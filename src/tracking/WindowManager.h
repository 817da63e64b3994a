#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "foundation/Geometry.h"
#include "foundation/Scheduler.h"
#include "platform/AXElement.h"
#include "settings/SettingEnumerations.h"
#include "tracking/AccessibilityHelper.h"
#include "tracking/TrackedApp.h"

namespace pelko {

namespace platform {
class Accessibility;
class AppShell;
class WindowServer;
class Workspace;
}  // namespace platform

// The window whose focus a click has requested and the system has not confirmed yet.
struct PendingFocus {
  int32_t pid = 0;
  int64_t windowNumber = 0;
  bool operator==(const PendingFocus&) const = default;
};

// Performs the system's actions on other applications and their windows: the click toggle, activation,
// focusing one window, hide/unhide/quit, close, minimize, title reads and moving windows out of the bar.
// Everything runs on the main thread; follow-up steps are delayed main-queue work that holds the manager
// weakly and gives up once a newer focus or activation started. Failures are logged, never reported.
class WindowManager : public std::enable_shared_from_this<WindowManager> {
 public:
  using WindowNumberSet = std::unordered_set<uint32_t>;

  static std::shared_ptr<WindowManager> create(Scheduler& scheduler, platform::Workspace& workspace,
                                               platform::WindowServer& windowServer,
                                               AccessibilityHelper& accessibilityHelper);

  // Application actions; nothing happens when no application runs with `pid`.
  void hide(int32_t pid);
  void unhide(int32_t pid);
  void quit(int32_t pid);
  void forceQuit(int32_t pid);
  // Activates the application the standard way.
  void activate(int32_t pid);

  // Window actions through Accessibility; they do nothing without trust.
  void closeWindow(int32_t pid, std::optional<int64_t> windowNumber);
  void toggleMinimize(const TrackedApp& app);
  void minimizeAllWindows(int32_t pid);
  std::optional<std::string> getAXWindowTitleByID(int32_t pid, int64_t windowNumber);

  // Moves (a floating window) or shrinks (any other) `window` so it no longer overlaps the bar. Both
  // rectangles are in window-server coordinates.
  void resizeWindowToAvoidTaskbar(const platform::AXElement& window, const Rect& knownBounds,
                                  const Rect& taskbarCG, TaskbarPosition position, bool floating = false);

  // What a click on a taskbar button does to the clicked entry's application or window.
  void toggleApp(const TrackedApp& app, std::optional<uint32_t> clickedDisplayID);

  const std::optional<PendingFocus>& pendingFocus() const { return pendingFocus_; }
  void setPendingFocus(std::optional<PendingFocus> focus) { pendingFocus_ = focus; }
  // Run each time a focus operation sets the pending focus (not when it is cleared).
  std::function<void()> onPendingFocusChanged;

  // Raised by every focus operation and grouped activation; delayed steps compare it.
  uint64_t focusGeneration() const { return focusGeneration_; }

 private:
  WindowManager(Scheduler& scheduler, platform::Workspace& workspace, platform::WindowServer& windowServer,
                AccessibilityHelper& accessibilityHelper);

  struct WindowList {
    platform::AXElement app;
    std::vector<platform::AXElement> windows;
  };
  // The application's element and its windows; nothing when the list cannot be read.
  std::optional<WindowList> readWindows(int32_t pid);
  std::optional<std::vector<platform::AXElement>> copyWindows(const platform::AXElement& app);
  // The window number of an element; nothing when it cannot be read or is 0.
  std::optional<uint32_t> windowNumberOf(const platform::AXElement& window);
  std::optional<platform::AXElement> findAXWindowByID(int64_t windowNumber,
                                                      const std::vector<platform::AXElement>& windows);

  void activateWithReopen(int32_t pid);
  void activateGrouped(const TrackedApp& app, std::optional<uint32_t> clickedDisplayID);
  bool appHasVisibleWindows(int32_t pid);
  void reminimizeSiblings(const platform::AXElement& app, const WindowNumberSet& shouldBeVisibleIDs);
  void focusSpecificWindow(const TrackedApp& app);
  // Makes `window` the application's main and focused window and raises it; the three outcomes.
  struct FocusResult {
    platform::AXError main, focus, raise;
    bool ok() const;
  };
  FocusResult focusAndRaise(const platform::AXElement& app, const platform::AXElement& window);

  std::map<uint32_t, platform::DisplayID> mapWindowsToDisplays(
      int32_t pid, const std::vector<platform::AXElement>& windows);

  // Runs `step` on the main queue after `delay` while this manager lives and the focus generation is
  // still `generation`.
  void scheduleGuarded(double delay, uint64_t generation, std::function<void(WindowManager&)> step);
  // Clears the pending focus 0.3 s later when the generation is unchanged, or when the pending focus is
  // still the value this operation set (`mine`), so a newer click cannot leave a stale focus behind.
  void scheduleClearPendingFocus(uint64_t generation, std::optional<PendingFocus> mine);
  void raiseWindowByID(int32_t pid, int64_t windowNumber);
  uint64_t raiseFocusGeneration();

  Scheduler& scheduler_;
  platform::Workspace& workspace_;
  platform::WindowServer& windowServer_;
  AccessibilityHelper& ax_;
  platform::Accessibility& accessibility_;

  std::optional<PendingFocus> pendingFocus_;
  uint64_t focusGeneration_ = 0;
  // Raised each time a focus operation sets the pending focus, so a clear step can tell whether the
  // value it finds is still its own.
  uint64_t pendingFocusSetCount_ = 0;
};

}  // namespace pelko
