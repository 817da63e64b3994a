#include <gtest/gtest.h>

#include <QDir>
#include <QPainter>

#include "taskbar/ThumbnailCard.h"
#include "taskbar/ThumbnailTestWorld.h"

namespace pelko::test {
namespace {

// Renders thumbnail panels where a person would see them, over the bar they belong to, to PNG files
// under the build tree (artifacts/), and checks the pixels that matter.
class ThumbnailRenderTest : public ThumbnailTest {
 protected:
  void SetUp() override {
    connectTracker();
    mac.setReduceMotion(true);  // pictures of the end state
    editor = launch("Editor", {0.20, 0.55, 0.95, 1}, {"Budget 2027.xlsx", "Quarterly Report", "Notes"});
    launch("Mail", {0.95, 0.30, 0.40, 1}, {"Inbox"});
    tracker->start();
    scheduler.runUntilIdle();
  }
  void TearDown() override {
    tracker->stop();
    ThumbnailTest::TearDown();
  }

  int32_t launch(const std::string& name, Color color, const std::vector<std::string>& titles) {
    const int32_t pid = mac.launchApp({.bundleID = "com.example." + name,
                                       .name = name,
                                       .icon = platform::AppIcon{"com.example." + name, color}});
    double offset = 0;
    for (const auto& title : titles) {
      mac.openWindow(pid, {.title = title, .bounds = {200 + offset, 150 + offset, 1200, 800}});
      offset += 40;
    }
    return pid;
  }
  struct Bar {
    std::unique_ptr<TaskbarViewController> controller;
    std::unique_ptr<TaskbarPanel> panel;
  };
  Bar makeBar(TaskbarPosition position) {
    settings->position = position;
    Bar bar{
        std::make_unique<TaskbarViewController>(
            tracker, windowManager, accessories.systemTrayManager, settings, false,
            TaskbarViewController::Environment{scheduler, mac.workspace(), appearance, accessibilityHelper,
                                               accessories.trash, accessories.alerts, &services}),
        nullptr};
    bar.panel = makePanel(*bar.controller);
    scheduler.advance(1);
    return bar;
  }
  AppItemView* itemOf(Bar& bar, int32_t pid) {
    for (AppItemView* item : bar.controller->arrangedItems())
      if (item->trackedApp() && item->trackedApp()->pid == pid) return item;
    return nullptr;
  }
  static ThumbnailPanel* hover(AppItemView& item) {
    item.mouseEntered();
    item.showThumbnailsForDragHover();
    return item.activeThumbnailPanel();
  }
  // The windows drawn where they are on a 1920 x 1080 screen, cut to `area` (Qt's coordinates).
  static QImage scene(const std::vector<QWidget*>& windows, const QRect& area) {
    QImage screen(1920, 1080, QImage::Format_ARGB32_Premultiplied);
    screen.fill(QColor(58, 74, 96));
    QPainter painter(&screen);
    for (QWidget* window : windows) painter.drawImage(window->geometry().topLeft(), window->grab().toImage());
    painter.end();
    return screen.copy(area);
  }
  static void save(const QImage& picture, const char* file) {
    QDir dir(QCoreApplication::applicationDirPath() + "/../artifacts");
    dir.mkpath(".");
    EXPECT_TRUE(picture.save(dir.filePath(file)));
  }

  int32_t editor = 0;
};

TEST_F(ThumbnailRenderTest, AGroupOfThreeAboveABottomBarItem) {
  Bar bar = makeBar(TaskbarPosition::bottom);
  ThumbnailPanel* panel = hover(*itemOf(bar, editor));
  ASSERT_TRUE(panel);
  scheduler.runUntilIdle();
  ASSERT_EQ(panel->cards().size(), 3u);
  const QImage image = scene({bar.panel.get(), panel}, QRect(0, 700, 1100, 380));
  save(image, "thumbnails-bottom-group.png");
  // The first card's picture: the title strip, then the body in the application's tint.
  const QPoint body = panel->geometry().topLeft() - QPoint(0, 700) + panel->cards()[0]->geometry().center();
  const QColor tint = image.pixelColor(body);
  EXPECT_GT(tint.blue(), tint.red() + 40) << tint.name().toStdString();
}

TEST_F(ThumbnailRenderTest, AVerticalGroupBesideALeftBarItem) {
  Bar bar = makeBar(TaskbarPosition::left);
  ThumbnailPanel* panel = hover(*itemOf(bar, editor));
  ASSERT_TRUE(panel);
  scheduler.runUntilIdle();
  EXPECT_FALSE(panel->hasHorizontalCards());
  EXPECT_EQ(panel->geometry().left(), bar.panel->geometry().right() + 1 + 4);
  save(scene({bar.panel.get(), panel}, QRect(0, 0, 500, 1080)), "thumbnails-left-group.png");
}

TEST_F(ThumbnailRenderTest, APlaceholderCardAndAPanelClampedAtTheRightEdge) {
  mac.setWindowCaptureFails(true);
  auto panel = std::make_unique<ThumbnailPanel>(panelEnvironment());
  const auto window = mac.windowsOf(editor).front();
  panel->show(window, "Editor", {1890, 0, 30, 34}, TaskbarPosition::bottom);
  scheduler.runUntilIdle();
  ASSERT_EQ(panel->cards().size(), 1u);
  EXPECT_FALSE(panel->cards()[0]->hasPicture());
  EXPECT_EQ(panel->frame().maxX(), 1920) << "ends at the right edge of the screen";
  save(panel->grab().toImage(), "thumbnail-placeholder.png");

  mac.setWindowCaptureFails(false);
  const auto windows = mac.windowsOf(editor);
  panel->showGrouped({windows.begin(), windows.end()}, "Editor", {1890, 0, 30, 34}, TaskbarPosition::bottom);
  scheduler.runUntilIdle();
  EXPECT_EQ(panel->frame().maxX(), 1920);
  save(scene({panel.get()}, QRect(820, 780, 1100, 300)), "thumbnails-right-edge.png");
}

}  // namespace
}  // namespace pelko::test
