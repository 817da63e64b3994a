#include "platform/sim/SimWindowServer.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "SimEventRecorder.h"
#include "foundation/VirtualScheduler.h"
#include "platform/sim/SimScreens.h"

namespace pelko::sim {
namespace {

using platform::WindowInfo;
using V = std::vector<std::string>;
namespace key = platform::window_key;

constexpr uint32_t kOnScreen =
    platform::kWindowListOptionOnScreenOnly | platform::kWindowListExcludeDesktopElements;

std::vector<int64_t> numbers(const std::optional<std::vector<WindowInfo>>& list) {
  std::vector<int64_t> result;
  if (!list) return result;
  for (const auto& row : list.value()) {
    auto it = row.find(key::kNumber);
    result.push_back(it != row.end() && it->second.asInteger() ? *it->second.asInteger() : -1);
  }
  return result;
}

const WindowInfo* row(const std::optional<std::vector<WindowInfo>>& list, WindowID number) {
  for (const auto& r : list.value())
    if (r.count(key::kNumber) && r.at(key::kNumber) == platform::PlistValue(static_cast<int64_t>(number)))
      return &r;
  return nullptr;
}

class SimWindowServerTest : public ::testing::Test {
 protected:
  VirtualScheduler scheduler;
  SimulatedMac mac{scheduler};
  platform::WindowServer& server = mac.windowServer();
  int32_t a = mac.launchApp("com.example.a", "A");
};

TEST_F(SimWindowServerTest, TheListRunsFrontToBackByLayerThenWindowOrderWithTheWindowKeys) {
  WindowID w1 = mac.openWindow(a, {.title = "One"});
  WindowID floating = mac.openWindow(a, {.title = "Palette", .layer = 3});
  WindowID w3 = mac.openWindow(a, {.title = "Three", .bounds = Rect(10, 20, 300, 200)});
  auto list = server.copyWindowInfo(kOnScreen, platform::kNullWindowID);
  EXPECT_EQ(numbers(list), (std::vector<int64_t>{floating, w3, w1}));

  const WindowInfo& r = *row(list, w3);
  EXPECT_EQ(*r.at(key::kOwnerPID).asInteger(), a);
  EXPECT_EQ(*r.at(key::kLayer).asInteger(), 0);
  EXPECT_EQ(*r.at(key::kName).asString(), "Three");
  EXPECT_EQ(*r.at(key::kOwnerName).asString(), "A");
  EXPECT_EQ(*r.at(key::kAlpha).asReal(), 1.0);
  EXPECT_TRUE(*r.at(key::kIsOnscreen).asBool());
  EXPECT_EQ(platform::rectFromDictionary(*r.at(key::kBounds).asDictionary()), Rect(10, 20, 300, 200));

  mac.raiseWindow(w1);
  EXPECT_EQ(numbers(server.copyWindowInfo(kOnScreen, 0)), (std::vector<int64_t>{floating, w1, w3}));

  // Other applications' window names need screen capture; our own do not.
  WindowID ours = mac.openWindow(mac.appShell().pid, {.title = "Pelko Settings", .layer = 3});
  mac.permissions().screenCaptureGranted = false;
  list = server.copyWindowInfo(kOnScreen, 0);
  EXPECT_EQ(row(list, w3)->count(key::kName), 0u);
  EXPECT_EQ(*row(list, ours)->at(key::kName).asString(), "Pelko Settings");
}

TEST_F(SimWindowServerTest, WindowsOffScreenAreListedOnlyWithoutTheOnScreenOption) {
  WindowID shown = mac.openWindow(a);
  WindowID minimized = mac.openWindow(a, {.minimized = true});
  WindowID elsewhere = mac.openWindow(a, {.space = 2});
  WindowID unlisted = mac.openWindow(a, {.listedInWindowList = false});
  WindowID desktop = mac.openWindow(a, {.layer = platform::window_layer::kDesktop});
  int32_t b = mac.launchApp("com.example.b", "B");
  WindowID hidden = mac.openWindow(b);
  mac.hide(b);

  EXPECT_EQ(numbers(server.copyWindowInfo(kOnScreen, 0)), (std::vector<int64_t>{shown}));
  EXPECT_EQ(numbers(server.copyWindowInfo(platform::kWindowListOptionOnScreenOnly, 0)),
            (std::vector<int64_t>{shown, desktop}));
  auto all = server.copyWindowInfo(platform::kWindowListOptionAll, 0);
  EXPECT_EQ(numbers(all), (std::vector<int64_t>{shown, desktop, hidden, elsewhere, minimized}));
  EXPECT_EQ(row(all, hidden)->count(key::kIsOnscreen), 0u);
  (void)unlisted;
}

TEST_F(SimWindowServerTest, ListsRelativeToAWindow) {
  WindowID back = mac.openWindow(a);
  WindowID middle = mac.openWindow(a);
  WindowID front = mac.openWindow(a);
  using platform::kWindowListOptionIncludingWindow, platform::kWindowListOptionOnScreenAboveWindow,
      platform::kWindowListOptionOnScreenBelowWindow;
  EXPECT_EQ(numbers(server.copyWindowInfo(kWindowListOptionOnScreenAboveWindow, middle)),
            (std::vector<int64_t>{front}));
  EXPECT_EQ(numbers(server.copyWindowInfo(
                kWindowListOptionOnScreenBelowWindow | kWindowListOptionIncludingWindow, middle)),
            (std::vector<int64_t>{middle, back}));
  EXPECT_EQ(numbers(server.copyWindowInfo(kWindowListOptionIncludingWindow, back)),
            (std::vector<int64_t>{back}));
  EXPECT_TRUE(server.copyWindowInfo(kWindowListOptionOnScreenAboveWindow, 4242424)->empty());
}

// The rows are read straight from the windows; they must say what the dictionaries say, injected rows
// included in their place.
TEST_F(SimWindowServerTest, TheRowsAreTheListsEntriesReadOut) {
  WindowID back = mac.openWindow(a, {.title = "Back", .bounds = Rect(10, 20, 300, 200)});
  mac.openWindow(a, {.title = "Palette", .layer = 3});
  mac.openWindow(a, {.minimized = true});
  mac.openWindow(a, {.space = 2});
  mac.openWindow(a, {.layer = platform::window_layer::kDesktop});
  mac.openWindow(mac.appShell().pid, {.title = "Pelko Settings"});
  int32_t b = mac.launchApp("com.example.b", "B");
  mac.openWindow(b, {.title = "Hidden"});
  mac.hide(b);
  mac.addRawWindowListRow({{key::kOwnerPID, int64_t{1} << 40}, {key::kNumber, "7"}}, true);
  mac.addRawWindowListRow({{key::kLayer, 0}, {key::kName, "Raw"}}, false);
  mac.permissions().screenCaptureGranted = false;

  auto rows = server.copyWindowListRows(platform::kWindowListOptionAll, 0);
  ASSERT_EQ(rows->size(), 9u);
  EXPECT_EQ(rows->front(), platform::WindowListRow{});
  EXPECT_EQ(rows->back(), (platform::WindowListRow{std::nullopt, 0, std::nullopt, std::nullopt, "Raw"}));
  auto backRow = std::find_if(rows->begin(), rows->end(), [&](const auto& r) { return r.number == back; });
  ASSERT_NE(backRow, rows->end());
  EXPECT_EQ(*backRow, (platform::WindowListRow{a, 0, back, Rect(10, 20, 300, 200), std::nullopt}));

  using platform::kWindowListOptionIncludingWindow, platform::kWindowListOptionOnScreenBelowWindow;
  const std::pair<uint32_t, WindowID> requests[] = {
      {platform::kWindowListOptionAll, 0},
      {kOnScreen, 0},
      {kWindowListOptionOnScreenBelowWindow | kWindowListOptionIncludingWindow, back},
      {kWindowListOptionOnScreenBelowWindow, 4242424},
  };
  for (bool granted : {false, true}) {
    mac.permissions().screenCaptureGranted = granted;
    for (auto [options, relativeTo] : requests) {
      std::vector<platform::WindowListRow> decoded;
      auto list = server.copyWindowInfo(options, relativeTo);
      for (const auto& entry : *list) decoded.push_back(platform::decodeWindowListRow(entry));
      EXPECT_EQ(*server.copyWindowListRows(options, relativeTo), decoded) << options << " " << granted;
    }
  }
  EXPECT_TRUE(server.copyWindowListRows(kWindowListOptionOnScreenBelowWindow, 4242424)->empty());
  mac.setWindowListUnavailable(true);
  EXPECT_FALSE(server.copyWindowListRows(kOnScreen, 0).has_value());
  EXPECT_FALSE(server.copyWindowInfo(kOnScreen, 0).has_value());
}

TEST(RectDictionary, DecodesOnlyFourNumbers) {
  using platform::PlistValue;
  EXPECT_EQ(platform::rectFromDictionary(platform::rectDictionary(Rect(1.5, -2, 30, 40))),
            Rect(1.5, -2, 30, 40));
  EXPECT_EQ(platform::rectFromDictionary({{"X", 1}, {"Y", 2}, {"Width", 3}, {"Height", 4}}),
            Rect(1, 2, 3, 4));
  EXPECT_FALSE(platform::rectFromDictionary({{"X", 1}, {"Y", 2}, {"Width", 3}}));
  EXPECT_FALSE(platform::rectFromDictionary({{"X", 1}, {"Y", 2}, {"Width", 3}, {"Height", "4"}}));
  EXPECT_FALSE(platform::rectFromDictionary({}));
}

TEST_F(SimWindowServerTest, DisplaysListTheMainDisplayFirstAndAreTheScreensFlipped) {
  EXPECT_EQ(server.onlineDisplayList().displays, (std::vector<DisplayID>{1}));
  platform::Screens& screens = mac.screens();
  int changes = 0;
  auto subscription = screens.screenParametersChanged().sink([&](const auto&) { ++changes; });
  DisplayID side = mac.addDisplay({.bounds = Rect(1920, -200, 1280, 800), .scale = 1.0, .name = "Side"});
  EXPECT_EQ(changes, 0);
  scheduler.runUntilIdle();
  EXPECT_EQ(changes, 1);
  auto all = screens.screens();
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0].frame, Rect(0, 0, 1920, 1080));
  EXPECT_EQ(all[0].visibleFrame, Rect(0, 0, 1920, 1080 - SimScreens::kMenuBarHeight));
  EXPECT_EQ(all[0].backingScaleFactor, 2.0);
  EXPECT_EQ(all[1].displayID, side);
  EXPECT_EQ(all[1].frame, Rect(1920, 480, 1280, 800));
  EXPECT_EQ(all[1].backingScaleFactor, 1.0);
  EXPECT_EQ(screens.mainScreen()->displayID, 1u);

