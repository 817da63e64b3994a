#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "platform/sim/SimOwnWindows.h"
#include "support/SimulatedSystem.h"
#include "taskbar/AppItemView.h"
#include "taskbar/TaskbarPanel.h"
#include "taskbar/TaskbarViewController.h"
#include "tracking/TrackedApp.h"

namespace pelko::test {

// A simulated Mac with the settings store, tracker and window manager one bar works with.
class TaskbarTest : public ::testing::Test, protected SimulatedSystem {
 protected:
  sim::SimOwnWindows ownWindows{mac};

  TaskbarViewController::Environment environment() {
    return {scheduler, mac.workspace(), appearance, accessibilityHelper};
  }
  std::unique_ptr<TaskbarViewController> makeController(bool externallyManaged) {
    return std::make_unique<TaskbarViewController>(tracker, windowManager, settings, externallyManaged,
                                                   environment());
  }

  static TrackedAppPtr appEntry(int32_t pid, const std::string& name, bool active = false) {
    return std::make_shared<TrackedApp>("com.example." + name, name, AppImage{}, pid, active, false, false,
                                        std::nullopt, std::nullopt);
  }
  static TrackedAppPtr windowEntry(int32_t pid, const std::string& name, int64_t window, std::string title,
                                   bool active = false) {
    return std::make_shared<TrackedApp>("com.example." + name, name, AppImage{}, pid, active, false, false,
                                        std::move(title), window);
  }
};

}  // namespace pelko::test
