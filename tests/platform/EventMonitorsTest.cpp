#include <gtest/gtest.h>

#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QWindow>

#include "foundation/VirtualScheduler.h"
#include "platform/real/QtEventMonitors.h"
#include "platform/sim/SimEventMonitors.h"

namespace pelko {
namespace {

using platform::Event;
using platform::EventType;
namespace mask = platform::event_mask;

TEST(SimEventMonitorsTest, LocalMonitorsSeeOurEventsAndMaySwallowThemGlobalOnesSeeTheRest) {
  sim::SimEventMonitors monitors;
  std::vector<std::string> seen;
  const auto swallowing =
      monitors.addLocalMonitor(mask::kKeyDown, [&](const Event& e) -> std::optional<Event> {
        seen.push_back("local key " + std::to_string(e.modifierFlags));
        if (e.modifierFlags == (platform::modifier_flag::kControl | platform::modifier_flag::kOption))
          return std::nullopt;
        return e;
      });
  const auto global = monitors.addGlobalMonitor(
      mask::kKeyDown | mask::kMouseMovedOrDragged,
      [&](const Event& e) { seen.push_back("global " + std::to_string(static_cast<int>(e.type))); });
  ASSERT_TRUE(global);
  Event key;
  key.type = EventType::keyDown;
  key.modifierFlags = (1u << 18) | (1u << 19);
  EXPECT_FALSE(monitors.post(key, true)) << "swallowed";
  key.modifierFlags = 1u << 20;
  EXPECT_TRUE(monitors.post(key, true));
  monitors.post(key, false);
  monitors.movePointer({10, 20});
  EXPECT_EQ(seen,
            (std::vector<std::string>{"local key 786432", "local key 1048576", "global 10", "global 5"}));

  // The two kinds are independent: removing the local monitor leaves the global one.
  monitors.removeMonitor(swallowing);
  EXPECT_EQ(monitors.localMonitorCount(), 0u);
  EXPECT_EQ(monitors.globalMonitorCount(), 1u);
  EXPECT_EQ(monitors.mouseLocation(), (Point{10, 20}));
  EXPECT_FALSE(sim::SimEventMonitors(false).addGlobalMonitor(mask::kMouseMoved, [](const Event&) {}));
}

TEST(SimEventMonitorsTest, AHandlerMayRemoveMonitorsWhileAnEventIsDelivered) {
  sim::SimEventMonitors monitors;
  int later = 0;
  platform::MonitorToken second = 0;
  monitors.addLocalMonitor(mask::kScrollWheel, [&](const Event& e) -> std::optional<Event> {
    monitors.removeMonitor(second);
    return e;
  });
  second = monitors.addLocalMonitor(mask::kScrollWheel, [&](const Event& e) -> std::optional<Event> {
    ++later;
    return e;
  });
  Event scroll;
  scroll.type = EventType::scrollWheel;
  monitors.post(scroll, true);
  EXPECT_EQ(later, 0);
}

TEST(SimEventMonitorsTest, TrackedRectanglesReportEnteringAndLeaving) {
  sim::SimEventMonitors monitors;
  std::vector<EventType> seen;
  const auto rect =
      monitors.addTrackingRect({20, 0, 100, 4}, [&](const Event& e) { seen.push_back(e.type); });
  monitors.movePointer({50, 10});
  monitors.movePointer({50, 2});
  monitors.movePointer({60, 3});
  monitors.movePointer({50, 4});  // the top edge is outside
  monitors.removeTrackingRect(rect);
  monitors.movePointer({50, 2});
  EXPECT_EQ(seen, (std::vector<EventType>{EventType::mouseEntered, EventType::mouseExited}));
}

TEST(QtEventMonitorsTest, TheGlobalPointerIsReadOnlyWhileWatchedAndReportedOnlyWhenItMoves) {
  VirtualScheduler scheduler;
  real::QtEventMonitors monitors(scheduler, false);
  EXPECT_FALSE(monitors.isPolling());
  monitors.addLocalMonitor(mask::kMouseMoved, [](const Event& e) { return std::optional<Event>(e); });
  EXPECT_FALSE(monitors.isPolling()) << "local monitors need no polling";
  std::vector<Point> moves;
  const auto token = monitors.addGlobalMonitor(mask::kMouseMoved,
                                               [&](const Event& e) { moves.push_back(e.locationInScreen); });
  ASSERT_TRUE(token);
  EXPECT_TRUE(monitors.isPolling());
  QCursor::setPos(300, 200);
  scheduler.advance(0.1);
  const double height = QGuiApplication::primaryScreen()->geometry().height();
  QCursor::setPos(310, 200);
  scheduler.advance(0.5);
  if (QCursor::pos() != QPoint(310, 200)) GTEST_SKIP() << "this platform cannot move the pointer";
  EXPECT_EQ(moves, (std::vector<Point>{{310, height - 200}})) << "one report per move, none while still";
  monitors.removeMonitor(*token);
  EXPECT_FALSE(monitors.isPolling());
}

// The display server's motion reports, as a test drives them.
struct FakeMotionSource final : real::PointerMotionSource {
  void setEnabled(bool enabled) override { this->enabled = enabled; }
  bool isEnabled() const override { return enabled; }
  bool enabled = false;
};

// Over one of our windows Qt delivers every move itself: the raw reports would wake the process a second
// time for the same move, so they stop on entering and start again on leaving (or when the window the
// pointer was in goes away under a grab that hides the leaving).
TEST(QtEventMonitorsTest, RawReportsStopWhileThePointerIsInOurWindowAndAMoveAnswersItsOwnLocation) {
  VirtualScheduler scheduler;
  FakeMotionSource* source = nullptr;
  real::QtEventMonitors monitors(scheduler, [&](std::function<void()>) {
    auto made = std::make_unique<FakeMotionSource>();
    source = made.get();
    return made;
  });
  ASSERT_TRUE(source);
  EXPECT_FALSE(source->enabled) << "nothing watches the pointer yet";
  QCursor::setPos(50, 60);
  if (QCursor::pos() != QPoint(50, 60)) GTEST_SKIP() << "this platform cannot move the pointer";
  const double height = QGuiApplication::primaryScreen()->geometry().height();
  std::vector<Point> globalMoves;
  const auto global = monitors.addGlobalMonitor(
      mask::kMouseMoved, [&](const Event& e) { globalMoves.push_back(e.locationInScreen); });
  std::vector<Point> answered;
  monitors.addLocalMonitor(mask::kMouseMoved, [&](const Event& e) -> std::optional<Event> {
    answered.push_back(monitors.mouseLocation());
    return e;
  });
  EXPECT_TRUE(source->enabled);

  QWindow window;
  QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(300, 200));
  QCoreApplication::sendEvent(&window, &enter);
  EXPECT_FALSE(source->enabled) << "entering our window";
  QMouseEvent move(QEvent::MouseMove, QPointF(2, 1), QPointF(300, 200), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QCoreApplication::sendEvent(&window, &move);
  EXPECT_EQ(answered, (std::vector<Point>{{300, height - 200}})) << "the move's location, not the cursor's";
  EXPECT_EQ(monitors.mouseLocation(), (Point{50, height - 60})) << "after the move, the cursor's";

  // Leaving reports where the pointer went, as the raw report of that move would have.
  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(&window, &leave);
  EXPECT_TRUE(source->enabled) << "leaving our window";
  EXPECT_EQ(globalMoves, (std::vector<Point>{{50, height - 60}}));

  // A leave from a window the pointer is not in changes nothing; a hidden window is asked about later.
  QCoreApplication::sendEvent(&window, &enter);
  QWindow other;
  QCoreApplication::sendEvent(&other, &leave);
  EXPECT_FALSE(source->enabled);
  QHideEvent hide;
  QCoreApplication::sendEvent(&window, &hide);
  scheduler.runUntilIdle();
  EXPECT_TRUE(source->enabled) << "the pointer is in none of our windows";

  monitors.removeMonitor(*global);
  QCoreApplication::sendEvent(&window, &enter);
  QCoreApplication::sendEvent(&window, &leave);
  EXPECT_FALSE(source->enabled) << "nothing watches the pointer any more";
}

TEST(QtEventMonitorsTest, ALocalHandlerSwallowsTheEventBeforeTheWindowSeesIt) {
  VirtualScheduler scheduler;
  real::QtEventMonitors monitors(scheduler);
  struct Window : QWindow {
    int moves = 0;
    void mouseMoveEvent(QMouseEvent*) override { ++moves; }
  } window;
  bool swallow = false;
  std::vector<EventType> seen;
  monitors.addLocalMonitor(mask::kMouseMovedOrDragged, [&](const Event& e) -> std::optional<Event> {
    seen.push_back(e.type);
    if (swallow) return std::nullopt;
    return e;
  });
  QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), QPointF(5, 5), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QCoreApplication::sendEvent(&window, &move);
  swallow = true;
  QMouseEvent drag(QEvent::MouseMove, QPointF(6, 5), QPointF(6, 5), Qt::NoButton, Qt::LeftButton,
                   Qt::NoModifier);
  QCoreApplication::sendEvent(&window, &drag);
  EXPECT_EQ(window.moves, 1);
  EXPECT_EQ(seen, (std::vector<EventType>{EventType::mouseMoved, EventType::leftMouseDragged}));
}

// Hovering sends a stream of moves to our windows: one that no monitor, tracked rectangle or global
// watch wants is passed on untouched.
TEST(QtEventMonitorsTest, AMoveNothingWatchesIsNotHandedToTheMonitors) {
  VirtualScheduler scheduler;
  real::QtEventMonitors monitors(scheduler);
  QWindow window;
  auto send = [&](Qt::MouseButtons buttons) {
    QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), QPointF(5, 5), Qt::NoButton, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &move);
  };
  int keys = 0;
  const auto keyMonitor =
      monitors.addLocalMonitor(mask::kKeyDown, [&](const Event& e) -> std::optional<Event> {
        ++keys;
        return e;
      });
  send(Qt::NoButton);
  send(Qt::LeftButton);
  EXPECT_EQ(monitors.pointerMovesDelivered(), 0u) << "only keys are watched";

  int drags = 0;
  const auto dragMonitor = monitors.addLocalMonitor(platform::eventMaskFor(EventType::leftMouseDragged),
                                                    [&](const Event& e) -> std::optional<Event> {
                                                      ++drags;
                                                      return e;
                                                    });
  send(Qt::NoButton);
  EXPECT_EQ(monitors.pointerMovesDelivered(), 0u) << "a plain move, and only drags are watched";
  send(Qt::LeftButton);
  EXPECT_EQ(monitors.pointerMovesDelivered(), 1u);
  EXPECT_EQ(drags, 1);
  monitors.removeMonitor(dragMonitor);

  // A tracked rectangle hears the moves over our windows too.
  std::vector<EventType> crossings;
  const double height = QGuiApplication::primaryScreen()->geometry().height();
  const auto tracked = monitors.addTrackingRect(Rect(0, height - 10, 10, 10),
                                                [&](const Event& e) { crossings.push_back(e.type); });
  send(Qt::NoButton);
  EXPECT_EQ(monitors.pointerMovesDelivered(), 2u);
  monitors.removeTrackingRect(tracked);
  send(Qt::NoButton);
  EXPECT_EQ(monitors.pointerMovesDelivered(), 2u) << "nothing watches any more";
  monitors.removeMonitor(keyMonitor);
  EXPECT_EQ(keys, 0);
}

