#include "app/ShellWiring.h"

#include <functional>
#include <utility>

#include "app/FrontEnds.h"
#include "app/RealEnvironment.h"
#include "app/SimulatedWorld.h"
#include "platform/real/FreedesktopTrash.h"
#include "platform/real/PlistFileUserDefaults.h"
#include "platform/real/PosixFileSystem.h"
#include "platform/real/PosixProcessControl.h"
#include "platform/real/QtClipboard.h"
#include "platform/real/QtEventMonitors.h"
#include "platform/real/QtScreens.h"
#include "platform/real/RealScheduler.h"
#include "platform/real/SysfsPowerSources.h"
#include "platform/real/SystemLocaleTimeZone.h"
#include "platform/real/XdgAutostartLoginItems.h"
#include "platform/sim/SimAppearance.h"
#include "platform/sim/SimMemoryPressure.h"
#include "platform/sim/SimOwnWindows.h"
#include "platform/sim/SimulatedMac.h"
#include "settingswindow/SettingsViewController.h"
#include "settingswindow/SettingsWindowController.h"
#include "shell/AboutWindowController.h"
#include "shell/LocalSocketUrlDelivery.h"
#include "shell/MonitorManagerTaskbars.h"
#include "shell/OnboardingWindowController.h"
#include "shell/SingleInstanceLock.h"
#include "shell/Taskbars.h"
#include "taskbar/ThumbnailServices.h"
#include "tracking/AccessibilityHelper.h"
#include "ui/QtStatusItem.h"

