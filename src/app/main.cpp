// The entry point: Pelko on the simulated Mac, with the real screens, a real defaults file, real child
// processes for the Dock's tools, real POSIX signals, and the real trash, battery, locale and time zone.

#include <unistd.h>

#include <QApplication>
#include <QCoreApplication>
#include <QSysInfo>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/ApplicationWindowIcon.h"
#include "app/DisplayMirror.h"
#include "app/FontWarmUp.h"
#include "app/ScenarioLoader.h"
#include "app/TestHooks.h"
#include "foundation/DebugLog.h"
#include "platform/real/DesktopUrlWorkspace.h"
#include "platform/real/FreedesktopTrash.h"
#include "platform/real/PlistFileUserDefaults.h"
#include "platform/real/PosixChildProcess.h"
#include "platform/real/PosixFileSystem.h"
#include "platform/real/PosixProcessControl.h"
#include "platform/real/QtClipboard.h"
#include "platform/real/QtEventMonitors.h"
#include "platform/real/QtScreens.h"
#include "platform/real/RealScheduler.h"
#include "platform/real/SysfsPowerSources.h"
#include "platform/real/SystemLocaleTimeZone.h"
#include "platform/real/XdgAutostartLoginItems.h"
#include "platform/sim/SimAlerts.h"
#include "platform/sim/SimAppearance.h"
#include "platform/sim/SimMemoryPressure.h"
#include "platform/sim/SimOwnWindows.h"
#include "platform/sim/SimUpdater.h"
#include "platform/sim/SimulatedMac.h"
#include "settingswindow/SettingsViewController.h"
#include "settingswindow/SettingsWindowController.h"
#include "shell/AboutWindowController.h"
#include "shell/AppDelegate.h"
#include "shell/LocalSocketUrlDelivery.h"
#include "shell/MonitorManagerTaskbars.h"
#include "shell/OnboardingWindowController.h"
#include "shell/PelkoURL.h"
#include "shell/ShellWindowStyle.h"
#include "shell/SingleInstanceLock.h"
#include "shell/Taskbars.h"
#include "taskbar/ThumbnailServices.h"
#include "tracking/AccessibilityHelper.h"
#include "ui/AccessibleScrollArea.h"
#include "ui/QtAlerts.h"
#include "ui/QtOfflineUpdater.h"
#include "ui/QtStatusItem.h"

