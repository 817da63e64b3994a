#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QPainter>
#include <QPixmap>

#include "TaskbarTestWorld.h"
#include "taskbar/BadgeView.h"
#include "taskbar/TaskbarContainerView.h"

namespace pelko::test {
namespace {

// Renders whole bars for a scenario of running applications, as a person would see them, to PNG files
// under the build tree (artifacts/), and checks where the buttons landed and the pixels that matter.
class TaskbarRenderTest : public TaskbarTest {
 protected:
  void SetUp() override {
    connectTracker();
    const std::tuple<const char*, Color, const char*> apps[] = {
        {"Browser", {0.20, 0.55, 0.95, 1}, "Start Page"},
        {"Mail", {0.30, 0.75, 0.95, 1}, "Inbox (3)"},
        {"Notes", {0.98, 0.80, 0.20, 1}, "Shopping & Errands"},
        {"Terminal", {0.15, 0.15, 0.15, 1}, "zsh"},
        {"Music Player With A Long Name", {0.95, 0.30, 0.40, 1}, "Library"},
    };
    for (const auto& [name, color, window] : apps) pids.push_back(launch(name, color, window));
    tracker->start();
  }
  void TearDown() override { tracker->stop(); }

  int32_t launch(const std::string& name, Color color, const char* window) {
    sim::SimAppSetup setup;
    setup.bundleID = "com.example." + name;
    setup.name = name;
    setup.icon = platform::AppIcon{*setup.bundleID, color};
    const int32_t pid = mac.launchApp(setup);
    mac.openWindow(pid, {.title = window});
    return pid;
  }

  struct Bar {
    std::unique_ptr<TaskbarViewController> controller;
    std::unique_ptr<TaskbarPanel> panel;
  };
  // The bar at `position`, saved as `file` once its buttons have faded in.
  Bar makeBar(TaskbarPosition position, const char* file) {
    settings->position = position;
    Bar bar{makeController(false), nullptr};
    bar.panel = makePanel(*bar.controller);
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
  std::vector<int32_t> pids;  // of the five applications above
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
  for (int i = 0; i < 2; ++i) mac.openWindow(pids[1], {.title = "Draft"});
  Bar bar = makeBar(TaskbarPosition::left, "left-bar.png");  // where its buttons land: the controller's tests
  EXPECT_EQ(image.size(), QSize(48, 1055));
  // Mail's three windows: a badge over its icon's bottom trailing corner (a 22-point icon at 13, 13).
  EXPECT_EQ(bar.controller->arrangedItems()[1]->countBadge()->geometry(), QRect(24, 24, 16, 16));
}

// One bar with a badge, dots and stacked copies side by side (each button keeps the style it was last
// given) and a hidden application drawn faded.
TEST_F(TaskbarRenderTest, WideBottomBarWithWindowCountsAndADimmedEntry) {
  const int32_t editor = launch("Editor", {0.55, 0.35, 0.85, 1}, "notes.txt");
  for (int i = 0; i < 4; ++i) mac.openWindow(editor, {.title = "draft " + std::to_string(i)});
  const int32_t mail = pids[1];
  mac.openWindow(mail, {.title = "Draft"});
  const int32_t notes = pids[2];
  for (int i = 0; i < 2; ++i) mac.openWindow(notes, {.title = "Note " + std::to_string(i)});
  settings->indicateHidden = true;
  mac.hide(pids[3]);  // Terminal
  settings->windowCountStyle = WindowCountStyle::badge;
  Bar bar = makeBar(TaskbarPosition::bottom, "bottom-bar-counts.png");
  auto items = bar.controller->arrangedItems();
  ASSERT_EQ(items.size(), 6u);
  settings->windowCountStyle = WindowCountStyle::dots;
  items[2]->updateWindowCount(3);
  settings->windowCountStyle = WindowCountStyle::stacked;
  items[5]->updateWindowCount(5);
  image = bar.panel->grab().toImage();
  EXPECT_TRUE(image.save(QCoreApplication::applicationDirPath() + "/../artifacts/bottom-bar-counts.png"));
  EXPECT_EQ(items[1]->accessibleName(), "Mail, 2 windows");
  const QRect badge(items[1]->countBadge()->mapTo(bar.panel.get(), QPoint(0, 0)),
                    items[1]->countBadge()->size());
  EXPECT_EQ(image.pixelColor(badge.x() + 2, badge.center().y()).name(), QColor(0, 122, 255).name());
  EXPECT_EQ(items[3]->dimmedAlpha(), 0.4);
}

// The dark bar over a white page: its rounded top corners blend into the white instead of stepping.
TEST_F(TaskbarRenderTest, BarOnAWhiteBackgroundHasSmoothCornersAndBorder) {
  settings->cornerRadius = 12;
  settings->borderTop = true;
  settings->borderOpacity = 60;
  settings->borderWidth = 1;
  Bar bar = makeBar(TaskbarPosition::bottom, "bottom-bar-white.png");
  QImage page(image.size(), QImage::Format_ARGB32);
  page.fill(Qt::white);
  QPainter(&page).drawImage(0, 0, image);
  EXPECT_TRUE(page.save(QCoreApplication::applicationDirPath() + "/../artifacts/bottom-bar-white.png"));
  EXPECT_EQ(page.pixelColor(0, 0), QColor(Qt::white));
  // Every row of the arc below the border line has a pixel that is part bar, part page.
  int blendedRows = 0;
  for (int y = 2; y < 12; ++y) {
    bool blended = false;
    for (int x = 0; x < 13; ++x) {
      const int lightness = page.pixelColor(x, y).lightness();
      blended = blended || (lightness > 60 && lightness < 245);
    }
    blendedRows += blended;
  }
  EXPECT_EQ(blendedRows, 10);
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
