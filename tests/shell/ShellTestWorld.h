#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "foundation/DebugLog.h"
#include "foundation/VirtualScheduler.h"
#include "platform/PlistXml.h"
#include "platform/real/PosixChildProcess.h"
#include "platform/real/PosixFileSystem.h"
#include "platform/sim/InMemoryUserDefaults.h"
#include "platform/sim/SimAlerts.h"
#include "platform/sim/SimAppearance.h"
#include "platform/sim/SimLoginItems.h"
#include "platform/sim/SimOwnWindows.h"
#include "platform/sim/SimProcessControl.h"
#include "platform/sim/SimTrash.h"
#include "platform/sim/SimulatedMac.h"
#include "settings/SettingsManager.h"
#include "shell/AppDelegate.h"
#include "shell/MonitorManagerTaskbars.h"
#include "support/TempFolder.h"

namespace pelko::testing {

// When the recorded bars stand on screen: at once, or when a test lets the held waiters run.
struct BarsOnScreen {
  bool hold = false;
  std::vector<std::function<void()>> waiting;
};

// The bars as calls, in the order they were made.
class RecordingTaskbars final : public Taskbars {
 public:
  explicit RecordingTaskbars(std::vector<std::string>& log, BarsOnScreen* onScreen = nullptr)
      : log_(log), onScreen_(onScreen) {}
  void start() override { log_.push_back("start"); }
  void stop() override { log_.push_back("stop"); }
  void rebuildAll() override { log_.push_back("rebuildAll"); }
  void repositionAllPanels() override { log_.push_back("repositionAllPanels"); }
  void updateLayout(TaskbarPosition position) override {
    log_.push_back("updateLayout " + std::string(rawValue(position)));
  }
  void updateEveryBar(BarUpdate update) override {
    static const char* const kNames[] = {
        "reconfigureItemSizes", "reconfigureItems",        "dismissAllThumbnails", "refreshWindowCounts",
        "refreshDimming",       "refreshActiveIndicators", "updateBorder",         "updateBackgroundOpacity",
        "updateVibrancy",       "updateCornerRadius"};  // in BarUpdate's order
    log_.push_back(kNames[static_cast<int>(update)]);
  }
  void setExcludedFromCapture(bool excluded) override {
    log_.push_back(excluded ? "sharing none" : "sharing readOnly");
  }
  void whenOnScreen(std::function<void()> run) override {
    if (onScreen_ && onScreen_->hold) {
      onScreen_->waiting.push_back(std::move(run));
    } else {
      run();
    }
  }

 private:
  std::vector<std::string>& log_;
  BarsOnScreen* onScreen_;
};

inline std::vector<std::string> readLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// One application delegate on the simulated Mac and the virtual clock, with the real stand-in Dock tools
// acting on a folder of its own.
class ShellTestWorld {
 public:
  using Dictionary = platform::PlistValue::Dictionary;

  ShellTestWorld() {
    mac.appShell().home = folder.path();
    std::filesystem::create_directories(dockFolder());
    previousSink_ = setDebugLogSink([this](std::string_view line) { log.emplace_back(line); });
  }
  ~ShellTestWorld() {
    delegate.reset();
    setDebugLogSink(previousSink_);
  }

  std::string dockFolder() const { return folder.file("dock"); }
  std::string lockPath() const { return folder.file("run/pelko.lock"); }

  std::shared_ptr<AppDelegate> makeDelegate(std::vector<std::string> arguments = {}) {
    DockManager::Services services(childProcess, defaults);
    services.defaultsPath = PELKO_SIM_DEFAULTS;
    services.killallPath = PELKO_SIM_KILLALL;
    services.appVersion = "9.9";
    services.commandTimeoutSeconds = 5;
    AppDelegate::TaskbarsFactory factory;
    if (withRealBars) {
      factory = [this](const AppDelegate::TaskbarsContext& c) -> std::unique_ptr<Taskbars> {
        MonitorManager::Dependencies dependencies{scheduler,       mac.screens(), mac.windowServer(),
                                                  mac.workspace(), appearance,    c.accessibilityHelper,
                                                  trash,           alerts,        &ownWindows};
        dependencies.shellActions = c.shellActions;
        auto made = std::make_unique<MonitorManagerTaskbars>(
            std::make_unique<MonitorManager>(c.appTracker, c.windowManager, c.systemTrayManager,
                                             c.settingsManager, dependencies),
            scheduler);
        realBars = made.get();
        return made;
      };
    } else if (withTaskbars) {
      factory = [this](const AppDelegate::TaskbarsContext&) {
        return std::make_unique<RecordingTaskbars>(bars, &barsOnScreen);
      };
    }
    AppDelegate::Environment environment{scheduler,
                                         defaults,
                                         mac.workspace(),
                                         mac.windowServer(),
                                         mac.accessibility(),
                                         mac.screens(),
                                         mac.permissions(),
                                         appearance,
                                         mac.appShell(),
                                         loginItems,
                                         fileSystem,
                                         alerts,
                                         processControl,
                                         services,
                                         std::move(arguments),
                                         lockPath(),
                                         factory,
                                         powerSources,
                                         localeTimeZone,
                                         settingsWindowFactory};
    if (frontEnds) frontEnds(environment);
    return AppDelegate::create(std::move(environment));
  }

