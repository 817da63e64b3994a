#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <memory>

#include "platform/sim/SimEventMonitors.h"
#include "platform/sim/SimMemoryPressure.h"
#include "taskbar/TaskbarTestWorld.h"
#include "taskbar/ThumbnailPanel.h"
#include "taskbar/ThumbnailServices.h"

namespace pelko::test {

// A bar world with the shared thumbnail services: simulated event monitors, memory pressure and the
// listing of the panels among this process's windows.
class ThumbnailTest : public TaskbarTest {
 protected:
  sim::SimEventMonitors eventMonitors;
  sim::SimMemoryPressure memoryPressure{scheduler};
  ThumbnailServices services{scheduler,     mac.windowServer(), mac.screens(),
                             eventMonitors, memoryPressure,     &ownWindows};

  // Panels dropped while fading out delete themselves when the fade ends.
  void TearDown() override {
    scheduler.advance(1);
    deleteLaterNow();
  }

  ThumbnailPanel::Environment panelEnvironment() {
    return {scheduler, mac.workspace(), accessibilityHelper, services};
  }
  // A button with thumbnails for `entry`, shown as its own window at Qt's global (x, y), 40 by 34:
  // in screen coordinates it covers (x, 1080 - y - 34) to (x + 40, 1080 - y).
  std::unique_ptr<AppItemView> makeThumbnailItem(TrackedAppPtr entry, int x = 100, int y = 1046) {
    AppItemEnvironment env = environment();
    env.thumbnails = &services;
    auto item = std::make_unique<AppItemView>(env);
    item->settingsManager = settings;
    item->appTracker = tracker;
    item->windowManager = windowManager;
    item->configure(std::move(entry), false);
    item->configureIconsOnly(34, false);
    item->setGeometry(x, y, 40, 34);
    item->show();
    return item;
  }
  // Runs the deletions widgets asked for with deleteLater().
  static void deleteLaterNow() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
  // The number of this process's windows the window server lists at the thumbnail panels' level.
  size_t listedPanels() {
    size_t count = 0;
    for (auto window : mac.windowsOf(mac.appShell().pid))
      if (auto state = mac.window(window); state && state->layer == ThumbnailPanel::kLevel) ++count;
    return count;
  }
};

}  // namespace pelko::test
