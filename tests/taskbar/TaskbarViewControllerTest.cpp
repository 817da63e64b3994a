#include "taskbar/TaskbarViewController.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>

#include "TaskbarRectPrinter.h"
#include "TaskbarTestWorld.h"
#include "support/AppItemViewTestAccess.h"
#include "taskbar/SystemTrayView.h"
#include "taskbar/TaskbarContainerView.h"
#include "taskbar/TrashIconView.h"
#include "ui/WidgetOpacity.h"

namespace pelko::test {
namespace {

using Access = AppItemViewTestAccess;

class TaskbarViewControllerTest : public TaskbarTest {
 protected:
  std::unique_ptr<TaskbarViewController> bar = makeController(true);
  std::unique_ptr<TaskbarPanel> panel;

  void load() { panel = makePanel(*bar); }
  void reload() {  // a fresh bar in a fresh panel
    panel.reset();
    bar = makeController(true);
    load();
  }
  void moveTo(TaskbarPosition position) {
    settings->position = position;
    auto screen = mac.screens().screens().front();
    panel->updatePosition(position, settings->barThickness(), screen, 0, 0);
    panel->syncContentViewFrame();
    bar->updateLayout(position);
  }
  void TearDown() override {
    panel.reset();  // takes the root view with it
    bar.reset();
  }
  std::vector<std::string> arrangedIDs() {
    std::vector<std::string> ids;
    for (AppItemView* item : bar->arrangedItems())
      ids.push_back(item->trackedApp() ? item->trackedApp()->id : "?");
    return ids;
  }
  std::vector<std::string> idsOf(const std::vector<TrackedAppPtr>& apps) {
    std::vector<std::string> ids;
    for (const auto& app : apps) ids.push_back(app->id);
    return ids;
  }
};

// The first buttons of a freshly built bar appear with it; a button added later fades in, and a
// vanished one fades out where it stood.
TEST_F(TaskbarViewControllerTest,
       FirstButtonsAppearAtOnceLaterOnesFadeInAndAVanishedOneFadesOutWhereItStood) {
  load();
  auto a = appEntry(501, "Editor"), b = appEntry(502, "Mail"), c = appEntry(503, "Notes");
  bar->updateFilteredApps({a, c});
  for (AppItemView* item : bar->arrangedItems()) EXPECT_EQ(widgetOpacity(*item), 1);
  bar->updateFilteredApps({a, b, c});
  EXPECT_EQ(arrangedIDs(), idsOf({a, b, c}));
  EXPECT_EQ(bar->itemView(b->id)->trackedApp(), b);
  EXPECT_EQ(widgetOpacity(*bar->itemView(b->id)), 0);
  scheduler.advance(0.15);
  for (AppItemView* item : bar->arrangedItems()) EXPECT_EQ(widgetOpacity(*item), 1);
  QPointer<AppItemView> mail = bar->itemView(b->id);
  QRect where = mail->geometry();

  bar->updateFilteredApps({a, c});
  EXPECT_EQ(arrangedIDs(), idsOf({a, c}));
  EXPECT_EQ(bar->itemView(b->id), nullptr);
  EXPECT_EQ(mail->parentWidget(), bar->appStackView()) << "stays in the view hierarchy while fading";
  EXPECT_EQ(mail->geometry(), where);
  EXPECT_TRUE(mail->testAttribute(Qt::WA_TransparentForMouseEvents));
  scheduler.advance(0.05);
  EXPECT_GT(widgetOpacity(*mail), 0);
  EXPECT_LT(widgetOpacity(*mail), 1);
  EXPECT_EQ(bar->fadingOutCount(), 1u);
  scheduler.advance(0.05);
  EXPECT_TRUE(mail.isNull()) << "removed once its 0.1 s fade completed";
  EXPECT_EQ(bar->fadingOutCount(), 0u);

  bar->updateFilteredApps({a, b});
  mail = bar->itemView(b->id);
  scheduler.advance(0.1);
  double reached = widgetOpacity(*mail);
  bar->updateFilteredApps({a});
  scheduler.advance(0.05);
  ASSERT_TRUE(mail);
  EXPECT_LT(widgetOpacity(*mail), reached) << "the fade-in no longer pulls it up";
  scheduler.advance(0.05);
  EXPECT_TRUE(mail.isNull());
}

TEST_F(TaskbarViewControllerTest, ReordersOnlyOnARealOrderChangeAndHandsAButtonToANewEntryOfItsProcess) {
  load();
  settings->equalWidth = true;
  auto a = appEntry(501, "Editor"), b = appEntry(502, "Mail"), c = appEntry(503, "Notes");
  bar->updateFilteredApps({a, b, c});
  scheduler.advance(1);
  std::vector<AppItemView*> before = bar->arrangedItems();
  int rebuilds = bar->equalWidthRebuildCount();
  QRect firstFrame = before[0]->geometry();

  bar->updateFilteredApps({a, b, c});  // unchanged: nothing moves, nothing fades, no width rebuild
  EXPECT_EQ(bar->arrangedItems(), before);
  EXPECT_EQ(before[0]->geometry(), firstFrame);
  EXPECT_EQ(bar->equalWidthRebuildCount(), rebuilds);
  EXPECT_EQ(bar->fadingOutCount(), 0u);

  bar->updateFilteredApps({b, a, c});  // a swap: the same buttons in the new order, no fades
  EXPECT_EQ(bar->arrangedItems(), (std::vector<AppItemView*>{before[1], before[0], before[2]}));
  EXPECT_EQ(bar->equalWidthRebuildCount(), rebuilds);
  for (AppItemView* item : bar->arrangedItems()) EXPECT_EQ(widgetOpacity(*item), 1);
  EXPECT_LT(before[1]->geometry().x(), before[0]->geometry().x());

  auto editorWindow = windowEntry(501, 7, "Draft");
  bar->updateFilteredApps({b, editorWindow, c});
  EXPECT_EQ(bar->itemView(editorWindow->id), before[0]) << "same button, re-keyed";
  EXPECT_EQ(bar->itemView(a->id), nullptr);
  EXPECT_EQ(before[0]->trackedApp(), editorWindow);
  EXPECT_EQ(arrangedIDs(), idsOf({b, editorWindow, c}));
  EXPECT_EQ(widgetOpacity(*before[0]), 1) << "neither faded out nor in";
  EXPECT_EQ(bar->fadingOutCount(), 0u);
}

// Counts the repaints a window asks for.
class RepaintCounter : public QObject {
 public:
  explicit RepaintCounter(QWidget& window) { window.installEventFilter(this); }
  int count = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::UpdateRequest) ++count;
    return false;
  }
};