namespace {

constexpr const char* kBundleIdentifier = "com.pelko.app";
constexpr const char* kVersion = "0.1.0";
constexpr const char* kBuild = "1";

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string executablePath() {
  std::error_code error;
  auto path = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : path.string();
}

std::string executableFolder() {
  std::string path = executablePath();
  return path.empty() ? path : std::filesystem::path(path).parent_path().string();
}

// The stand-in for a Dock tool: beside this program when installed together, else where the build put it.
// Never the system's own tool of that name.
std::string standInTool(const std::string& name, const char* buildPath) {
  std::string beside = executableFolder() + "/" + name;
  if (!executableFolder().empty() && ::access(beside.c_str(), X_OK) == 0) return beside;
  return buildPath;
}

// The folder that stands in for the Dock's side of the Mac.
std::string simulatedDockFolder(const std::string& configFolder) {
  std::string folder = environment("PELKO_SIM_DOCK_DIR");
  if (folder.empty()) folder = configFolder + "/simulated-dock";
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  return folder;
}

// Without a display to show a box on (offscreen, as the end-to-end runs use), an alert goes to stderr
// and takes its first button, so nothing ever waits for a click that cannot come.
bool hasDisplay() {
  const QString platform = QGuiApplication::platformName();
  return platform != "offscreen" && platform != "minimal";
}

// The processor family as the About window and the diagnostics name it.
std::string processorFamily() {
  const QString architecture = QSysInfo::currentCpuArchitecture();
  return architecture.startsWith("arm") ? "Apple Silicon" : "Intel";
}

std::string homeFolder() {
  std::string home = environment("HOME");
  return home.empty() ? "/" : home;
}

// Hands this start's URLs to the copy that runs. The exit status when that copy answered (0: it took
// them), nothing when there are none, nobody listens or nobody can be reached: the start then goes on as
// usual (the copy may be starting, or there is none; start-up asks again while it waits for the
// single-instance lock).
std::optional<int> forwardURLsToRunningCopy(int& argc, char** argv,
                                            const std::vector<std::string>& arguments) {
  const std::vector<std::string> urls = pelko::urlsAmongArguments(arguments);
  if (urls.empty()) return std::nullopt;
  // The socket needs a core application (and the delivery a scheduler), never a display; both go
  // before the real application is made.
  QCoreApplication application(argc, argv);
  pelko::real::RealScheduler scheduler;
  const std::string lockPath =
      pelko::SingleInstanceLock::defaultPath(pelko::real::PlistFileUserDefaults::defaultFolder());
  pelko::LocalSocketUrlDelivery delivery(scheduler, pelko::LocalSocketUrlDelivery::defaultPath(lockPath));
  const auto result = delivery.forwardToRunningCopy(urls);
  switch (result) {
    case pelko::platform::UrlDelivery::ForwardResult::delivered:
      return 0;
    case pelko::platform::UrlDelivery::ForwardResult::refused:
    case pelko::platform::UrlDelivery::ForwardResult::busy:
      std::fprintf(stderr, "%s\n", pelko::platform::UrlDelivery::failureMessage(result).c_str());
      return 1;
    case pelko::platform::UrlDelivery::ForwardResult::noReceiver:
    // Whether a copy runs at all is not known yet: start-up's single-instance step tells.
    case pelko::platform::UrlDelivery::ForwardResult::unreachable:
      break;
  }
  return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
  if (!environment("PELKO_DEBUG_LOG").empty()) {
    pelko::setDebugLogSink([](std::string_view message) {
      std::fprintf(stderr, "%.*s\n", static_cast<int>(message.size()), message.data());
      std::fflush(stderr);
    });
  }

  std::vector<std::string> arguments(argv + 1, argv + argc);
  // Restoring the Dock works from a text console or over ssh: no display is opened for it, and nothing
  // of the user interface exists.
  const bool restoreOnly = std::find(arguments.begin(), arguments.end(),
                                     pelko::AppDelegate::kRestoreDockArgument) != arguments.end();
  // A start with URLs for the copy that runs hands them over and ends before anything of the user
  // interface exists, so that it works without a display too (a script, ssh, a text console).
  if (!restoreOnly) {
    if (std::optional<int> status = forwardURLsToRunningCopy(argc, argv, arguments)) return *status;
  }
  // The fonts load while the application object connects to the display (see FontWarmUp).
  std::optional<pelko::FontWarmUp> fontWarmUp;
  if (!restoreOnly) fontWarmUp.emplace();
  std::unique_ptr<QCoreApplication> application;
  if (restoreOnly) {
    application = std::make_unique<QCoreApplication>(argc, argv);
  } else {
    application = std::make_unique<QApplication>(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    pelko::installAccessibleScrollAreas();
  }
  QCoreApplication::setApplicationName("Pelko");

  const std::string configFolder = pelko::real::PlistFileUserDefaults::defaultFolder();

  auto scheduler = std::make_unique<pelko::real::RealScheduler>();
  auto userDefaults =
      std::make_unique<pelko::real::PlistFileUserDefaults>(*scheduler, configFolder, kBundleIdentifier);

  pelko::real::PosixChildProcess::Options childOptions;
  childOptions.extraEnvironment["PELKO_SIM_DOCK_DIR"] = simulatedDockFolder(configFolder);
  auto childProcess = std::make_unique<pelko::real::PosixChildProcess>(childOptions);

  auto processControl = std::make_unique<pelko::real::PosixProcessControl>();
  auto fileSystem = std::make_unique<pelko::real::PosixFileSystem>();
  // This process is one of the simulated Mac's applications (its bars are windows of that world), under
  // the simulated world's own process identifier.
  auto mac = std::make_unique<pelko::sim::SimulatedMac>(*scheduler, true);
  auto& shell = mac->appShell();
  shell.home = homeFolder();
  shell.version = kVersion;
  shell.build = kBuild;
  shell.processor = processorFamily();
  // Every window of the program, alerts and the update window among them, carries its icon: the bars'
  // from their first frame on, an alert's from the start.
  pelko::ApplicationWindowIcon windowIcon(
      [&shell] { QApplication::setWindowIcon(pelko::ownApplicationWindowIcon(shell)); });
  auto loginItems = std::make_unique<pelko::real::XdgAutostartLoginItems>(
      *fileSystem, pelko::real::XdgAutostartLoginItems::defaultEntryPath("pelko"), executablePath());
  auto appearance = std::make_unique<pelko::sim::SimAppearance>();
  std::unique_ptr<pelko::platform::Alerts> alerts;
  if (!restoreOnly && hasDisplay()) {
    alerts = std::make_unique<pelko::AlertsWithWindowIcon>(std::make_unique<pelko::QtAlerts>(), windowIcon);
  } else {
    auto printed = std::make_unique<pelko::sim::SimAlerts>();
    printed->onShow = [](const pelko::platform::AlertContent& alert) {
      std::string buttons;
      for (const auto& button : alert.buttons) buttons += (buttons.empty() ? "[" : "] [") + button;
      std::fprintf(stderr, "Pelko alert: %s\n  %s\n  %s]\n", alert.messageText.c_str(),
                   alert.informativeText.c_str(), buttons.c_str());
      std::fflush(stderr);
    };
    alerts = std::move(printed);
  }
  auto trash = std::make_unique<pelko::real::FreedesktopTrash>();
  // The tray's sources; a restore-only run shows no bars and needs none.
  std::unique_ptr<pelko::real::SysfsPowerSources> powerSources;
  std::unique_ptr<pelko::real::SystemLocaleTimeZone> localeTimeZone;
  if (!restoreOnly) {
    powerSources = std::make_unique<pelko::real::SysfsPowerSources>();
    localeTimeZone = std::make_unique<pelko::real::SystemLocaleTimeZone>();
  }

  std::unique_ptr<pelko::real::QtScreens> screens;
  std::unique_ptr<pelko::DisplayMirror> displayMirror;
  if (!restoreOnly) {
    // The world the bars show: the real screens, and the applications of the scenario.
    screens = std::make_unique<pelko::real::QtScreens>(*scheduler);
    displayMirror = std::make_unique<pelko::DisplayMirror>(*screens, *mac);
    displayMirror->sync();
    std::optional<pelko::Scenario> scenario;
    if (std::string path = environment("PELKO_SCENARIO"); !path.empty()) {
      std::string error;
      scenario = pelko::ScenarioLoader::load(path, error);
      if (!scenario) {
        std::fprintf(stderr, "Pelko: cannot use the scenario %s: %s\n", path.c_str(), error.c_str());
        return 2;
      }
    } else {
      scenario = pelko::ScenarioLoader::builtIn();
    }
    // The Dock runs on every Mac; Mission Control is seen through it.
    mac->launchDock();
    pelko::ScenarioLoader::apply(*scenario, *mac);
  }

  pelko::DockManager::Services dockServices(*childProcess, *userDefaults);
  dockServices.defaultsPath = standInTool("pelko-sim-defaults", PELKO_SIM_DEFAULTS);
  dockServices.killallPath = standInTool("pelko-sim-killall", PELKO_SIM_KILLALL);
  dockServices.appVersion = kVersion;
  dockServices.fileSystem = fileSystem.get();
  dockServices.recordCopyPath = configFolder + "/" + kBundleIdentifier + ".dock-record.plist";

  // Files, folders and web pages (the trash, the feedback page) open through the desktop's URL handler;
  // the running applications stay the simulated Mac's.
  pelko::real::DesktopUrlWorkspace desktopWorkspace(mac->workspace());
  auto ownWindows = std::make_unique<pelko::sim::SimOwnWindows>(*mac);
  // Thumbnails capture the simulated windows and follow the real pointer.
  auto eventMonitors = std::make_unique<pelko::real::QtEventMonitors>(*scheduler);
  auto memoryPressure = std::make_unique<pelko::sim::SimMemoryPressure>(*scheduler);
  std::unique_ptr<pelko::ThumbnailServices> thumbnails;
  if (!restoreOnly)
    thumbnails = std::make_unique<pelko::ThumbnailServices>(
        *scheduler, mac->windowServer(), *screens, *eventMonitors, *memoryPressure, ownWindows.get());
  pelko::AppDelegate::TaskbarsFactory makeTaskbars;
  if (!restoreOnly) {
    makeTaskbars =
        [&](const pelko::AppDelegate::TaskbarsContext& context) -> std::unique_ptr<pelko::Taskbars> {
      pelko::MonitorManager::Dependencies dependencies{*scheduler,
                                                       *screens,
                                                       mac->windowServer(),
                                                       desktopWorkspace,
                                                       *appearance,
                                                       context.accessibilityHelper,
                                                       *trash,
                                                       *alerts,
                                                       ownWindows.get(),
                                                       &mac->distributedNotifications(),
                                                       &mac->processExistence(),
                                                       thumbnails.get(),
                                                       context.shellActions};
      auto monitorManager = std::make_unique<pelko::MonitorManager>(context.appTracker, context.windowManager,
                                                                    context.systemTrayManager,
                                                                    context.settingsManager, dependencies);
      monitorManager->setEventMonitors(eventMonitors.get());
      return std::make_unique<pelko::MonitorManagerTaskbars>(std::move(monitorManager), *scheduler);
    };
  }

  pelko::AppDelegate::SettingsWindowFactory makeSettingsWindow;
  if (!restoreOnly) {
    makeSettingsWindow = [&](const pelko::AppDelegate::SettingsWindowContext& context)
        -> std::unique_ptr<pelko::SettingsWindowHandle> {
      pelko::AccessibilityHelper* helper = &context.accessibilityHelper;
      std::weak_ptr<pelko::AppDelegate> weakDelegate = context.delegate;
      pelko::real::RealScheduler* mainQueue = scheduler.get();
      pelko::SettingsViewController::Dependencies dependencies{
          *scheduler,
          *userDefaults,
          *alerts,
          shell,
          screens.get(),
          {},
          [helper] { return helper->hasScreenRecordingPermission(); },
          // Quitting tears the window down: never from inside the click that asked for it.
          [weakDelegate, mainQueue] {
            mainQueue->mainAsync([weakDelegate] {
              if (auto delegate = weakDelegate.lock()) delegate->terminate();
            });
          }};
      dependencies.shell = pelko::SettingsViewController::ShellActions{
          [weakDelegate] {
            if (auto delegate = weakDelegate.lock()) delegate->restartPelko();
          },
          [weakDelegate, mainQueue] {
            mainQueue->mainAsync([weakDelegate] {
              if (auto delegate = weakDelegate.lock()) delegate->restoreDockAndQuit();
            });
          },
          [weakDelegate] {
            auto delegate = weakDelegate.lock();
            return delegate && delegate->copyDiagnosticsToPasteboard();
          }};
      dependencies.openFeedbackPage = [&desktopWorkspace] {
        pelko::AboutWindowController::openFeedbackPage(desktopWorkspace);
      };
      dependencies.accessibilityHelper = helper;
      // The login items' place (the autostart folder) opens through the desktop too.
      dependencies.workspace = &desktopWorkspace;
      dependencies.launchAtLogin = context.launchAtLogin;
      dependencies.forceAppRefresh = [weakDelegate] {
        if (auto delegate = weakDelegate.lock()) delegate->forceAppRefresh();
      };
      dependencies.permissions = &mac->permissions();
      // Each look at the Dock and each optimisation has a Dock manager of its own, as the Dock's
      // background work keeps what it needs alive until it ends.
      dependencies.dockVisibilitySnapshot =
          [&](std::function<void(const pelko::DockManager::VisibilitySnapshot&)> done) {
            pelko::DockManager(*scheduler, mac->workspace(), mac->windowServer(), dockServices)
                .dockVisibilitySnapshot(
                    [done = std::move(done)](pelko::DockManager::VisibilitySnapshot snapshot) {
                      done(snapshot);
                    });
          };
      dependencies.optimizeVisibleDock = [&](pelko::TaskbarPosition position, std::function<void()> done) {
        pelko::DockManager(*scheduler, mac->workspace(), mac->windowServer(), dockServices)
            .optimizeVisibleDock(position, [done = std::move(done)](pelko::DockManager::OptimizationResult) {
              if (done) done();
            });
      };
      dependencies.isDockHidden = [weakDelegate] {
        auto delegate = weakDelegate.lock();
        return delegate && delegate->isDockHidden();
      };
      if (auto delegate = weakDelegate.lock()) {
        dependencies.screenRecordingPermissionDidChange = delegate->screenRecordingPermissionDidChange();
        dependencies.dockVisibilityDidChange = delegate->dockVisibilityDidChange();
      }
      auto* content = new pelko::SettingsViewController(context.settingsManager, std::move(dependencies));
      pelko::SettingsWindowController::Dependencies windowDependencies{
          *scheduler, *userDefaults, mac->workspace(), shell, screens.get()};
      windowDependencies.barFrames = [weakDelegate] {
        auto delegate = weakDelegate.lock();
        return delegate && delegate->taskbars() ? delegate->taskbars()->barFrames()
                                                : std::vector<pelko::Rect>{};
      };
      return std::make_unique<pelko::SettingsWindowController>(windowDependencies, content);
    };
  }

  pelko::AppDelegate::Environment environment{
      *scheduler, *userDefaults, mac->workspace(), mac->windowServer(), mac->accessibility(),
      // a restore-only run has no display to ask
      screens ? static_cast<pelko::platform::Screens&>(*screens) : mac->screens(), mac->permissions(),
      *appearance, shell, *loginItems, *fileSystem, *alerts, *processControl, dockServices, arguments,
      pelko::SingleInstanceLock::defaultPath(configFolder), makeTaskbars, powerSources.get(),
      localeTimeZone.get(), makeSettingsWindow};
  // The front ends: the status item, URLs from later starts, the clipboard and the (offline) updater.
  const std::string lockPath = pelko::SingleInstanceLock::defaultPath(configFolder);
  auto urlDelivery = std::make_unique<pelko::LocalSocketUrlDelivery>(
      *scheduler, pelko::LocalSocketUrlDelivery::defaultPath(lockPath));
  // The update framework has no feed to reach: a check says so in its own window (a program without a
  // display has none to show, and only logs it).
  std::unique_ptr<pelko::platform::Updater> updater;
  if (!restoreOnly && hasDisplay()) {
    auto offline = std::make_unique<pelko::QtOfflineUpdater>();
    shell.moreWindows = [window = offline.get()] { return window->windows(); };
    updater = std::move(offline);
  } else {
    updater = std::make_unique<pelko::sim::SimUpdater>(*scheduler, shell);
  }
  std::unique_ptr<pelko::QtStatusItem> statusItem;
  std::unique_ptr<pelko::real::QtClipboard> clipboard;
  if (!restoreOnly) {
    statusItem = std::make_unique<pelko::QtStatusItem>();
    clipboard = std::make_unique<pelko::real::QtClipboard>();
  }
  environment.statusItem = statusItem.get();
  environment.urlDelivery = urlDelivery.get();
  environment.clipboard = clipboard.get();
  environment.updater = updater.get();
  environment.damagedSettingsKeptAs = userDefaults->keptAsidePath();
  if (!restoreOnly) {
    pelko::platform::Workspace& workspace = desktopWorkspace;
    environment.makeAboutWindow = [&shell, &workspace] {
      return std::make_unique<pelko::AboutWindowController>(
          pelko::AboutWindowController::Dependencies{shell, workspace});
    };
    environment.makeOnboardingWindow = [&](pelko::SettingsManager& settings,
                                           pelko::AccessibilityHelper& accessibilityHelper) {
      return std::make_unique<pelko::OnboardingWindowController>(
          pelko::OnboardingWindowController::Dependencies{*scheduler, *userDefaults, *alerts,
                                                          mac->permissions(), shell, accessibilityHelper},
          &settings);
    };
    environment.openFeedbackPage = [&workspace] {
      pelko::AboutWindowController::openFeedbackPage(workspace);
    };
  }
  auto delegate = pelko::AppDelegate::create(std::move(environment));

  // Start-up runs inside the event loop, as the application's did-finish-launching callback does.
  scheduler->mainAsync([&] {
    // The bars measure their texts first thing: the fonts' load is waited for rather than started again
    // beside it.
    fontWarmUp.reset();
    delegate->applicationDidFinishLaunching();
    if (!restoreOnly) {
      if (pelko::Taskbars* bars = delegate->taskbars()) {
        bars->whenOnScreen([&windowIcon] { windowIcon.install(); });
      } else {
        windowIcon.install();
      }
    }
    pelko::installTestHooks(*scheduler, delegate, mac.get());
  });
  int status = QCoreApplication::exec();

  // Teardown in dependency order. The delegate goes first; from then on a termination signal ends the
  // process at once. Background work still running (a Dock hide, or a Dock snapshot that looks at the
  // simulated Mac's windows) is finished before anything it uses goes. The single-instance lock goes
  // last: no other copy may start, and touch the Dock, while this one still changes it.
  std::unique_ptr<pelko::SingleInstanceLock> instanceLock = delegate->takeInstanceLock();
  shell.applicationDelegate = nullptr;
  delegate.reset();
  statusItem.reset();
  urlDelivery.reset();
  processControl.reset();
  scheduler->finishBackgroundWork();
  thumbnails.reset();
  memoryPressure.reset();
  eventMonitors.reset();
  ownWindows.reset();
  localeTimeZone.reset();
  powerSources.reset();
  displayMirror.reset();
  screens.reset();
  mac.reset();
  scheduler.reset();
  userDefaults.reset();
  instanceLock.reset();
  return status;
}
