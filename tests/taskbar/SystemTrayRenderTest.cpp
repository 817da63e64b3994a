#include <QCoreApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QMimeData>
#include <QUrl>

#include "SystemTrayTestWorld.h"
#include "platform/sim/SimAlerts.h"
#include "platform/sim/SimTrash.h"
#include "taskbar/BatteryIconView.h"
#include "taskbar/SystemTrayView.h"
#include "taskbar/TrashIconView.h"

namespace pelko::test {
namespace {

QString artifactPath(const QString& name) {
  QDir dir(QCoreApplication::applicationDirPath());
  dir.mkpath("../artifacts");
  return dir.filePath("../artifacts/" + name);
}

bool hasPixelNear(const QImage& image, const QRect& area, const QColor& colour, int tolerance) {
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) {
      const QColor p = image.pixelColor(x, y);
      if (std::abs(p.red() - colour.red()) <= tolerance &&
          std::abs(p.green() - colour.green()) <= tolerance &&
          std::abs(p.blue() - colour.blue()) <= tolerance)
        return true;
    }
  return false;
}

// Draws the tray (time, date, a charging battery at 50 % in segments) and the trash button on the
// bar's default background, saves it under the build tree (artifacts/) and checks the pixels that
// matter.
TEST_F(SystemTrayTest, RendersTheTrayAndTheTrashButton) {
  powerSources.sources = std::vector{sim::SimPowerSources::internalBattery(50, true)};
  manager->start();
  settings->batteryIconStyle = BatteryIconStyle::segments;
  sim::SimTrash trash;
  sim::SimAlerts alerts;

  QWidget bar;
  bar.setAutoFillBackground(true);
  QPalette palette = bar.palette();
  const Color bg = settings->backgroundColor.get();
  palette.setColor(QPalette::Window, QColor::fromRgbF(bg.red, bg.green, bg.blue));
  bar.setPalette(palette);
  auto* layout = new QHBoxLayout(&bar);
  layout->setContentsMargins(4, 4, 4, 4);
  auto* trashButton = new TrashIconView({scheduler, mac.workspace(), trash, alerts}, 34);
  trashButton->setFixedSize(34, 34);
  // A second button as it looks while files are dragged over it.
  auto* dragTarget = new TrashIconView({scheduler, mac.workspace(), trash, alerts}, 34);
  dragTarget->setFixedSize(34, 34);
  QMimeData files;
  files.setUrls({QUrl::fromLocalFile("/Users/user/a.txt")});
  dragTarget->draggingEntered(files);
  auto* tray = new SystemTrayView(scheduler);
  tray->bind(*manager, settings.get());
  scheduler.runUntilIdle();
  tray->setFixedSize(tray->sizeHint().width(), 34);
  layout->addWidget(trashButton);
  layout->addWidget(dragTarget);
  layout->addWidget(tray);
  bar.resize(bar.sizeHint());
  layout->activate();
  const QImage image = bar.grab().toImage();
  ASSERT_TRUE(image.save(artifactPath("system-tray.png")));
  image.scaled(image.size() * 4, Qt::IgnoreAspectRatio, Qt::FastTransformation)
      .save(artifactPath("system-tray-x4.png"));

  const QRect trayArea = tray->geometry();
  // Text drawn white, and green in the glyph's charge fill.
  EXPECT_TRUE(
      hasPixelNear(image, tray->timeLabel()->geometry().translated(tray->clockStack()->mapTo(&bar, QPoint())),
                   Qt::white, 40));
  const QRect glyph =
      tray->batteryIconView()->rect().translated(tray->batteryIconView()->mapTo(&bar, QPoint()));
  EXPECT_TRUE(hasPixelNear(image, glyph, QColor::fromRgbF(0.204f, 0.780f, 0.349f), 40));
  // The right half of the segment fill stays the bar's colour; the left half is tinted.
  const QColor barColour = QColor::fromRgbF(bg.red, bg.green, bg.blue);
  const int midY = trayArea.top() + 5;
  EXPECT_EQ(image.pixelColor(trayArea.right() - 5, midY), barColour);
  EXPECT_NE(image.pixelColor(trayArea.left() + 5, midY), barColour);
  // The trash symbol is drawn inside its inset.
  const QRect symbol = trashButton->geometry().adjusted(6, 6, -6, -6);
  EXPECT_TRUE(hasPixelNear(image, symbol, QColor(150, 150, 150), 40));
  EXPECT_TRUE(hasPixelNear(image, dragTarget->geometry().adjusted(6, 6, -6, -6), QColor(255, 59, 48), 10));
}

}  // namespace
}  // namespace pelko::test