// The pointer leaves one button and reaches the next 8 ms later: the fade out (0.06 s) and the fade in
// (0.05 s) repaint the bar on shared frames, and neither repaints for its first frame, which shows what
// is already there. Apart, they would ask for seven repaints or more.
TEST_F(TaskbarViewControllerTest, HoverFadesOfNeighboursRepaintTheBarTogether) {
  load();
  bar->updateFilteredApps({appEntry(501, "Editor"), appEntry(502, "Mail")});
  scheduler.advance(1);
  QCoreApplication::processEvents();
  AppItemView* editor = bar->arrangedItems().at(0);
  AppItemView* mail = bar->arrangedItems().at(1);
  editor->mouseEntered();
  scheduler.advance(0.1);
  QCoreApplication::processEvents();

  RepaintCounter repaints(*panel);
  auto step = [&](double seconds) {
    for (int ms = 0; ms < static_cast<int>(seconds * 1000); ++ms) {
      scheduler.advance(0.001);
      QCoreApplication::processEvents();
    }
  };
  editor->mouseExited();
  QCoreApplication::processEvents();
  step(0.008);
  mail->mouseEntered();
  step(0.1);
  EXPECT_EQ(Access::presentedBackgroundColor(*editor).alpha, 0);
  EXPECT_EQ(Access::presentedBackgroundColor(*mail), Access::hoverColor(*mail));
  // Frames at 16.7, 33.3 and 50 ms, the fade in's end at 58 and the fade out's at 60.
  EXPECT_EQ(repaints.count, 5);
}

