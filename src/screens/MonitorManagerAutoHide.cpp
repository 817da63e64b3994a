// The monitor manager's side of auto-hide: one auto-hide manager per bar, the pointer monitors that
// feed them, the keyboard shortcut, and the reveals on an application switch and on a new entry.

#include <algorithm>
#include <cctype>

#include "platform/Workspace.h"
#include "screens/MonitorManager.h"
#include "settings/SettingsManager.h"
#include "tracking/AccessibilityHelper.h"

namespace pelko {

namespace {

constexpr const char* kDockBundleID = "com.apple.dock";
// The device-independent modifier bits.
constexpr uint64_t kDeviceIndependentFlags = 0xFFFF0000;
constexpr uint64_t kShortcutModifiers = platform::modifier_flag::kControl | platform::modifier_flag::kOption;

}  // namespace

std::unique_ptr<AutoHideManager> MonitorManager::makeAutoHideManager(TaskbarPanel* panel,
                                                                     TaskbarViewController* viewController,
                                                                     const platform::ScreenInfo& screen) {
  auto manager = std::make_unique<AutoHideManager>(
      panel, settingsManager_, screen,
      AutoHideManager::Dependencies{deps_.scheduler, deps_.workspace, deps_.screens, eventMonitors_,
                                    &deps_.appearance});
  manager->setViewController(viewController);
  manager->onHiddenChanged = lifetime_.guard([this] { updateMouseMonitors(); });
  return manager;
}

AutoHideManager* MonitorManager::autoHideManager(platform::DisplayID display) const {
  auto it = screenStates_.find(display);
  return it == screenStates_.end() ? nullptr : it->second.autoHideManager();
}

void MonitorManager::subscribeToAutoHideSettings() {
  Scheduler& scheduler = deps_.scheduler;
  SettingsManager& settings = *settingsManager_;
  settings.autoHide.publisher()
      .dropFirst()
      .receiveOnMain(scheduler)
      .sink(lifetime_.guard([this](const bool&) { updateEventMonitorsFromSettings(true, true); }))
      .store(cancellables_);
  // The current value too: the keys follow the shortcut setting from the start.
  settings.autoHideShortcut.publisher()
      .receiveOnMain(scheduler)
      .sink(lifetime_.guard([this](const bool&) { updateEventMonitorsFromSettings(false, true); }))
      .store(cancellables_);
  deps_.workspace.notifications(platform::WorkspaceNotificationName::didActivateApplication)
      .receiveOnMain(scheduler)
      .sink(lifetime_.guard([this](const platform::WorkspaceNotification& notification) {
        revealOnAppSwitch(notification.application);
      }))
      .store(cancellables_);
}

void MonitorManager::updateEventMonitorsFromSettings(bool mouse, bool keys) {
  const SettingsManager& settings = *settingsManager_;
  const bool autoHide = settings.autoHide.get();
  if (mouse) {
    if (autoHide)
      installMouseMonitors();
    else
      removeMouseMonitors();
  }
  if (keys) {
    if (autoHide && settings.autoHideShortcut.get())
      installKeyMonitors();
    else
      removeKeyMonitors();
  }
}

// ---- The pointer ----

void MonitorManager::installMouseMonitors() {
  if (!eventMonitors_) return;
  const OwnerLifetime::Watch alive = lifetime_.watch();
  // Each of the pair stands on its own: a platform without global monitors still gets the local one,
  // and installing again adds nothing.
  if (!localMouseMonitor_)
    localMouseMonitor_ = eventMonitors_->addLocalMonitor(
        platform::event_mask::kMouseMovedOrDragged,
        [this, alive](const platform::Event& event) -> std::optional<platform::Event> {
          if (alive.ownerAlive()) broadcastMouseMoved();
          return event;
        });
  updateMouseMonitors();
}

// Pointer movement elsewhere only matters to a bar that is shown: it restarts that bar's hide timer. A
// hidden bar waits for its trigger zone, so while every bar is hidden the global monitor is taken away
// and a still pointer costs nothing.
void MonitorManager::updateMouseMonitors() {
  if (!eventMonitors_) return;
  const bool wanted =
      localMouseMonitor_ && std::any_of(screenStates_.begin(), screenStates_.end(), [](auto& entry) {
        const AutoHideManager* autoHide = entry.second.autoHideManager();
        return autoHide && !autoHide->isTaskbarHidden();
      });
  if (wanted && !globalMouseMonitor_) {
    globalMouseMonitor_ = eventMonitors_->addGlobalMonitor(
        platform::event_mask::kMouseMovedOrDragged,
        lifetime_.guard([this](const platform::Event&) { broadcastMouseMoved(); }));
  } else if (!wanted && globalMouseMonitor_) {
    eventMonitors_->removeMonitor(*std::exchange(globalMouseMonitor_, std::nullopt));
  }
}

void MonitorManager::removeMouseMonitors() {
  if (!eventMonitors_) return;
  for (auto* token : {&globalMouseMonitor_, &localMouseMonitor_})
    if (*token) eventMonitors_->removeMonitor(*std::exchange(*token, std::nullopt));
}

void MonitorManager::broadcastMouseMoved() {
  // Collected first: a handler may hide or show a bar, which adds or removes monitors.
  std::vector<AutoHideManager*> managers;
  for (auto& [display, state] : screenStates_)
    if (state.autoHideManager()) managers.push_back(state.autoHideManager());
  for (AutoHideManager* manager : managers) manager->handleMouseMoved();
}

// ---- The shortcut ----

void MonitorManager::installKeyMonitors() {
  if (!eventMonitors_) return;
  const OwnerLifetime::Watch alive = lifetime_.watch();
  if (!globalKeyMonitor_)
    globalKeyMonitor_ = eventMonitors_->addGlobalMonitor(
        platform::event_mask::kKeyDown,
        lifetime_.guard([this](const platform::Event& event) { handleKeyDown(event); }));
  if (!localKeyMonitor_)
    localKeyMonitor_ = eventMonitors_->addLocalMonitor(
        platform::event_mask::kKeyDown,
        [this, alive](const platform::Event& event) -> std::optional<platform::Event> {
          if (alive.ownerAlive() && handleKeyDown(event)) return std::nullopt;
          return event;
        });
}

void MonitorManager::removeKeyMonitors() {
  if (!eventMonitors_) return;
  for (auto* token : {&globalKeyMonitor_, &localKeyMonitor_})
    if (*token) eventMonitors_->removeMonitor(*std::exchange(*token, std::nullopt));
}

bool MonitorManager::handleKeyDown(const platform::Event& event) {
  if ((event.modifierFlags & kDeviceIndependentFlags) != kShortcutModifiers) return false;
  if (event.charactersIgnoringModifiers.empty()) return false;
  std::string lower = event.charactersIgnoringModifiers;
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
  if (lower != "t") return false;
  std::vector<AutoHideManager*> managers;
  for (auto& [display, state] : screenStates_)
    if (state.autoHideManager()) managers.push_back(state.autoHideManager());
  for (AutoHideManager* manager : managers) manager->toggleTaskbar();
  return true;
}

// ---- Reveals ----

void MonitorManager::revealOnAppSwitch(const platform::RunningApplicationPtr& app) {
  const SettingsManager& settings = *settingsManager_;
  if (!app || !settings.autoHide.get() || !settings.autoHideShowOnAppSwitch.get()) return;
  if (app->bundleIdentifier() == std::optional<std::string>(kDockBundleID)) return;
  if (app->processIdentifier() == deps_.accessibilityHelper.ownPID()) return;
  for (auto& [display, state] : screenStates_)
    if (AutoHideManager* autoHide = state.autoHideManager(); autoHide && autoHide->isTaskbarHidden())
      autoHide->showTaskbar(true);
}

void MonitorManager::revealOnNewWindow(size_t appCount) {
  const SettingsManager& settings = *settingsManager_;
  const size_t previous = std::exchange(previousAppCount_, appCount);
  if (!settings.autoHide.get() || !settings.autoHideShowOnNewWindow.get()) return;
  if (previous < 1 || appCount <= previous) return;
  for (auto& [display, state] : screenStates_)
    if (AutoHideManager* autoHide = state.autoHideManager(); autoHide && autoHide->isTaskbarHidden())
      autoHide->showTaskbar(true);
}

}  // namespace pelko