  DisplayID fixed = mac.addDisplay({.id = 77, .bounds = Rect(-1024, 0, 1024, 768)});
  EXPECT_THROW(mac.addDisplay({.id = 77}), std::invalid_argument);
  EXPECT_EQ(server.onlineDisplayList().displays, (std::vector<DisplayID>{1, side, fixed}));
  EXPECT_EQ(server.mainDisplayID(), 1u);
  EXPECT_EQ(server.displayBounds(side), Rect(1920, -200, 1280, 800));
  EXPECT_EQ(server.displayBounds(12345), Rect());

  mac.setDisplayListError(platform::CGError::failure);
  auto failed = server.onlineDisplayList();
  EXPECT_EQ(failed.error, platform::CGError::failure);
  EXPECT_TRUE(failed.displays.empty());
}

TEST_F(SimWindowServerTest, RemovingADisplayBringsItsWindowsToTheMainDisplay) {
  testing::SimEventRecorder recorder(mac);
  recorder.observe(a);
  DisplayID side = mac.addDisplay({.bounds = Rect(1920, 0, 1280, 1024)});
  WindowID there = mac.openWindow(a, {.bounds = Rect(2000, 50, 400, 300)});
  WindowID wide = mac.openWindow(a, {.bounds = Rect(3000, 900, 500, 300), .becomesMain = false});
  WindowID here = mac.openWindow(a, {.bounds = Rect(10, 10, 100, 100), .becomesMain = false});
  scheduler.runUntilIdle();
  recorder.take();

  mac.removeDisplay(side);
  EXPECT_EQ(mac.window(there)->bounds, Rect(80, 50, 400, 300));    // same offset on the main display
  EXPECT_EQ(mac.window(wide)->bounds, Rect(1080, 780, 500, 300));  // pulled inside it
  EXPECT_EQ(mac.window(here)->bounds, Rect(10, 10, 100, 100));
  scheduler.runUntilIdle();
  std::string p = std::to_string(a);
  // Front to back.
  EXPECT_EQ(recorder.take(), (V{"AXWindowMoved " + p + "/" + std::to_string(wide),
                                "AXWindowMoved " + p + "/" + std::to_string(there)}));
  EXPECT_EQ(mac.displays().size(), 1u);
}

