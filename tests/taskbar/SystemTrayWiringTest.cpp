#include <gtest/gtest.h>

#include <QLabel>
#include <QMimeData>
#include <QUrl>

#include "TaskbarTestWorld.h"
#include "taskbar/SystemTrayView.h"
#include "taskbar/TrashIconView.h"

namespace pelko::test {
namespace {

// A bottom bar in its panel on the main screen (1920 long), over the shared tray manager.
class SystemTrayWiringTest : public TaskbarTest {
 protected:
  std::unique_ptr<TaskbarViewController> bar;
  std::unique_ptr<TaskbarPanel> panel;

  void build() {
    panel.reset();
    bar = makeController(true);
    auto screen = mac.screens().screens().front();
    panel = std::make_unique<TaskbarPanel>(
        TaskbarPanel::frameForPosition(settings->position.get(), settings->barThickness(), screen, 0, 0),
        mac.screens(), &ownWindows);
    panel->setContentView(bar->view());
    panel->syncContentViewFrame();
    panel->orderFront();
    scheduler.runUntilIdle();
  }
};

TEST_F(SystemTrayWiringTest, TheTrayIsBoundWhetherShownOrNotAndOnlyAShownOneTakesRoom) {
  accessories.systemTrayManager->start();
  for (bool shown : {false, true}) {
    SCOPED_TRACE(shown);
    settings->showSystemTray = shown;
    build();
    SystemTrayView* tray = bar->systemTrayView();
    ASSERT_NE(tray, nullptr);
    EXPECT_EQ(tray->timeLabel()->text(), "8:16 AM");
    EXPECT_EQ(tray->parentWidget() == bar->view(), shown);
    // The stack reaches 4 points before the tray, or before the bar's end.
    EXPECT_EQ(bar->appStackView()->geometry().right() + 1, shown ? 1832 : 1916);
  }
  accessories.systemTrayManager->stop();
}

TEST_F(SystemTrayWiringTest, ATrayThatGrowsPushesTheStackBack) {
  settings->showSystemTray = true;
  build();
  const QRect before = bar->systemTrayView()->geometry();
  EXPECT_EQ(before, QRect(1836, 0, 80, 34));
  accessories.systemTrayManager->start();
  settings->clockFontSize = 40;
  scheduler.runUntilIdle();
  const QRect after = bar->systemTrayView()->geometry();
  EXPECT_GT(after.width(), 80);
  EXPECT_EQ(after.right(), 1915) << "still 4 points from the end";
  EXPECT_EQ(bar->appStackView()->geometry().right() + 1, after.left() - 4);
  accessories.systemTrayManager->stop();
}

TEST_F(SystemTrayWiringTest, TheTrashButtonIsEightPointsSmallerThanTheBarAndTrashesDroppedFiles) {
  settings->showTrashIcon = true;
  build();
  TrashIconView* trash = bar->trashIconView();
  ASSERT_NE(trash, nullptr);
  EXPECT_EQ(trash->geometry(), QRect(1890, 4, 26, 26));
  QMimeData files;
  files.setUrls({QUrl::fromLocalFile("/Users/user/report.txt")});
  EXPECT_EQ(trash->performDrop(files), Qt::MoveAction);
  EXPECT_EQ(accessories.trash.trashed, std::vector<std::string>{"/Users/user/report.txt"});

  settings->showTrashIcon = false;
  bar->updateLayout(TaskbarPosition::bottom);
  EXPECT_EQ(bar->trashIconView(), nullptr);
}

}  // namespace
}  // namespace pelko::test
