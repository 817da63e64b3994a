#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/Scheduler.h"
#include "platform/ChildProcess.h"
#include "platform/FileSystem.h"
#include "platform/UserDefaults.h"
#include "platform/WindowServer.h"
#include "platform/Workspace.h"
#include "settings/SettingEnumerations.h"

namespace pelko {

// Hides the macOS Dock while the taskbar runs and gives it back afterwards. The Dock is never talked to
// directly: its preferences (domain "com.apple.dock") are rewritten with the `defaults` tool and the
// Dock is restarted with `killall Dock` so it rereads them. Before a hide the Dock's previous values are
// recorded in this application's user defaults, so that a later start can undo a hide that a crash or
// a kill left behind.
//
// The user's Dock configuration is never lost:
// - The record is written, and synchronized to disk, before the first preference is changed; a hide
//   whose reading of the previous values fails changes nothing. A copy of it is written atomically to a
//   file of its own at the same time and removed with it; a record missing from the user defaults, or
//   unreadable there, is taken from the copy.
// - A hide while a record exists keeps it and only re-applies the hidden configuration; a hide that
//   finds the Dock already hidden without a record records the Dock's factory configuration.
// - The previous "autohide-delay" and "autohide-time-modifier" are recorded (present or absent) and put
//   back, as is the absence of "autohide" and "mineffect".
// - Every operation that changes the Dock holds one process-wide lock, and a restore stops whatever
//   remains of a running hide before it starts, so the two never interleave.
// - The record is removed only once every command of a restore succeeded; a failed or timed-out
//   restore keeps it for the next attempt.
// - A hide writes "autohide-delay" first and a restore puts it back last, and a restore marks itself
//   in progress on disk before its first command, so that the start-up recovery can tell a Dock left
//   half-way by a crash from one the user changed since.
class DockManager {
 public:
  enum class DockPlacement { left, bottom, right };
  static std::string_view rawValue(DockPlacement placement);
  // The raw value with its first letter in upper case: "Left", "Bottom", "Right".
  static std::string displayName(DockPlacement placement);
  // Exactly "left", "bottom" or "right"; anything else is no placement.
  static std::optional<DockPlacement> placementFromRawValue(std::string_view raw);

  struct VisibilitySnapshot {
    bool matchesPelkoHiddenConfiguration = false;
    bool isActuallyVisibleOnScreen = false;
    bool autohideEnabled = false;
    std::optional<DockPlacement> placement;
    bool operator==(const VisibilitySnapshot&) const = default;
  };

  struct OptimizationResult {
    std::optional<DockPlacement> placement;
    bool autohideEnabled = false;
    bool operator==(const OptimizationResult&) const = default;
  };

  // What the Dock commands run with. The start-up recovery takes the same, without a manager.
  struct Services {
    Services(platform::ChildProcess& childProcess, platform::UserDefaults& userDefaults)
        : childProcess(childProcess), userDefaults(userDefaults) {}

    platform::ChildProcess& childProcess;
    platform::UserDefaults& userDefaults;
    // "/usr/bin/defaults" and "/usr/bin/killall" on a Mac; the stand-ins elsewhere.
    std::string defaultsPath = "/usr/bin/defaults";
    std::string killallPath = "/usr/bin/killall";
    // The application's short version string, recorded with a hide; "unknown" when absent.
    std::optional<std::string> appVersion;
    // How long one tool run may take before it is terminated.
    double commandTimeoutSeconds = 5.0;
    // How long a restore waits for a hide of the same manager that is still running.
    double hideWaitSeconds = 3.0;
    // Where a second copy of the recovery record is kept, in a small file of its own beside the
    // settings: damage to the settings file (garbage, deletion, keys of the wrong type) must not cost
    // the Dock its previous configuration. No copy is kept without a file system or a path.
    platform::FileSystem* fileSystem = nullptr;
    std::string recordCopyPath;
  };

  // Recovery keys in the application's user defaults.
  static constexpr const char* kPreviousAutoHideKey = "PelkoPreviousAutoHide";
  static constexpr const char* kPreviousMinEffectKey = "PelkoPreviousMinEffect";
  static constexpr const char* kRecoveryVersionKey = "PelkoDockRecoveryVersion";
  static constexpr const char* kRecoveryNeededKey = "PelkoDockRecoveryNeeded";
  // The Dock's timing preferences before the hide, as text; absent when the Dock had none.
  static constexpr const char* kPreviousAutoHideDelayKey = "PelkoPreviousAutoHideDelay";
  static constexpr const char* kPreviousAutoHideTimeModifierKey = "PelkoPreviousAutoHideTimeModifier";
  // The Dock preferences that had no value before the hide (a restore deletes them again).
  static constexpr const char* kPreviousAbsentKeysKey = "PelkoPreviousAbsentDockKeys";
  // Set while a restore runs; a restore cut short by a crash is completed by the next recovery.
  static constexpr const char* kRestoreInProgressKey = "PelkoDockRestoreInProgress";

  // Background work keeps the manager's state alive until it ends, so the scheduler and the ports
  // must outlive the manager's queued work (the application keeps all of them for its lifetime).
  // The user defaults are written from the hide's background queue: the store must be thread-safe.
  DockManager(Scheduler& scheduler, platform::Workspace& workspace, platform::WindowServer& windowServer,
              Services services);
  ~DockManager();
  DockManager(const DockManager&) = delete;
  DockManager& operator=(const DockManager&) = delete;

  // Starts a hide in the background and returns at once; does nothing while a hide started here is
  // still on its way. Main thread.
  void hideDock();
  // Puts the recorded configuration back and restarts the Dock, on the calling (main) thread; first
  // waits up to `hideWaitSeconds` for a running hide and stops whatever remains of it.
  void restoreDock();
  // True while a hide started by this manager has not finished.
  bool isHideRunning() const;

  // A previous run hid the Dock and its record is still there: in the user defaults, or (with
  // `services`) in the record's copy.
  static bool needsRecovery(const platform::UserDefaults& userDefaults);
  static bool needsRecovery(const Services& services);
  // Undoes a hide left behind by an earlier run, synchronously: from the record when the Dock still
  // shows the hide (or a restore was cut short); when the user has changed the Dock since, only the
  // record is dropped.
  static void emergencyRestoreDock(const Services& services);
  // emergencyRestoreDock(), then ends the process with status 0.
  [[noreturn]] static void restoreDockAndExit(const Services& services);

  // Gathers the Dock's state on a background queue; `completion` runs once, on the main queue.
  void dockVisibilitySnapshot(std::function<void(VisibilitySnapshot)> completion);
  // Puts a visible Dock into plain auto-hide on an edge away from the taskbar, in the background;
  // `completion`, when given, runs on the main queue after the Dock was restarted.
  void optimizeVisibleDock(TaskbarPosition taskbarPosition,
                           std::function<void(OptimizationResult)> completion);
  static DockPlacement recommendedVisiblePlacement(TaskbarPosition taskbarPosition,
                                                   std::optional<DockPlacement> current);
  static bool dockPlacementConflicts(DockPlacement placement, TaskbarPosition taskbarPosition);

 private:
  struct Core;

  static VisibilitySnapshot takeSnapshot(const Core& core);
  static OptimizationResult performOptimization(const Core& core, TaskbarPosition taskbarPosition);

  std::shared_ptr<Core> core_;
};

}  // namespace pelko
