// The entry point: Pelko on the simulated Mac, with the real screens, a real defaults file, real child
// processes for the Dock's tools, real POSIX signals, and the real trash, battery, locale and time zone.
// It wires the program in named steps: the real environment, the simulated world, the front ends, the
// shell's factories and environment, then the run and the teardown.

#include <unistd.h>

#include <QApplication>
#include <QCoreApplication>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/DisplayMirror.h"
#include "app/FontWarmUp.h"
#include "app/FrontEnds.h"
#include "app/ProgramRun.h"
#include "app/RealEnvironment.h"
#include "app/ShellWiring.h"
#include "app/SimulatedWorld.h"
#include "app/TestHooks.h"
#include "foundation/ControlCharacters.h"
#include "foundation/DebugLog.h"
#include "platform/real/PlistFileUserDefaults.h"
#include "platform/real/PosixChildProcess.h"
#include "platform/real/PosixFileSystem.h"
#include "platform/real/PosixProcessControl.h"
#include "platform/real/QtEventMonitors.h"
#include "platform/real/QtScreens.h"
#include "platform/real/RealScheduler.h"
#include "platform/real/SysfsPowerSources.h"
#include "platform/real/SystemLocaleTimeZone.h"
#include "platform/sim/SimAppShell.h"
#include "platform/sim/SimMemoryPressure.h"
#include "platform/sim/SimOwnWindows.h"
#include "platform/sim/SimulatedMac.h"
#include "shell/AppDelegate.h"
#include "shell/LocalSocketUrlDelivery.h"
#include "shell/PelkoURL.h"
#include "shell/SingleInstanceLock.h"
#include "shell/Taskbars.h"
#include "taskbar/ThumbnailServices.h"
#include "ui/AccessibleScrollArea.h"
#include "ui/PushButtonFocusRings.h"
#include "ui/QtStatusItem.h"

