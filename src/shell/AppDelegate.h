#pragma once

#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/Cancellable.h"
#include "foundation/Publisher.h"
#include "foundation/Scheduler.h"
#include "foundation/Subject.h"
#include "platform/AppShell.h"
#include "platform/SettingsFileReading.h"
#include "screens/DockManager.h"
#include "shell/SettingsWindowHandle.h"
#include "shell/StatusMenuModel.h"
#include "shell/Taskbars.h"
#include "shell/WindowPresenters.h"
#include "taskbar/TaskbarShellActions.h"
#include "tracking/AppTracker.h"

namespace pelko {

namespace platform {
class Accessibility;
class Alerts;
class AppShell;
class Appearance;
class Clipboard;
class FileSystem;
class LocaleTimeZone;
class LoginItems;
class Permissions;
class PowerSources;
class ProcessControl;
class Screens;
class StatusItem;
class Updater;
class UrlDelivery;
class UserDefaults;
class WindowServer;
class Workspace;
}  // namespace platform

class AccessibilityHelper;
class AppTracker;
class LaunchAtLoginHelper;
class SettingsManager;
class SingleInstanceLock;
class SystemTrayManager;
class WindowManager;

// The application delegate: the one object that owns every long-lived manager of the running program.
// Its start-up runs in a fixed order (applicationDidFinishLaunching); it turns settings changes into the
// bars' reactions, keeps the macOS Dock hidden while the user wants it hidden and watches that it stays
// so, and cleans up when the process ends, by a quit or by a termination signal.
//
// Main thread only. Timers, delayed blocks, subscriptions and completions hold the delegate weakly and
// do nothing once it is gone.
class AppDelegate : public std::enable_shared_from_this<AppDelegate>, public platform::ApplicationDelegate {
 public:
  // ---- The settings window, as the shell drives it (made on first use through the factory) ----
  struct SettingsWindowContext {
    std::shared_ptr<SettingsManager> settingsManager;
    AccessibilityHelper& accessibilityHelper;
    std::weak_ptr<AppDelegate> delegate;
    LaunchAtLoginHelper* launchAtLogin = nullptr;
  };
  using SettingsWindowFactory =
      std::function<std::unique_ptr<SettingsWindowHandle>(const SettingsWindowContext&)>;
  // Shows the settings window, making it on first use; nothing without a factory or before start-up.
  void showSettingsWindow();
  void toggleSettingsWindowFromTaskbar() override;
  SettingsWindowHandle* settingsWindowController() const { return settingsWindowController_.get(); }

  // What the managers are made with when start-up creates them.
  struct TaskbarsContext {
    std::shared_ptr<AppTracker> appTracker;
    std::shared_ptr<WindowManager> windowManager;
    std::shared_ptr<SettingsManager> settingsManager;
    AccessibilityHelper& accessibilityHelper;
    // Shared by every bar's tray; none when the program runs without a tray.
    std::shared_ptr<SystemTrayManager> systemTrayManager;
    // The bars' menus' way back to the shell: settings, quit.
    TaskbarShellActions shellActions{};
  };
  using TaskbarsFactory = std::function<std::unique_ptr<Taskbars>(const TaskbarsContext&)>;

  // What reading the settings file found, for the alert that tells it.
  using SettingsFileReport = platform::SettingsFileReading;

  struct Environment {
    Scheduler& scheduler;
    platform::UserDefaults& userDefaults;
    platform::Workspace& workspace;
    platform::WindowServer& windowServer;
    platform::Accessibility& accessibility;
    platform::Screens& screens;
    platform::Permissions& permissions;
    platform::Appearance& appearance;
    platform::AppShell& appShell;
    platform::LoginItems& loginItems;
    platform::FileSystem& fileSystem;
    platform::Alerts& alerts;
    platform::ProcessControl& processControl;
    // How the Dock's tools are run, for this run's Dock manager and for the start-up recovery.
    DockManager::Services dockServices;
    // The process's arguments after the program's name.
    std::vector<std::string> arguments;
    // The single-instance lock file.
    std::string instanceLockPath;
    // Makes the bars once the managers exist; without it the program runs without bars.
    TaskbarsFactory makeTaskbars;
    // Where the tray reads the battery, the locale and the time zone; without both there is no tray.
    platform::PowerSources* powerSources = nullptr;
    platform::LocaleTimeZone* localeTimeZone = nullptr;
    // Makes the settings window; without it the program has none.
    SettingsWindowFactory makeSettingsWindow;

