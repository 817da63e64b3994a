#include "screens/MonitorManager.h"

#include <algorithm>
#include <utility>

#include "foundation/DebugLog.h"
#include "platform/WindowServer.h"
#include "platform/Workspace.h"
#include "settings/SettingsManager.h"
#include "tracking/AppTracker.h"
#include "tracking/TrackedApp.h"
#include "tracking/WindowManager.h"

namespace pelko {

MonitorManager::MonitorManager(std::shared_ptr<AppTracker> appTracker,
                               std::shared_ptr<WindowManager> windowManager,
                               std::shared_ptr<SystemTrayManager> systemTrayManager,
                               std::shared_ptr<SettingsManager> settingsManager,
                               const Dependencies& dependencies)
    : appTracker_(std::move(appTracker)),
      windowManager_(std::move(windowManager)),
      systemTrayManager_(std::move(systemTrayManager)),
      settingsManager_(std::move(settingsManager)),
      deps_(dependencies),
      animator_(dependencies.scheduler) {}

MonitorManager::~MonitorManager() {
  stop();
}

// ---- Start and stop ----

void MonitorManager::start() {
  if (running_) stop();
  running_ = true;
  rebuildScreenStates();

  Scheduler& scheduler = deps_.scheduler;
  // Every delivery takes a later pass of the main queue: a setting's publisher announces a value before
  // the setting holds it, and the rebuild reads the settings.
  // The rebuild has just handed every bar the current list. Skipping it here keeps that duplicate from
  // opening a throttle window that would hold back the tracker's first real list.
  appTracker_->apps.publisher()
      .dropFirst()
      .throttle(scheduler, kAppsThrottle, true)
      .receiveOnMain(scheduler)
      .sink(lifetime_.guard([this](const std::vector<TrackedAppPtr>& apps) { updateAllScreens(apps); }))
      .store(cancellables_);
  appTracker_->displayIDGeneration.publisher()
      .dropFirst()
      .throttle(scheduler, kDisplayIDGenerationThrottle, true)
      .receiveOnMain(scheduler)
      .sink(lifetime_.guard([this](const uint64_t&) { updateAllScreens(appTracker_->apps.get()); }))
      .store(cancellables_);
  auto screenChanges = deps_.screens.screenParametersChanged();
  screenChanges.receiveOnMain(scheduler)
      .sink(lifetime_.guard([this](const platform::ScreenParametersChange&) { repositionAllPanels(); }))
      .store(cancellables_);
  screenChanges.debounce(scheduler, kScreenChangeDebounce)
      .receiveOnMain(scheduler)
      .sink(lifetime_.guard([this](const platform::ScreenParametersChange&) { rebuildScreenStates(); }))
      .store(cancellables_);
  settingsManager_->multiMonitorMode.publisher()
      .dropFirst()
      .receiveOnMain(scheduler)
      .sink(lifetime_.guard([this](const MultiMonitorMode&) { rebuildScreenStates(); }))
      .store(cancellables_);
  subscribeToWorkspace();
  subscribeToAutoHideSettings();
}

void MonitorManager::stop() {
  if (fullscreenTimer_) std::exchange(fullscreenTimer_, nullptr)->invalidate();
  ++fullscreenCheckGeneration_;
  if (mcShowWorkItem_) std::exchange(mcShowWorkItem_, nullptr)->cancel();
  mcPanelsHidden_ = false;
  pendingFrames_.clear();
  pendingFrameScheduled_.clear();
  asyncFrameGeneration_.clear();
  removeMouseMonitors();
  removeKeyMonitors();
  cancellables_.clear();
  forEachViewController([](TaskbarViewController& bar) { bar.dismissAllThumbnails(); });
  // Each state closes its bar as it goes.
  screenStates_.clear();
  running_ = false;
}

// ---- Rebuilding ----

std::vector<platform::ScreenInfo> MonitorManager::targetScreens(
    MultiMonitorMode mode, const std::vector<platform::ScreenInfo>& screens,
    const std::optional<platform::ScreenInfo>& mainScreen) {
  if (mode != MultiMonitorMode::primaryOnly) return screens;
  if (mainScreen) return {*mainScreen};
  if (!screens.empty()) return {screens.front()};
  return {};
}

void MonitorManager::rebuildScreenStates() {
  ++rebuildGeneration_;
  ++fullscreenCheckGeneration_;
  if (mcShowWorkItem_) std::exchange(mcShowWorkItem_, nullptr)->cancel();
  mcPanelsHidden_ = false;
  removeMouseMonitors();

  // The old bars stay on screen until the new ones are in front of them; their managers stop now.
  std::map<platform::DisplayID, ScreenState> oldStates = std::exchange(screenStates_, {});
  for (auto& [display, state] : oldStates)
    if (state.screenSpaceManager()) state.screenSpaceManager()->stopMonitoring();

  const SettingsManager& settings = *settingsManager_;
  const MultiMonitorMode mode = settings.multiMonitorMode.get();
  const auto screens = targetScreens(mode, deps_.screens.screens(), deps_.screens.mainScreen());
  const TaskbarPosition position = settings.position.get();
  const double thickness = settings.barThickness();
  const double marginH = settings.marginHorizontal.get();
  const double marginV = settings.marginVertical.get();
  const bool floating = settings.floatingBar.get();
  const TaskbarViewController::Environment environment{
      deps_.scheduler, deps_.workspace, deps_.appearance, deps_.accessibilityHelper,
      deps_.trash,     deps_.alerts,    deps_.thumbnails};

  for (const platform::ScreenInfo& screen : screens) {
    // 0 is no display at all; a second screen claiming a number already used would leave a bar
    // behind that nothing owns.
    if (screen.displayID == 0 || screenStates_.count(screen.displayID)) {
      debugLog("MonitorManager: skipping a screen without a usable display number (" +
               std::to_string(screen.displayID) + ")");
      continue;
    }
    const Rect frame = TaskbarPanel::frameForPosition(position, thickness, screen, marginH, marginV);
    auto* panel = new TaskbarPanel(frame, deps_.screens, deps_.ownWindows, &deps_.scheduler);
    panel->setSharingType(sharingTypeFromSettings());

    auto* viewController =
        new TaskbarViewController(appTracker_, windowManager_, systemTrayManager_, settingsManager_,
                                  mode != MultiMonitorMode::primaryOnly, environment);
    viewController->displayID = screen.displayID;
    viewController->shellActions = deps_.shellActions;
    panel->setContentView(viewController->view());
    panel->setFrame(frame);
    panel->syncContentViewFrame();
    panel->setHasShadow(floating);

    ScreenState state(panel, viewController, screen);
    auto screenSpaceManager = std::make_unique<ScreenSpaceManager>(
        panel, settingsManager_, windowManager_, screen, screenSpaceShared_,
        ScreenSpaceManager::Dependencies{deps_.scheduler, deps_.workspace, deps_.windowServer, deps_.screens,
                                         deps_.accessibilityHelper, deps_.distributedNotifications,
                                         deps_.processExistence});
    screenSpaceManager->startMonitoring();
    state.setScreenSpaceManager(std::move(screenSpaceManager));
    if (floating) installContentSizeHandler(*viewController, *panel, screen);
    state.setAutoHideManager(makeAutoHideManager(panel, viewController, screen));
    screenStates_.emplace(screen.displayID, std::move(state));
  }

  updateAllScreens(appTracker_->apps.get());
  if (floating) floatingRebuildPasses();

  for (auto& [display, state] : screenStates_)
    if (state.panel()) state.panel()->orderFront();
  for (auto& [display, state] : oldStates) state.close();
  if (floating) floatingRebuildDelayedPasses(rebuildGeneration_);

  if (auto front = deps_.workspace.frontmostApplication();
      front && front->bundleIdentifier() == std::optional<std::string>("com.apple.dock"))
    hideAllPanelsForMC();
  updateFullscreenTimers();
  updateEventMonitorsFromSettings(true, true);
  // A full-screen window already in front must not wait for the next timer to send the new bars away.
  fullscreenSweep();
}

void MonitorManager::rebuildAll() {
  rebuildScreenStates();
  // The rebuild hands the entries out as well; handing them out again finds nothing to change.
  updateAllScreens(appTracker_->apps.get());
}

// ---- Distribution ----

std::vector<TrackedAppPtr> MonitorManager::appsForDisplay(MultiMonitorMode mode,
                                                          const std::vector<TrackedAppPtr>& apps,
                                                          platform::DisplayID display,
                                                          platform::DisplayID mainDisplay) {
  auto onDisplay = [display](const TrackedAppPtr& app) { return app->displayID == display; };
  std::vector<TrackedAppPtr> result;
  switch (mode) {
    case MultiMonitorMode::primaryOnly:
    case MultiMonitorMode::allOnAll:
      return apps;
    case MultiMonitorMode::activeMonitorOnly:
      std::copy_if(apps.begin(), apps.end(), std::back_inserter(result), [&](const TrackedAppPtr& app) {
        return onDisplay(app) || (!app->displayID && display == mainDisplay);
      });
      return result;
    case MultiMonitorMode::primaryAllOthersOwn:
      if (display == mainDisplay) return apps;
      std::copy_if(apps.begin(), apps.end(), std::back_inserter(result), onDisplay);
      return result;
  }
  return apps;
}

void MonitorManager::updateAllScreens(const std::vector<TrackedAppPtr>& apps) {
  const MultiMonitorMode mode = settingsManager_->multiMonitorMode.get();
  revealOnNewWindow(apps.size());
  for (auto& [display, state] : screenStates_) {
    TaskbarViewController* viewController = state.viewController();
    if (!viewController) continue;
    // Read for each bar: the main display can change while the bars are handed their lists.
    const platform::DisplayID mainDisplay = deps_.windowServer.mainDisplayID();
    viewController->updateFilteredApps(appsForDisplay(mode, apps, display, mainDisplay));
  }
}

// ---- Placement ----

void MonitorManager::repositionAllPanels() {
  std::map<platform::DisplayID, platform::ScreenInfo> current;
  for (const auto& screen : deps_.screens.screens())
    if (screen.displayID != 0) current.emplace(screen.displayID, screen);

  const SettingsManager& settings = *settingsManager_;
  const TaskbarPosition position = settings.position.get();
  const double thickness = settings.barThickness();
  const double marginH = settings.marginHorizontal.get();
  const double marginV = settings.marginVertical.get();
  const bool floating = settings.floatingBar.get();
  resetFloatingBookkeeping();
  for (auto& [display, state] : screenStates_) {
    auto it = current.find(display);
    // A screen that is gone keeps its bar until the rebuild that follows every screen change.
    if (it == current.end()) continue;
    state.setScreen(it->second);
    TaskbarPanel* panel = state.panel();
    if (!panel) continue;
    if (ScreenSpaceManager* manager = state.screenSpaceManager()) {
      // Puts the windows it resized back first, then places the panel.
      manager->repositionPanel();
    } else {
      panel->updatePosition(position, thickness, it->second, marginH, marginV);
      panel->syncContentViewFrame();
    }
    if (TaskbarAutoHide* autoHide = state.autoHideManager()) autoHide->repositionTriggerZone();
    if (floating && state.viewController()) state.viewController()->resetContentSizeTracking();
  }
  if (!floating) return;
  std::set<platform::DisplayID> present;
  for (const auto& [display, screen] : current) present.insert(display);
  deps_.scheduler.mainQueue().async(lifetime_.guard([this, present] {
    for (auto& [display, state] : screenStates_)
      if (present.count(display)) layOutFloatingBar(state);
  }));
}

// ---- Per-bar operations ----

void MonitorManager::forEachViewController(const std::function<void(TaskbarViewController&)>& body) const {
  // Collected first: the body may change the settings, and a change may rebuild the bars.
  std::vector<QPointer<TaskbarViewController>> controllers;
  for (const auto& [display, state] : screenStates_) controllers.emplace_back(state.viewController());
  for (auto& controller : controllers)
    if (controller) body(*controller);
}

void MonitorManager::updateSharingType(WindowSharingType type) {
  for (auto& [display, state] : screenStates_)
    if (state.panel()) state.panel()->setSharingType(type);
}

void MonitorManager::forEachScreenSpaceManager(const std::function<void(ScreenSpaceManager&)>& body) const {
  for (const auto& [display, state] : screenStates_)
    if (ScreenSpaceManager* manager = state.screenSpaceManager()) body(*manager);
}

void MonitorManager::updateBlacklistedBundleIDs(const std::vector<std::string>& bundleIDs) {
  screenSpaceShared_.updateBlacklistedBundleIDs(bundleIDs);
}

WindowSharingType MonitorManager::sharingTypeFromSettings() const {
  return settingsManager_->excludeFromCapture.get() ? WindowSharingType::none : WindowSharingType::readOnly;
}

// ---- Looking at the bars ----

std::vector<platform::DisplayID> MonitorManager::displayIDs() const {
  std::vector<platform::DisplayID> ids;
  for (const auto& [display, state] : screenStates_) ids.push_back(display);
  return ids;
}

TaskbarPanel* MonitorManager::panel(platform::DisplayID display) const {
  auto it = screenStates_.find(display);
  return it == screenStates_.end() ? nullptr : it->second.panel();
}

ScreenSpaceManager* MonitorManager::screenSpaceManager(platform::DisplayID display) const {
  auto it = screenStates_.find(display);
  return it == screenStates_.end() ? nullptr : it->second.screenSpaceManager();
}

TaskbarViewController* MonitorManager::viewController(platform::DisplayID display) const {
  auto it = screenStates_.find(display);
  return it == screenStates_.end() ? nullptr : it->second.viewController();
}

std::optional<platform::ScreenInfo> MonitorManager::screen(platform::DisplayID display) const {
  auto it = screenStates_.find(display);
  if (it == screenStates_.end()) return std::nullopt;
  return it->second.screen();
}

}  // namespace pelko