namespace pelko {

namespace {

// The bars, once start-up has made the managers.
std::unique_ptr<Taskbars> makeTaskbars(ShellWiring& wiring, const AppDelegate::TaskbarsContext& context) {
  RealEnvironment& real = wiring.real;
  sim::SimulatedMac& mac = *wiring.world.mac;
  MonitorManager::Dependencies dependencies{*real.scheduler,
                                            *real.screens,
                                            mac.windowServer(),
                                            wiring.desktopWorkspace,
                                            *wiring.world.appearance,
                                            context.accessibilityHelper,
                                            *real.trash,
                                            *wiring.frontEnds.alerts,
                                            wiring.world.ownWindows.get(),
                                            &mac.distributedNotifications(),
                                            &mac.processExistence(),
                                            wiring.thumbnails.get(),
                                            context.shellActions};
  auto monitorManager =
      std::make_unique<MonitorManager>(context.appTracker, context.windowManager, context.systemTrayManager,
                                       context.settingsManager, dependencies);
  monitorManager->setEventMonitors(real.eventMonitors.get());
  return std::make_unique<MonitorManagerTaskbars>(std::move(monitorManager), *real.scheduler);
}

// What the settings window asks of the shell, and quitting. A quit or a restore tears the window down:
// never from inside the click that asked for it.
void addShellActions(SettingsViewController::Dependencies& dependencies,
                     std::weak_ptr<AppDelegate> weakDelegate, real::RealScheduler* mainQueue) {
  dependencies.quitApplication = [weakDelegate, mainQueue] {
    mainQueue->mainAsync([weakDelegate] {
      if (auto delegate = weakDelegate.lock()) delegate->terminate();
    });
  };
  SettingsViewController::ShellActions actions;
  actions.restartPelko = [weakDelegate] {
    if (auto delegate = weakDelegate.lock()) delegate->restartPelko();
  };
  actions.restoreDockAndQuit = [weakDelegate, mainQueue] {
    mainQueue->mainAsync([weakDelegate] {
      if (auto delegate = weakDelegate.lock()) delegate->restoreDockAndQuit();
    });
  };
  actions.copyDiagnosticsToPasteboard = [weakDelegate] {
    auto delegate = weakDelegate.lock();
    return delegate && delegate->copyDiagnosticsToPasteboard();
  };
  dependencies.shell = std::move(actions);
  dependencies.forceAppRefresh = [weakDelegate] {
    if (auto delegate = weakDelegate.lock()) delegate->forceAppRefresh();
  };
  dependencies.isDockHidden = [weakDelegate] {
    auto delegate = weakDelegate.lock();
    return delegate && delegate->isDockHidden();
  };
  if (auto delegate = weakDelegate.lock()) {
    dependencies.screenRecordingPermissionDidChange = delegate->screenRecordingPermissionDidChange();
    dependencies.dockVisibilityDidChange = delegate->dockVisibilityDidChange();
  }
}

// Each look at the Dock and each optimisation has a Dock manager of its own, as the Dock's background
// work keeps what it needs alive until it ends.
void addDockActions(SettingsViewController::Dependencies& dependencies, ShellWiring& wiring) {
  dependencies.dockVisibilitySnapshot =
      [&wiring](std::function<void(const DockManager::VisibilitySnapshot&)> done) {
        sim::SimulatedMac& mac = *wiring.world.mac;
        DockManager(*wiring.real.scheduler, mac.workspace(), mac.windowServer(), wiring.dockServices)
            .dockVisibilitySnapshot(
                [done = std::move(done)](DockManager::VisibilitySnapshot snapshot) { done(snapshot); });
      };
  dependencies.optimizeVisibleDock = [&wiring](TaskbarPosition position, std::function<void()> done) {
    sim::SimulatedMac& mac = *wiring.world.mac;
    DockManager(*wiring.real.scheduler, mac.workspace(), mac.windowServer(), wiring.dockServices)
        .optimizeVisibleDock(position, [done = std::move(done)](DockManager::OptimizationResult) {
          if (done) done();
        });
  };
}

// The settings window, made on its first use.
std::unique_ptr<SettingsWindowHandle> makeSettingsWindow(ShellWiring& wiring,
                                                         const AppDelegate::SettingsWindowContext& context) {
  RealEnvironment& real = wiring.real;
  sim::SimulatedMac& mac = *wiring.world.mac;
  AccessibilityHelper* helper = &context.accessibilityHelper;
  std::weak_ptr<AppDelegate> weakDelegate = context.delegate;
  SettingsViewController::Dependencies dependencies{
      *real.scheduler,
      *real.userDefaults,
      *wiring.frontEnds.alerts,
      mac.appShell(),
      real.screens.get(),
      {},
      [helper] { return helper->hasScreenRecordingPermission(); },
      {}};
  addShellActions(dependencies, weakDelegate, real.scheduler.get());
  addDockActions(dependencies, wiring);
  dependencies.openFeedbackPage = [&wiring] {
    AboutWindowController::openFeedbackPage(wiring.desktopWorkspace);
  };
  dependencies.accessibilityHelper = helper;
  // The login items' place (the autostart folder) opens through the desktop too.
  dependencies.workspace = &wiring.desktopWorkspace;
  dependencies.launchAtLogin = context.launchAtLogin;
  dependencies.permissions = &mac.permissions();
  auto* content = new SettingsViewController(context.settingsManager, std::move(dependencies));
  SettingsWindowController::Dependencies windowDependencies{
      *real.scheduler, *real.userDefaults, mac.workspace(), mac.appShell(), real.screens.get()};
  windowDependencies.barFrames = [weakDelegate] {
    auto delegate = weakDelegate.lock();
    return delegate && delegate->taskbars() ? delegate->taskbars()->barFrames() : std::vector<Rect>{};
  };
  return std::make_unique<SettingsWindowController>(windowDependencies, content);
}

// The About and onboarding windows, and the feedback page.
void addShellWindows(AppDelegate::Environment& environment, ShellWiring& wiring) {
  platform::Workspace& workspace = wiring.desktopWorkspace;
  sim::SimAppShell& shell = wiring.world.shell();
  environment.makeAboutWindow = [&shell, &workspace] {
    return std::make_unique<AboutWindowController>(AboutWindowController::Dependencies{shell, workspace});
  };
  environment.makeOnboardingWindow = [&wiring](SettingsManager& settings,
                                               AccessibilityHelper& accessibilityHelper) {
    RealEnvironment& real = wiring.real;
    return std::make_unique<OnboardingWindowController>(
        OnboardingWindowController::Dependencies{*real.scheduler, *real.userDefaults,
                                                 *wiring.frontEnds.alerts, wiring.world.mac->permissions(),
                                                 wiring.world.shell(), accessibilityHelper},
        &settings);
  };
  environment.openFeedbackPage = [&workspace] { AboutWindowController::openFeedbackPage(workspace); };
}

}  // namespace

ShellWiring::ShellWiring(RealEnvironment& real, SimulatedWorld& world, FrontEnds& frontEnds,
                         DockManager::Services dockServices, std::string configFolder, bool restoreOnly)
    : real(real),
      world(world),
      frontEnds(frontEnds),
      configFolder(std::move(configFolder)),
      restoreOnly(restoreOnly),
      dockServices(std::move(dockServices)),
      desktopWorkspace(world.mac->workspace()) {
  if (!restoreOnly)
    thumbnails = std::make_unique<ThumbnailServices>(*real.scheduler, world.mac->windowServer(),
                                                     *real.screens, *real.eventMonitors,
                                                     *world.memoryPressure, world.ownWindows.get());
}

ShellWiring::~ShellWiring() = default;

AppDelegate::TaskbarsFactory ShellWiring::makeTaskbarsFactory() {
  if (restoreOnly) return {};
  return [this](const AppDelegate::TaskbarsContext& context) { return makeTaskbars(*this, context); };
}

AppDelegate::SettingsWindowFactory ShellWiring::makeSettingsWindowFactory() {
  if (restoreOnly) return {};
  return [this](const AppDelegate::SettingsWindowContext& context) {
    return makeSettingsWindow(*this, context);
  };
}

AppDelegate::Environment ShellWiring::delegateEnvironment(std::vector<std::string> arguments) {
  sim::SimulatedMac& mac = *world.mac;
  AppDelegate::Environment environment{
      *real.scheduler, *real.userDefaults, mac.workspace(), mac.windowServer(), mac.accessibility(),
      // a restore-only run has no display to ask
      real.screens ? static_cast<platform::Screens&>(*real.screens) : mac.screens(), mac.permissions(),
      *world.appearance, world.shell(), *real.loginItems, *real.fileSystem, *frontEnds.alerts,
      *real.processControl, dockServices, std::move(arguments), SingleInstanceLock::defaultPath(configFolder),
      makeTaskbarsFactory(), real.powerSources.get(), real.localeTimeZone.get(), makeSettingsWindowFactory()};
  // The front ends: the status item, URLs from later starts, the clipboard and the (offline) updater.
  environment.statusItem = frontEnds.statusItem.get();
  environment.urlDelivery = frontEnds.urlDelivery.get();
  environment.clipboard = frontEnds.clipboard.get();
  environment.updater = frontEnds.updater.get();
  environment.readSettingsFile = [&defaults = *real.userDefaults] { return defaults.read(); };
  if (!restoreOnly) addShellWindows(environment, *this);
  return environment;
}

}  // namespace pelko