    // ---- The front ends: status item, URLs, clipboard, updates, the shell's windows ----
    // Each may be absent: no status item, no URLs from later starts, no copying, no update checks.
    platform::StatusItem* statusItem = nullptr;
    platform::UrlDelivery* urlDelivery = nullptr;
    platform::Clipboard* clipboard = nullptr;
    platform::Updater* updater = nullptr;
    // Without a factory the window is not shown (the request is logged).
    std::function<std::unique_ptr<AboutPresenter>()> makeAboutWindow{};
    std::function<std::unique_ptr<OnboardingPresenter>(SettingsManager&, AccessibilityHelper&)>
        makeOnboardingWindow{};
    // Opens the maker's feedback and support page in the browser.
    std::function<void()> openFeedbackPage{};
    // Reads the settings file. Start-up calls it once this copy holds the single-instance lock and before
    // anything reads a setting, so that only the copy that runs reads the file, keeps a damaged one aside
    // and tells it; without it the user defaults are used as they are.
    std::function<SettingsFileReport()> readSettingsFile{};
  };

  enum class TerminateReply { terminateCancel, terminateNow, terminateLater };

  static constexpr const char* kRestoreDockArgument = "--restore-dock";
  static constexpr const char* kOnboardingCompleteKey = "PelkoOnboardingComplete";
  static constexpr const char* kFullyHideDockKey = "PelkoFullyHideDock";
  static constexpr const char* kScreenRecordingPermissionDidChange =
      "PelkoScreenRecordingPermissionDidChange";
  static constexpr const char* kDockVisibilityDidChange = "PelkoDockVisibilityDidChange";

  static constexpr double kScreenRecordingCheckInterval = 5.0;
  static constexpr double kScreenRecordingCheckTolerance = 1.0;
  static constexpr double kDockVisibilityProbeInterval = 5.0;
  static constexpr double kDockVisibilityProbeTolerance = 1.0;
  static constexpr double kAccessibilityAlertDelay = 1.0;
  static constexpr double kSuspendAfterHide = 8.0;
  static constexpr double kSuspendAfterRestore = 4.0;
  static constexpr double kSuspendAfterWake = 10.0;
  static constexpr double kWakeCheckDelay = 1.5;
  static constexpr double kDebounce = 0.05;
  static constexpr double kThrottle = 0.03;
  // How long start-up keeps asking for a single-instance lock that another process holds.
  static constexpr double kInstanceLockWait = 2.0;
  static constexpr double kInstanceLockRetryInterval = 0.05;

  static std::shared_ptr<AppDelegate> create(Environment environment);
  ~AppDelegate();
  AppDelegate(const AppDelegate&) = delete;
  AppDelegate& operator=(const AppDelegate&) = delete;

  // ---- Start-up (AppDelegate.cpp) ----
  // Runs the start-up sequence once, on the main queue after the application object exists. While
  // another process holds the single-instance lock, the steps after the lock wait for it a short while.
  void applicationDidFinishLaunching();
  // Whether start-up has run to its end.
  bool hasFinishedLaunching() const { return settingsManager_ != nullptr; }
  bool isDockHidden() const { return dockIsHidden_; }

  // The notifications the settings window observes, each with the new state.
  Publisher<bool> screenRecordingPermissionDidChange() const { return screenRecordingChanges_.publisher(); }
  Publisher<bool> dockVisibilityDidChange() const { return dockVisibilityChanges_.publisher(); }

  // ---- Dock hiding and its visibility monitor (AppDelegateDock.cpp) ----
  void setDockHidden(bool hidden);
  // Hides the Dock again although this run believes it hidden (its configuration drifted).
  void reapplyDockHiddenNow();
  // No probe starts within `seconds` from now; never shortens an earlier, longer suspension.
  void suspendDockVisibilityMonitor(double seconds);
  void probeDockVisibilityIfNeeded();
  void presentDockVisibilityAlert();