TEST_F(TaskbarViewControllerTest, ClickClearsOtherActiveLooksThenTogglesOnItsDisplay) {
  int32_t editorPID = mac.launchApp("com.example.Editor", "Editor");
  int32_t mailPID = mac.launchApp("com.example.Mail", "Mail");
  scheduler.runUntilIdle();
  load();
  bar->displayID = 1;
  auto mail = appEntry(mailPID, "Mail", true);
  auto editorA = windowEntry(editorPID, 11, "A", "Editor", true);
  auto editorB = windowEntry(editorPID, 12, "B");
  bar->updateFilteredApps({mail, editorA, editorB});
  ASSERT_TRUE(Access::isCurrentlyActive(*bar->itemView(mail->id)));
  ASSERT_TRUE(Access::isCurrentlyActive(*bar->itemView(editorA->id)));
  mac.clearActions();

  bar->itemView(editorB->id)->onClick();
  // With grouping on, the clicked application's buttons keep their look; the others lose it at once.
  EXPECT_FALSE(Access::isCurrentlyActive(*bar->itemView(mail->id)));
  EXPECT_TRUE(Access::isCurrentlyActive(*bar->itemView(editorA->id)));
  EXPECT_FALSE(mac.actions().empty()) << "the window manager acted on the click";

  settings->groupWindows = false;
  bar->itemView(editorA->id)->setActiveImmediate(true);
  bar->itemView(mail->id)->setActiveImmediate(true);
  bar->itemView(editorB->id)->onClick();
  EXPECT_FALSE(Access::isCurrentlyActive(*bar->itemView(editorA->id)));
  EXPECT_FALSE(Access::isCurrentlyActive(*bar->itemView(mail->id)));

  // A click on the entry that is already active leaves every look alone.
  bar->itemView(editorA->id)->setActiveImmediate(true);
  bar->itemView(mail->id)->onClick();
  EXPECT_TRUE(Access::isCurrentlyActive(*bar->itemView(editorA->id)));

  // A click that arrives after the bar is gone does nothing.
  auto click = bar->itemView(mail->id)->onClick;
  panel.reset();
  bar.reset();
  mac.clearActions();
  click();
  EXPECT_TRUE(mac.actions().empty());
}

