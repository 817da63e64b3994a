#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QLabel>

#include "TaskbarTestWorld.h"
#include "taskbar/BatteryFillView.h"
#include "taskbar/SystemTrayView.h"
#include "taskbar/TrashIconView.h"

namespace pelko::test {
namespace {

// Whole bars with the trash button and the tray, saved as PNG under the build tree (artifacts/) to be
// looked at; the checks are on where the parts landed.
class TaskbarAccessoriesRenderTest : public TaskbarTest {
 protected:
  void SetUp() override {
    connectTracker();
    const std::pair<const char*, Color> apps[] = {{"Browser", {0.20, 0.55, 0.95, 1}},
                                                  {"Mail", {0.30, 0.75, 0.95, 1}},
                                                  {"Notes", {0.98, 0.80, 0.20, 1}},
                                                  {"Terminal", {0.15, 0.15, 0.15, 1}}};
    for (const auto& [name, color] : apps) {
      sim::SimAppSetup setup;
      setup.bundleID = std::string("com.example.") + name;
      setup.name = name;
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

  // The bar at the current position, saved as `file` once its buttons have faded in.
  void render(const char* file) {
    bar = makeController(false);
    auto screen = mac.screens().screens().front();
    panel = std::make_unique<TaskbarPanel>(
        TaskbarPanel::frameForPosition(settings->position.get(), settings->barThickness(), screen, 0, 0),
        mac.screens(), &ownWindows);
    panel->setContentView(bar->view());
    panel->syncContentViewFrame();
    panel->orderFront();
    scheduler.advance(1);
    save(file);
  }
  void save(const char* file) {
    QDir dir(QCoreApplication::applicationDirPath() + "/../artifacts");
    dir.mkpath(".");
    EXPECT_TRUE(panel->grab().toImage().save(dir.filePath(file)));
  }
  QRect inPanel(const QWidget* view) const { return {view->mapTo(panel.get(), QPoint(0, 0)), view->size()}; }

  std::unique_ptr<TaskbarViewController> bar;
  std::unique_ptr<TaskbarPanel> panel;
  std::vector<int32_t> pids;
};

TEST_F(TaskbarAccessoriesRenderTest, WideBottomBarWithCountsADimmedEntryTrashAndTray) {
  for (int i = 0; i < 2; ++i) mac.openWindow(pids[1], {.title = "Draft"});
  settings->indicateHidden = true;
  mac.hide(pids[3]);
  settings->windowCountStyle = WindowCountStyle::badge;
  render("bottom-bar-tray.png");
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
  EXPECT_TRUE(tray->batteryFillView()->isVisibleTo(tray)) << "the segments style fills the tray";
  const QRect trayFrame = inPanel(tray), trashFrame = inPanel(bar->trashIconView());
  EXPECT_EQ(trayFrame.right(), 1915);
  EXPECT_EQ(trashFrame.right(), trayFrame.left() - 5);
  EXPECT_LE(inPanel(items.back()).right(), trashFrame.left() - 4);
  EXPECT_EQ(items[3]->dimmedAlpha(), 0.4);
}

TEST_F(TaskbarAccessoriesRenderTest, LeftBarWithTrashAndTrayAtTheBottom) {
  settings->position = TaskbarPosition::left;
  render("left-bar-tray.png");
  const QRect trayFrame = inPanel(bar->systemTrayView()), trashFrame = inPanel(bar->trashIconView());
  EXPECT_EQ(trayFrame.bottom(), 1055 - 5);
  EXPECT_EQ(trashFrame, QRect(4, trayFrame.top() - 44, 40, 40));
}

TEST_F(TaskbarAccessoriesRenderTest, CentredAndRightAlignedItemsMeasureUpToTheTrash) {
  settings->style = TaskbarStyle::iconsOnly;
  for (auto [alignment, file] : {std::pair{ItemAlignment::center, "bottom-bar-tray-centred.png"},
                                 {ItemAlignment::right, "bottom-bar-tray-right.png"}}) {
    settings->itemAlignment = alignment;
    render(file);
    const int trash = inPanel(bar->trashIconView()).left();
    const auto items = bar->arrangedItems();
    ASSERT_EQ(items.size(), 4u);
    const int first = inPanel(items.front()).left(), end = inPanel(items.back()).right() + 1;
    if (alignment == ItemAlignment::center) {
      EXPECT_NEAR(first, trash - end, 1) << "as far from the start as from the trash";
    } else {
      EXPECT_EQ(end, trash - 4);
    }
  }
}

}  // namespace
}  // namespace pelko::test
