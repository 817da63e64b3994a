#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <memory>
#include <optional>

#include "platform/sim/SimAlerts.h"
#include "settingswindow/SettingsViewController.h"
#include "settingswindow/SettingsWindowController.h"
#include "support/SimulatedSystem.h"

namespace pelko::test {

// The settings window on the simulated Mac: the view controller inside its window, alerts answered
// from a script, the pointer placed by the test.
class SettingsWindowTest : public ::testing::Test {
 protected:
  SimulatedSystem system;
  sim::SimAlerts alerts;
  std::optional<QPoint> pointer;
  std::unique_ptr<SettingsWindowController> controller;

  SettingsViewController::Dependencies viewDependencies() {
    return {system.scheduler,
            system.defaults,
            alerts,
            system.mac.appShell(),
            &system.mac.screens(),
            [this] { return pointer; },
            {},
            {}};
  }

  // Builds the window with its content (the content builds itself at once).
  SettingsViewController& open() { return open(viewDependencies()); }
  SettingsViewController& open(SettingsViewController::Dependencies dependencies) {
    auto* content = new SettingsViewController(system.settings, std::move(dependencies));
    controller = std::make_unique<SettingsWindowController>(
        SettingsWindowController::Dependencies{system.scheduler, system.defaults, system.mac.workspace(),
                                               system.mac.appShell(), &system.mac.screens()},
        content);
    return *content;
  }

  // The one display at `scale`.
  void setScale(double scale) { system.mac.setDisplays({{1, Rect(0, 0, 1920, 1080), scale, "Display"}}); }

  static void save(const QImage& picture, const QString& file) {
    QDir dir(QCoreApplication::applicationDirPath());
    dir.mkpath("settingswindow-renders");
    dir.cd("settingswindow-renders");
    EXPECT_TRUE(picture.save(dir.filePath(file)));
  }
};

}  // namespace pelko::test
