// The auto-hide manager on the virtual clock: when the bar goes and comes back, how long each
// animation takes, the deadline that ends a lost one, and the edge windows it leaves behind.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QEnterEvent>
#include <QEvent>
#include <QImage>
#include <QPalette>

#include "foundation/DebugLog.h"
#include "platform/sim/SimEventMonitors.h"
#include "screens/AutoHideManager.h"
#include "screens/ScreenSpaceManager.h"
#include "support/SimulatedSystem.h"

namespace pelko::test {
namespace {

using State = AutoHideManager::State;

// One bottom bar on the simulated Mac's 1920 x 1080 main display; the pointer starts in the middle of
// the screen, away from the bar.
class AutoHideTest : public ::testing::Test, protected SimulatedSystem {
 protected:
  sim::SimEventMonitors pointer;
  std::unique_ptr<TaskbarPanel> panel;
  std::unique_ptr<AutoHideManager> autoHide;
  std::vector<std::string> log;
  DebugLogSink previousSink;

  void SetUp() override {
    previousSink = setDebugLogSink([this](std::string_view line) { log.emplace_back(line); });
    panel = std::make_unique<TaskbarPanel>(barFrame(), mac.screens(), nullptr, nullptr);
    panel->orderFront();
    pointer.movePointer({960, 600});
  }
  void TearDown() override {
    autoHide.reset();
    panel.reset();
    setDebugLogSink(previousSink);
    flushDeletes();
  }

