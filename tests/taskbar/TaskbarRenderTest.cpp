#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QPixmap>

#include "TaskbarTestWorld.h"
#include "taskbar/TaskbarContainerView.h"

namespace pelko::test {
namespace {

// Renders whole bars for a scenario of several running applications, as a person would see them, to
// PNG files under the build tree (artifacts/), and checks where the buttons landed.
class TaskbarRenderTest : public TaskbarTest {
 protected:
  void SetUp() override {
    tracker->settingsManager = settings.get();
    tracker->windowManager = windowManager;
    struct App {
      const char* bundleID;
      const char* name;
      Color color;
      const char* window;
    };
    const App apps[] = {
        {"com.example.browser", "Browser", {0.20, 0.55, 0.95, 1}, "Start Page"},
        {"com.example.mail", "Mail", {0.30, 0.75, 0.95, 1}, "Inbox (3)"},
        {"com.example.notes", "Notes", {0.98, 0.80, 0.20, 1}, "Shopping & Errands"},
        {"com.example.terminal", "Terminal", {0.15, 0.15, 0.15, 1}, "zsh"},
        {"com.example.music", "Music Player With A Long Name", {0.95, 0.30, 0.40, 1}, "Library"},
    };
    for (const auto& app : apps) {
      sim::SimAppSetup setup;
      setup.bundleID = app.bundleID;
      setup.name = app.name;
      setup.icon = platform::AppIcon{app.bundleID, app.color};
      int32_t pid = mac.launchApp(setup);
      mac.openWindow(pid, {.title = app.window});
    }
    tracker->start();
    scheduler.advance(1);
    ASSERT_EQ(tracker->apps.get().size(), 5u);
  }
  void TearDown() override { tracker->stop(); }

  struct Bar {
    std::unique_ptr<TaskbarViewController> controller;
    std::unique_ptr<TaskbarPanel> panel;
  };
  Bar makeBar(TaskbarPosition position) {
    settings->position = position;
    Bar bar{makeController(false), nullptr};
    auto screen = mac.screens().screens().front();
    Rect frame = TaskbarPanel::frameForPosition(position, settings->barThickness(), screen, 0, 0);
    bar.panel = std::make_unique<TaskbarPanel>(frame, mac.screens(), &ownWindows);
    bar.panel->setContentView(bar.controller->view());
    bar.panel->syncContentViewFrame();
    bar.panel->orderFront();
    scheduler.advance(1);  // fades finish
    return bar;
  }

  static QString artifactPath(const char* name) {
    QDir dir(QCoreApplication::applicationDirPath() + "/../artifacts");
    dir.mkpath(".");
    return dir.filePath(name);
  }

  // Each button's frame in the panel's coordinates.
  static std::vector<QRect> buttonFrames(Bar& bar) {
    std::vector<QRect> frames;
    for (AppItemView* item : bar.controller->arrangedItems())
      frames.emplace_back(item->mapTo(bar.panel.get(), QPoint(0, 0)), item->size());
    return frames;
  }
};

TEST_F(TaskbarRenderTest, BottomBar) {
  Bar bar = makeBar(TaskbarPosition::bottom);
  auto frames = buttonFrames(bar);
  ASSERT_EQ(frames.size(), 5u);
  int x = 4;
  for (const QRect& f : frames) {
    EXPECT_EQ(f.x(), x) << "buttons follow each other 1 point apart from 4 points in";
    EXPECT_EQ(f.y(), 0);
    EXPECT_EQ(f.height(), 34);
    EXPECT_GE(f.width(), 100);
    EXPECT_LE(f.width(), 176);
    x = f.right() + 1 + 1;
  }
  EXPECT_EQ(frames.back().width(), 176) << "the long name reaches the width limit";
  QPixmap image = bar.panel->grab();
  EXPECT_EQ(image.size(), QSize(1920, 34));
  ASSERT_TRUE(image.save(artifactPath("bottom-bar.png")));
  // A crop of the busy end, easier to look at.
  ASSERT_TRUE(image.copy(0, 0, 900, 34).save(artifactPath("bottom-bar-start.png")));
}

TEST_F(TaskbarRenderTest, LeftBar) {
  Bar bar = makeBar(TaskbarPosition::left);
  EXPECT_EQ(bar.panel->frame(), Rect(0, 0, 48, 1055));
  auto frames = buttonFrames(bar);
  ASSERT_EQ(frames.size(), 5u);
  for (size_t i = 0; i < frames.size(); ++i)
    EXPECT_EQ(frames[i], QRect(0, 4 + static_cast<int>(i) * 49, 48, 48)) << i;
  QPixmap image = bar.panel->grab();
  EXPECT_EQ(image.size(), QSize(48, 1055));
  ASSERT_TRUE(image.save(artifactPath("left-bar.png")));
  ASSERT_TRUE(image.copy(0, 0, 48, 300).save(artifactPath("left-bar-top.png")));
}

}  // namespace
}  // namespace pelko::test