// A setting changed from inside a button's own handler rebuilds the bar while that handler still runs.
TEST_F(TaskbarViewControllerTest, ARebuildFromInsideAButtonsHandlerLetsTheButtonFinishItsEvent) {
  load();
  auto entry = appEntry(501, "Editor");
  bar->updateFilteredApps({entry});
  scheduler.advance(1);
  QPointer<AppItemView> button = bar->itemView(entry->id);
  QPointer<StackView> oldStack = bar->appStackView();
  bool survivedRebuild = false;
  button->onClick = [&] {
    bar->updateLayout(TaskbarPosition::bottom);
    survivedRebuild = !button.isNull();
  };
  const QPointF inside(10, 10);
  QMouseEvent press(QEvent::MouseButtonPress, inside, button->mapToGlobal(inside), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QMouseEvent release(QEvent::MouseButtonRelease, inside, button->mapToGlobal(inside), Qt::LeftButton,
                      Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(button.data(), &press);
  QApplication::sendEvent(button.data(), &release);
  EXPECT_TRUE(survivedRebuild);
  ASSERT_FALSE(oldStack.isNull());
  EXPECT_FALSE(oldStack->isVisible());
  EXPECT_NE(bar->appStackView(), oldStack.data());
  EXPECT_NE(bar->itemView(entry->id), nullptr) << "the rebuilt bar has its own button";

  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(oldStack.isNull());
  EXPECT_TRUE(button.isNull());
  EXPECT_EQ(arrangedIDs(), idsOf({entry}));
}

// Equal widths keep the natural width unless the bar is left-aligned (the edge table below); a vertical
// bar has none.
TEST_F(TaskbarViewControllerTest, EqualWidthsReconfigureRebindingOnlyWhatTheTrackerStillHasAndAnEdgeChange) {
  settings->equalWidth = true;
  settings->itemAlignment = ItemAlignment::center;
  load();
  auto editor = appEntry(501, "Editor"), mail = appEntry(502, "Mail");
  bar->updateFilteredApps({editor, mail});
  auto items = bar->arrangedItems();
  EXPECT_EQ(items[0]->width(), items[1]->width());
  EXPECT_LT(items[0]->width(), 176);

  auto editorAgain = appEntry(501, "Editor");  // the same identifier, a fresh object from the tracker
  tracker->apps = std::vector<TrackedAppPtr>{editorAgain};
  settings->style = TaskbarStyle::iconsOnly;
  bar->reconfigureItems();
  EXPECT_EQ(bar->itemView(editor->id)->trackedApp(), editorAgain);
  EXPECT_EQ(bar->itemView(mail->id)->trackedApp(), mail);
  for (AppItemView* item : bar->arrangedItems()) {
    EXPECT_EQ(Access::currentLayoutMode(*item), LayoutMode::iconsOnly);
    EXPECT_EQ(item->width(), 34);
  }
  bar->updateLayout(TaskbarPosition::bottom);
  ASSERT_TRUE(bar->appStackView()->equalLengthRule().has_value());
  for (AppItemView* item : bar->arrangedItems()) EXPECT_EQ(item->width(), 34);
  settings->taskbarSize = 150;
  bar->reconfigureItemSizes();
  for (AppItemView* item : bar->arrangedItems()) EXPECT_EQ(item->width(), settings->barThickness());

  moveTo(TaskbarPosition::left);
  EXPECT_EQ(bar->appStackView()->orientation(), Qt::Vertical);
  EXPECT_FALSE(bar->appStackView()->equalLengthRule().has_value());
  EXPECT_EQ(bar->itemCount(), 2u) << "rebuilt from the monitor manager's last list";
}

TEST_F(TaskbarViewControllerTest, StackAndButtonsForEachEdgeAndAFullBarSqueezesThemKeepingEveryEntry) {
  struct Case {
    TaskbarPosition position;
    TaskbarStyle style;
    QRect stack, first, second;
    int smallestIcon;  // of 60 buttons squeezed into the stack
  };
  using P = TaskbarPosition;
  using S = TaskbarStyle;
  const Case cases[] = {
      // Horizontal bars: buttons from 4 points in, 1 point apart; 60 of them share 1912 points.
      {P::bottom, S::iconsOnly, {4, 0, 1912, 34}, {0, 0, 34, 34}, {35, 0, 34, 34}, 26},
      // Equal widths on a left-aligned bar grow to the width limit; squeezed, the titles go first.
      {P::top, S::iconsTextRight, {4, 0, 1912, 34}, {0, 0, 176, 34}, {177, 0, 176, 34}, 20},
      // Vertical bars: 48-point buttons from 4 points below the top edge downwards.
      {P::left, S::iconsOnly, {0, 4, 48, 1047}, {0, 0, 48, 48}, {0, 49, 48, 48}, 14},
      {P::right, S::iconsOnly, {0, 4, 48, 1047}, {0, 0, 48, 48}, {0, 49, 48, 48}, 14},
  };
  settings->equalWidth = true;
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.position));
    settings->position = c.position;
    settings->style = c.style;
    reload();
    bar->updateFilteredApps({appEntry(501, "Editor"), appEntry(502, "Mail")});
    EXPECT_EQ(bar->appStackView()->geometry(), c.stack);
    auto items = bar->arrangedItems();
    EXPECT_EQ(items[0]->geometry(), c.first);
    EXPECT_EQ(items[1]->geometry(), c.second);

    std::vector<TrackedAppPtr> apps;
    for (int i = 0; i < 60; ++i)
      apps.push_back(appEntry(600 + i, "Application " + std::to_string(i), i == 59));
    bar->updateFilteredApps(apps);
    scheduler.advance(1);
    items = bar->arrangedItems();
    ASSERT_EQ(items.size(), 60u);
    for (size_t i = 0; i < items.size(); ++i) {
      EXPECT_TRUE(bar->appStackView()->rect().contains(items[i]->geometry())) << i << " of 60 is cut off";
      EXPECT_GE(Access::iconFrame(*items[i]).width(), c.smallestIcon) << i;
    }
    EXPECT_TRUE(Access::isCurrentlyActive(*items.back()));
  }
}

