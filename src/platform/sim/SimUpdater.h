#pragma once

#include <string>

#include "foundation/DebugLog.h"
#include "foundation/Scheduler.h"
#include "platform/Updater.h"
#include "platform/sim/SimAppShell.h"

namespace pelko::sim {

// The update framework without a network: it never finds an update. A check shows the framework's
// status window among the application's windows for `checkWindowSeconds` (none when 0), as the
// framework does while it looks.
class SimUpdater final : public platform::Updater {
 public:
  static constexpr const char* kStatusWindowClass = "SUUpdateStatusWindowController";

  SimUpdater(Scheduler& scheduler, SimAppShell& shell) : scheduler_(scheduler), shell_(shell) {}

  void start() override { ++startCount; }
  void checkForUpdates() override {
    ++checkCount;
    debugLog("Updater: no network here; no update was looked for");
    if (checkWindowSeconds <= 0) return;
    shell_.windowList.push_back({kStatusWindowClass, true, false});
    scheduler_.mainAfter(checkWindowSeconds, [this] {
      auto& list = shell_.windowList;
      for (auto it = list.begin(); it != list.end(); ++it) {
        if (it->className == kStatusWindowClass) {
          list.erase(it);
          break;
        }
      }
    });
  }

  double checkWindowSeconds = 0;
  int startCount = 0;
  int checkCount = 0;

 private:
  Scheduler& scheduler_;
  SimAppShell& shell_;
};

}  // namespace pelko::sim
