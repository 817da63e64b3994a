#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QPixmap>
#include <QUrl>

#include "TaskbarTestWorld.h"
#include "support/AppItemViewTestAccess.h"
#include "taskbar/BadgeView.h"
#include "taskbar/BatteryFillView.h"
#include "taskbar/BatteryIconView.h"
#include "taskbar/SystemTrayView.h"
#include "taskbar/TaskbarContainerView.h"
#include "taskbar/TrashIconView.h"

namespace pelko::test {
namespace {

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
  // The bar at `position`, saved as `file` (when given) once its buttons have faded in.
  Bar makeBar(TaskbarPosition position, const char* file = nullptr) {
    settings->position = position;
    Bar bar{makeController(false), nullptr};
    bar.panel = makePanel(*bar.controller);
    scheduler.advance(1);
    image = bar.panel->grab().toImage();
    if (file) save(image, file);
    return bar;
  }
  static void save(const QImage& picture, const char* file) {
    QDir dir(QCoreApplication::applicationDirPath() + "/../artifacts");
    dir.mkpath(".");
    EXPECT_TRUE(picture.save(dir.filePath(file)));
  }
  static QRect inPanel(const Bar& bar, const QWidget* view) {
    return {view->mapTo(bar.panel.get(), QPoint(0, 0)), view->size()};
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
  EXPECT_EQ(AppItemViewTestAccess::countBadge(*bar.controller->arrangedItems()[1])->geometry(),
            QRect(24, 24, 16, 16));
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
  save(image, "bottom-bar-counts.png");
  EXPECT_EQ(items[1]->accessibleName(), "Mail, 2 windows");
  const QRect badge = inPanel(bar, AppItemViewTestAccess::countBadge(*items[1]));
  EXPECT_EQ(image.pixelColor(badge.x() + 2, badge.center().y()).name(), QColor(0, 122, 255).name());
  EXPECT_EQ(AppItemViewTestAccess::dimmedAlpha(*items[3]), 0.4);
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
  save(page, "bottom-bar-white.png");
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

// A part drawn again on its own (a hover fade repaints one button) looks as it does in a whole paint,
// both between the rounded corners and over one of them.
TEST(TaskbarContainerBackgroundTest, APartDrawnAgainMatchesTheWholeBar) {
  TaskbarContainerView bar;
  bar.resize(200, 40);
  bar.setBackgroundColor(Color{0.2, 0.4, 0.6, 0.9});
  bar.setCorners(12, 15);  // all four
  const QImage whole = bar.grab().toImage();
  ASSERT_EQ(whole.pixelColor(0, 0).alpha(), 0);  // rounded away
  ASSERT_GT(whole.pixelColor(100, 0).alpha(), 200);
  for (const QRect part :
       {QRect(60, 0, 80, 40), QRect(0, 14, 200, 12), QRect(0, 0, 30, 40), QRect(170, 20, 30, 20)}) {
    SCOPED_TRACE(testing::Message() << part.x() << "," << part.y() << " " << part.width() << "x"
                                    << part.height());
    EXPECT_EQ(bar.grab(part).toImage(), whole.copy(part));
  }
}

// The border is drawn from what the bar keeps between paints; new lines or a new size draw it anew.
TEST(TaskbarContainerBorderTest, NewLinesOrANewSizeAreDrawnAndARepaintAwayFromThemKeepsThem) {
  TaskbarContainerView bar;
  bar.setBackgroundColor(Color{0, 0, 0, 1});
  bar.resize(100, 20);
  const Color red{1, 0, 0, 1};
  auto isRed = [](const QImage& image, int x) { return image.pixelColor(x, 10).red() > 200; };
  bar.setBorderLines({{0, 0, 2, 20}}, red);
  QImage shown = bar.grab().toImage();
  EXPECT_TRUE(isRed(shown, 0));
  EXPECT_FALSE(isRed(shown, 99));

  bar.setBorderLines({{98, 0, 2, 20}}, red);
  shown = bar.grab().toImage();
  EXPECT_FALSE(isRed(shown, 0));
  EXPECT_TRUE(isRed(shown, 99));

  // A line beyond the bar's end is cut off by its outline until the bar grows.
  bar.setBorderLines({{158, 0, 2, 20}}, red);
  EXPECT_FALSE(isRed(bar.grab().toImage(), 99));
  bar.resize(160, 20);
  shown = bar.grab().toImage();
  EXPECT_TRUE(isRed(shown, 159));
  EXPECT_FALSE(isRed(shown, 99));
  // Only a middle part drawn again: the line at the end stays as it was.
  shown = bar.grab(QRect(40, 0, 40, 20)).toImage();
  EXPECT_FALSE(isRed(shown, 20));
  EXPECT_TRUE(isRed(bar.grab().toImage(), 159));
}

TEST_F(TaskbarRenderTest, FullBottomBarSqueezesItsButtons) {
  for (int i = 0; i < 45; ++i)
    launch("Application " + std::to_string(i), Color{0.02 * i, 0.5, 0.6, 1}, "Window");
  Bar bar = makeBar(TaskbarPosition::bottom, "bottom-bar-full.png");
  auto frames = buttonFrames(bar);
  ASSERT_EQ(frames.size(), 50u);
  EXPECT_LE(frames.back().right(), 1920 - 4) << "the last of 50 buttons is still on the bar";
}

// The same bars with the trash button and the tray over a half-charged battery that is charging.
class TaskbarTrayRenderTest : public TaskbarRenderTest {
 protected:
  void SetUp() override {
    accessories.powerSources.setSources(std::vector{sim::SimPowerSources::internalBattery(50, true)});
    settings->showTrashIcon = true;
    settings->showSystemTray = true;
    settings->batteryIconStyle = BatteryIconStyle::segments;
    accessories.systemTrayManager->start();
    TaskbarRenderTest::SetUp();
  }
  void TearDown() override {
    TaskbarRenderTest::TearDown();
    accessories.systemTrayManager->stop();
  }
};

// Badge, dots and stacked copies side by side, a hidden application faded, then the trash and the tray.
TEST_F(TaskbarTrayRenderTest, WideBottomBarEndsInTheTrashAndTheTrayAndTheTrashTakesDroppedFiles) {
  for (int i = 0; i < 2; ++i) mac.openWindow(pids[1], {.title = "Draft"});
  settings->indicateHidden = true;
  mac.hide(pids[3]);
  settings->windowCountStyle = WindowCountStyle::badge;
  Bar bar = makeBar(TaskbarPosition::bottom);
  auto items = bar.controller->arrangedItems();
  ASSERT_EQ(items.size(), 5u);
  settings->windowCountStyle = WindowCountStyle::dots;
  items[0]->updateWindowCount(3);
  settings->windowCountStyle = WindowCountStyle::stacked;
  items[2]->updateWindowCount(4);
  save(bar.panel->grab().toImage(), "bottom-bar-tray.png");

  SystemTrayView* tray = bar.controller->systemTrayView();
  EXPECT_EQ(tray->timeLabel()->text(), "8:16 AM");
  EXPECT_EQ(tray->batteryPercentLabel()->text(), "50%");
  EXPECT_TRUE(tray->batteryFillView()->isVisibleTo(tray));
  const QRect trayFrame = inPanel(bar, tray), trashFrame = inPanel(bar, bar.controller->trashIconView());
  EXPECT_EQ(trayFrame.right(), 1915);
  EXPECT_EQ(trashFrame, QRect(trayFrame.left() - 30, 4, 26, 26));
  EXPECT_LE(inPanel(bar, items.back()).right(), trashFrame.left() - 4);

  // As drawn: white text, the glyph's charge fill green, the segment fill tinting only the charged half
  // (the right end stays the bar's colour), the trash symbol grey inside its inset.
  QImage picture = bar.panel->grab().toImage();
  const QRect trayAndTrash = trashFrame.united(trayFrame);
  save(picture.copy(trayAndTrash), "system-tray.png");
  save(picture.copy(trayAndTrash).scaled(trayAndTrash.size() * 4), "system-tray-x4.png");
  EXPECT_TRUE(hasPixelNear(picture, inPanel(bar, tray->timeLabel()), Qt::white, 40));
  EXPECT_TRUE(hasPixelNear(picture, inPanel(bar, tray->batteryIconView()), QColor(52, 199, 89), 40));
  const QColor bare = picture.pixelColor(trashFrame.left() - 2, 5);
  EXPECT_EQ(picture.pixelColor(trayFrame.right() - 5, 5), bare);
  EXPECT_NE(picture.pixelColor(trayFrame.left() + 5, 5), bare);
  EXPECT_TRUE(hasPixelNear(picture, trashFrame.adjusted(4, 4, -4, -4), QColor(150, 150, 150), 40));

  QMimeData files;
  files.setUrls({QUrl::fromLocalFile("/Users/user/report.txt")});
  bar.controller->trashIconView()->draggingEntered(files);  // red while files are dragged over it
  picture = bar.panel->grab().toImage();
  EXPECT_TRUE(hasPixelNear(picture, trashFrame.adjusted(4, 4, -4, -4), QColor(255, 59, 48), 10));
  EXPECT_EQ(bar.controller->trashIconView()->performDrop(files), Qt::MoveAction);
  EXPECT_EQ(accessories.trash.trashed, std::vector<std::string>{"/Users/user/report.txt"});
}

TEST_F(TaskbarTrayRenderTest, LeftBarEndsInTheTrashAboveTheTray) {
  Bar bar = makeBar(TaskbarPosition::left, "left-bar-tray.png");
  const QRect trayFrame = inPanel(bar, bar.controller->systemTrayView());
  EXPECT_EQ(trayFrame.bottom(), 1055 - 5);
  EXPECT_EQ(inPanel(bar, bar.controller->trashIconView()), QRect(4, trayFrame.top() - 44, 40, 40));
}

// On a white bar the trash symbol and the tray's separator turn dark, as the tray's texts do; they turn
// light again when the bar's colour changes back.
TEST_F(TaskbarTrayRenderTest, TheTrashAndTheSeparatorFollowTheBarsBackground) {
  settings->backgroundColor = Color::white();
  settings->backgroundOpacity = 100;
  Bar bar = makeBar(TaskbarPosition::bottom);
  const QRect trash = inPanel(bar, bar.controller->trashIconView()).adjusted(4, 4, -4, -4);
  const QRect separator = inPanel(bar, bar.controller->systemTrayView()->separator());
  QImage picture = bar.panel->grab().toImage();
  const QRect trayAndTrash = trash.united(inPanel(bar, bar.controller->systemTrayView()));
  save(picture.copy(trayAndTrash.adjusted(-8, -8, 0, 8)).scaled(trayAndTrash.size() * 4 + QSize(32, 64)),
       "white-bar-trash-x4.png");
  // 0.55 black over white is about 115 grey; 0.15 black is about 217.
  EXPECT_TRUE(hasPixelNear(picture, trash, QColor(115, 115, 115), 30));
  EXPECT_TRUE(hasPixelNear(picture, separator, QColor(217, 217, 217), 12));

  settings->backgroundColor = Color::black();
  bar.controller->updateBackgroundOpacity();
  scheduler.runUntilIdle();
  picture = bar.panel->grab().toImage();
  // 0.55 white over black is about 140 grey; 0.15 white is about 38.
  EXPECT_TRUE(hasPixelNear(picture, trash, QColor(140, 140, 140), 30));
  EXPECT_TRUE(hasPixelNear(picture, separator, QColor(38, 38, 38), 12));
}

// The widest times and dates of a 12-hour clock fit across a left bar of the default 48 points, whole.
TEST_F(TaskbarTrayRenderTest, ALeftBarShowsItsWidestClockAndDateWhole) {
  Bar bar = makeBar(TaskbarPosition::left);
  SystemTrayView* tray = bar.controller->systemTrayView();
  for (const char* time : {"11:11 AM", "12:59 PM"}) {
    SCOPED_TRACE(time);
    accessories.systemTrayManager->timeString = time;
    accessories.systemTrayManager->dateString = "12/31/26";
    scheduler.runUntilIdle();
    const QImage picture = bar.panel->grab().toImage();
    save(picture.copy(0, picture.height() - 200, 48, 200).scaled(192, 800),
         time[1] == '1' ? "left-bar-clock-1111-x4.png" : "left-bar-clock-1259-x4.png");
    EXPECT_EQ(tray->timeLabel()->text(), time);
    EXPECT_EQ(tray->dateLabel()->text(), "12/31/26");
    for (QLabel* label : {tray->timeLabel(), tray->dateLabel()}) {
      const QRect frame = inPanel(bar, label);
      EXPECT_GE(frame.left(), 0);
      EXPECT_LE(frame.right(), 47);
      EXPECT_LE(QFontMetrics(label->font()).horizontalAdvance(label->text()), frame.width());
    }
  }
}

// Where exactly: the alignment table of the view controller's tests.
TEST_F(TaskbarTrayRenderTest, CentredAndRightAlignedItemsBeforeTheTrash) {
  settings->style = TaskbarStyle::iconsOnly;
  settings->itemAlignment = ItemAlignment::center;
  makeBar(TaskbarPosition::bottom, "bottom-bar-tray-centred.png");
  settings->itemAlignment = ItemAlignment::right;
  Bar bar = makeBar(TaskbarPosition::bottom, "bottom-bar-tray-right.png");
  EXPECT_EQ(inPanel(bar, bar.controller->arrangedItems().back()).right() + 1,
            inPanel(bar, bar.controller->trashIconView()).left() - 4);
}

TEST_F(TaskbarTrayRenderTest, TheTrayIsBoundEvenOffTheBarAndTheBarFollowsItsSize) {
  settings->showSystemTray = false;
  settings->showTrashIcon = false;
  Bar bar = makeBar(TaskbarPosition::bottom);
  TaskbarViewController& controller = *bar.controller;
  EXPECT_EQ(controller.systemTrayView()->timeLabel()->text(), "8:16 AM");
  EXPECT_EQ(controller.systemTrayView()->parentWidget(), nullptr);
  EXPECT_EQ(controller.trashIconView(), nullptr);
  EXPECT_EQ(controller.appStackView()->geometry().right(), 1915);

  settings->showSystemTray = true;
  controller.updateLayout(TaskbarPosition::bottom);
  scheduler.runUntilIdle();
  settings->clockFontSize = 40;
  scheduler.runUntilIdle();
  const QRect tray = controller.systemTrayView()->geometry();
  EXPECT_GT(tray.width(), 80);
  EXPECT_EQ(tray.right(), 1915);
  EXPECT_EQ(controller.appStackView()->geometry().right() + 1, tray.left() - 4);
}

}  // namespace
}  // namespace pelko::test
