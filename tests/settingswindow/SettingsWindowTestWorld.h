#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QColor>
#include <QDir>
#include <QImage>
#include <cstdlib>
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

  // Where `widget` lies in a picture of `root` drawn at one pixel per point.
  static QRect frameIn(const QWidget& widget, const QWidget& root) {
    return {widget.mapTo(&root, QPoint(0, 0)), widget.size()};
  }
  // How many pixels of `area` (every second one each way) differ clearly from `base`: text, a symbol or
  // a drawn control, where a blank area has none.
  static int inkedPixels(const QImage& picture, const QRect& area, const QColor& base) {
    int inked = 0;
    const QRect inside = area & picture.rect();
    for (int y = inside.top(); y <= inside.bottom(); y += 2)
      for (int x = inside.left(); x <= inside.right(); x += 2) {
        const QColor p = picture.pixelColor(x, y);
        inked += std::abs(p.red() - base.red()) + std::abs(p.green() - base.green()) +
                     std::abs(p.blue() - base.blue()) >
                 60;
      }
    return inked;
  }
  // The colours of two pixels are within `tolerance` of each other on every channel.
  static bool sameColour(const QColor& a, const QColor& b, int tolerance = 3) {
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
  }

  static void save(const QImage& picture, const QString& file) {
    QDir dir(QCoreApplication::applicationDirPath());
    dir.mkpath("settingswindow-renders");
    dir.cd("settingswindow-renders");
    EXPECT_TRUE(picture.save(dir.filePath(file)));
  }
};

}  // namespace pelko::test