  platform::ScreenInfo screen() { return mac.screens().screens().front(); }
  Rect barFrame() {
    return TaskbarPanel::frameForPosition(TaskbarPosition::bottom, settings->barThickness(), screen(), 0, 0);
  }
  AutoHideManager& make(bool on = true) {
    settings->autoHide = on;
    scheduler.runUntilIdle();
    autoHide = std::make_unique<AutoHideManager>(
        panel.get(), settings, screen(),
        AutoHideManager::Dependencies{scheduler, mac.workspace(), mac.screens(), &pointer, &appearance});
    return *autoHide;
  }
  // Made with auto-hide on and left until its first hide is over.
  AutoHideManager& makeHidden() {
    make();
    advance(2);
    EXPECT_EQ(autoHide->state(), State::hidden);
    return *autoHide;
  }
  void advance(double seconds) {
    scheduler.advance(seconds);
    flushDeletes();
  }
  static void flushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
  void enterTriggerZone() {
    ASSERT_NE(autoHide->triggerPanel(), nullptr);
    QEnterEvent enter({1, 1}, {1, 1}, {1, 1});
    QCoreApplication::sendEvent(autoHide->triggerPanel(), &enter);
  }
  void leaveTriggerZone() {
    ASSERT_NE(autoHide->triggerPanel(), nullptr);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(autoHide->triggerPanel(), &leave);
  }
};

TEST_F(AutoHideTest, TheFirstHideLeavesATriggerZoneThatRevealsTheBar) {
  settings->autoHidePeekReveal = true;
  make();
  advance(0.29);
  EXPECT_EQ(autoHide->state(), State::shown);
  advance(0.02);
  EXPECT_EQ(autoHide->state(), State::hidden);
  EXPECT_FALSE(panel->isOrderedIn());

  AutoHideEdgeWindow* zone = autoHide->triggerPanel();
  ASSERT_NE(zone, nullptr);
  EXPECT_EQ(zone->frame(), Rect(0, 0, 1920, 10));  // drag reveal is on by default
  EXPECT_TRUE(zone->isOrderedIn());
  EXPECT_EQ(zone->level(), 1000);
  EXPECT_EQ(zone->styleMask(), 128u);
  EXPECT_EQ(zone->collectionBehavior(), 81u);
  EXPECT_EQ(zone->sharingType(), WindowSharingType::none);
  EXPECT_FALSE(zone->ignoresMouseEvents());
  AutoHideEdgeWindow* peek = autoHide->peekPanel();
  ASSERT_NE(peek, nullptr);
  EXPECT_EQ(peek->frame(), Rect(0, 0, 1920, 3));
  EXPECT_EQ(peek->level(), 999);
  EXPECT_TRUE(peek->ignoresMouseEvents());
  EXPECT_NEAR(peek->backgroundColor()->alphaF(), 0.5, 0.01);

  enterTriggerZone();
  flushDeletes();
  EXPECT_EQ(autoHide->state(), State::shown);
  EXPECT_TRUE(panel->isOrderedIn());
  EXPECT_EQ(autoHide->triggerPanel(), nullptr);
  EXPECT_EQ(autoHide->peekPanel(), nullptr);
  EXPECT_NE(autoHide->hideTimer(), nullptr);
}

TEST_F(AutoHideTest, AnimationAndDeadlineLastAsLongAsSpeedAndReduceMotionSay) {
  struct Row {
    double speed;
    bool reduceMotion;
    double duration;
    double deadline;
  };
  for (const Row& row : {Row{2, false, 0.125, 0.275}, Row{0.5, false, 0.5, 0.65}, Row{1, true, 0.01, 0.16}}) {
    SCOPED_TRACE(row.speed);
    settings->autoHideAnimation = AutoHideAnimation::slide;
    settings->autoHideAnimationSpeed = row.speed;
    mac.setReduceMotion(row.reduceMotion);
    makeHidden();

    autoHide->showTaskbar(true);
    EXPECT_EQ(autoHide->runningAnimationKey(), "showSlide");
    EXPECT_EQ(autoHide->state(), State::showing);
    EXPECT_DOUBLE_EQ(panel->layer().translationY, -settings->barThickness());
    advance(row.duration - 0.002);
    EXPECT_EQ(autoHide->state(), State::showing);
    advance(0.004);
    EXPECT_EQ(autoHide->state(), State::shown);
    EXPECT_TRUE(panel->layer().hasIdentityTransform());
    EXPECT_EQ(autoHide->animationDeadlineTimer(), nullptr);

    // A completion that never comes: the deadline ends the show.
    autoHide->hideTaskbar(false);
    advance(1);
    autoHide->showTaskbar(true);
    autoHide->runningAnimation().cancel();
    advance(row.deadline - 0.002);
    EXPECT_EQ(autoHide->state(), State::showing);
    advance(0.004);
    EXPECT_EQ(autoHide->state(), State::shown);
    autoHide.reset();
  }
}

TEST_F(AutoHideTest, ADroppedHideCompletionIsEndedByTheDeadlineWithTheTriggerZone) {
  settings->autoHideAnimation = AutoHideAnimation::fade;  // speed 0.5: deadline 0.65 s
  make();
  advance(0.3);
  EXPECT_EQ(autoHide->state(), State::hiding);
  EXPECT_EQ(autoHide->runningAnimationKey(), "hideFade");
  autoHide->runningAnimation().cancel();
  advance(0.64);
  EXPECT_EQ(autoHide->state(), State::hiding);
  EXPECT_TRUE(panel->isOrderedIn());
  advance(0.02);
  EXPECT_EQ(autoHide->state(), State::hidden);
  EXPECT_FALSE(panel->isOrderedIn());
  EXPECT_NE(autoHide->triggerPanel(), nullptr);
  EXPECT_DOUBLE_EQ(panel->alphaValue(), 1);
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back().rfind("AutoHide: animation deadline fired (gen=", 0), 0u);
  EXPECT_NE(log.back().find("hidden=true"), std::string::npos);
}

TEST_F(AutoHideTest, AShowDuringAHideWinsAndTheLateHideCompletionChangesNothing) {
  settings->autoHideAnimation = AutoHideAnimation::slide;
  make();
  advance(0.3);
  ASSERT_EQ(autoHide->state(), State::hiding);
  advance(0.1);  // halfway out
  EXPECT_LT(panel->layer().translationY, 0);
  autoHide->showTaskbar(true);
  EXPECT_EQ(autoHide->state(), State::showing);
  EXPECT_EQ(autoHide->runningAnimationKey(), "showSlide");
  advance(0.6);  // the show lasts 0.5 s; the hide timer is not due yet
  EXPECT_EQ(autoHide->state(), State::shown);
  EXPECT_TRUE(panel->isOrderedIn());
  EXPECT_EQ(panel->frame(), barFrame());
  EXPECT_EQ(autoHide->triggerPanel(), nullptr);
}

TEST_F(AutoHideTest, AHideWithinPointEightSecondsOfAShowOnlyRestartsTheTimer) {
  makeHidden();
  autoHide->toggleTaskbar();
  advance(0.5);
  autoHide->toggleTaskbar();  // a second press within 0.8 s
  EXPECT_EQ(autoHide->state(), State::shown);
  EXPECT_NE(autoHide->hideTimer(), nullptr);
  advance(0.31);
  autoHide->hideTaskbar(true);
  EXPECT_EQ(autoHide->state(), State::hidden);
}

TEST_F(AutoHideTest, TheActivationDelayWantsThePointerInTheZoneForAllOfIt) {
  settings->autoHideActivationDelay = 0.3;
  makeHidden();
  enterTriggerZone();
  advance(0.2);
  leaveTriggerZone();
  advance(0.5);
  EXPECT_EQ(autoHide->state(), State::hidden);
  enterTriggerZone();
  advance(0.29);
  EXPECT_EQ(autoHide->state(), State::hidden);
  advance(0.02);
  EXPECT_EQ(autoHide->state(), State::shown);
}

TEST_F(AutoHideTest, SmartDelayDoublesTheNextDelayAfterThePointerWasOverTheBar) {
  for (bool smart : {false, true}) {
    SCOPED_TRACE(smart);
    settings->autoHideSmartDelay = smart;
    makeHidden();
    autoHide->showTaskbar(false);
    advance(0.7);
    pointer.movePointer({960, 10});  // over the bar
    autoHide->handleMouseMoved();
    pointer.movePointer({960, 600});
    autoHide->handleMouseMoved();
    EXPECT_EQ(autoHide->userInteracted(), smart);
    advance(0.52);
    EXPECT_EQ(autoHide->state(), smart ? State::shown : State::hidden);
    advance(0.5);
    EXPECT_EQ(autoHide->state(), State::hidden);
    EXPECT_FALSE(autoHide->userInteracted());
    autoHide.reset();
  }
}

TEST_F(AutoHideTest, OnlyAPointerOnThisMonitorPutsTheHideOff) {
  const std::pair<Point, bool> rows[] = {{{960, 600}, true},     // this monitor, away from the bar
                                         {{2500, 600}, false}};  // a monitor to its right
  for (const auto& [at, putsOff] : rows) {
    SCOPED_TRACE(at.x);
    makeHidden();
    autoHide->showTaskbar(false);
    advance(0.9);  // the 0.5 s hide, put off by the show's 0.8 s of grace, is due at 1.0
    pointer.movePointer(at);
    autoHide->handleMouseMoved();
    advance(0.3);
    EXPECT_EQ(autoHide->isTaskbarHidden(), !putsOff);
    autoHide.reset();
    pointer.movePointer({960, 600});
  }
}

// Moves at 60 a second keep one hide timer, its deadline moved each time: the delay counts from the last.
TEST_F(AutoHideTest, AStreamOfMovesKeepsOneHideTimerAndTheDelayCountsFromTheLastMove) {
  settings->autoHideDelay = 0.5;
  makeHidden();
  autoHide->showTaskbar(false);
  advance(0.9);  // past the show's grace
  const OneShotTimer* armed = nullptr;
  int timersArmed = 0;
  for (int move = 0; move < 60; ++move) {
    pointer.movePointer({900.0 + move, 600});
    autoHide->handleMouseMoved();
    if (autoHide->hideTimer().get() != armed) ++timersArmed;
    armed = autoHide->hideTimer().get();
    advance(1.0 / 60);
  }
  EXPECT_EQ(timersArmed, 1);
  advance(0.5 - 1.0 / 60 - 0.002);
  EXPECT_EQ(autoHide->state(), State::shown);
  advance(0.004);
  EXPECT_TRUE(autoHide->isTaskbarHidden());
}

// The pointer rests on the bar, so the hide timer keeps being re-armed; then it leaves the bar just
// before the timer fires, with the move's event still queued. That move counts as the last movement:
// the bar stays for the whole delay after it, whether the event then comes or not.
TEST_F(AutoHideTest, AMoveNotYetHandledWhenTheTimerFiresStillStartsTheDelayAgain) {
  for (bool eventComes : {false, true}) {
    SCOPED_TRACE(eventComes);
    settings->autoHideDelay = 0.5;
    makeHidden();
    pointer.movePointer({960, 10});
    autoHide->showTaskbar(false);  // armed at 0, postponed at 0.5 and 1.0 (pointer on the bar): due at 1.5
    advance(1.45);
    ASSERT_EQ(autoHide->state(), State::shown);
    pointer.movePointer({960, 600});  // not handled yet
    advance(0.1);
    EXPECT_EQ(autoHide->state(), State::shown) << "hidden at once by a timer armed before the move";
    if (eventComes) autoHide->handleMouseMoved();  // at 1.55
    advance(eventComes ? 0.49 : 0.44);             // 2.04 and 1.99: within the delay after the move
    EXPECT_EQ(autoHide->state(), State::shown);
    advance(0.02);
    EXPECT_TRUE(autoHide->isTaskbarHidden());
    autoHide.reset();
    pointer.movePointer({960, 600});
  }
}

TEST_F(AutoHideTest, PinningRevealsAndHoldsTheBarAndUnpinningHidesItAgain) {
  makeHidden();
  settings->autoHidePinned = true;
  advance(0);
  EXPECT_EQ(autoHide->state(), State::shown);
  EXPECT_EQ(autoHide->hideTimer(), nullptr);
  advance(10);
  EXPECT_EQ(autoHide->state(), State::shown);
  settings->autoHidePinned = false;
  advance(0);
  EXPECT_NE(autoHide->hideTimer(), nullptr);
  advance(1);
  EXPECT_EQ(autoHide->state(), State::hidden);
}

// In dodge mode only the screen-space manager hides the bar; a hide it asks for too early is dropped.
TEST_F(AutoHideTest, DodgeModeRunsNoHideTimerAndDropsAnEarlyHide) {
  settings->autoHideDodgeWindows = true;
  makeHidden();  // the first hide checks nothing
  autoHide->showTaskbar(false);
  advance(0.5);
  autoHide->hideTaskbar(true);
  EXPECT_EQ(autoHide->state(), State::shown);
  EXPECT_EQ(autoHide->hideTimer(), nullptr);
  advance(10);
  EXPECT_EQ(autoHide->state(), State::shown);
  autoHide->hideTaskbar(true);
  EXPECT_EQ(autoHide->state(), State::hidden);
}

TEST_F(AutoHideTest, FullScreenOnlyModeOutsideFullScreenNeverHidesByTimer) {
  settings->autoHideFullscreenOnly = true;
  makeHidden();  // the first hide checks nothing
  autoHide->fullscreenStateChanged(false);
  EXPECT_EQ(autoHide->state(), State::shown);
  EXPECT_EQ(autoHide->hideTimer(), nullptr);
  advance(10);
  EXPECT_EQ(autoHide->state(), State::shown);
}

TEST_F(AutoHideTest, WakingScreensShowAHiddenBarWithoutAnimation) {
  settings->autoHideAnimation = AutoHideAnimation::slide;
  makeHidden();
  mac.sleepScreens();
  mac.wakeScreens();
  advance(0);
  EXPECT_EQ(autoHide->state(), State::shown);
  EXPECT_TRUE(panel->isOrderedIn());
  EXPECT_TRUE(autoHide->runningAnimationKey().empty());
}

// With a delay of 0 a hide postponed by the pointer on the bar retries at most every 0.05 s instead of
// spinning the main queue.
TEST_F(AutoHideTest, ZeroDelayWithThePointerOnTheBarRetriesAtAPace) {
  settings->autoHideDelay = 0;
  makeHidden();
  autoHide->showTaskbar(false);
  pointer.movePointer({960, 10});
  int attempts = 0;
  const OneShotTimer* last = autoHide->hideTimer().get();
  for (int step = 0; step < 1000; ++step) {
    advance(0.01);
    if (autoHide->hideTimer().get() != last) ++attempts;
    last = autoHide->hideTimer().get();
  }
  EXPECT_EQ(autoHide->state(), State::shown);
  EXPECT_LE(attempts, 200);
  EXPECT_GE(attempts, 150);
  EXPECT_LE(scheduler.pendingCount(), 3u);
}

TEST_F(AutoHideTest, HiddenFramesSitJustPastEachEdge) {
  const platform::ScreenInfo s = screen();  // frame (0, 0, 1920, 1080), menu bar on top
  const Rect& v = s.visibleFrame;
  struct Row {
    TaskbarPosition position;
    Rect expected;
  };
  for (const Row& row : {Row{TaskbarPosition::bottom, Rect(0, -48, 1920, 48)},
                         Row{TaskbarPosition::top, Rect(v.minX(), v.maxY(), v.width(), 48)},
                         Row{TaskbarPosition::left, Rect(v.minX() - 48, v.minY(), 48, v.height())},
                         Row{TaskbarPosition::right, Rect(v.maxX(), v.minY(), 48, v.height())}})
    EXPECT_EQ(AutoHideManager::hiddenFrame(row.position, 48, s, std::nullopt), row.expected);
  EXPECT_EQ(AutoHideManager::hiddenFrame(TaskbarPosition::bottom, 48, s, Rect(700, 10, 520, 48)),
            Rect(700, -48, 520, 48));
  EXPECT_EQ(AutoHideManager::hiddenFrame(TaskbarPosition::right, 48, s, Rect(1862, 300, 48, 400)),
            Rect(v.maxX(), 300, 48, 400));
}

TEST_F(AutoHideTest, FloatingCentringKeepsTheMarginsAndTheScreenLength) {
  const Rect screenFrame(0, 0, 1440, 900);
  const Rect bar(0, 0, 1440, 48);
  struct Row {
    double content, margin;
    Rect expected;
  };
  for (const Row& row : {Row{600, 0, Rect(420, 0, 600, 48)}, Row{2000, 0, Rect(0, 0, 1440, 48)},
                         Row{2000, 20, Rect(20, 0, 1400, 48)}})
    EXPECT_EQ(AutoHideManager::centredFloatingFrame(TaskbarPosition::bottom, bar, screenFrame, row.content,
                                                    row.margin, 0),
              row.expected);
  EXPECT_EQ(AutoHideManager::centredFloatingFrame(TaskbarPosition::left, Rect(5, 0, 48, 900), screenFrame,
                                                  300, 0, 10),
            Rect(5, 300, 48, 300));
}

// ---- With the screen-space manager ----

class AutoHideFullScreenTest : public AutoHideTest {
 protected:
  ScreenSpaceSharedState shared;
  std::unique_ptr<ScreenSpaceManager> space;
  platform::WindowID movie = 0;