TEST_F(TaskbarViewControllerTest, BackgroundBordersAndCornersFollowTheSettingsAndTheBarsSize) {
  settings->cornerRadius = 8;
  settings->backgroundColor = Color{0.2, 0.4, 0.6, 1};
  settings->backgroundOpacity = 50;
  load();
  EXPECT_EQ(bar->view()->backgroundColor(), (Color{0.2, 0.4, 0.6, 0.5}));
  EXPECT_TRUE(bar->vibrancyView()->isHidden());

  settings->useVibrancy = true;
  bar->updateVibrancy();
  EXPECT_EQ(bar->view()->backgroundColor(), std::nullopt);
  EXPECT_FALSE(bar->vibrancyView()->isHidden());
  EXPECT_EQ(bar->vibrancyView()->geometry(), bar->view()->rect());

  settings->useVibrancy = false;
  settings->backgroundOpacity = 100;
  bar->updateBackgroundOpacity();
  EXPECT_EQ(bar->view()->backgroundColor(), (Color{0.2, 0.4, 0.6, 1}));
  EXPECT_FALSE(bar->vibrancyView()->isHidden()) << "only updateVibrancy() shows or hides the blur";

  scheduler.runUntilIdle();
  TaskbarContainerView* root = bar->view();
  EXPECT_EQ(root->roundedCorners(), 12u) << "a bottom bar rounds its top corners";
  EXPECT_EQ(root->borderLines(), (std::vector<Rect>{{0, 0, 1920, 0.5}}));
  EXPECT_EQ(root->borderColor(), Color::white().withAlpha(0.18));

  settings->borderTop = false;
  settings->borderLeft = true;
  settings->marginHorizontal = 1;
  bar->updateBorder();
  bar->updateCornerRadius();
  EXPECT_EQ(root->borderLines(), (std::vector<Rect>{{0, 0, 0.5, 34}}));
  EXPECT_EQ(root->roundedCorners(), 15u);
  // A new size alone redraws the lines, at that size.
  settings->borderRight = true;
  root->resize(900, 34);
  EXPECT_EQ(root->borderLines(), (std::vector<Rect>{{0, 0, 0.5, 34}, {899.5, 0, 0.5, 34}}));
}

// ---- Layout pass ----

TEST_F(TaskbarViewControllerTest, AlignmentCentresOrRightAlignsTheStackInTheRoomBeforeTrashTrayOrEnd) {
  struct Case {
    TaskbarPosition position;
    bool trash, tray;
    double centre, right;  // the stack's offset from the start edge
    int trashAt, trayAt;   // where the trash button and the tray start along the bar; -1: not on it
  };
  // Three icons: 104 points along a bottom bar 1920 long, 146 down a left bar 1055 high. The tray takes
  // its minimum of 80, the trash 26 (40 on the left bar); each 4 points from what follows.
  const Case cases[] = {
      {TaskbarPosition::bottom, false, false, 908, 1812, -1, -1},
      {TaskbarPosition::bottom, false, true, 866, 1728, -1, 1836},
      {TaskbarPosition::bottom, true, true, 851, 1698, 1806, 1836},
      {TaskbarPosition::bottom, true, false, 893, 1782, 1890, -1},
      {TaskbarPosition::left, false, false, 454.5, 905, -1, -1},
      {TaskbarPosition::left, false, true, 412.5, 821, -1, 971},
      {TaskbarPosition::left, true, true, 390.5, 777, 927, 971},
      {TaskbarPosition::left, true, false, 432.5, 861, 1011, -1},
  };
  settings->style = TaskbarStyle::iconsOnly;
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << static_cast<int>(c.position) << c.trash << c.tray);
    settings->position = c.position;
    settings->showTrashIcon = c.trash;
    settings->showSystemTray = c.tray;
    reload();
    bar->updateFilteredApps({appEntry(501, "Editor"), appEntry(502, "Mail"), appEntry(503, "Notes")});
    const auto along = [&](const QWidget* view) {
      if (!view || view->parentWidget() != bar->view()) return -1;
      return isHorizontal(c.position) ? view->x() : view->y();
    };
    EXPECT_EQ(along(bar->trashIconView()), c.trashAt);
    EXPECT_EQ(along(bar->systemTrayView()), c.trayAt);
    for (auto [alignment, offset] :
         {std::pair{ItemAlignment::center, c.centre}, {ItemAlignment::right, c.right}}) {
      settings->itemAlignment = alignment;
      bar->viewDidLayout();
      scheduler.runUntilIdle();
      EXPECT_DOUBLE_EQ(bar->stackLeadingOffset().value_or(-1), offset) << static_cast<int>(alignment);
      const QRect first = bar->arrangedItems().front()->geometry().translated(bar->appStackView()->pos());
      EXPECT_EQ(isHorizontal(c.position) ? first.x() : first.y(), std::lround(offset));
    }
    settings->itemAlignment = ItemAlignment::left;
    bar->viewDidLayout();
    scheduler.runUntilIdle();
    EXPECT_EQ(bar->stackLeadingOffset(), 4);
  }
}

