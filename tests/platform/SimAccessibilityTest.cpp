#include "platform/sim/SimAccessibility.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <unordered_map>

#include "SimEventRecorder.h"
#include "foundation/VirtualScheduler.h"

namespace pelko::sim {
namespace {

using platform::AXElement;
using testing::SimEventRecorder;
using V = std::vector<std::string>;
namespace ax = platform::ax;

class SimAccessibilityTest : public ::testing::Test {
 protected:
  VirtualScheduler scheduler;
  SimulatedMac mac{scheduler};
  platform::Accessibility& axi = mac.accessibility();
  int32_t pid = mac.launchApp("com.example.editor", "Editor");
  AXElement app = axi.createApplicationElement(pid);

  std::vector<AXElement> windows() {
    auto result = axi.copyAttributeValue(app, ax::kWindows);
    EXPECT_TRUE(result.ok());
    return result.value && result.value->asElements() ? *result.value->asElements()
                                                      : std::vector<AXElement>{};
  }
  AXElement element(WindowID window) {
    for (const auto& e : windows())
      if (axi.windowNumber(e).windowNumber == window) return e;
    return {};
  }
  std::string event(const char* name, WindowID window) {
    return std::string(name) + " " + std::to_string(pid) + "/" + std::to_string(window);
  }
};

TEST_F(SimAccessibilityTest, TheSameObjectYieldsEqualElementsWheneverItIsAskedFor) {
  WindowID w1 = mac.openWindow(pid, {.title = "One"});
  WindowID w2 = mac.openWindow(pid, {.title = "Two"});
  auto first = windows();
  auto second = windows();
  ASSERT_EQ(first.size(), 2u);
  EXPECT_EQ(first[0], second[0]);
  EXPECT_EQ(std::hash<AXElement>()(first[0]), std::hash<AXElement>()(second[0]));
  EXPECT_FALSE(first[0] == first[1]);
  EXPECT_EQ(app, axi.createApplicationElement(pid));
  EXPECT_FALSE(app == first[0]);
  EXPECT_EQ(axi.copyAttributeValue(first[0], ax::kCloseButton).value,
            axi.copyAttributeValue(second[0], ax::kCloseButton).value);
  EXPECT_EQ(*axi.copyAttributeValue(app, ax::kMainWindow).value->asElement(), element(w2));

  std::unordered_map<AXElement, WindowID> map;
  map[element(w1)] = w1;
  map[element(w2)] = w2;
  map[element(w1)] = w1;
  EXPECT_EQ(map.size(), 2u);
  EXPECT_EQ(axi.createApplicationElement(pid).pid(), pid);
  EXPECT_EQ(AXElement().pid(), 0);
}

TEST_F(SimAccessibilityTest, WindowAttributesDescribeTheWorld) {
  WindowID back = mac.openWindow(pid, {.title = "Back", .bounds = Rect(10, 20, 300, 400)});
  WindowID front = mac.openWindow(pid, {.title = "Front", .subrole = std::nullopt, .hasCloseButton = false});
  WindowID dialog =
      mac.openWindow(pid, {.title = "Sheet", .subrole = std::string("AXDialog"), .minimized = true});

  auto list = windows();
  ASSERT_EQ(list.size(), 3u);  // front to back, minimized last
  EXPECT_EQ(axi.windowNumber(list[0]).windowNumber, front);
  EXPECT_EQ(axi.windowNumber(list[1]).windowNumber, back);
  EXPECT_EQ(axi.windowNumber(list[2]).windowNumber, dialog);

  AXElement b = element(back);
  EXPECT_EQ(*axi.copyAttributeValue(b, ax::kRole).value->asString(), "AXWindow");
  EXPECT_EQ(*axi.copyAttributeValue(b, ax::kSubrole).value->asString(), "AXStandardWindow");
  EXPECT_EQ(*axi.copyAttributeValue(b, ax::kTitle).value->asString(), "Back");
  EXPECT_EQ(*axi.copyAttributeValue(b, ax::kPosition).value->asPoint(), (Point{10, 20}));
  EXPECT_EQ(*axi.copyAttributeValue(b, ax::kSize).value->asSize(), (Size{300, 400}));
  EXPECT_EQ(axi.copyAttributeValue(b, ax::kPosition).value->asSize(), nullptr);
  EXPECT_FALSE(axi.copyAttributeValue(b, ax::kMinimized).value->isTrue());
  EXPECT_FALSE(axi.copyAttributeValue(b, ax::kMain).value->isTrue());
  EXPECT_TRUE(axi.copyAttributeValue(element(front), ax::kMain).value->isTrue());
  EXPECT_TRUE(axi.copyAttributeValue(element(dialog), ax::kMinimized).value->isTrue());
  EXPECT_EQ(axi.copyAttributeValue(element(front), ax::kSubrole).error, AXError::noValue);
  EXPECT_EQ(axi.copyAttributeValue(element(front), ax::kCloseButton).error, AXError::noValue);
  EXPECT_EQ(axi.copyAttributeValue(b, "AXNoSuchThing").error, AXError::attributeUnsupported);
  EXPECT_EQ(axi.windowNumber(app).error, AXError::illegalArgument);

  EXPECT_TRUE(axi.copyAttributeValue(app, ax::kFrontmost).value->isTrue());
  EXPECT_EQ(*axi.copyAttributeValue(app, ax::kTitle).value->asString(), "Editor");
  EXPECT_EQ(*axi.copyAttributeValue(app, ax::kFocusedWindow).value->asElement(), element(front));
}

TEST_F(SimAccessibilityTest, WritesAndActionsChangeTheWorldAndAreLoggedInOrder) {
  WindowID w1 = mac.openWindow(pid, {.title = "One"});
  WindowID w2 = mac.openWindow(pid, {.title = "Two", .minimumSize = Size{200, 100}});
  AXElement e2 = element(w2);
  int32_t other = mac.launchApp("com.example.other", "Other");
  mac.clearActions();

  EXPECT_EQ(axi.setAttributeValue(e2, ax::kSize, Size{800, 50}), AXError::success);
  EXPECT_EQ(axi.setAttributeValue(e2, ax::kPosition, Point{100, 48}), AXError::success);
  EXPECT_EQ(mac.window(w2)->bounds, Rect(100, 48, 800, 100));  // clamped to the minimum height
  EXPECT_EQ(axi.setAttributeValue(e2, ax::kPosition, true), AXError::illegalArgument);
  EXPECT_EQ(axi.setAttributeValue(e2, ax::kTitle, "x"), AXError::attributeUnsupported);

  EXPECT_EQ(axi.setAttributeValue(e2, ax::kMinimized, true), AXError::success);
  EXPECT_TRUE(mac.window(w2)->minimized);
  EXPECT_EQ(mac.mainWindow(pid), w1);
  EXPECT_EQ(axi.setAttributeValue(e2, ax::kMinimized, false), AXError::success);
  EXPECT_EQ(axi.setAttributeValue(app, ax::kMainWindow, element(w1)), AXError::success);
  EXPECT_EQ(axi.setAttributeValue(app, ax::kFocusedWindow, element(w1)), AXError::success);
  EXPECT_EQ(axi.setAttributeValue(app, ax::kMainWindow, axi.createApplicationElement(other)),
            AXError::illegalArgument);
  EXPECT_EQ(axi.performAction(element(w1), ax::kRaiseAction), AXError::success);
  EXPECT_EQ(mac.windowsOf(pid).front(), w1);
  EXPECT_EQ(mac.focusedWindow(pid), w1);

  EXPECT_EQ(mac.frontmostPID(), other);
  EXPECT_EQ(axi.setAttributeValue(app, ax::kFrontmost, true), AXError::success);
  EXPECT_EQ(mac.frontmostPID(), pid);

  auto close = axi.copyAttributeValue(e2, ax::kCloseButton);
  ASSERT_TRUE(close.ok());
  EXPECT_EQ(axi.performAction(*close.value->asElement(), ax::kPressAction), AXError::success);
  EXPECT_FALSE(mac.window(w2).has_value());
  EXPECT_EQ(axi.performAction(app, ax::kRaiseAction), AXError::actionUnsupported);

  std::string p = std::to_string(pid), a = std::to_string(w1), b = std::to_string(w2);
  EXPECT_EQ(mac.actionTexts(),
            (V{"set AXSize window=" + b + " (800, 50)", "set AXPosition window=" + b + " (100, 48)",
               "set AXPosition window=" + b + " true -> error -25201",
               "set AXTitle window=" + b + " \"x\" -> error -25205", "set AXMinimized window=" + b + " true",
               "set AXMinimized window=" + b + " false", "set AXMainWindow pid=" + p + " window=" + a,
               "set AXFocusedWindow pid=" + p + " window=" + a,
               "set AXMainWindow pid=" + p + " pid=" + std::to_string(other) + " -> error -25201",
               "AXRaise window=" + a, "set AXFrontmost pid=" + p + " true",
               "AXPress AXCloseButton window=" + b, "AXRaise pid=" + p + " -> error -25206"}));
}

TEST_F(SimAccessibilityTest, EveryCallToAFaultyProcessFailsWithItsError) {
  WindowID w = mac.openWindow(pid);
  AXElement e = element(w);
  for (AXError error : {AXError::cannotComplete, AXError::apiDisabled, AXError::noValue,
                        AXError::attributeUnsupported, AXError::invalidUIElement, AXError::failure}) {
    SCOPED_TRACE(platform::code(error));
    mac.setAXError(pid, error);
    EXPECT_EQ(axi.copyAttributeValue(app, ax::kWindows).error, error);
    EXPECT_EQ(axi.copyAttributeValue(e, ax::kTitle).error, error);
    EXPECT_EQ(axi.setAttributeValue(e, ax::kPosition, Point{0, 0}), error);
    EXPECT_EQ(axi.performAction(e, ax::kRaiseAction), error);
    EXPECT_EQ(axi.windowNumber(e).error, error);
  }
  mac.setAXError(pid, std::nullopt);
  EXPECT_TRUE(axi.copyAttributeValue(e, ax::kTitle).ok());
  EXPECT_EQ(mac.window(w)->bounds.origin, (Point{100, 100}));  // no failed write went through
}

TEST_F(SimAccessibilityTest, AHungProcessTimesOutAfterEachElementsOwnMessagingTimeout) {
  mac.setHung(pid, true);
  int before = mac.axRequestCount(pid);
  EXPECT_EQ(axi.setMessagingTimeout(app, 0.3f), AXError::success);
  EXPECT_EQ(axi.copyAttributeValue(app, ax::kWindows).error, AXError::cannotComplete);
  AXElement copy = app;  // the time-out belongs to the element object, copies share it
  EXPECT_EQ(axi.copyAttributeValue(copy, ax::kWindows).error, AXError::cannotComplete);
  EXPECT_NEAR(mac.hungWaitSeconds(pid), 0.6, 1e-6);
  EXPECT_EQ(axi.copyAttributeValue(axi.createApplicationElement(pid), ax::kTitle).error,
            AXError::cannotComplete);
  EXPECT_NEAR(mac.hungWaitSeconds(pid), 6.6, 1e-5);
  EXPECT_EQ(mac.axRequestCount(pid) - before, 3);
  EXPECT_EQ(axi.setMessagingTimeout(app, -1.0f), AXError::illegalArgument);
}

TEST_F(SimAccessibilityTest, TrustProcessesAndWindowsDecideWhetherACallReachesAnything) {
  WindowID w = mac.openWindow(pid);
  AXElement e = element(w);

  mac.permissions().accessibilityTrusted = false;
  EXPECT_EQ(axi.copyAttributeValue(app, ax::kWindows).error, AXError::apiDisabled);
  EXPECT_EQ(axi.createObserver(pid, [](const AXElement&, const std::string&) {}).error, AXError::apiDisabled);
  mac.permissions().accessibilityTrusted = true;

  EXPECT_EQ(axi.copyAttributeValue(axi.createApplicationElement(77777), ax::kWindows).error,
            AXError::invalidUIElement);
  mac.setWindowAttributeReadError(w, "AXSubrole", AXError::cannotComplete);
  mac.setAttributeReadError(pid, "AXMinimized", AXError::noValue);
  EXPECT_EQ(axi.copyAttributeValue(e, ax::kSubrole).error, AXError::cannotComplete);
  EXPECT_EQ(axi.copyAttributeValue(e, ax::kMinimized).error, AXError::noValue);
  EXPECT_TRUE(axi.copyAttributeValue(e, ax::kTitle).ok());

  mac.setWindowNumberUnavailable(w, true);
  EXPECT_FALSE(axi.windowNumber(e).ok());
  mac.setRefusesAttributeWrites(pid, AXError::failure);
  EXPECT_EQ(axi.setAttributeValue(e, ax::kMinimized, true), AXError::failure);
  EXPECT_FALSE(mac.window(w)->minimized);
  mac.setRefusesAttributeWrites(pid, std::nullopt);
  mac.setAttributeWriteError(pid, "AXFrontmost", AXError::cannotComplete);
  EXPECT_EQ(axi.setAttributeValue(app, ax::kFrontmost, true), AXError::cannotComplete);
  EXPECT_EQ(axi.setAttributeValue(e, ax::kMinimized, true), AXError::success);
  mac.setActionError(pid, "AXRaise", AXError::cannotComplete);
  EXPECT_EQ(axi.performAction(e, ax::kRaiseAction), AXError::cannotComplete);

  mac.closeWindow(w);
  EXPECT_EQ(axi.copyAttributeValue(e, ax::kTitle).error, AXError::invalidUIElement);
  mac.setObserverCreationError(pid, AXError::failure);
  EXPECT_EQ(axi.createObserver(pid, [](const AXElement&, const std::string&) {}).error, AXError::failure);
}

TEST_F(SimAccessibilityTest, EachWindowChangeSendsItsNotificationsInOrder) {
  SimEventRecorder recorder(mac);
  recorder.observe(pid);
  auto settle = [&] {
    scheduler.runUntilIdle();
    return recorder.take();
  };
  settle();  // the launch

  WindowID w1 = mac.openWindow(pid);
  EXPECT_EQ(settle(), (V{event("AXWindowCreated", w1), event("AXMainWindowChanged", w1),
                         event("AXFocusedWindowChanged", w1)}));
  WindowID w2 = mac.openWindow(pid, {.becomesMain = false});
  EXPECT_EQ(settle(), (V{event("AXWindowCreated", w2)}));

  mac.moveWindow(w1, {5, 5});
  mac.resizeWindow(w1, {300, 300});
  mac.setWindowFrame(w1, Rect(6, 6, 301, 301));
  mac.setWindowFrame(w1, Rect(6, 6, 301, 301));
  EXPECT_EQ(settle(), (V{event("AXWindowMoved", w1), event("AXWindowResized", w1), event("AXWindowMoved", w1),
                         event("AXWindowResized", w1)}));

  mac.setTitle(w1, "New");
  mac.setTitle(w1, "New");
  EXPECT_EQ(settle(), (V{event("AXTitleChanged", w1)}));

  mac.minimize(w1);
  EXPECT_EQ(settle(), (V{event("AXWindowMiniaturized", w1), event("AXMainWindowChanged", w2),
                         event("AXFocusedWindowChanged", w2)}));
  mac.unminimize(w1);
  EXPECT_EQ(settle(), (V{event("AXWindowDeminiaturized", w1), event("AXMainWindowChanged", w1),
                         event("AXFocusedWindowChanged", w1)}));
  mac.closeWindow(w1);
  EXPECT_EQ(settle(), (V{event("AXUIElementDestroyed", w1), event("AXMainWindowChanged", w2),
                         event("AXFocusedWindowChanged", w2)}));

  mac.launchApp("com.example.other", "Other");
  mac.hide(pid);
  EXPECT_EQ(settle(),
            (V{"launch " + std::to_string(mac.frontmostPID().value()), "deactivate " + std::to_string(pid),
               "activate " + std::to_string(*mac.frontmostPID()),
               "AXApplicationDeactivated " + std::to_string(pid) + "/app", "hide " + std::to_string(pid),
               "AXApplicationHidden " + std::to_string(pid) + "/app"}));
}

TEST_F(SimAccessibilityTest, ObserversDeliverOnlyWhatIsRegisteredWhileOnTheRunLoopAndAlive) {
  WindowID w1 = mac.openWindow(pid);
  WindowID w2 = mac.openWindow(pid);
  V got;
  std::vector<AXElement> elements;
  auto created = axi.createObserver(pid, [&](const AXElement& e, const std::string& name) {
    got.push_back(name + " " + std::to_string(axi.windowNumber(e).windowNumber));
    elements.push_back(e);
  });
  ASSERT_TRUE(created.ok());
  auto observer = std::move(created.observer);
  AXElement e1 = element(w1);
  EXPECT_EQ(observer->addNotification(e1, ax::kWindowMovedNotification), AXError::success);
  EXPECT_EQ(observer->addNotification(e1, ax::kWindowMovedNotification),
            AXError::notificationAlreadyRegistered);
  int32_t other = mac.launchApp("com.example.other", "Other");
  EXPECT_EQ(observer->addNotification(axi.createApplicationElement(other), ax::kWindowMovedNotification),
            AXError::illegalArgument);
  EXPECT_EQ(mac.liveObserverCount(pid), 1);

  mac.moveWindow(w1, {1, 1});  // not on the run loop yet
  scheduler.runUntilIdle();
  EXPECT_TRUE(got.empty());

  observer->addToMainRunLoop();
  mac.moveWindow(w1, {2, 2});
  mac.moveWindow(w2, {2, 2});  // registered on w1 only
  scheduler.runUntilIdle();
  EXPECT_EQ(got, (V{"AXWindowMoved " + std::to_string(w1)}));

  // The destroyed notification carries the element it was registered on, which answers no more.
  WindowID doomed = mac.openWindow(pid);
  AXElement registered = element(doomed);
  observer->addNotification(registered, ax::kUIElementDestroyedNotification);
  mac.closeWindow(doomed);
  scheduler.runUntilIdle();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(elements[1], registered);
  EXPECT_EQ(axi.windowNumber(elements[1]).error, AXError::invalidUIElement);

  EXPECT_EQ(observer->removeNotification(e1, ax::kWindowMovedNotification), AXError::success);
  EXPECT_EQ(observer->removeNotification(e1, ax::kWindowMovedNotification),
            AXError::notificationNotRegistered);
  observer->addNotification(app, ax::kWindowMovedNotification);
  mac.moveWindow(w2, {3, 3});
  observer->removeFromMainRunLoop();
  scheduler.runUntilIdle();  // removed from the run loop before delivery: nothing
  observer->addToMainRunLoop();
  mac.moveWindow(w2, {4, 4});
  observer.reset();  // dropped with a notification on its way
  scheduler.runUntilIdle();
  EXPECT_EQ(got.size(), 2u);
  EXPECT_EQ(mac.liveObserverCount(pid), 0);
}

TEST_F(SimAccessibilityTest, ReadsFromAnotherThreadSeeAConsistentWorld) {
  std::atomic<bool> stop{false};
  std::atomic<int> failures{0};
  std::thread reader([&] {
    AXElement element = axi.createApplicationElement(pid);
    size_t last = 0;
    while (!stop) {
      auto result = axi.copyAttributeValue(element, ax::kWindows);
      size_t count = result.ok() ? result.value->asElements()->size() : 0;
      if (!result.ok() || count < last) ++failures;
      last = count;
      mac.windowServer().copyWindowInfo(platform::kWindowListOptionOnScreenOnly, 0);
    }
  });
  for (int i = 0; i < 200; ++i) mac.openWindow(pid);
  stop = true;
  reader.join();
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(windows().size(), 200u);
}

}  // namespace
}  // namespace pelko::sim