namespace {

constexpr const char* kBundleIdentifier = "com.pelko.app";
constexpr const char* kVersion = "0.1.0";
constexpr const char* kBuild = "1";

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string executableFolder() {
  std::string path = pelko::RealEnvironment::executablePath();
  return path.empty() ? path : std::filesystem::path(path).parent_path().string();
}

// The stand-in for a Dock tool: beside this program when installed together, else where the build put it.
// Never the system's own tool of that name.
std::string standInTool(const std::string& name, const char* buildPath) {
  std::string beside = executableFolder() + "/" + name;
  if (!executableFolder().empty() && ::access(beside.c_str(), X_OK) == 0) return beside;
  return buildPath;
}

// Hands this start's URLs to the copy that runs. The exit status when that copy answered (0: it took
// them), or when a URL is refused before anything is sent (1); nothing when there are none, nobody
// listens or nobody can be reached: the start then goes on as usual (the copy may be starting, or there
// is none; start-up asks again while it waits for the single-instance lock).
std::optional<int> forwardURLsToRunningCopy(int& argc, char** argv,
                                            const std::vector<std::string>& arguments) {
  const std::vector<std::string> urls = pelko::urlsAmongArguments(arguments);
  if (urls.empty()) return std::nullopt;
  // Refused whether or not a copy runs: the start would otherwise open it itself.
  for (const auto& url : urls) {
    if (pelko::holdsControlCharacter(url)) {
      std::fprintf(stderr, "%s\n", pelko::controlCharacterRefusal(url).c_str());
      return 1;
    }
  }
  // The socket needs a core application (and the delivery a scheduler), never a display; both go
  // before the real application is made.
  QCoreApplication application(argc, argv);
  pelko::real::RealScheduler scheduler;
  pelko::LocalSocketUrlDelivery delivery(
      scheduler, pelko::SingleInstanceLock::defaultPath(pelko::real::PlistFileUserDefaults::defaultFolder()));
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

// Log lines carry paths, titles and texts from files: each stays one line on the terminal and tells it
// nothing.
void sendDebugLogToStandardError() {
  pelko::setDebugLogSink([](std::string_view message) {
    std::fprintf(stderr, "%s\n", pelko::withControlCharactersHidden(message).c_str());
    std::fflush(stderr);
  });
}

// A restore-only run opens no display: a core application, without widgets.
std::unique_ptr<QCoreApplication> makeApplication(int& argc, char** argv, bool restoreOnly) {
  std::unique_ptr<QCoreApplication> application;
  if (restoreOnly) {
    application = std::make_unique<QCoreApplication>(argc, argv);
  } else {
    application = std::make_unique<QApplication>(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    pelko::installAccessibleScrollAreas();
    pelko::installPushButtonFocusRings();
  }
  QCoreApplication::setApplicationName("Pelko");
  return application;
}

// How this run's Dock managers run the Dock's tools (the stand-ins), and where the second copy of the
// Dock's recovery record is kept.
pelko::DockManager::Services dockServices(pelko::RealEnvironment& real, const std::string& configFolder) {
  pelko::DockManager::Services services(*real.childProcess, *real.userDefaults);
  services.defaultsPath = standInTool("pelko-sim-defaults", PELKO_SIM_DEFAULTS);
  services.killallPath = standInTool("pelko-sim-killall", PELKO_SIM_KILLALL);
  services.appVersion = kVersion;
  services.fileSystem = real.fileSystem.get();
  services.recordCopyPath = configFolder + "/" + kBundleIdentifier + ".dock-record.plist";
  return services;
}

// A restore-only run reads the settings at once for the Dock's record, without start-up's wait for the
// single-instance lock: it may have to give the Dock back while a copy that hangs still holds it. When no
// copy runs, it holds the lock for its short run and deals with a damaged settings file as a running copy
// does (kept aside, told, what could be read written back); when one runs, the file is that copy's, and
// a damaged one is left as it is, for that copy to keep aside and tell.
std::unique_ptr<pelko::SingleInstanceLock> readSettingsForRestore(
    pelko::real::PlistFileUserDefaults& defaults, const std::string& configFolder) {
  using Repair = pelko::real::PlistFileUserDefaults::Repair;
  pelko::SingleInstanceLock::Outcome outcome;
  auto lock =
      pelko::SingleInstanceLock::tryAcquire(pelko::SingleInstanceLock::defaultPath(configFolder), outcome);
  defaults.read(lock ? Repair::keepAside : Repair::leaveAlone);
  return lock;
}

// Start-up runs inside the event loop, as the application's did-finish-launching callback does. Returns
// the event loop's exit status.
int run(const std::shared_ptr<pelko::AppDelegate>& delegate, pelko::ShellWiring& wiring,
        std::optional<pelko::FontWarmUp>& fontWarmUp) {
  pelko::RealEnvironment& real = wiring.real;
  real.scheduler->mainAsync([&] {
    // The bars measure their texts first thing: the fonts' load is waited for rather than started again
    // beside it.
    fontWarmUp.reset();
    delegate->applicationDidFinishLaunching();
    if (!wiring.restoreOnly) {
      pelko::ApplicationWindowIcon& windowIcon = wiring.frontEnds.windowIcon;
      if (pelko::Taskbars* bars = delegate->taskbars()) {
        bars->whenOnScreen([&windowIcon] { windowIcon.install(); });
      } else {
        windowIcon.install();
      }
    }
    pelko::installTestHooks(*real.scheduler, delegate, wiring.world.mac.get());
  });
  return QCoreApplication::exec();
}

// Teardown in dependency order. The delegate goes first; from then on a termination signal ends the
// process at once. Background work still running (a Dock hide, or a Dock snapshot that looks at the
// simulated Mac's windows) is finished before anything it uses goes. The single-instance lock goes
// last: no other copy may start, and touch the Dock, while this one still changes it. What is left
// (the trash, the file system, the alerts, ...) goes with its owner at the end of `main`, before the
// application object.
void tearDown(std::shared_ptr<pelko::AppDelegate>& delegate, pelko::ShellWiring& wiring) {
  pelko::RealEnvironment& real = wiring.real;
  pelko::SimulatedWorld& world = wiring.world;
  std::unique_ptr<pelko::SingleInstanceLock> instanceLock = delegate->takeInstanceLock();
  world.shell().applicationDelegate = nullptr;
  delegate.reset();
  wiring.frontEnds.statusItem.reset();
  wiring.frontEnds.urlDelivery.reset();
  real.processControl.reset();
  real.scheduler->finishBackgroundWork();
  wiring.thumbnails.reset();
  world.memoryPressure.reset();
  real.eventMonitors.reset();
  world.ownWindows.reset();
  real.localeTimeZone.reset();
  real.powerSources.reset();
  world.displayMirror.reset();
  real.screens.reset();
  world.mac.reset();
  real.scheduler.reset();
  real.userDefaults.reset();
  instanceLock.reset();
}

}  // namespace

int main(int argc, char** argv) {
  if (!environment("PELKO_DEBUG_LOG").empty()) sendDebugLogToStandardError();

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
  pelko::ProgramRun program;
  // The fonts load while the application object connects to the display (see FontWarmUp).
  if (!restoreOnly) program.fontWarmUp.emplace();
  program.application = makeApplication(argc, argv, restoreOnly);

  const std::string configFolder = pelko::real::PlistFileUserDefaults::defaultFolder();
  program.real = std::make_unique<pelko::RealEnvironment>(configFolder, kBundleIdentifier, restoreOnly);
  pelko::RealEnvironment& real = *program.real;
  // A run that is not restore-only reads its settings once it holds the single-instance lock.
  std::unique_ptr<pelko::SingleInstanceLock> restoreLock;
  if (restoreOnly) restoreLock = readSettingsForRestore(*real.userDefaults, configFolder);
  // The world the bars show: the real screens, and the applications of the scenario.
  program.world =
      std::make_unique<pelko::SimulatedWorld>(*real.scheduler, real.screens.get(), kVersion, kBuild);
  if (!restoreOnly && !program.world->startScenario()) return 2;
  program.frontEnds =
      std::make_unique<pelko::FrontEnds>(*real.scheduler, program.world->shell(), configFolder, restoreOnly);
  program.wiring = std::make_unique<pelko::ShellWiring>(
      real, *program.world, *program.frontEnds, dockServices(real, configFolder), configFolder, restoreOnly);
  program.delegate = pelko::AppDelegate::create(program.wiring->delegateEnvironment(arguments));

  const int status = run(program.delegate, *program.wiring, program.fontWarmUp);
  tearDown(program.delegate, *program.wiring);
  // The settings are saved by now: the file is free for the next copy.
  restoreLock.reset();
  return status;
}
