#pragma once

#include <QWidget>
#include <memory>

#include "settings/SettingsManager.h"
#include "support/SimulatedSystem.h"
#include "taskbar/TaskbarAccessoryServices.h"
#include "taskbar/TaskbarContainerView.h"
#include "taskbar/TaskbarViewController.h"

namespace pelko::bench {

// One bar over the simulated Mac, externally managed, 1920 points long, in a window of its own.
struct BarWorld : test::SimulatedSystem {
  QWidget window;
  test::TaskbarAccessoryServices accessories{scheduler, mac.workspace()};
  std::unique_ptr<TaskbarViewController> bar;

  explicit BarWorld(TaskbarStyle style) {
    settings->style = style;
    bar = std::make_unique<TaskbarViewController>(
        tracker, windowManager, accessories.systemTrayManager, settings, true,
        TaskbarViewController::Environment{scheduler, mac.workspace(), appearance, accessibilityHelper,
                                           accessories.trash, accessories.alerts});
    bar->view()->setParent(&window);
    window.resize(1920, 34);
    bar->view()->resize(1920, 34);
    window.show();
  }
  ~BarWorld() { bar->view()->setParent(nullptr); }
};

}  // namespace pelko::bench
