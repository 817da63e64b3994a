#include "tracking/TrackedApp.h"

#include <gtest/gtest.h>

#include <unordered_set>

#include "foundation/VirtualScheduler.h"
#include "platform/sim/SimulatedMac.h"

namespace pelko {
namespace {

TrackedAppPtr entry(std::optional<int64_t> window, std::optional<std::string> title = std::nullopt,
                    std::string name = "Editor", bool active = false) {
  return std::make_shared<TrackedApp>("com.example.editor", std::move(name), AppImage{}, 412, active, false,
                                      false, std::move(title), window);
}

TEST(TrackedApp, IdJoinsBundlePidAndWindowAndAloneDecidesEqualityAndHash) {
  auto app = entry(std::nullopt);
  auto a = entry(9071, "One", "Editor", true);
  auto b = entry(9071, "Two", "Other name", false);
  EXPECT_EQ(app->id, "com.example.editor-412");
  EXPECT_EQ(a->id, "com.example.editor-412-9071");
  EXPECT_NE(*app, *a);
  EXPECT_EQ(*a, *b);
  EXPECT_EQ(std::hash<TrackedApp>()(*a), std::hash<TrackedApp>()(*b));
  EXPECT_NE(*a, *entry(9072, "One"));
  // Any title names the entry, even an empty one.
  EXPECT_EQ(entry(1, "")->displayName(), "");
  EXPECT_EQ(a->displayName(), "One");
  EXPECT_EQ(app->displayName(), "Editor");
}

TEST(TrackedApp, ObjectWillChangeFiresBeforeTheFieldHoldsTheValue) {
  auto app = entry(1, "Old");
  std::vector<std::string> seen;
  auto willChange = app->objectWillChange().sink(
      [&](auto) { seen.push_back("will-change title=" + app->windowTitle.get().value_or("-")); });
  auto titles = app->windowTitle.publisher().sink(
      [&](const std::optional<std::string>& title) { seen.push_back("title " + title.value_or("-")); });
  app->windowTitle = std::optional<std::string>("New");
  app->isActive = false;  // unchanged values are published too
  EXPECT_EQ(seen, (std::vector<std::string>{"title Old", "will-change title=Old", "title New",
                                            "will-change title=New"}));
  EXPECT_EQ(app->windowTitle.get(), "New");
}

TEST(TrackedAppFromRunningApplication, BuildsAnApplicationEntryWithFallbacksAndNoneWithoutABundle) {
  VirtualScheduler scheduler;
  sim::SimulatedMac mac{scheduler};
  int32_t pid = mac.launchApp(
      {.bundleID = "com.example.editor", .name = "Editor", .icon = platform::AppIcon{"editor-icon"}});
  auto app =
      TrackedApp::fromRunningApplication(*mac.workspace().runningApplication(pid), mac.workspace(), 2.0);
  ASSERT_TRUE(app);
  EXPECT_EQ(app->id, "com.example.editor-" + std::to_string(pid));
  EXPECT_EQ(app->name, "Editor");
  EXPECT_EQ(app->icon.source.source, "editor-icon");
  EXPECT_TRUE(app->isActive.get());
  EXPECT_FALSE(app->windowNumber.has_value());

  // Without a name the bundle identifier, without an icon the workspace's icon for the bundle.
  int32_t nameless =
      mac.launchApp({.bundleID = "com.example.nameless", .bundlePath = "/Applications/Nameless.app"});
  auto unnamed =
      TrackedApp::fromRunningApplication(*mac.workspace().runningApplication(nameless), mac.workspace(), {});
  ASSERT_TRUE(unnamed);
  EXPECT_EQ(unnamed->name, "com.example.nameless");
  EXPECT_EQ(unnamed->icon.source, mac.workspace().iconForFile("/Applications/Nameless.app"));

  int32_t tool = mac.launchApp({.name = "Tool"});
  EXPECT_FALSE(
      TrackedApp::fromRunningApplication(*mac.workspace().runningApplication(tool), mac.workspace(), 2));
  auto handle = mac.workspace().runningApplication(pid);
  mac.quitApp(pid);
  EXPECT_FALSE(TrackedApp::fromRunningApplication(*handle, mac.workspace(), 2));
}

TEST(TrackedAppRasterize, PixelSizeFollowsTheMainScreenScaleAndAnImpossibleBitmapKeepsTheImage) {
  const AppImage original{platform::AppIcon{"x"}, Size{512, 512}};
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    std::optional<double> scale;
    int pixels;  // 0: the original image, unchanged
  };
  for (Case c : {Case{2.0, 256}, Case{1.0, 128}, Case{1.5, 192}, Case{std::nullopt, 256}, Case{1.999, 255},
                 Case{0.0, 0}, Case{-1.0, 0}, Case{nan, 0}}) {
    SCOPED_TRACE(c.scale.value_or(-99));
    AppImage image = TrackedApp::rasterizeIcon(original, c.scale);
    if (c.pixels == 0) {
      EXPECT_EQ(image, original);
      continue;
    }
    EXPECT_EQ(image.pixelsWide, c.pixels);
    EXPECT_EQ(image.pixelsHigh, c.pixels);
    EXPECT_EQ(image.size, (Size{128, 128}));
    EXPECT_EQ(image.source.source, "x");
  }
}

}  // namespace
}  // namespace pelko
