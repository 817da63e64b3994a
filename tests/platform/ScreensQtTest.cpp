#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>

#include "foundation/VirtualScheduler.h"
#include "platform/real/QtScreens.h"

namespace pelko {
namespace {

Rect toRect(const QRect& r) {
  return Rect(r.x(), r.y(), r.width(), r.height());
}

class QtScreensTest : public ::testing::Test {
 protected:
  VirtualScheduler scheduler;
  real::QtScreens screens{scheduler};
  QScreen* primary = QGuiApplication::primaryScreen();
  int changes = 0;
  Cancellable subscription = screens.screenParametersChanged().sink([this](const auto&) { ++changes; });
};

TEST_F(QtScreensTest, PrimaryScreenComesFirstFlippedIntoScreenCoordinatesWithAStableNumber) {
  ASSERT_NE(primary, nullptr);
  auto all = screens.screens();
  ASSERT_EQ(all.size(), static_cast<size_t>(QGuiApplication::screens().size()));
  const double mainHeight = primary->geometry().height();
  EXPECT_EQ(all[0].frame, flipRect(toRect(primary->geometry()), mainHeight));
  EXPECT_EQ(all[0].visibleFrame, flipRect(toRect(primary->availableGeometry()), mainHeight));
  // The main screen's frame starts at the origin of screen coordinates when Qt puts it at its own.
  if (primary->geometry().topLeft() == QPoint(0, 0)) {
    EXPECT_EQ(all[0].frame.origin, Point(0, 0));
  }
  EXPECT_EQ(all[0].backingScaleFactor, primary->devicePixelRatio());
  EXPECT_EQ(all[0].localizedName, primary->name().toStdString());
  EXPECT_EQ(screens.mainScreen(), all[0]);
  EXPECT_EQ(all[0].displayID, real::QtScreens::kFirstDisplayID);
  EXPECT_EQ(screens.screens(), all);
}

TEST_F(QtScreensTest, SeveralQtSignalsOfOneChangeMakeOneNotificationOnTheMainQueue) {
  Q_EMIT primary->geometryChanged(primary->geometry());
  Q_EMIT primary->availableGeometryChanged(primary->availableGeometry());
  Q_EMIT qGuiApp->primaryScreenChanged(primary);
  EXPECT_EQ(changes, 0);
  scheduler.runUntilIdle();
  EXPECT_EQ(changes, 1);

  // A later change is announced again.
  Q_EMIT primary->logicalDotsPerInchChanged(96);
  scheduler.runUntilIdle();
  EXPECT_EQ(changes, 2);
}

TEST_F(QtScreensTest, AScreenThatComesBackGetsItsOldNumber) {
  const platform::DisplayID id = screens.screens()[0].displayID;
  Q_EMIT qGuiApp->screenRemoved(primary);
  Q_EMIT qGuiApp->screenAdded(primary);
  scheduler.runUntilIdle();
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(screens.screens()[0].displayID, id);
}

TEST_F(QtScreensTest, NothingIsDeliveredOnceTheAdapterIsGone) {
  auto other = std::make_unique<real::QtScreens>(scheduler);
  int otherChanges = 0;
  auto otherSubscription = other->screenParametersChanged().sink([&](const auto&) { ++otherChanges; });
  Q_EMIT primary->geometryChanged(primary->geometry());
  other.reset();
  Q_EMIT primary->geometryChanged(primary->geometry());  // no longer connected
  scheduler.runUntilIdle();
  EXPECT_EQ(otherChanges, 0);
}

}  // namespace
}  // namespace pelko