// The simulated screens describe the window server's displays: the same numbers in the same order, and
// frames that are the displays' bounds flipped against the main display.
TEST_F(SimWindowServerTest, RemovingTheMainDisplayMakesTheNextOneTheOriginForWindowsAndScreens) {
  DisplayID side = mac.addDisplay({.bounds = Rect(1920, 0, 1280, 1024), .scale = 1.0});
  DisplayID below = mac.addDisplay({.bounds = Rect(0, 1080, 1920, 1200)});
  WindowID there = mac.openWindow(a, {.bounds = Rect(2000, 50, 400, 300)});
  WindowID here = mac.openWindow(a, {.bounds = Rect(10, 10, 100, 100)});
  auto screensAgree = [&] {
    auto list = server.onlineDisplayList();
    auto all = mac.screens().screens();
    ASSERT_EQ(all.size(), list.displays.size());
    const double mainHeight = server.displayBounds(list.displays.front()).height();
    for (size_t i = 0; i < all.size(); ++i) {
      EXPECT_EQ(all[i].displayID, list.displays[i]);
      EXPECT_EQ(all[i].frame, flipRect(server.displayBounds(list.displays[i]), mainHeight));
    }
    EXPECT_EQ(mac.screens().mainScreen()->displayID, server.mainDisplayID());
  };
  screensAgree();
  mac.removeDisplay(1);
  screensAgree();
  EXPECT_EQ(server.mainDisplayID(), side);
  EXPECT_EQ(server.displayBounds(side), Rect(0, 0, 1280, 1024));
  EXPECT_EQ(mac.window(there)->bounds, Rect(80, 50, 400, 300));
  EXPECT_EQ(mac.window(here)->bounds, Rect(10, 10, 100, 100));
  // The display that hung below the old main one is now below and left of the new one.
  auto all = mac.screens().screens();
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[1].displayID, below);
  EXPECT_EQ(all[1].frame, Rect(-1920, 1024 - 1080 - 1200, 1920, 1200));
}