TEST_F(TaskbarViewControllerTest, LayoutsCollapseIntoOnePassAndAFloatingBarReportsItsNaturalLength) {
  settings->style = TaskbarStyle::iconsOnly;
  settings->floatingBar = true;
  settings->itemAlignment = ItemAlignment::center;
  std::vector<double> reports;
  bar->onContentSizeChanged = [&](double length) { reports.push_back(length); };
  load();
  bar->updateFilteredApps({appEntry(501, "Editor"), appEntry(502, "Mail"), appEntry(503, "Notes")});
  scheduler.runUntilIdle();
  const int passes = bar->layoutPassCount();
  for (int i = 0; i < 5; ++i) bar->viewDidLayout();
  scheduler.runUntilIdle();
  EXPECT_EQ(bar->layoutPassCount(), passes + 1);
  EXPECT_EQ(bar->stackLeadingOffset(), 4) << "the monitor manager centres a floating bar";
  // 8 points of insets, three icons of 34 and two 1-point gaps.
  EXPECT_EQ(reports, std::vector<double>{112});
  EXPECT_DOUBLE_EQ(bar->estimatedContentSize(), 112);

  // A bar squeezed shorter than its buttons still asks for their natural length, after a reset.
  bar->view()->resize(60, 34);
  bar->resetContentSizeTracking();
  bar->viewDidLayout();
  scheduler.runUntilIdle();
  EXPECT_EQ(reports, (std::vector<double>{112, 112}));
  // Changes of 4 points or less are not reported: wider gaps between the three buttons make 3 more
  // (not reported), then 5 more than the last report.
  bar->view()->resize(1920, 34);
  for (auto [spacing, reported] : {std::pair{2.5, false}, {3.5, true}}) {
    settings->itemSpacing = spacing;
    bar->updateLayout(TaskbarPosition::bottom);
    scheduler.runUntilIdle();
    EXPECT_EQ(reports.back(), reported ? 117 : 112) << spacing;
  }
  settings->itemSpacing = 1;
  // With the trash and the tray: 16 of insets, the 26-point trash and at least 80 of tray.
  settings->showSystemTray = true;
  settings->showTrashIcon = true;
  bar->updateLayout(TaskbarPosition::bottom);
  scheduler.runUntilIdle();
  EXPECT_EQ(reports.back(), 16 + 26 + 2 + 102 + 80);
  EXPECT_DOUBLE_EQ(bar->estimatedContentSize(), 16 + 26 + 80 + 102 + 2);
  // A tray wider than its minimum (a clock and a battery) is reported at its own length.
  accessories.powerSources.sources = std::vector{sim::SimPowerSources::internalBattery(87, false)};
  accessories.systemTrayManager->start();
  scheduler.runUntilIdle();
  bar->updateLayout(TaskbarPosition::bottom);
  scheduler.runUntilIdle();
  const int tray = bar->systemTrayView()->sizeHint().width();
  ASSERT_GT(tray, 80);
  EXPECT_EQ(reports.back(), 16 + 26 + 2 + 102 + tray);
}

}  // namespace
}  // namespace pelko::test
