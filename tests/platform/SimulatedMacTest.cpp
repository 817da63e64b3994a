#include "platform/sim/SimulatedMac.h"

#include <gtest/gtest.h>

#include "SimEventRecorder.h"
#include "foundation/VirtualScheduler.h"

namespace pelko::sim {
namespace {

using testing::SimEventRecorder;
using V = std::vector<std::string>;

std::string n(int32_t pid) {
  return std::to_string(pid);
}

class SimulatedMacTest : public ::testing::Test {
 protected:
  VirtualScheduler scheduler;
  SimulatedMac mac{scheduler};
  SimEventRecorder recorder{mac};

  V settle() {
    scheduler.runUntilIdle();
    return recorder.take();
  }
};

TEST_F(SimulatedMacTest, NotificationsArriveOnALaterMainQueuePassInTheOrderOfTheChanges) {
  int32_t a = mac.launchApp("com.example.a", "A");
  EXPECT_TRUE(recorder.events.empty());
  EXPECT_EQ(settle(), (V{"launch " + n(a), "activate " + n(a)}));

  int32_t b = mac.launchApp("com.example.b", "B");
  EXPECT_EQ(settle(), (V{"launch " + n(b), "deactivate " + n(a), "activate " + n(b)}));
  EXPECT_EQ(mac.workspace().frontmostApplication()->processIdentifier(), b);
  EXPECT_FALSE(mac.workspace().runningApplication(a)->isActive());

  int32_t c = mac.launchApp({.bundleID = "com.example.c", .activate = false});
  EXPECT_EQ(settle(), (V{"launch " + n(c)}));
  EXPECT_EQ(mac.frontmostPID(), b);
  EXPECT_TRUE(mac.activate(b));  // already frontmost: nothing to announce
  EXPECT_TRUE(settle().empty());
}

TEST_F(SimulatedMacTest, HidingTheFrontmostApplicationHandsTheFrontToTheNextVisibleWindowsOwner) {
  int32_t a = mac.launchApp("com.example.a", "A");
  WindowID wa = mac.openWindow(a);
  int32_t b = mac.launchApp("com.example.b", "B");
  WindowID wb = mac.openWindow(b);
  settle();

  mac.hide(b);
  EXPECT_EQ(settle(), (V{"deactivate " + n(b), "activate " + n(a), "hide " + n(b)}));
  EXPECT_FALSE(mac.window(wb)->onScreen);
  EXPECT_TRUE(mac.window(wa)->onScreen);
  EXPECT_TRUE(mac.workspace().runningApplication(b)->isHidden());

  // Activating a hidden application unhides it before it comes to the front.
  mac.activate(b);
  EXPECT_EQ(settle(), (V{"unhide " + n(b), "deactivate " + n(a), "activate " + n(b)}));
  EXPECT_TRUE(mac.window(wb)->onScreen);

  // Hiding the only application with a visible window leaves nothing frontmost.
  mac.hide(a);
  mac.hide(b);
  EXPECT_EQ(settle(), (V{"hide " + n(a), "deactivate " + n(b), "hide " + n(b)}));
  EXPECT_EQ(mac.workspace().frontmostApplication(), nullptr);
}

TEST_F(SimulatedMacTest, QuittingDestroysTheWindowsDeactivatesAndThenTerminates) {
  int32_t a = mac.launchApp("com.example.a", "A");
  mac.openWindow(a);
  int32_t b = mac.launchApp("com.example.b", "B");
  WindowID w1 = mac.openWindow(b);
  WindowID w2 = mac.openWindow(b);
  settle();
  recorder.observe(b);
  auto handle = mac.workspace().runningApplication(b);

  mac.quitApp(b);
  EXPECT_EQ(settle(),
            (V{"AXUIElementDestroyed " + n(b) + "/" + n(w2), "AXUIElementDestroyed " + n(b) + "/" + n(w1),
               "deactivate " + n(b), "activate " + n(a), "AXApplicationDeactivated " + n(b) + "/app",
               "terminate " + n(b)}));
  EXPECT_TRUE(handle->isTerminated());
  EXPECT_FALSE(handle->isActive());
  EXPECT_FALSE(handle->activate(0));
  EXPECT_EQ(mac.workspace().runningApplication(b), nullptr);
  EXPECT_TRUE(mac.windowsOf(b).empty());
}

TEST_F(SimulatedMacTest, RequestsThroughARunningApplicationAreLoggedAndCanBeDeclined) {
  int32_t a = mac.launchApp("com.example.a", "A");
  int32_t b = mac.launchApp("com.example.b", "B");
  auto appA = mac.workspace().runningApplication(a);
  settle();

  EXPECT_TRUE(appA->activate(platform::activateIgnoringOtherApps));
  EXPECT_EQ(mac.frontmostPID(), a);
  mac.setRefusesActivation(b, true);
  EXPECT_FALSE(mac.workspace().runningApplication(b)->activate(0));
  EXPECT_EQ(mac.frontmostPID(), a);

  EXPECT_TRUE(appA->hide());
  EXPECT_TRUE(appA->unhide());
  mac.setIgnoresTerminate(a, true);
  EXPECT_TRUE(appA->terminate());
  EXPECT_TRUE(mac.isRunning(a));
  EXPECT_TRUE(appA->forceTerminate());
  EXPECT_FALSE(mac.isRunning(a));

  EXPECT_EQ(
      mac.actionTexts(),
      (V{"activate pid=" + n(a) + " options=2", "activate pid=" + n(b) + " options=0 -> refused",
         "hide pid=" + n(a), "unhide pid=" + n(a), "terminate pid=" + n(a), "forceTerminate pid=" + n(a)}));

  // The log keeps only the latest thousand requests, as many as a running program's world makes.
  for (int click = 0; click < 10'000; ++click) {
    mac.workspace().runningApplication(b)->activate(click % 2);
    mac.workspace().openURL("/Applications/A.app");
  }
  auto texts = mac.actionTexts();
  ASSERT_EQ(texts.size(), 1000u);
  EXPECT_EQ(texts.back(), "openURL /Applications/A.app");
  EXPECT_EQ(texts[texts.size() - 2], "activate pid=" + n(b) + " options=1 -> refused");
  EXPECT_EQ(mac.openedURLs().size(), 1000u);
}

TEST_F(SimulatedMacTest, AReusedProcessIdentifierIsANewApplication) {
  mac.launchApp({.bundleID = "com.example.first", .pid = 900});
  auto old = mac.workspace().runningApplication(900);
  mac.quitApp(900);
  const SimAppSetup second{.bundleID = "com.example.second", .pid = 900};
  mac.launchApp(second);
  EXPECT_TRUE(old->isTerminated());
  EXPECT_FALSE(mac.workspace().runningApplication(900)->isTerminated());
  EXPECT_EQ(mac.workspace().runningApplication(900)->bundleIdentifier(), "com.example.second");
  EXPECT_THROW(mac.launchApp(second), std::invalid_argument);
}

TEST_F(SimulatedMacTest, ActivationBringsTheMainWindowOrAllWindowsForward) {
  int32_t a = mac.launchApp("com.example.a", "A");
  WindowID a1 = mac.openWindow(a);
  WindowID a2 = mac.openWindow(a);
  int32_t b = mac.launchApp("com.example.b", "B");
  WindowID b1 = mac.openWindow(b);
  mac.raiseWindow(a1);  // a1 is now a's main window, in front of b1
  mac.raiseWindow(b1);
  ASSERT_EQ(mac.windowOrder(), (std::vector<WindowID>{b1, a1, a2}));

  mac.activate(b);
  mac.activate(a);
  EXPECT_EQ(mac.windowOrder(), (std::vector<WindowID>{a1, b1, a2}));
  mac.activate(b);
  mac.activate(a, platform::activateAllWindows);
  EXPECT_EQ(mac.windowOrder(), (std::vector<WindowID>{a1, a2, b1}));

  // Minimized windows come back only for applications that restore them on activation.
  mac.minimize(a1);
  mac.activate(b);
  mac.activate(a);
  EXPECT_TRUE(mac.window(a1)->minimized);
  mac.activate(b);
  mac.setRestoresMinimizedWindowsOnActivation(a, true);
  mac.activate(a);
  EXPECT_FALSE(mac.window(a1)->minimized);
  EXPECT_EQ(mac.mainWindow(a), a1);
}

TEST_F(SimulatedMacTest, TheReopenEventRestoresOrOpensAWindowOnlyWhenNoneIsVisible) {
  int32_t empty = mac.launchApp("com.example.empty", "Empty");
  int32_t minimized = mac.launchApp("com.example.min", "Min");
  WindowID m1 = mac.openWindow(minimized);
  WindowID m2 = mac.openWindow(minimized);
  mac.minimize(m1);
  mac.minimize(m2);
  int32_t visible = mac.launchApp("com.example.vis", "Vis");
  mac.openWindow(visible);
  int32_t stubborn = mac.launchApp("com.example.stubborn", "Stubborn");
  mac.setOpensWindowOnReopen(stubborn, false);
  int32_t failing = mac.launchApp("com.example.fail", "Fail");
  mac.setReopenEventFails(failing, true);

  auto& ws = mac.workspace();
  for (int32_t pid : {empty, minimized, visible, stubborn}) EXPECT_TRUE(ws.sendReopenEvent(pid, 2.0));
  EXPECT_FALSE(ws.sendReopenEvent(failing, 2.0));
  EXPECT_FALSE(ws.sendReopenEvent(99999, 2.0));
  // The applications handle the event later, as real ones do.
  EXPECT_TRUE(mac.windowsOf(empty).empty());
  scheduler.runUntilIdle();

  ASSERT_EQ(mac.windowsOf(empty).size(), 1u);
  EXPECT_EQ(mac.window(mac.windowsOf(empty)[0])->title, "Untitled");
  EXPECT_TRUE(mac.window(m1)->minimized);  // only the front minimized window comes back
  EXPECT_FALSE(mac.window(m2)->minimized);
  EXPECT_EQ(mac.windowsOf(visible).size(), 1u);
  EXPECT_TRUE(mac.windowsOf(stubborn).empty());
  EXPECT_TRUE(mac.windowsOf(failing).empty());
  EXPECT_EQ(mac.actionTexts().back(), "reopen pid=99999 -> failed");
}

TEST_F(SimulatedMacTest, OpeningABundleActivatesARunningApplicationOrLaunchesAnInstalledOne) {
  int32_t a = mac.launchApp("com.example.a", "A");
  mac.launchApp("com.example.b", "B");
  mac.installApp({.bundleID = "com.example.c", .bundlePath = "/Applications/C.app"});
  auto& ws = mac.workspace();

  EXPECT_TRUE(ws.openURL("file:///Applications/A.app/"));
  EXPECT_EQ(mac.frontmostPID(), a);
  scheduler.runUntilIdle();
  EXPECT_EQ(mac.windowsOf(a).size(), 1u);  // the reopen event opened a window

  EXPECT_TRUE(ws.openURL("/Applications/C.app"));
  EXPECT_EQ(ws.frontmostApplication()->bundleIdentifier(), "com.example.c");
  EXPECT_TRUE(ws.openURL("x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility"));
  EXPECT_FALSE(ws.openURL("/Applications/Nowhere.app"));
  EXPECT_EQ(mac.openedURLs().size(), 4u);
  EXPECT_EQ(ws.iconForFile("/Applications/A.app").source, "/Applications/A.app");
}

TEST_F(SimulatedMacTest, ThisProcessRunsAsAnAccessoryApplicationThatTheShellCanActivate) {
  auto own = mac.workspace().runningApplication(mac.appShell().pid);
  ASSERT_NE(own, nullptr);
  EXPECT_EQ(own->activationPolicy(), platform::ActivationPolicy::accessory);
  EXPECT_EQ(own->bundleIdentifier(), mac.appShell().bundleID);

  platform::AppShell& shell = mac.appShell();
  EXPECT_EQ(shell.delegate(), nullptr);
  shell.activateOwnProcess();
  EXPECT_EQ(mac.frontmostPID(), mac.appShell().pid);
  EXPECT_EQ(mac.appShell().activateOwnProcessCount, 1);
  EXPECT_EQ(settle(), (V{"activate " + n(mac.appShell().pid)}));

  VirtualScheduler other;
  SimulatedMac bare(other, false);
  EXPECT_TRUE(bare.workspace().runningApplications().empty());
}

TEST_F(SimulatedMacTest, SpacesAndScreenSleepAreReportedAndSpacesHideWindows) {
  int32_t a = mac.launchApp("com.example.a", "A");
  WindowID here = mac.openWindow(a);
  WindowID gone = mac.openWindow(a);
  mac.minimize(gone);
  settle();

  mac.switchSpace(2);
  mac.switchSpace(2);
  mac.sleepScreens();
  mac.wakeScreens();
  EXPECT_EQ(settle(), (V{"space", "sleep", "wake"}));
  EXPECT_FALSE(mac.window(here)->onScreen);
  // Minimized windows stay listed on every Space; the others only on their own.
  auto& ax = mac.accessibility();
  auto windows = ax.copyAttributeValue(ax.createApplicationElement(a), platform::ax::kWindows);
  ASSERT_TRUE(windows.ok());
  ASSERT_EQ(windows.value->asElements()->size(), 1u);
  EXPECT_EQ(ax.windowNumber(windows.value->asElements()->front()).windowNumber, gone);
}

TEST_F(SimulatedMacTest, HandlesOutliveTheWorld) {
  platform::RunningApplicationPtr handle;
  {
    VirtualScheduler other;
    SimulatedMac shortLived(other);
    handle = shortLived.workspace().runningApplication(shortLived.launchApp("com.example.a", "A"));
    EXPECT_FALSE(handle->isTerminated());
  }
  EXPECT_TRUE(handle->isTerminated());
  EXPECT_FALSE(handle->hide());
  EXPECT_EQ(handle->bundleIdentifier(), "com.example.a");
}

}  // namespace
}  // namespace pelko::sim