TEST(QtEventMonitorsTest, KeysCarryThePhysicalModifiersAsLinuxDeliversThemAndStillNameTheirCharacter) {
  VirtualScheduler scheduler;
  real::QtEventMonitors monitors(scheduler);
  QWindow window;
  std::optional<Event> seen;
  monitors.addLocalMonitor(mask::kKeyDown, [&](const Event& e) -> std::optional<Event> {
    seen = e;
    return e;
  });
  // What Qt gives on Linux for each press: physical Control is Qt's Control, Super is Qt's Meta.
  struct Case {
    const char* keys;
    Qt::KeyboardModifiers modifiers;
    QString text;
    uint64_t flags;
  };
  const Case cases[] = {
      {"Control-Alt-T", Qt::ControlModifier | Qt::AltModifier, QString(QChar(0x14)), (1u << 18) | (1u << 19)},
      {"Super-Alt-T", Qt::MetaModifier | Qt::AltModifier, "t", 1u << 19},
      {"Shift-Control-T", Qt::ShiftModifier | Qt::ControlModifier, QString(QChar(0x14)),
       (1u << 17) | (1u << 18)},
      {"T", Qt::NoModifier, "t", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys);
    seen.reset();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_T, c.modifiers, c.text);
    QCoreApplication::sendEvent(&window, &press);
    ASSERT_TRUE(seen);
    EXPECT_EQ(seen->characters, c.text.toStdString());
    EXPECT_EQ(seen->charactersIgnoringModifiers, "t");
    EXPECT_EQ(seen->modifierFlags, c.flags);
  }
}

}  // namespace
}  // namespace pelko
