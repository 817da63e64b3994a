#include <cmath>
#include <functional>
#include <limits>

#include "TrackingTestWorld.h"
#include "platform/Accessibility.h"

namespace pelko::testing {
namespace {

using platform::AXError;

class WindowManagerActions : public WindowManagerTest {
 protected:
  void SetUp() override {
    pid = launch("com.example.editor", "Editor");
    front = open(pid, "Front");
    back = open(pid, "Back");  // opens in front of "Front"
    mac.clearActions();
  }
  platform::AXElement windowElement(platform::WindowID number) {
    auto windows =
        mac.accessibility().copyAttributeValue(accessibilityHelper.appElement(pid), platform::ax::kWindows);
    for (const auto& element : *windows.value->asElements())
      if (mac.accessibility().windowNumber(element).windowNumber == number) return element;
    ADD_FAILURE() << "no element for window " << number;
    return {};
  }

  int32_t pid = 0;
  platform::WindowID front = 0;
  platform::WindowID back = 0;
};

TEST_F(WindowManagerActions, ApplicationActionsReachTheRunningApplicationEvenWithoutTrust) {
  // Without trust the window actions do nothing.
  mac.permissions().accessibilityTrusted = false;
  manager->closeWindow(pid, static_cast<int64_t>(front));
  manager->toggleMinimize(*windowEntry(pid, front, "Front"));
  manager->minimizeAllWindows(pid);
  EXPECT_FALSE(manager->getAXWindowTitleByID(pid, front));
  EXPECT_TRUE(mac.actionTexts().empty());

  manager->hide(pid);
  EXPECT_TRUE(mac.isHidden(pid));
  manager->unhide(pid);
  EXPECT_FALSE(mac.isHidden(pid));
  manager->quit(pid);
  EXPECT_FALSE(mac.isRunning(pid));

  int32_t stubborn = launch("com.example.stubborn", "Stubborn");
  mac.setIgnoresTerminate(stubborn, true);
  manager->quit(stubborn);
  EXPECT_TRUE(mac.isRunning(stubborn));
  manager->forceQuit(stubborn);
  EXPECT_FALSE(mac.isRunning(stubborn));

  mac.clearActions();
  for (auto action : {&WindowManager::hide, &WindowManager::unhide, &WindowManager::quit,
                      &WindowManager::forceQuit, &WindowManager::activate})
    ((*manager).*action)(pid);  // no longer running: nothing at all
  EXPECT_TRUE(mac.actionTexts().empty());
}

TEST_F(WindowManagerActions, CloseWindowByNumberRaisesItFirstWithoutNumberTheFirstListed) {
  manager->closeWindow(pid, static_cast<int64_t>(front));
  EXPECT_EQ(mac.actionTexts(),
            (Texts{"AXRaise window=" + w(front), "AXPress AXCloseButton window=" + w(front)}));
  EXPECT_FALSE(mac.window(front).has_value());

  mac.clearActions();
  manager->closeWindow(pid, 424242);
  EXPECT_TRUE(mac.actionTexts().empty());
  // Without a number the first listed window closes, unraised.
  manager->closeWindow(pid, std::nullopt);
  EXPECT_EQ(mac.actionTexts(), Texts{"AXPress AXCloseButton window=" + w(back)});
}

TEST_F(WindowManagerActions, ToggleMinimizeFlipsOnlyAWindowEntrysWindowOrEveryWindowOfTheApplication) {
  auto entry = windowEntry(pid, front, "Front");
  manager->toggleMinimize(*entry);
  EXPECT_TRUE(minimized(front));
  EXPECT_FALSE(minimized(back));
  manager->toggleMinimize(*entry);
  EXPECT_FALSE(minimized(front));
  EXPECT_TRUE(actionsStartingWith("activate").empty());
  // An unreadable state counts as not minimized.
  mac.setWindowAttributeReadError(front, "AXMinimized", AXError::cannotComplete);
  manager->toggleMinimize(*entry);
  EXPECT_TRUE(minimized(front));
  EXPECT_TRUE(logged("toggleMinimize: failed to read minimized state (error -25204)"));

  // An application entry minimizes every window, and restores them before activating.
  mac.setWindowAttributeReadError(front, "AXMinimized", std::nullopt);
  mac.unminimize(front);
  mac.clearActions();
  manager->toggleMinimize(*appEntry(pid, true, false, /*minimized=*/false));
  EXPECT_TRUE(minimized(front));
  EXPECT_TRUE(minimized(back));

  mac.clearActions();
  manager->toggleMinimize(*appEntry(pid, true, false, /*minimized=*/true));
  EXPECT_FALSE(minimized(front));
  EXPECT_FALSE(minimized(back));
  auto texts = mac.actionTexts();
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts.back(), activateAction(pid));  // after the restores
}

TEST_F(WindowManagerActions, ResizeToAvoidTheBarWritesInOrderForEachEdgeAndEachWriteDespiteTheOther) {
  struct Case {
    const char* what;
    TaskbarPosition position;
    Rect window;
    bool floating;
    std::vector<std::string> writes;  // "S" a size write, "P" a position write, as "set AX... window=W ..."
  };
  using enum TaskbarPosition;
  const Case cases[] = {
      {"bottom", bottom, {100, 100, 800, 1000}, false, {"S (800, 932)", "P (100, 100)"}},
      {"bottom floating", bottom, {100, 100, 800, 1000}, true, {"P (100, 32)"}},
      {"bottom floor 100", bottom, {100, 950, 300, 90}, false, {"S (300, 100)", "P (100, 950)"}},
      {"bottom floor 60%", bottom, {100, 900, 300, 400}, false, {"S (300, 240)", "P (100, 900)"}},
      {"top", top, {100, 20, 800, 600}, false, {"P (100, 48)", "S (800, 572)"}},
      {"top floating", top, {100, 20, 800, 600}, true, {"P (100, 48)"}},
      {"left", left, {30, 100, 400, 300}, false, {"P (60, 100)", "S (370, 300)"}},
      {"right", right, {1500, 100, 400, 300}, false, {"S (360, 300)", "P (1500, 100)"}},
      {"right floating", right, {1500, 100, 400, 300}, true, {"P (1460, 100)"}},
      {"apart", bottom, {100, 100, 300, 300}, false, {}},
      {"touching only", bottom, {100, 732, 300, 300}, false, {}},
  };
  auto barAt = [](TaskbarPosition edge) {
    return edge == top     ? Rect(0, 0, 1920, 48)
           : edge == left  ? Rect(0, 0, 60, 1080)
           : edge == right ? Rect(1860, 0, 60, 1080)
                           : Rect(0, 1032, 1920, 48);
  };
  auto element = windowElement(front);
  for (const auto& c : cases) {
    mac.clearActions();
    manager->resizeWindowToAvoidTaskbar(element, c.window, barAt(c.position), c.position, c.floating);
    std::vector<std::string> expected;
    for (const auto& write : c.writes)
      expected.push_back(std::string(write[0] == 'S' ? "set AXSize" : "set AXPosition") +
                         " window=" + w(front) + write.substr(1));
    EXPECT_EQ(mac.actionTexts(), expected) << c.what;
  }
  EXPECT_TRUE(logs.empty());

  // A failed or impossible write leaves the other one to happen.
  const double inf = std::numeric_limits<double>::infinity();
  mac.clearActions();
  mac.setAttributeWriteError(pid, "AXSize", AXError::cannotComplete);
  manager->resizeWindowToAvoidTaskbar(element, {100, 100, 800, 1000}, barAt(bottom), bottom);
  mac.setAttributeWriteError(pid, "AXSize", std::nullopt);
  manager->resizeWindowToAvoidTaskbar(element, {0, 1000, inf, 100}, barAt(bottom), bottom);
  EXPECT_EQ(mac.actionTexts(), (Texts{"set AXSize window=" + w(front) + " (800, 932) -> error -25204",
                                      "set AXPosition window=" + w(front) + " (100, 100)",
                                      "set AXPosition window=" + w(front) + " (0, 1000)"}));
}

}  // namespace
}  // namespace pelko::testing