  // Creates the delegate and runs its start-up, with the Dock work it starts.
  AppDelegate& start(std::vector<std::string> arguments = {}) {
    delegate = makeDelegate(std::move(arguments));
    delegate->applicationDidFinishLaunching();
    scheduler.runUntilIdle();
    return *delegate;
  }

  SettingsManager& settings() { return *delegate->settingsManager(); }
  // Lets `seconds` pass, then runs what became due, the Dock tools' work included.
  void settle(double seconds) {
    scheduler.advance(seconds);
    scheduler.runUntilIdle();
  }

  // ---- The simulated Dock ----
  void setDockDomain(const Dictionary& values) const {
    std::ofstream(dockFolder() + "/com.apple.dock.plist")
        << platform::writePlistXml(platform::PlistValue(values));
  }
  Dictionary dockDomain() const {
    std::string text = readWholeFile(dockFolder() + "/com.apple.dock.plist");
    if (text.empty()) return {};
    auto root = platform::parsePlistXml(text);
    return root && root->isDictionary() ? *root->asDictionary() : Dictionary{{"unreadable", true}};
  }
  std::vector<std::string> dockCommands() const { return readLines(dockFolder() + "/commands.log"); }
  size_t dockRestarts() const { return readLines(dockFolder() + "/dock-restarts.log").size(); }
  // A Dock process with a window on screen, as the window server lists it.
  void showDockOnScreen() {
    int32_t pid = mac.launchApp(sim::SimAppSetup{.bundleID = "com.apple.dock",
                                                 .name = "Dock",
                                                 .policy = platform::ActivationPolicy::accessory,
                                                 .activate = false});
    mac.openWindow(pid,
                   {.title = "Dock", .bounds = Rect(400, 990, 1100, 80), .layer = 20, .becomesMain = false});
    scheduler.runUntilIdle();
  }

  size_t countLog(const std::string& line) const { return std::count(log.begin(), log.end(), line); }

  // clang-format off
  static inline const Dictionary kHiddenConfiguration = {{"autohide", true}, {"autohide-delay", 1000000.0},
                                                         {"autohide-time-modifier", 0.0001}, {"mineffect", "scale"}};
  // clang-format on

  TempFolder folder;
  VirtualScheduler scheduler;
  sim::SimulatedMac mac{scheduler};
  sim::InMemoryUserDefaults defaults;
  sim::SimAppearance appearance;
  sim::SimLoginItems loginItems;
  real::PosixFileSystem fileSystem;
  sim::SimAlerts alerts;
  sim::SimTrash trash;
  sim::SimProcessControl processControl{scheduler};
  real::PosixChildProcess childProcess{[this] {
    real::PosixChildProcess::Options options;
    options.extraEnvironment["PELKO_SIM_DOCK_DIR"] = folder.file("dock");
    options.terminateGraceSeconds = 0.2;
    return options;
  }()};
  bool withTaskbars = true;
  BarsOnScreen barsOnScreen;
  // Makes the settings window when the shell first asks for it; none by default.
  AppDelegate::SettingsWindowFactory settingsWindowFactory;
  // The program's own bars (one per display) instead of the recorder.
  bool withRealBars = false;
  MonitorManagerTaskbars* realBars = nullptr;
  // The tray's sources; without them the program runs without a tray.
  platform::PowerSources* powerSources = nullptr;
  platform::LocaleTimeZone* localeTimeZone = nullptr;
  sim::SimOwnWindows ownWindows{mac};
  // Plugs the status item, URL delivery, clipboard, updater and windows in (tests of those front ends).
  std::function<void(AppDelegate::Environment&)> frontEnds;
  std::vector<std::string> bars;
  std::vector<std::string> log;
  std::shared_ptr<AppDelegate> delegate;

 private:
  DebugLogSink previousSink_;
};

}  // namespace pelko::testing
