#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QMimeData>
#include <QUrl>

#include "TaskbarTestWorld.h"
#include "taskbar/BatteryFillView.h"
#include "taskbar/SystemTrayView.h"
#include "taskbar/TrashIconView.h"

namespace pelko::test {
namespace {

// Bars with the trash button and the tray over four applications and a half-charged battery that is
// charging; each bar is saved as PNG under the build tree (artifacts/) to be looked at.
class SystemTrayWiringTest : public TaskbarTest {
 protected:
  void SetUp() override {
    connectTracker();
    const std::pair<const char*, Color> apps[] = {{"Browser", {0.20, 0.55, 0.95, 1}},
                                                  {"Mail", {0.30, 0.75, 0.95, 1}},
                                                  {"Notes", {0.98, 0.80, 0.20, 1}},
                                                  {"Terminal", {0.15, 0.15, 0.15, 1}}};
    for (const auto& [name, color] : apps) {
      sim::SimAppSetup setup{.bundleID = std::string("com.example.") + name, .name = name};
      setup.icon = platform::AppIcon{*setup.bundleID, color};
      pids.push_back(mac.launchApp(setup));
      mac.openWindow(pids.back(), {.title = name});
    }
    accessories.powerSources.setSources(std::vector{sim::SimPowerSources::internalBattery(50, true)});
    settings->showTrashIcon = true;
    settings->showSystemTray = true;
    settings->batteryIconStyle = BatteryIconStyle::segments;
    accessories.systemTrayManager->start();
    tracker->start();
  }
  void TearDown() override {
    tracker->stop();
    accessories.systemTrayManager->stop();
  }

  // The bar at the current position in its panel, saved as `file` (when given) once its buttons are in.
  void render(const char* file = nullptr) {
    panel.reset();
    bar = makeController(false);
    auto screen = mac.screens().screens().front();
    panel = std::make_unique<TaskbarPanel>(
        TaskbarPanel::frameForPosition(settings->position.get(), settings->barThickness(), screen, 0, 0),
        mac.screens(), &ownWindows);
    panel->setContentView(bar->view());
    panel->syncContentViewFrame();
    panel->orderFront();
    scheduler.advance(1);
    if (file) save(file);
  }
  void save(const char* file) {
    QDir dir(QCoreApplication::applicationDirPath() + "/../artifacts");
    dir.mkpath(".");
    EXPECT_TRUE(panel->grab().toImage().save(dir.filePath(file)));
  }
  QRect inPanel(const QWidget* view) const { return {view->mapTo(panel.get(), QPoint(0, 0)), view->size()}; }

  std::unique_ptr<TaskbarPanel> panel;
  std::unique_ptr<TaskbarViewController> bar;
  std::vector<int32_t> pids;
};

// Badge, dots and stacked copies side by side, a hidden application faded, then the trash and the tray.
TEST_F(SystemTrayWiringTest, WideBottomBarEndsInTheTrashAndTheTrayAndTheTrashTakesDroppedFiles) {
  for (int i = 0; i < 2; ++i) mac.openWindow(pids[1], {.title = "Draft"});
  settings->indicateHidden = true;
  mac.hide(pids[3]);
  settings->windowCountStyle = WindowCountStyle::badge;
  render();
  auto items = bar->arrangedItems();
  ASSERT_EQ(items.size(), 4u);
  settings->windowCountStyle = WindowCountStyle::dots;
  items[0]->updateWindowCount(3);
  settings->windowCountStyle = WindowCountStyle::stacked;
  items[2]->updateWindowCount(4);
  save("bottom-bar-tray.png");

  SystemTrayView* tray = bar->systemTrayView();
  EXPECT_EQ(tray->timeLabel()->text(), "8:16 AM");
  EXPECT_EQ(tray->batteryPercentLabel()->text(), "50%");
  EXPECT_TRUE(tray->batteryFillView()->isVisibleTo(tray));
  const QRect trayFrame = inPanel(tray), trashFrame = inPanel(bar->trashIconView());
  EXPECT_EQ(trayFrame.right(), 1915);
  EXPECT_EQ(trashFrame, QRect(trayFrame.left() - 30, 4, 26, 26));
  EXPECT_LE(inPanel(items.back()).right(), trashFrame.left() - 4);

  QMimeData files;
  files.setUrls({QUrl::fromLocalFile("/Users/user/report.txt")});
  EXPECT_EQ(bar->trashIconView()->performDrop(files), Qt::MoveAction);
  EXPECT_EQ(accessories.trash.trashed, std::vector<std::string>{"/Users/user/report.txt"});
}

TEST_F(SystemTrayWiringTest, LeftBarEndsInTheTrashAboveTheTray) {
  settings->position = TaskbarPosition::left;
  render("left-bar-tray.png");
  const QRect trayFrame = inPanel(bar->systemTrayView());
  EXPECT_EQ(trayFrame.bottom(), 1055 - 5);
  EXPECT_EQ(inPanel(bar->trashIconView()), QRect(4, trayFrame.top() - 44, 40, 40));
}

// Where exactly: the alignment table of the view controller's tests.
TEST_F(SystemTrayWiringTest, CentredAndRightAlignedItemsBeforeTheTrash) {
  settings->style = TaskbarStyle::iconsOnly;
  settings->itemAlignment = ItemAlignment::center;
  render("bottom-bar-tray-centred.png");
  settings->itemAlignment = ItemAlignment::right;
  render("bottom-bar-tray-right.png");
  EXPECT_EQ(inPanel(bar->arrangedItems().back()).right() + 1, inPanel(bar->trashIconView()).left() - 4);
}

TEST_F(SystemTrayWiringTest, TheTrayIsBoundEvenOffTheBarAndTheBarFollowsItsSize) {
  settings->showSystemTray = false;
  settings->showTrashIcon = false;
  render();
  EXPECT_EQ(bar->systemTrayView()->timeLabel()->text(), "8:16 AM");
  EXPECT_EQ(bar->systemTrayView()->parentWidget(), nullptr);
  EXPECT_EQ(bar->trashIconView(), nullptr);
  EXPECT_EQ(bar->appStackView()->geometry().right(), 1915);

  settings->showSystemTray = true;
  bar->updateLayout(TaskbarPosition::bottom);
  scheduler.runUntilIdle();
  settings->clockFontSize = 40;
  scheduler.runUntilIdle();
  const QRect tray = bar->systemTrayView()->geometry();
  EXPECT_GT(tray.width(), 80);
  EXPECT_EQ(tray.right(), 1915);
  EXPECT_EQ(bar->appStackView()->geometry().right() + 1, tray.left() - 4);
}

}  // namespace
}  // namespace pelko::test