  void SetUp() override {
    AutoHideTest::SetUp();
    settings->hideInFullscreen = true;
    const int32_t pid = mac.launchApp({.bundleID = "com.example.Player", .name = "Player", .activate = true});
    movie = mac.openWindow(pid, {.title = "movie", .bounds = Rect(200, 200, 640, 480)});
    scheduler.runUntilIdle();
  }
  void TearDown() override {
    autoHide.reset();
    space.reset();
    AutoHideTest::TearDown();
  }
  void link() {
    space = std::make_unique<ScreenSpaceManager>(
        panel.get(), settings, windowManager, screen(), shared,
        ScreenSpaceManager::Dependencies{scheduler, mac.workspace(), mac.windowServer(), mac.screens(),
                                         accessibilityHelper, &mac.distributedNotifications(),
                                         &mac.processExistence()});
    space->setAutoHideManager(autoHide.get());
    autoHide->setScreenSpaceManager(space.get());
  }
  void setFullScreen(bool on) {
    mac.setFullScreen(movie, on);
    space->checkFullscreen();
    advance(0.5);
  }
};

TEST_F(AutoHideFullScreenTest, TurningAutoHideOffDuringFullScreenBringsTheBarBackWhenItEnds) {
  makeHidden();
  link();
  setFullScreen(true);
  settings->autoHide = false;
  advance(0);
  EXPECT_FALSE(autoHide->isTaskbarHidden());
  EXPECT_FALSE(panel->isOrderedIn());
  EXPECT_EQ(autoHide->triggerPanel(), nullptr);
  setFullScreen(false);
  EXPECT_TRUE(panel->isOrderedIn());
  EXPECT_EQ(panel->frame(), barFrame());
}

// Nothing of the bar goes over a full-screen window: the trigger zone and the peek strip leave with the
// bar, whether it was hidden before full screen began or its first hide came during it, and they come
// back when full screen ends while auto-hide still holds the bar.
TEST_F(AutoHideFullScreenTest, TheEdgeWindowsStayOffAFullScreenWindowAndComeBackAfterIt) {
  settings->autoHidePeekReveal = true;
  for (bool hiddenFirst : {true, false}) {
    SCOPED_TRACE(hiddenFirst ? "hidden, then full screen" : "full screen, then the first hide");
    if (hiddenFirst) {
      makeHidden();
      link();
      ASSERT_TRUE(autoHide->triggerPanel() && autoHide->peekPanel());
      setFullScreen(true);
    } else {
      make();
      link();
      setFullScreen(true);
      advance(2);
    }
    EXPECT_TRUE(autoHide->isTaskbarHidden());
    EXPECT_EQ(autoHide->triggerPanel(), nullptr);
    EXPECT_EQ(autoHide->peekPanel(), nullptr);
    autoHide->repositionTriggerZone();  // a re-placed bar (a screen change) brings nothing back
    EXPECT_EQ(autoHide->triggerPanel(), nullptr);
    EXPECT_EQ(autoHide->peekPanel(), nullptr);

    setFullScreen(false);
    EXPECT_TRUE(autoHide->isTaskbarHidden());
    EXPECT_FALSE(panel->isOrderedIn());
    ASSERT_TRUE(autoHide->triggerPanel() && autoHide->peekPanel());
    EXPECT_TRUE(autoHide->triggerPanel()->isOrderedIn());
    EXPECT_TRUE(autoHide->peekPanel()->isOrderedIn());
    autoHide.reset();
    space.reset();
    flushDeletes();
  }
}

TEST_F(AutoHideFullScreenTest, LeavingFullScreenInFullScreenOnlyModeRevealsTheBar) {
  settings->autoHideFullscreenOnly = true;
  makeHidden();
  link();
  setFullScreen(true);
  setFullScreen(false);
  EXPECT_FALSE(space->isHiddenForFullscreen());
  EXPECT_FALSE(autoHide->isTaskbarHidden());
  EXPECT_TRUE(panel->isOrderedIn());
}

}  // namespace
}  // namespace pelko::test

