#include "tracking/WindowManager.h"

#include <cmath>
#include <limits>
#include <set>
#include <utility>

#include "foundation/DebugLog.h"
#include "platform/Accessibility.h"
#include "platform/AppShell.h"
#include "platform/WindowServer.h"
#include "platform/Workspace.h"
#include "tracking/CanonicalText.h"

namespace pelko {

using platform::AXElement;
using platform::AXError;
namespace ax = platform::ax;

namespace {

// The options of a standard activation on the system versions we run on (no "ignoring other
// applications" flag since it was retired).
constexpr uint32_t kStandardActivationOptions = platform::activateNone;
constexpr double kReopenEventTimeout = 2.0;
constexpr double kReopenCheckDelay = 0.5;
constexpr double kRaiseHiddenDelay = 0.025;
constexpr double kClearPendingFocusDelay = 0.3;
constexpr double kReactivationCheckDelay = 0.05;
constexpr double kGroupedReminimizeDelays[] = {0.025, 0.08, 0.2, 0.4};
constexpr double kFocusReminimizeDelays[] = {0.05, 0.15};
// Where a window's size cannot be read, it is placed as a window of this size at its position.
constexpr Size kFallbackWindowSize{800, 600};

std::string errorSuffix(AXError error) {
  return " (error " + std::to_string(platform::code(error)) + ")";
}

// A silent title error: the window has no title, or titles are not supported.
bool isSilentTitleError(AXError error) {
  return error == AXError::noValue || error == AXError::attributeUnsupported;
}

bool readsAsTrue(const platform::AXCopyResult& result) {
  return result.ok() && result.value && result.value->isTrue();
}

std::optional<int64_t> integerValue(const platform::WindowInfo& entry, const char* key) {
  auto it = entry.find(key);
  if (it == entry.end()) return std::nullopt;
  const int64_t* value = it->second.asInteger();
  if (!value) return std::nullopt;
  return *value;
}

bool isFinite(Point p) {
  return std::isfinite(p.x) && std::isfinite(p.y);
}
bool isFinite(Size s) {
  return std::isfinite(s.width) && std::isfinite(s.height);
}

}  // namespace

bool WindowManager::FocusResult::ok() const {
  return main == AXError::success && focus == AXError::success && raise == AXError::success;
}

std::shared_ptr<WindowManager> WindowManager::create(Scheduler& scheduler, platform::Workspace& workspace,
                                                     platform::WindowServer& windowServer,
                                                     AccessibilityHelper& accessibilityHelper) {
  return std::shared_ptr<WindowManager>(
      new WindowManager(scheduler, workspace, windowServer, accessibilityHelper));
}

WindowManager::WindowManager(Scheduler& scheduler, platform::Workspace& workspace,
                             platform::WindowServer& windowServer, AccessibilityHelper& accessibilityHelper)
    : scheduler_(scheduler),
      workspace_(workspace),
      windowServer_(windowServer),
      ax_(accessibilityHelper),
      accessibility_(accessibilityHelper.accessibility()) {}

// MARK: - Application actions

void WindowManager::hide(int32_t pid) {
  if (auto app = workspace_.runningApplication(pid)) (void)app->hide();
}

void WindowManager::unhide(int32_t pid) {
  if (auto app = workspace_.runningApplication(pid)) (void)app->unhide();
}

void WindowManager::quit(int32_t pid) {
  if (auto app = workspace_.runningApplication(pid)) (void)app->terminate();
}

void WindowManager::forceQuit(int32_t pid) {
  if (auto app = workspace_.runningApplication(pid)) (void)app->forceTerminate();
}

void WindowManager::activate(int32_t pid) {
  if (auto app = workspace_.runningApplication(pid)) (void)app->activate(kStandardActivationOptions);
}

// MARK: - Reading windows

std::optional<std::vector<AXElement>> WindowManager::copyWindows(const AXElement& app) {
  auto result = accessibility_.copyAttributeValue(app, ax::kWindows);
  if (!result.ok() || !result.value) return std::nullopt;
  const auto* windows = result.value->asElements();
  if (!windows) return std::nullopt;
  return *windows;
}

std::optional<WindowManager::WindowList> WindowManager::readWindows(int32_t pid) {
  AXElement app = ax_.appElement(pid);
  auto windows = copyWindows(app);
  if (!windows) return std::nullopt;
  return WindowList{std::move(app), std::move(*windows)};
}

std::optional<uint32_t> WindowManager::windowNumberOf(const AXElement& window) {
  auto result = accessibility_.windowNumber(window);
  if (!result.ok() || result.windowNumber == platform::kNullWindowID) return std::nullopt;
  return result.windowNumber;
}

std::optional<AXElement> WindowManager::findAXWindowByID(int64_t windowNumber,
                                                         const std::vector<AXElement>& windows) {
  for (const auto& window : windows) {
    auto result = accessibility_.windowNumber(window);
    if (result.ok() && static_cast<int64_t>(result.windowNumber) == windowNumber) return window;
  }
  return std::nullopt;
}

WindowManager::FocusResult WindowManager::focusAndRaise(const AXElement& app, const AXElement& window) {
  FocusResult result;
  result.main = accessibility_.setAttributeValue(app, ax::kMainWindow, window);
  result.focus = accessibility_.setAttributeValue(app, ax::kFocusedWindow, window);
  result.raise = accessibility_.performAction(window, ax::kRaiseAction);
  return result;
}

namespace {
std::string focusCodes(const char* prefix, AXError main, AXError focus, AXError raise) {
  return std::string(prefix) + "(main=" + std::to_string(platform::code(main)) +
         " focus=" + std::to_string(platform::code(focus)) +
         " raise=" + std::to_string(platform::code(raise)) + ")";
}
}  // namespace

// MARK: - Window actions

void WindowManager::closeWindow(int32_t pid, std::optional<int64_t> windowNumber) {
  if (!ax_.isTrusted()) return;
  auto list = readWindows(pid);
  if (!list) return;

  auto closeButton = [this](const AXElement& window) -> std::optional<AXElement> {
    auto result = accessibility_.copyAttributeValue(window, ax::kCloseButton);
    if (!result.ok() || !result.value || !result.value->asElement()) return std::nullopt;
    return *result.value->asElement();
  };

  if (!windowNumber) {
    if (list->windows.empty()) return;
    auto button = closeButton(list->windows.front());
    if (!button) return;
    AXError error = accessibility_.performAction(*button, ax::kPressAction);
    if (error != AXError::success) debugLog("closeWindow: failed to press close button" + errorSuffix(error));
    return;
  }

  auto window = findAXWindowByID(*windowNumber, list->windows);
  if (!window) return;
  std::string number = std::to_string(*windowNumber);
  AXError raised = accessibility_.performAction(*window, ax::kRaiseAction);
  if (raised != AXError::success)
    debugLog("closeWindow: failed to raise window " + number + errorSuffix(raised));
  auto button = closeButton(*window);
  if (!button) return;
  AXError pressed = accessibility_.performAction(*button, ax::kPressAction);
  if (pressed != AXError::success)
    debugLog("closeWindow: failed to press close button for window " + number + errorSuffix(pressed));
}

void WindowManager::toggleMinimize(const TrackedApp& app) {
  if (!ax_.isTrusted()) return;
  const int32_t pid = app.pid;

  if (app.windowNumber) {
    auto list = readWindows(pid);
    if (!list) return;
    auto window = findAXWindowByID(*app.windowNumber, list->windows);
    if (!window) return;
    auto state = accessibility_.copyAttributeValue(*window, ax::kMinimized);
    if (!state.ok()) debugLog("toggleMinimize: failed to read minimized state" + errorSuffix(state.error));
    bool minimized = readsAsTrue(state);
    bool wanted = !minimized;
    AXError error = accessibility_.setAttributeValue(*window, ax::kMinimized, wanted);
    if (error != AXError::success)
      debugLog(std::string("toggleMinimize: failed to set minimized=") + (wanted ? "true" : "false") +
               errorSuffix(error));
    return;
  }

  if (!app.isMinimized.get()) {
    minimizeAllWindows(pid);
    return;
  }

  auto list = readWindows(pid);
  if (!list) return;
  for (const auto& window : list->windows) {
    AXError error = accessibility_.setAttributeValue(window, ax::kMinimized, false);
    if (error != AXError::success)
      debugLog("toggleMinimize: failed to unminimize window" + errorSuffix(error));
  }
  activate(pid);
}

void WindowManager::minimizeAllWindows(int32_t pid) {
  if (!ax_.isTrusted()) return;
  auto list = readWindows(pid);
  if (!list) return;
  for (const auto& window : list->windows) {
    AXError error = accessibility_.setAttributeValue(window, ax::kMinimized, true);
    if (error != AXError::success)
      debugLog("minimizeAllWindows: failed to minimize window" + errorSuffix(error));
  }
}

std::optional<std::string> WindowManager::getAXWindowTitleByID(int32_t pid, int64_t windowNumber) {
  if (!ax_.isTrusted()) return std::nullopt;
  auto list = readWindows(pid);
  if (!list) return std::nullopt;
  auto window = findAXWindowByID(windowNumber, list->windows);
  if (!window) return std::nullopt;
  auto title = accessibility_.copyAttributeValue(*window, ax::kTitle);
  if (!title.ok()) {
    if (!isSilentTitleError(title.error))
      debugLog("getAXWindowTitleByID: failed to read title for window " + std::to_string(windowNumber) +
               errorSuffix(title.error));
    return std::nullopt;
  }
  if (!title.value || !title.value->asString()) return std::nullopt;
  return *title.value->asString();
}

void WindowManager::resizeWindowToAvoidTaskbar(const AXElement& window, const Rect& knownBounds,
                                               const Rect& taskbarCG, TaskbarPosition position,
                                               bool floating) {
  if (!knownBounds.intersects(taskbarCG)) return;

  Point origin = knownBounds.origin;
  Size size = knownBounds.size;
  // A window is never shrunk below 60 % of its size nor below 100 points, even if it keeps overlapping.
  auto shrunk = [](double dimension, double overlap) {
    double floor = std::max(dimension * 0.6, 100.0);
    return std::max(floor, dimension - overlap);
  };

  switch (position) {
    case TaskbarPosition::bottom: {
      double overlap = knownBounds.maxY() - taskbarCG.minY();
      if (overlap > 0) {
        if (floating)
          origin.y -= overlap;
        else
          size.height = shrunk(size.height, overlap);
      }
      break;
    }
    case TaskbarPosition::top: {
      double overlap = taskbarCG.maxY() - knownBounds.minY();
      if (overlap > 0) {
        origin.y = taskbarCG.maxY();
        if (!floating) size.height = shrunk(size.height, overlap);
      }
      break;
    }
    case TaskbarPosition::left: {
      double overlap = taskbarCG.maxX() - knownBounds.minX();
      if (overlap > 0) {
        origin.x = taskbarCG.maxX();
        if (!floating) size.width = shrunk(size.width, overlap);
      }
      break;
    }
    case TaskbarPosition::right: {
      double overlap = knownBounds.maxX() - taskbarCG.minX();
      if (overlap > 0) {
        if (floating)
          origin.x -= overlap;
        else
          size.width = shrunk(size.width, overlap);
      }
      break;
    }
  }

  // Coordinates that are not finite cannot be wrapped into a value: such a write is skipped rather
  // than handing another application a nonsensical frame.
  auto writePosition = [&] {
    if (!isFinite(origin)) {
      debugLog("resizeWindowToAvoidTaskbar: AXValueCreate(.cgPoint) returned nil");
      return;
    }
    AXError error = accessibility_.setAttributeValue(window, ax::kPosition, origin);
    if (error != AXError::success)
      debugLog("resizeWindowToAvoidTaskbar: failed to set position" + errorSuffix(error));
  };
  auto writeSize = [&] {
    if (!isFinite(size)) {
      debugLog("resizeWindowToAvoidTaskbar: AXValueCreate(.cgSize) returned nil");
      return;
    }
    AXError error = accessibility_.setAttributeValue(window, ax::kSize, size);
    if (error != AXError::success)
      debugLog("resizeWindowToAvoidTaskbar: failed to set size" + errorSuffix(error));
  };

  if (floating) {
    writePosition();
  } else if (position == TaskbarPosition::bottom || position == TaskbarPosition::right) {
    // Shrinking first keeps the window from being pushed partly off the display on the way.
    writeSize();
    writePosition();
  } else {
    writePosition();
    writeSize();
  }
}

// MARK: - Click toggle

void WindowManager::toggleApp(const TrackedApp& app, std::optional<uint32_t> clickedDisplayID) {
  scheduler_.assertMainThread("WindowManager::toggleApp");
  auto keepAlive = shared_from_this();  // a callback below may drop the last outside reference

  if (app.pid == ax_.ownPID()) {
    platform::AppShell& shell = ax_.appShell();
    if (auto* delegate = shell.delegate())
      delegate->toggleSettingsWindowFromTaskbar();
    else
      shell.activateOwnProcess();
    return;
  }

  const bool activeAndShown = app.isActive.get() && !app.isHidden.get();
  if (app.windowNumber) {
    if (activeAndShown)
      hide(app.pid);
    else
      focusSpecificWindow(app);
    return;
  }

  if (activeAndShown) {
    if (appHasVisibleWindows(app.pid))
      hide(app.pid);
    else
      activateWithReopen(app.pid);
    return;
  }
  activateGrouped(app, clickedDisplayID);
}

void WindowManager::activateWithReopen(int32_t pid) {
  auto app = workspace_.runningApplication(pid);
  if (!app) {
    debugLog("activateWithReopen: PID " + std::to_string(pid) + " no longer valid, skipping");
    return;
  }
  (void)app->activate(kStandardActivationOptions);
  bool sent = workspace_.sendReopenEvent(pid, kReopenEventTimeout);
  std::optional<std::string> bundleURL = app->bundleURL();
  if (!sent && bundleURL) (void)workspace_.openURL(*bundleURL);

  // An application that answers the reopen event without showing a window is opened again.
  scheduleGuarded(kReopenCheckDelay, focusGeneration_, [pid, bundleURL](WindowManager& self) {
    if (self.appHasVisibleWindows(pid)) return;
    if (bundleURL) (void)self.workspace_.openURL(*bundleURL);
  });
}

bool WindowManager::appHasVisibleWindows(int32_t pid) {
  auto list = readWindows(pid);
  if (!list || list->windows.empty()) return false;
  for (const auto& window : list->windows) {
    if (!windowNumberOf(window)) continue;
    auto state = accessibility_.copyAttributeValue(window, ax::kMinimized);
    if (!state.ok())
      debugLog("appHasVisibleWindows: failed to read minimized state" + errorSuffix(state.error));
    if (!readsAsTrue(state)) return true;
  }
  return false;
}

std::map<uint32_t, platform::DisplayID> WindowManager::mapWindowsToDisplays(
    int32_t pid, const std::vector<AXElement>& windows) {
  std::map<uint32_t, platform::DisplayID> map;
  auto online = windowServer_.onlineDisplayList();
  if (online.error != platform::CGError::success || online.displays.empty()) return map;

  if (online.displays.size() == 1) {
    for (const auto& window : windows)
      if (auto number = windowNumberOf(window)) map[*number] = online.displays.front();
    return map;
  }

  std::vector<std::pair<platform::DisplayID, Rect>> displays;
  displays.reserve(online.displays.size());
  for (platform::DisplayID display : online.displays)
    displays.emplace_back(display, windowServer_.displayBounds(display));

  // The display holding the largest part of the rectangle; ties keep the earlier display, and a
  // rectangle on no display has none.
  auto chooseDisplay = [&displays](const Rect& rect) -> std::optional<platform::DisplayID> {
    platform::DisplayID best = displays.front().first;
    double bestArea = 0;
    for (const auto& [display, bounds] : displays) {
      double area = rect.intersectionArea(bounds);
      if (area > bestArea) {
        best = display;
        bestArea = area;
      }
    }
    if (bestArea > 0) return best;
    return std::nullopt;
  };

  std::set<uint32_t> axNumbers;
  for (const auto& window : windows)
    if (auto number = windowNumberOf(window)) axNumbers.insert(*number);

  // First the window server's frames, which are exact; then Accessibility positions for the rest.
  if (auto entries = windowServer_.copyWindowInfo(platform::kWindowListExcludeDesktopElements,
                                                  platform::kNullWindowID)) {
    for (const auto& entry : *entries) {
      auto owner = integerValue(entry, platform::window_key::kOwnerPID);
      if (!owner || *owner != pid) continue;
      auto number = integerValue(entry, platform::window_key::kNumber);
      if (!number || *number < 0 || *number > std::numeric_limits<uint32_t>::max()) continue;
      auto windowNumber = static_cast<uint32_t>(*number);
      if (!axNumbers.contains(windowNumber)) continue;
      auto bounds = cgWindowBounds(entry);
      if (!bounds || !(bounds->width() > 0) || !(bounds->height() > 0)) continue;
      if (auto display = chooseDisplay(*bounds)) map[windowNumber] = *display;
    }
  }
  for (const auto& window : windows) {
    auto number = windowNumberOf(window);
    if (!number || map.contains(*number)) continue;
    auto position = ax_.axPosition(window);
    if (!position) continue;
    Size size = ax_.axSize(window).value_or(kFallbackWindowSize);
    if (auto display = chooseDisplay(Rect(*position, size))) map[*number] = *display;
  }
  return map;
}

void WindowManager::activateGrouped(const TrackedApp& app, std::optional<uint32_t> clickedDisplayID) {
  const int32_t pid = app.pid;
  if (!ax_.isTrusted() || app.isHidden.get()) {
    activate(pid);
    return;
  }
  AXElement appElement = ax_.appElement(pid);
  auto windows = copyWindows(appElement);
  if (!windows || windows->empty()) {
    activateWithReopen(pid);
    return;
  }

  auto displayOf = mapWindowsToDisplays(pid, *windows);

  WindowNumberSet keep;
  std::vector<AXElement> toUnminimize;
  std::optional<AXElement> target;
  bool minimizedElsewhere = false;
  for (const auto& window : *windows) {
    auto number = windowNumberOf(window);
    if (!number) continue;
    auto mapped = displayOf.find(*number);
    bool onClickedDisplay = displayOf.empty() || mapped == displayOf.end() || !clickedDisplayID ||
                            mapped->second == *clickedDisplayID;
    auto state = accessibility_.copyAttributeValue(window, ax::kMinimized);
    if (!state.ok()) debugLog("activateGrouped: failed to read minimized state" + errorSuffix(state.error));
    bool minimized = readsAsTrue(state);
    if (minimized && onClickedDisplay) {
      toUnminimize.push_back(window);
      keep.insert(*number);
      if (!target) target = window;
    } else if (minimized) {
      minimizedElsewhere = true;
    } else {
      keep.insert(*number);
      if (onClickedDisplay && !target) target = window;
    }
  }

  if (keep.empty() && toUnminimize.empty()) {
    activateWithReopen(pid);
    return;
  }

  for (const auto& window : toUnminimize) {
    AXError error = accessibility_.setAttributeValue(window, ax::kMinimized, false);
    if (error != AXError::success)
      debugLog("activateGrouped: failed to unminimize window" + errorSuffix(error));
  }
  if (target) {
    FocusResult result = focusAndRaise(appElement, *target);
    if (!result.ok())
      debugLog(focusCodes("activateGrouped: focus window failed ", result.main, result.focus, result.raise));
  }

  const uint64_t generation = raiseFocusGeneration();
  if (accessibility_.setAttributeValue(appElement, ax::kFrontmost, true) != AXError::success) activate(pid);

  scheduleGuarded(kReactivationCheckDelay, generation, [pid](WindowManager& self) {
    auto front = self.workspace_.frontmostApplication();
    if (front && front->processIdentifier() == pid) return;
    self.activate(pid);
  });
  // Activation restores an application's minimized windows everywhere; those on other displays are put
  // back while the activation settles.
  if (minimizedElsewhere) {
    for (double delay : kGroupedReminimizeDelays)
      scheduleGuarded(delay, generation,
                      [appElement, keep](WindowManager& self) { self.reminimizeSiblings(appElement, keep); });
  }
}

void WindowManager::reminimizeSiblings(const AXElement& app, const WindowNumberSet& shouldBeVisibleIDs) {
  auto windows = copyWindows(app);
  if (!windows || windows->empty()) return;
  for (const auto& window : *windows) {
    auto number = windowNumberOf(window);
    if (!number || shouldBeVisibleIDs.contains(*number)) continue;
    std::string wid = std::to_string(*number);
    auto state = accessibility_.copyAttributeValue(window, ax::kMinimized);
    if (!state.ok())
      debugLog("reminimizeSiblings: failed to read minimized state for wid " + wid +
               errorSuffix(state.error));
    if (readsAsTrue(state)) continue;
    AXError error = accessibility_.setAttributeValue(window, ax::kMinimized, true);
    if (error != AXError::success)
      debugLog("reminimizeSiblings: failed to minimize wid " + wid + errorSuffix(error));
  }
}

// MARK: - Focusing one window

void WindowManager::focusSpecificWindow(const TrackedApp& app) {
  // Read the entry once: the pending-focus callback below updates entries and may replace them.
  const int32_t pid = app.pid;
  const std::optional<int64_t> windowNumber = app.windowNumber;
  const std::string title = app.windowTitle.get().value_or(app.name);
  const bool hidden = app.isHidden.get();

  debugLog("focusSpecificWindow: id=" + app.id + " winNum=" + std::to_string(windowNumber.value_or(-1)) +
           " title='" + title + "'");

  if (!ax_.isTrusted()) {
    activate(pid);
    return;
  }

  std::optional<PendingFocus> mine;
  if (windowNumber) {
    mine = PendingFocus{pid, *windowNumber};
    pendingFocus_ = mine;
    ++pendingFocusSetCount_;
  }
  const uint64_t generation = raiseFocusGeneration();
  if (auto callback = onPendingFocusChanged) callback();

  if (hidden) {
    activate(pid);
    if (windowNumber)
      scheduleGuarded(kRaiseHiddenDelay, generation, [pid, number = *windowNumber](WindowManager& self) {
        self.raiseWindowByID(pid, number);
      });
    scheduleClearPendingFocus(generation, mine);
    return;
  }

  AXElement appElement = ax_.appElement(pid);
  auto windows = copyWindows(appElement);
  if (!windows || windows->empty()) {
    activateWithReopen(pid);
    scheduleClearPendingFocus(generation, mine);
    return;
  }

  // The window with the entry's number; failing that the first with its title; failing that the first.
  std::optional<AXElement> numberMatch;
  std::optional<AXElement> titleMatch;
  for (const auto& window : *windows) {
    if (windowNumber) {
      auto number = windowNumberOf(window);
      if (number && static_cast<int64_t>(*number) == *windowNumber) {
        numberMatch = window;
        break;
      }
    }
    if (titleMatch) continue;
    auto windowTitle = accessibility_.copyAttributeValue(window, ax::kTitle);
    if (!windowTitle.ok()) {
      if (!isSilentTitleError(windowTitle.error))
        debugLog("focusSpecificWindow: failed to read title" + errorSuffix(windowTitle.error));
      continue;
    }
    const std::string* text = windowTitle.value ? windowTitle.value->asString() : nullptr;
    if (text && canonicallyEqual(*text, title)) titleMatch = window;
  }
  const AXElement target = numberMatch ? *numberMatch : titleMatch ? *titleMatch : windows->front();

  auto targetState = accessibility_.copyAttributeValue(target, ax::kMinimized);
  if (!targetState.ok())
    debugLog("focusSpecificWindow: failed to read minimized state" + errorSuffix(targetState.error));
  if (readsAsTrue(targetState)) {
    AXError error = accessibility_.setAttributeValue(target, ax::kMinimized, false);
    if (error != AXError::success)
      debugLog("focusSpecificWindow: failed to unminimize window" + errorSuffix(error));
  }

  WindowNumberSet keep;
  bool siblingMinimized = false;
  for (const auto& window : *windows) {
    auto number = windowNumberOf(window);
    if (!number) continue;
    if (windowNumber && static_cast<int64_t>(*number) == *windowNumber) {
      keep.insert(*number);
      continue;
    }
    auto state = accessibility_.copyAttributeValue(window, ax::kMinimized);
    if (!state.ok())
      debugLog("focusSpecificWindow: failed to read sibling minimized state" + errorSuffix(state.error));
    if (readsAsTrue(state))
      siblingMinimized = true;
    else
      keep.insert(*number);
  }

  FocusResult result = focusAndRaise(appElement, target);
  if (!result.ok())
    debugLog(
        focusCodes("focusSpecificWindow: pre-activate failed ", result.main, result.focus, result.raise));

  if (accessibility_.setAttributeValue(appElement, ax::kFrontmost, true) != AXError::success) {
    pendingFocus_.reset();
    activate(pid);
  }

  // Making the application frontmost restores its other minimized windows; minimize them again.
  if (siblingMinimized) {
    for (double delay : kFocusReminimizeDelays)
      scheduleGuarded(delay, generation,
                      [appElement, keep](WindowManager& self) { self.reminimizeSiblings(appElement, keep); });
  }
  scheduleClearPendingFocus(generation, mine);
}

void WindowManager::raiseWindowByID(int32_t pid, int64_t windowNumber) {
  AXElement appElement = ax_.appElement(pid);
  auto windows = copyWindows(appElement);
  if (!windows) return;
  auto window = findAXWindowByID(windowNumber, *windows);
  if (!window) return;
  FocusResult result = focusAndRaise(appElement, *window);
  if (!result.ok()) debugLog(focusCodes("raiseWindowByID: failed ", result.main, result.focus, result.raise));
}

// MARK: - Delayed steps

uint64_t WindowManager::raiseFocusGeneration() {
  return ++focusGeneration_;
}  // unsigned: wraps

void WindowManager::scheduleGuarded(double delay, uint64_t generation,
                                    std::function<void(WindowManager&)> step) {
  std::weak_ptr<WindowManager> weakSelf = weak_from_this();
  scheduler_.mainAfter(delay, [weakSelf, generation, step = std::move(step)] {
    auto self = weakSelf.lock();
    if (!self || self->focusGeneration_ != generation) return;
    step(*self);
  });
}

void WindowManager::scheduleClearPendingFocus(uint64_t generation, std::optional<PendingFocus> mine) {
  std::weak_ptr<WindowManager> weakSelf = weak_from_this();
  const uint64_t setCount = pendingFocusSetCount_;
  scheduler_.mainAfter(kClearPendingFocusDelay, [weakSelf, generation, mine, setCount] {
    auto self = weakSelf.lock();
    if (!self) return;
    bool unchanged = self->focusGeneration_ == generation;
    bool stillMine = mine && self->pendingFocus_ == mine && self->pendingFocusSetCount_ == setCount;
    if (unchanged || stillMine) self->pendingFocus_.reset();
  });
}

}  // namespace pelko