TEST_F(SimWindowServerTest, WindowsMoveBetweenDisplaysAndFillOneInFullScreen) {
  DisplayID side = mac.addDisplay({.bounds = Rect(1920, 0, 1280, 1024)});
  WindowID w = mac.openWindow(a, {.bounds = Rect(1000, 100, 800, 600)});
  mac.moveWindowToDisplay(w, side);
  EXPECT_EQ(mac.window(w)->bounds, Rect(2400, 100, 800, 600));  // offset 1000 does not fit: pulled in
  mac.moveWindowToDisplay(w, 1);
  EXPECT_EQ(mac.window(w)->bounds, Rect(480, 100, 800, 600));

  mac.setFullScreen(w, true);
  EXPECT_EQ(mac.window(w)->bounds, Rect(0, 0, 1920, 1080));
  auto& axi = mac.accessibility();
  auto windows = axi.copyAttributeValue(axi.createApplicationElement(a), platform::ax::kWindows);
  EXPECT_TRUE(axi.copyAttributeValue(windows.value->asElements()->front(), platform::ax::kFullScreen)
                  .value->isTrue());
  mac.setFullScreen(w, false);
  EXPECT_EQ(mac.window(w)->bounds, Rect(480, 100, 800, 600));
}

}  // namespace
}  // namespace pelko::sim