  // ---- Termination (AppDelegateTermination.cpp) ----
  // The application's terminate path: asks applicationShouldTerminate, then runs
  // applicationWillTerminate and ends the process with status 0.
  void terminate();
  TerminateReply applicationShouldTerminate();
  void applicationWillTerminate();
  void cleanup();
  void installSignalHandlers();

  // ---- For the status menu, the settings window and tests ----
  SettingsManager* settingsManager() const { return settingsManager_.get(); }
  AppTracker* appTracker() const { return appTracker_.get(); }
  WindowManager* windowManager() const { return windowManager_.get(); }
  DockManager* dockManager() const { return dockManager_.get(); }
  Taskbars* taskbars() const { return taskbars_.get(); }
  SystemTrayManager* systemTrayManager() const { return systemTrayManager_.get(); }
  AccessibilityHelper* accessibilityHelper() const { return accessibilityHelper_.get(); }
  const RepeatingTimerPtr& accessibilityTrustTimer() const { return accessibilityTrustTimer_; }
  const RepeatingTimerPtr& screenRecordingPermissionTimer() const { return screenRecordingPermissionTimer_; }
  const RepeatingTimerPtr& dockVisibilityMonitorTimer() const { return dockVisibilityMonitorTimer_; }
  double dockVisibilityMonitorSuppressedUntil() const { return dockVisibilityMonitorSuppressedUntil_; }
  bool isPresentingDockVisibilityAlert() const { return isPresentingDockVisibilityAlert_; }
  bool hasObservedExternalDockReveal() const { return hasObservedExternalDockReveal_; }
  bool shouldRestoreDockOnQuit() const { return shouldRestoreDockOnQuit_; }
  // Whether this process holds the single-instance lock.
  bool isSingleInstance() const { return instanceLock_ != nullptr; }
  // Hands the single-instance lock over, so that the process can hold it past the delegate, until the
  // last of its Dock work has finished.
  std::unique_ptr<SingleInstanceLock> takeInstanceLock();

 private:
  explicit AppDelegate(Environment environment);

  // Start-up steps.
  // Takes the single-instance lock and runs the rest of start-up; asks again later while another
  // process holds it, quits once the wait is over, and ends the process when no lock can be taken.
  void claimSingleInstanceThenStart();
  void finishLaunching();
  void reportPreviousCrash();
  void reportDamagedSettings(const SettingsFileReport& settingsFile);
  void recoverDockIfNeeded();
  void createSettings();
  void createTracking();
  void askForAccessibility();
  void startScreenRecordingMonitor();
  void screenRecordingTick();
  void createTaskbars();
  void startDockVisibilityMonitor();
  void subscribeToScreensDidWake();
  void screensDidWake();

  // Settings subscriptions (AppDelegateSubscriptions.cpp).
  void subscribeToSettings();
  using Handler = std::function<void(AppDelegate&)>;
  // Runs `handler` for every value of `trigger` (whether a batch made the change it reports), holding
  // the delegate weakly; nothing while a preset or a reset is being applied, nor for what one changed.
  void react(Publisher<bool> trigger, Handler handler);
  void forEachBar(BarUpdate update);
  void updateLayoutForCurrentPosition();

  Environment env_;
  std::weak_ptr<AppDelegate> weakSelf() { return weak_from_this(); }

  // Owned services the managers share.
  std::unique_ptr<AccessibilityHelper> accessibilityHelper_;
  std::unique_ptr<LaunchAtLoginHelper> launchAtLoginHelper_;
  std::unique_ptr<SingleInstanceLock> instanceLock_;

