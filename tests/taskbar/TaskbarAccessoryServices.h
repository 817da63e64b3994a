#pragma once

#include <memory>

#include "platform/sim/SimAlerts.h"
#include "platform/sim/SimLocaleTimeZone.h"
#include "platform/sim/SimPowerSources.h"
#include "platform/sim/SimTrash.h"
#include "taskbar/SystemTrayManager.h"

namespace pelko::test {

// What a bar's trash button and tray stand on in the simulated Mac: its trash, alerts, power sources,
// locale and time zone, and the one tray manager every bar shares (not started).
struct TaskbarAccessoryServices {
  TaskbarAccessoryServices(Scheduler& scheduler, platform::Workspace& workspace)
      : powerSources(scheduler),
        localeTimeZone(scheduler),
        systemTrayManager(SystemTrayManager::create({scheduler, workspace, powerSources, localeTimeZone})) {}

  sim::SimTrash trash;
  sim::SimAlerts alerts;
  sim::SimPowerSources powerSources;
  sim::SimLocaleTimeZone localeTimeZone;
  std::shared_ptr<SystemTrayManager> systemTrayManager;
};

}  // namespace pelko::test
