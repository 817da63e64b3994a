// The status item's image as a tray host shows it (its menu: the end-to-end test StatusItemX11Test).

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>

#include "ui/QtStatusItem.h"

namespace pelko {
namespace {

platform::StatusItemImage screenOnAStand() {
  platform::StatusItemImage image;
  image.shapes = {{Rect(2, 1, 14, 9), 2.5, 1.4},
                  {Rect(4.5, 3, 9, 1.2), 0.6, 0},
                  {Rect(7.5, 10, 3, 2.5), 1.2, 0},
                  {Rect(3, 13, 12, 3.5), 1.75, 0}};
  return image;
}

TEST(QtStatusItemTest, TheTemplateImageIsDrawnInTheGivenColourWithAnOpenScreen) {
  QImage image = QtStatusItem::render(screenOnAStand(), QColor(230, 230, 230), 2.0);
  QDir dir(QCoreApplication::applicationDirPath() + "/../artifacts");
  dir.mkpath(".");
  EXPECT_TRUE(image.scaled(144, 144).save(dir.filePath("status-item-icon.png")));

  ASSERT_EQ(image.size(), QSize(36, 36));
  auto at = [&](double x, double y) { return image.pixelColor(int(x * 2), int(y * 2)); };
  // The outline's left edge at x 2, the bar, the stand and the base are ink; the screen's inside,
  // the gap beside the stand and the corners are clear.
  for (auto [x, y] : {std::pair{2.0, 5.0}, {8.0, 3.5}, {9.0, 11.0}, {9.0, 15.0}}) {
    EXPECT_GT(at(x, y).alpha(), 200) << x << "," << y;
    EXPECT_EQ(at(x, y).red(), 230) << x << "," << y;
  }
  for (auto [x, y] : {std::pair{8.0, 7.0}, {5.0, 11.5}, {0.5, 17.5}, {17.5, 0.5}})
    EXPECT_EQ(at(x, y).alpha(), 0) << x << "," << y;

  auto notTemplate = screenOnAStand();
  notTemplate.isTemplate = false;
  EXPECT_EQ(QtStatusItem::render(notTemplate, Qt::white, 1.0).pixelColor(9, 15).red(), 0);
}

TEST(QtStatusItemTest, WithoutATrayHostTheIconIsKeptForOneThatStartsLater) {
  // The offscreen platform has no system tray.
  QtStatusItem item;
  EXPECT_FALSE(item.install(screenOnAStand(), "Pelko - Taskbar for macOS", {}));
  ASSERT_NE(item.trayIcon(), nullptr);
  EXPECT_TRUE(item.trayIcon()->isVisible()) << "Qt puts a visible icon in a tray host that appears";
  EXPECT_EQ(item.trayIcon()->toolTip(), "Pelko - Taskbar for macOS");
  item.remove();
  EXPECT_EQ(item.trayIcon(), nullptr);
}

}  // namespace
}  // namespace pelko