namespace pelko::test {
namespace {

// What a person sees of a bar caught mid-animation: its content moved, shrunk toward its edge or faded,
// clipped by the panel. Saved under artifacts/ for a look.
TEST(PanelLayerRenderTest, TheContentContainerMovesShrinksAndFadesInsideThePanel) {
  VirtualScheduler scheduler;
  sim::SimulatedMac world{scheduler};
  TaskbarPanel panel(Rect(0, 0, 400, 48), world.screens());
  auto* content = new QWidget;
  content->setAutoFillBackground(true);
  QPalette palette = content->palette();
  palette.setColor(QPalette::Window, Qt::red);
  content->setPalette(palette);
  panel.setContentView(content);
  panel.syncContentViewFrame();

  auto render = [&](const PanelLayer& layer, const char* file) {
    panel.setLayer(layer);
    QImage image = panel.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    QDir dir(QCoreApplication::applicationDirPath() + "/../artifacts");
    dir.mkpath(".");
    image.save(dir.filePath(file));
    return image;
  };
  auto redAt = [](const QImage& image, int x, int y) {
    return qRed(image.pixel(x, y)) > 200 && qAlpha(image.pixel(x, y)) > 200;
  };

  PanelLayer slid;
  slid.translationY = -24;  // half the bar below the screen edge
  QImage image = render(slid, "panel-layer-slide.png");
  EXPECT_FALSE(redAt(image, 200, 10));
  EXPECT_TRUE(redAt(image, 200, 40));

  PanelLayer shrunk;
  shrunk.anchorY = 0;  // the bottom edge stays
  shrunk.scaleY = 0.5;
  image = render(shrunk, "panel-layer-scale.png");
  EXPECT_FALSE(redAt(image, 200, 10));
  EXPECT_TRUE(redAt(image, 200, 40));

  PanelLayer faded;
  faded.opacity = 0.5;
  image = render(faded, "panel-layer-fade.png");
  EXPECT_NEAR(qAlpha(image.pixel(200, 24)), 128, 10);

  image = render(PanelLayer(), "panel-layer-rest.png");
  EXPECT_TRUE(redAt(image, 200, 10));
  EXPECT_EQ(panel.contentContainer()->graphicsEffect(), nullptr);
}

}  // namespace
}  // namespace pelko::test
