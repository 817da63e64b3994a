#include <gtest/gtest.h>

#include "SettingsTestWorld.h"

namespace pelko {
namespace {

using platform::PlistValue;

TEST(BarThickness, ScalesWithSizeAndOrientation) {
  test::SettingsTestWorld world;
  auto settings = world.make();
  struct Case {
    double size;
    double horizontal, vertical;
  };
  for (auto [size, horizontal, vertical] : std::vector<Case>{{50, 26, 36},
                                                             {76, 26, 36},
                                                             {77, 26, 37},
                                                             {82, 28, 39},
                                                             {100, 34, 48},
                                                             {118, 40, 57},
                                                             {125, 43, 60},
                                                             {150, 51, 72}}) {
    settings->position = TaskbarPosition::bottom;
    settings->taskbarSize = size;
    EXPECT_EQ(settings->barThickness(), horizontal) << size;
    settings->position = TaskbarPosition::left;
    settings->taskbarSize = size;
    EXPECT_EQ(settings->barThickness(), vertical) << size;
  }
}

TEST(BarThickness, ValueBeingCorrectedCountsAsTheBound) {
  test::SettingsTestWorld world;
  auto settings = world.make();
  std::vector<double> seen;
  auto subscription = settings->taskbarSize.publisher().dropFirst().sink([&](const double&) {
    seen.push_back(settings->barThickness());  // reads the held value during delivery
  });
  settings->taskbarSize = 400.0;
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[1], 51);  // 400 is held while 150 is delivered
}

class PermissionPrompts : public ::testing::Test {
 protected:
  test::SettingsTestWorld world;
  std::unique_ptr<SettingsManager> settings = world.make();
};

TEST_F(PermissionPrompts, AccessibilityPromptFollowsFlagThenTrust) {
  settings->acknowledgeLimitedModeWithoutAccessibility();
  world.permissions.accessibilityTrusted = false;
  EXPECT_FALSE(settings->shouldPromptForAccessibilityPermission());
  settings->clearLimitedModeAcknowledgement();
  EXPECT_TRUE(settings->shouldPromptForAccessibilityPermission());
  world.permissions.accessibilityTrusted = true;
  EXPECT_FALSE(settings->shouldPromptForAccessibilityPermission());
  EXPECT_EQ(world.permissions.accessibilityPromptCount, 0);  // asked without the system prompt
}

TEST_F(PermissionPrompts, ScreenRecordingPromptIsNotAskedWhileDeclined) {
  world.permissions.screenCaptureGranted = false;
  settings->acknowledgeScreenRecordingSkip();
  int preflights = world.permissions.screenCapturePreflightCount;
  EXPECT_FALSE(settings->shouldPromptForScreenRecordingPermission());
  EXPECT_EQ(world.permissions.screenCapturePreflightCount, preflights);
  settings->clearScreenRecordingSkipAcknowledgement();
  EXPECT_TRUE(settings->shouldPromptForScreenRecordingPermission());
}

TEST_F(PermissionPrompts, ClearingADeclineNeedsThePermission) {
  settings->acknowledgeLimitedModeWithoutAccessibility();
  world.permissions.accessibilityTrusted = false;
  settings->clearAccessibilityPermissionDeclineIfNeeded();
  EXPECT_TRUE(settings->suppressAccessibilityPermissionPrompt.get());
  world.permissions.accessibilityTrusted = true;
  settings->clearAccessibilityPermissionDeclineIfNeeded();
  EXPECT_FALSE(settings->suppressAccessibilityPermissionPrompt.get());
  EXPECT_EQ(world.stored("PelkoSuppressAccessibilityPermissionPrompt"), PlistValue(false));

  int writes = world.defaults.writeCount();
  settings->clearAccessibilityPermissionDeclineIfNeeded();  // flag already false: no assignment
  EXPECT_EQ(world.defaults.writeCount(), writes);

  world.permissions.screenCaptureGranted = false;
  settings->acknowledgeScreenRecordingSkip();
  settings->clearScreenRecordingPermissionDeclineIfNeeded();
  EXPECT_TRUE(settings->suppressScreenRecordingPermissionPrompt.get());
  world.permissions.screenCaptureGranted = true;
  settings->clearScreenRecordingPermissionDeclineIfNeeded();
  EXPECT_FALSE(settings->suppressScreenRecordingPermissionPrompt.get());
}

TEST_F(PermissionPrompts, SkippingScreenRecordingTurnsThumbnailsOffAfterTheFlag) {
  std::vector<std::string> events;
  CancellableBag bag;
  bag.push_back(settings->suppressScreenRecordingPermissionPrompt.publisher().dropFirst().sink(
      [&](const bool& v) { events.push_back(std::string("suppress ") + (v ? "true" : "false")); }));
  bag.push_back(settings->showThumbnails.publisher().dropFirst().sink(
      [&](const bool& v) { events.push_back(std::string("thumbnails ") + (v ? "true" : "false")); }));
  settings->acknowledgeScreenRecordingSkip();
  EXPECT_EQ(events, (std::vector<std::string>{"suppress true", "thumbnails false"}));
  EXPECT_EQ(world.stored("PelkoShowThumbnails"), PlistValue(false));
  EXPECT_EQ(world.stored("PelkoSuppressScreenRecordingPermissionPrompt"), PlistValue(true));

  settings->clearScreenRecordingSkipAcknowledgement();
  EXPECT_FALSE(settings->suppressScreenRecordingPermissionPrompt.get());
  EXPECT_FALSE(settings->showThumbnails.get());
}

}  // namespace
}  // namespace pelko
