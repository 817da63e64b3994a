#include "ui/Animator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "foundation/VirtualScheduler.h"

namespace pelko {
namespace {

TEST(EasingTest, EndsAreExactAndCurvesBendTheRightWay) {
  for (Easing e :
       {Easing::linear, Easing::easeIn, Easing::easeOut, Easing::easeInEaseOut, Easing::standard}) {
    for (auto [t, expected] : {std::pair{0.0, 0.0}, {1.0, 1.0}, {-3.0, 0.0}, {7.0, 1.0}, {std::nan(""), 0.0}})
      EXPECT_EQ(applyEasing(e, t), expected) << t;
    for (int i = 1; i <= 100; ++i)
      EXPECT_GE(applyEasing(e, i / 100.0), applyEasing(e, (i - 1) / 100.0) - 1e-9);
  }
  EXPECT_DOUBLE_EQ(applyEasing(Easing::linear, 0.3), 0.3);
  EXPECT_LT(applyEasing(Easing::easeIn, 0.5), 0.35);
  EXPECT_NEAR(applyEasing(Easing::easeInEaseOut, 0.5), 0.5, 1e-6);
  // Ease-in and ease-out are each other's point reflection, which checks the curve solver.
  for (double t : {0.1, 0.25, 0.4, 0.7, 0.9})
    EXPECT_NEAR(applyEasing(Easing::easeIn, t), 1 - applyEasing(Easing::easeOut, 1 - t), 1e-6) << t;
}

TEST(EasingTest, CustomCurvesFollowTheirControlPoints) {
  const CubicBezier quickStart{0.25, 1, 0.5, 1}, slowStart{0.5, 0, 0.75, 0};
  for (double t : {0.0, 1.0}) {
    EXPECT_EQ(applyCurve(quickStart, t), t);
    EXPECT_EQ(applyCurve(slowStart, t), t);
  }
  EXPECT_GT(applyCurve(quickStart, 0.5), 0.9);
  EXPECT_LT(applyCurve(slowStart, 0.5), 0.15);
  // The presets are curves like any other.
  for (double t : {0.2, 0.5, 0.8})
    EXPECT_NEAR(applyCurve({0.42, 0, 1, 1}, t), applyEasing(Easing::easeIn, t), 1e-9);
}

class AnimatorTest : public ::testing::Test {
 protected:
  VirtualScheduler scheduler;
  std::unique_ptr<Animator> animator = std::make_unique<Animator>(scheduler);
  std::vector<double> values;
  int completions = 0;

  AnimationHandle start(AnimationSetup setup) {
    return animator->animate(
        setup, [this](double v) { values.push_back(v); }, [this] { ++completions; });
  }
};

TEST_F(AnimatorTest, RunsFromStartToExactEndOnTheVirtualClockSharingFrames) {
  int other = 0;
  animator->animate({.duration = 0.15}, [&](double) { ++other; });
  auto handle = start({.from = 0, .to = 1, .duration = 0.15, .easing = Easing::easeOut});
  EXPECT_EQ(values, std::vector<double>{0});
  scheduler.advance(0.1);
  EXPECT_EQ(completions, 0);
  EXPECT_GT(values.back(), 0.5);
  EXPECT_LT(values.back(), 1);
  for (size_t i = 1; i < values.size(); ++i) EXPECT_GE(values[i], values[i - 1]);
  scheduler.advance(0.05);  // exactly the duration
  EXPECT_EQ(values.back(), 1);
  EXPECT_EQ(completions, 1);
  EXPECT_FALSE(handle.isRunning());
  EXPECT_EQ(static_cast<size_t>(other), values.size());
  EXPECT_EQ(animator->framesDelivered() + 1, values.size());  // the first value comes at once
  scheduler.advance(1);
  EXPECT_EQ(scheduler.pendingCount(), 0u) << "no frames after the end";

  // Shorter than a frame, zero, not a number or reduced motion: the end comes on time or at once.
  values.clear();
  start({.from = 1, .to = 0, .duration = 0.005, .easing = Easing::linear});
  scheduler.advance(0.005);
  start({.from = 0, .to = 1, .duration = 0.25, .reduceMotion = true});
  start({.from = 0, .to = 0.5, .duration = 0});
  start({.from = 0, .to = 0.25, .duration = std::nan("")});
  EXPECT_EQ(values, (std::vector<double>{1, 0, 1, 0.5, 0.25}));
  EXPECT_EQ(completions, 5);
}

TEST_F(AnimatorTest, AnAnimationAlongACustomCurveUsesItInPlaceOfTheEasing) {
  const CubicBezier curve{0.5, 0, 0.75, 0};
  Animator quarterSeconds(scheduler, 0.25);  // frames fall on whole quarters
  quarterSeconds.animate({.from = 0, .to = 10, .duration = 1, .easing = Easing::easeOut}, curve,
                         [this](double v) { values.push_back(v); });
  scheduler.advance(0.5);
  EXPECT_NEAR(values.back(), 10 * applyCurve(curve, 0.5), 1e-6);
  scheduler.advance(0.5);
  EXPECT_EQ(values.back(), 10);
}

TEST_F(AnimatorTest, CancelStopsFinishJumpsToTheEndAndCallbacksMayCancelChainAndDestroyTheAnimator) {
  auto cancelled = start({.from = 0, .to = 10, .duration = 1, .easing = Easing::linear});
  scheduler.advance(0.5);
  cancelled.cancel();
  double last = values.back();
  EXPECT_NEAR(last, 5, 0.2);
  scheduler.advance(1);
  cancelled.finish();  // too late: nothing happens
  EXPECT_EQ(values.back(), last);
  EXPECT_EQ(completions, 0);

  auto finished = start({.from = 0, .to = 3, .duration = 1});
  scheduler.advance(0.2);
  finished.finish();
  finished.finish();
  EXPECT_EQ(values.back(), 3);
  EXPECT_EQ(completions, 1);

  AnimationHandle self;
  int updates = 0;
  self = animator->animate({.from = 0, .to = 1, .duration = 1}, [&](double) {
    if (++updates == 3) self.cancel();
  });
  scheduler.advance(1);
  EXPECT_EQ(updates, 3);

  // A completion that starts the next animation (a fade out followed by a fade in).
  bool secondDone = false;
  animator->animate({.from = 1, .to = 0, .duration = 0.1}, nullptr, [&] {
    animator->animate({.from = 0, .to = 1, .duration = 0.1}, nullptr, [&] { secondDone = true; });
  });
  scheduler.advance(0.1);
  EXPECT_FALSE(secondDone);
  scheduler.advance(0.1);
  EXPECT_TRUE(secondDone);

  // A completion that destroys the animator: the animation still running falls quiet, its handle too.
  size_t count = 0;
  animator->animate({.from = 0, .to = 1, .duration = 0.1}, nullptr, [&] {
    count = values.size();
    animator.reset();
  });
  auto orphan = start({.from = 0, .to = 1, .duration = 1});  // after it in the same frame
  scheduler.advance(2);
  EXPECT_EQ(animator, nullptr);
  EXPECT_FALSE(orphan.isRunning());
  orphan.finish();
  EXPECT_EQ(values.size(), count);
  EXPECT_EQ(completions, 1);
}

}  // namespace
}  // namespace pelko
