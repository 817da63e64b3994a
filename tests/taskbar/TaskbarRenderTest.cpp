#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QPixmap>

#include "TaskbarTestWorld.h"
#include "taskbar/TaskbarContainerView.h"

namespace pelko::test {
namespace {

// Renders whole bars for a scenario of running applications, as a person would see them, to PNG files
// under the build tree (artifacts/), and checks where the buttons landed and the pixels that matter.
class TaskbarRenderTest : public TaskbarTest {
 protected:
  void SetUp() override {
    connectTracker();
    struct App {
      const char* name;
      Color color;
      const char* window;
    };
    const App apps[] = {
        {"Browser", {0.20, 0.55, 0.95, 1}, "Start Page"},
        {"Mail", {0.30, 0.75, 0.95, 1}, "Inbox (3)"},
        {"Notes", {0.98, 0.80, 0.20, 1}, "Shopping & Errands"},
        {"Terminal", {0.15, 0.15, 0.15, 1}, "zsh"},
        {"Music Player With A Long Name", {0.95, 0.30, 0.40, 1}, "Library"},
    };
    for (const auto& app : apps) launch(app.name, app.color, app.window);
    tracker->start();
  }
  void TearDown() override { tracker->stop(); }

  void launch(const std::string& name, Color color, const char* window) {
    sim::SimAppSetup setup;
    setup.bundleID = "com.example." + name;
    setup.name = name;
    setup.icon = platform::AppIcon{*setup.bundleID, color};
    mac.openWindow(mac.launchApp(setup), {.title = window});
  }

  struct Bar {
    std::unique_ptr<TaskbarViewController> controller;
    std::unique_ptr<TaskbarPanel> panel;
  };
  // The bar at `position`, saved as `file` once its buttons have faded in.
  Bar makeBar(TaskbarPosition position, const char* file) {
    settings->position = position;
    Bar bar{makeController(false), nullptr};
    auto screen = mac.screens().screens().front();
    Rect frame = TaskbarPanel::frameForPosition(position, settings->barThickness(), screen, 0, 0);
    bar.panel = std::make_unique<TaskbarPanel>(frame, mac.screens(), &ownWindows);
    bar.panel->setContentView(bar.controller->view());
    bar.panel->syncContentViewFrame();
    bar.panel->orderFront();
    scheduler.advance(1);
    QDir dir(QCoreApplication::applicationDirPath() + "/../artifacts");
    dir.mkpath(".");
    image = bar.panel->grab().toImage();
    EXPECT_TRUE(image.save(dir.filePath(file)));
    return bar;
  }
  // Each button's frame in the panel's coordinates.
  static std::vector<QRect> buttonFrames(Bar& bar) {
    std::vector<QRect> frames;
    for (AppItemView* item : bar.controller->arrangedItems())
      frames.emplace_back(item->mapTo(bar.panel.get(), QPoint(0, 0)), item->size());
    return frames;
  }

  QImage image;
};

TEST_F(TaskbarRenderTest, BottomBar) {
  Bar bar = makeBar(TaskbarPosition::bottom, "bottom-bar.png");
  auto frames = buttonFrames(bar);
  ASSERT_EQ(frames.size(), 5u);
  for (size_t i = 1; i < frames.size(); ++i) {
    EXPECT_EQ(frames[i].topLeft(), QPoint(frames[i - 1].right() + 2, 0)) << "1 point apart";
    EXPECT_GE(frames[i].width(), 100);
  }
  EXPECT_EQ(frames.back().width(), 176) << "the long name reaches the width limit";
  // The active button's indicator runs along its whole bottom edge in the accent colour.
  EXPECT_EQ(image.pixelColor(frames.back().center().x(), 33).name(), QColor(0, 122, 255).name());
}

TEST_F(TaskbarRenderTest, IconsOnlyBarWithAHoveredButton) {
  settings->style = TaskbarStyle::iconsOnly;
  Bar bar = makeBar(TaskbarPosition::bottom, "bottom-bar-icons.png");
  bar.controller->arrangedItems()[1]->mouseEntered();
  scheduler.advance(0.1);
  image = bar.panel->grab().toImage();
  auto frames = buttonFrames(bar);
  ASSERT_EQ(frames.size(), 5u);
  EXPECT_EQ(frames[4], QRect(4 + 4 * 35, 0, 34, 34));
  // The active button's short indicator sits 1 point above its bottom edge, centred.
  EXPECT_EQ(image.pixelColor(frames[4].x() + 17, 32).name(), QColor(0, 122, 255).name());
  // The hovered button is tinted lighter than the bare bar beside an icon.
  EXPECT_GT(image.pixelColor(frames[1].x() + 2, 17).lightness(),
            image.pixelColor(frames[2].x() + 2, 17).lightness());
}

TEST_F(TaskbarRenderTest, LeftBar) {
  Bar bar = makeBar(TaskbarPosition::left, "left-bar.png");  // where its buttons land: the controller's tests
  EXPECT_EQ(image.size(), QSize(48, 1055));
}

TEST_F(TaskbarRenderTest, FullBottomBarSqueezesItsButtons) {
  for (int i = 0; i < 45; ++i)
    launch("Application " + std::to_string(i), Color{0.02 * i, 0.5, 0.6, 1}, "Window");
  Bar bar = makeBar(TaskbarPosition::bottom, "bottom-bar-full.png");
  auto frames = buttonFrames(bar);
  ASSERT_EQ(frames.size(), 50u);
  EXPECT_LE(frames.back().right(), 1920 - 4) << "the last of 50 buttons is still on the bar";
}

}  // namespace
}  // namespace pelko::test