  // The managers, in the order of the fields of a delegate; set once during start-up.
  std::shared_ptr<AppTracker> appTracker_;
  std::shared_ptr<WindowManager> windowManager_;
  std::unique_ptr<DockManager> dockManager_;
  std::shared_ptr<SystemTrayManager> systemTrayManager_;
  std::shared_ptr<SettingsManager> settingsManager_;
  std::unique_ptr<Taskbars> taskbars_;
  std::unique_ptr<SettingsWindowHandle> settingsWindowController_;
  CancellableBag cancellables_;
  RepeatingTimerPtr accessibilityTrustTimer_;
  RepeatingTimerPtr screenRecordingPermissionTimer_;
  RepeatingTimerPtr dockVisibilityMonitorTimer_;
  bool lastKnownScreenRecordingPermission_ = false;
  double dockVisibilityMonitorSuppressedUntil_ = -std::numeric_limits<double>::infinity();
  bool isDockVisibilityProbeInFlight_ = false;
  bool isPresentingDockVisibilityAlert_ = false;
  bool hasObservedExternalDockReveal_ = false;
  bool dockIsHidden_ = false;
  bool shouldRestoreDockOnQuit_ = false;
  bool didStart_ = false;
  double instanceLockDeadline_ = 0;

  Subject<bool> screenRecordingChanges_;
  Subject<bool> dockVisibilityChanges_;

  // ==== Front ends: the status item and main menu, URL actions, restart and quit, diagnostics, update
  // checks (AppDelegateMenus.cpp, AppDelegateURLActions.cpp, AppDelegateDiagnostics.cpp,
  // AppDelegateUpdates.cpp) ====
 public:
  // ---- Status item and main menu (AppDelegateMenus.cpp) ----
  static constexpr double kOnboardingDelay = 0.5;
  static constexpr double kRestartDebounce = 2.0;
  // The status item's actions, in the order of its menu.
  void statusMenuAbout();
  void statusMenuCheckForUpdates();
  void statusMenuFeedback();
  void statusMenuOpenSettings();
  void statusMenuOpenOnboarding();
  void statusMenuRestart();
  void statusMenuCopyDiagnostics();
  void statusMenuQuit();
  bool hasStatusItem() const { return hasStatusItem_; }
  const std::vector<MenuRow>& mainMenu() const { return mainMenu_; }

  // ---- URL actions, restart and quit (AppDelegateURLActions.cpp) ----
  // URLs opened with the application, handled in order; ignored once a quit has begun.
  void openURLs(const std::vector<std::string>& urls);
  // The status menu's and the URLs' way to the settings window (showSettingsWindow).
  void openSettings();
  void openOnboarding();
  // Rebuilds every bar; a restart 2 s or less after the previous one is ignored. Never relaunches.
  void restartPelko();
  void restoreDockAndQuit();
  void forceAppRefresh();
  bool hasQuitBegun() const { return quitHasBegun_; }
  AboutPresenter* aboutWindowController() const { return aboutWindowController_.get(); }
  OnboardingPresenter* onboardingWindowController() const { return onboardingWindowController_.get(); }

  // ---- Diagnostics (AppDelegateDiagnostics.cpp) ----
  std::string diagnosticsReport() const;
  // Puts the report on the clipboard; true when it holds the report afterwards.
  bool copyDiagnosticsToPasteboard();

  // ---- Update checks (AppDelegateUpdates.cpp) ----
  void checkForUpdates() override;

 private:
  // Front ends (AppDelegateMenus.cpp, AppDelegateURLActions.cpp, AppDelegateUpdates.cpp).
  void scheduleFirstRunOnboarding();
  void startFrontEnds();
  void installStatusItem();
  void receiveURLs();
  // The process's arguments that are URLs to open.
  std::vector<std::string> urlArguments() const;
  // Hands this start's URLs to the copy that runs; true when this process is done (it then exits).
  bool forwardURLsToRunningCopy();
  void openURL(const std::string& url);
  void reactivateForUpdateWindows();

  // Front ends: the shell's windows, the status item and main menu, the restart stamp (monotonic clock).
  std::unique_ptr<AboutPresenter> aboutWindowController_;
  std::unique_ptr<OnboardingPresenter> onboardingWindowController_;
  bool hasStatusItem_ = false;
  std::vector<MenuRow> mainMenu_;
  double lastRestartTime_ = -std::numeric_limits<double>::infinity();
  bool quitHasBegun_ = false;
};

}  // namespace pelko
