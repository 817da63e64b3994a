#include <gtest/gtest.h>

#include "SettingsTestWorld.h"

namespace pelko {
namespace {

using M = SettingsManager;
using platform::PlistValue;

TEST(BarThickness, ScalesWithSizeAndOrientation) {
  test::SettingsTestWorld world;
  auto settings = world.make();
  const double rows[][3] = {{50, 26, 36},  {76, 26, 36},  {77, 26, 37},  {82, 28, 39},
                            {100, 34, 48}, {118, 40, 57}, {125, 43, 60}, {150, 51, 72}};
  for (auto [size, horizontal, vertical] : rows) {
    settings->position = TaskbarPosition::bottom;
    settings->taskbarSize = size;
    EXPECT_EQ(settings->barThickness(), horizontal) << size;
    settings->position = TaskbarPosition::left;
    settings->taskbarSize = size;
    EXPECT_EQ(settings->barThickness(), vertical) << size;
  }
  // Read while a value is being corrected, the held value counts as its bound: 400 is held while 150 is
  // delivered.
  std::vector<double> seen;
  world.trace(settings->taskbarSize, seen, [&](double) { return settings->barThickness(); });
  settings->taskbarSize = 400.0;
  EXPECT_EQ(seen, (std::vector<double>{72, 72}));
}

// One permission's prompt flag, its acknowledgements and how the system is asked.
struct Permission {
  const char* name;
  Setting<bool> M::*flag;
  void (M::*acknowledge)();
  void (M::*clearAcknowledgement)();
  void (M::*clearDeclineIfNeeded)();
  bool (M::*shouldPrompt)() const;
  bool sim::SimPermissions::*granted;
};

TEST(PermissionPrompts, PromptOnlyWhileNotDeclinedNorGrantedAndClearADeclineOnlyOnceGranted) {
  // clang-format off
  const Permission permissions[] = {
      {"accessibility",    &M::suppressAccessibilityPermissionPrompt,   &M::acknowledgeLimitedModeWithoutAccessibility, &M::clearLimitedModeAcknowledgement,          &M::clearAccessibilityPermissionDeclineIfNeeded,   &M::shouldPromptForAccessibilityPermission,   &sim::SimPermissions::accessibilityTrusted},
      {"screen recording", &M::suppressScreenRecordingPermissionPrompt, &M::acknowledgeScreenRecordingSkip,             &M::clearScreenRecordingSkipAcknowledgement, &M::clearScreenRecordingPermissionDeclineIfNeeded, &M::shouldPromptForScreenRecordingPermission, &sim::SimPermissions::screenCaptureGranted}};
  // clang-format on
  for (const auto& p : permissions) {
    SCOPED_TRACE(p.name);
    test::SettingsTestWorld world;
    auto settings = world.make();
    M& s = *settings;
    world.permissions.*p.granted = false;
    (s.*p.acknowledge)();
    int preflights = world.permissions.screenCapturePreflightCount;
    EXPECT_FALSE((s.*p.shouldPrompt)());
    EXPECT_EQ(world.permissions.screenCapturePreflightCount, preflights) << "not asked while declined";
    (s.*p.clearDeclineIfNeeded)();
    EXPECT_TRUE((s.*p.flag).get()) << "a decline stays until the permission is granted";
    (s.*p.clearAcknowledgement)();
    EXPECT_TRUE((s.*p.shouldPrompt)());

    world.permissions.*p.granted = true;
    EXPECT_FALSE((s.*p.shouldPrompt)());
    (s.*p.acknowledge)();
    (s.*p.clearDeclineIfNeeded)();
    EXPECT_FALSE((s.*p.flag).get());
    EXPECT_EQ(world.stored((s.*p.flag).key()), PlistValue(false));
    int writes = world.defaults.writeCount();
    (s.*p.clearDeclineIfNeeded)();
    EXPECT_EQ(world.defaults.writeCount(), writes) << "nothing to clear: no assignment";
    EXPECT_EQ(world.permissions.accessibilityPromptCount, 0) << "asked without the system prompt";
  }
}

TEST(PermissionPrompts, SkippingScreenRecordingTurnsThumbnailsOffAfterTheFlag) {
  test::SettingsTestWorld world;
  auto settings = world.make();
  std::vector<std::string> events;
  auto text = [](const char* name) {
    return [name](bool v) { return std::string(name) + (v ? " true" : " false"); };
  };
  world.trace(settings->suppressScreenRecordingPermissionPrompt, events, text("suppress"));
  world.trace(settings->showThumbnails, events, text("thumbnails"));
  settings->acknowledgeScreenRecordingSkip();
  EXPECT_EQ(events, (std::vector<std::string>{"suppress true", "thumbnails false"}));
  EXPECT_EQ(world.stored("PelkoShowThumbnails"), PlistValue(false));
  EXPECT_EQ(world.stored("PelkoSuppressScreenRecordingPermissionPrompt"), PlistValue(true));
  settings->clearScreenRecordingSkipAcknowledgement();
  EXPECT_FALSE(settings->suppressScreenRecordingPermissionPrompt.get());
  EXPECT_FALSE(settings->showThumbnails.get()) << "thumbnails stay off";
}

}  // namespace
}  // namespace pelko
