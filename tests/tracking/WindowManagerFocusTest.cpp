#include "TrackingTestWorld.h"

namespace pelko::testing {
namespace {

using platform::AXError;

// Focusing one window of a background application whose other windows are minimized.
class WindowManagerFocus : public WindowManagerTest {
 protected:
  void SetUp() override {
    pid = launch("com.example.editor", "Editor");
    visible = open(pid, "Visible");
    target = open(pid, "Target", {200, 200, 800, 600}, true);
    sibling = open(pid, "Sibling", {300, 300, 800, 600}, true);
    other = launch("com.example.other", "Other");
    manager->onPendingFocusChanged = [this] {
      ++callbacks;
      actionsAtCallback = mac.actionTexts().size();
    };
    mac.clearActions();
  }
  std::string mainWindowAction(platform::WindowID window) const {
    return "set AXMainWindow pid=" + std::to_string(pid) + " window=" + w(window);
  }

  int32_t pid = 0;
  int32_t other = 0;
  platform::WindowID visible = 0, target = 0, sibling = 0;
  int callbacks = 0;
  size_t actionsAtCallback = 99;
};

TEST_F(WindowManagerFocus, FocusesAMinimizedWindowAndKeepsItsSiblingsMinimized) {
  mac.setRestoresMinimizedWindowsOnActivation(pid, true);
  manager->toggleApp(*windowEntry(pid, target, "Target"), 1);

  EXPECT_EQ(callbacks, 1);
  EXPECT_EQ(actionsAtCallback, 0u);  // announced before anything was done to the application
  EXPECT_EQ(manager->pendingFocus(), (PendingFocus{pid, target}));
  EXPECT_FALSE(minimized(target));
  std::string p = std::to_string(pid);
  EXPECT_EQ(mac.actionTexts(),
            (Texts{"set AXMinimized window=" + w(target) + " false", mainWindowAction(target),
                   "set AXFocusedWindow pid=" + p + " window=" + w(target), "AXRaise window=" + w(target),
                   "set AXFrontmost pid=" + p + " true"}));
  EXPECT_EQ(mac.frontmostPID(), pid);

  // The activation restored the sibling; the passes at 50 and 150 ms minimize it again.
  for (double step : {0.05, 0.1}) {
    mac.unminimize(sibling);
    scheduler.advance(step);
    EXPECT_TRUE(minimized(sibling)) << step;
  }
  mac.unminimize(sibling);
  scheduler.advance(0.149);
  EXPECT_TRUE(manager->pendingFocus());
  scheduler.advance(0.001);
  EXPECT_FALSE(manager->pendingFocus());  // cleared at 300 ms
  EXPECT_FALSE(minimized(sibling));       // no further passes
  EXPECT_FALSE(minimized(visible));
  EXPECT_FALSE(minimized(target));
  EXPECT_EQ(callbacks, 1);  // clearing is not announced
}

TEST_F(WindowManagerFocus, ChoosesByNumberThenFirstTitleMatchThenFirstWindow) {
  // Two windows share a title, neither of them the first of the list (what no match at all gives). A
  // focused window comes to the front of the list, so the rows that need the order come first. Numbers
  // and expectations index {target, sibling, visible}; a number beyond them is stale.
  struct Case {
    const char* what;
    size_t number;
    std::string title;
    size_t expected;
  };
  // clang-format off
  const Case cases[] = {
      {"neither: the first window of the list",           9, "Nope",             2},
      {"stale number: the first title match, decomposed", 9, "Caf\u0065\u0301", 1},
      {"of two title matches the later, by number",       0, "Caf\u00e9",        0},
      {"number wins over title",                          1, "Visible",          1},
  };
  // clang-format on
  mac.setTitle(target, "Caf\u00e9");
  mac.setTitle(sibling, "Caf\u00e9");
  const platform::WindowID windows[] = {target, sibling, visible};
  for (const auto& c : cases) {
    mac.clearActions();
    manager->toggleApp(*windowEntry(pid, c.number < 3 ? int64_t{windows[c.number]} : 424242, c.title), 1);
    EXPECT_TRUE(acted(mainWindowAction(windows[c.expected]))) << c.what;
    scheduler.advance(1);
    mac.activate(other);
  }
}

TEST_F(WindowManagerFocus, HiddenApplicationIsActivatedAndTheWindowRaisedByNumberLaterUnlessItQuit) {
  mac.hide(pid);
  mac.clearActions();
  manager->toggleApp(*windowEntry(pid, target, "Target", false, /*hidden=*/true), 1);
  EXPECT_EQ(mac.actionTexts(), Texts{activateAction(pid)});
  mac.clearActions();
  scheduler.advance(0.025);
  EXPECT_EQ(mac.actionTexts(),
            (Texts{mainWindowAction(target),
                   "set AXFocusedWindow pid=" + std::to_string(pid) + " window=" + w(target),
                   "AXRaise window=" + w(target)}));
  EXPECT_TRUE(manager->pendingFocus());
  scheduler.advance(0.275);
  EXPECT_FALSE(manager->pendingFocus());

  // Quit meanwhile: only its pending focus is cleared.
  mac.quitApp(pid);
  mac.clearActions();
  manager->toggleApp(*windowEntry(pid, target, "Target", false, /*hidden=*/true), 1);
  EXPECT_EQ(manager->pendingFocus(), (PendingFocus{pid, target}));
  scheduler.advance(0.3);
  EXPECT_FALSE(manager->pendingFocus());
  EXPECT_TRUE(mac.actionTexts().empty());
}

// The application delegate wires the callback to the tracker, which may replace the clicked entry
// while the focus operation is still running.
TEST_F(WindowManagerFocus, TheCallbackMayReleaseTheClickedEntryAndDelayedStepsOutliveNoManager) {
  mac.setRestoresMinimizedWindowsOnActivation(pid, true);
  auto entry = windowEntry(pid, target, "Target");
  manager->onPendingFocusChanged = [&entry] { entry.reset(); };
  manager->toggleApp(*entry, 1);
  EXPECT_FALSE(entry);
  EXPECT_TRUE(acted(mainWindowAction(target)));
  EXPECT_FALSE(minimized(target));

  std::weak_ptr<WindowManager> weak = manager;
  manager.reset();
  EXPECT_TRUE(weak.expired());
  mac.clearActions();
  scheduler.advance(1);
  EXPECT_TRUE(mac.actionTexts().empty());
}

TEST_F(WindowManagerFocus, WithoutTrustOrWhenMakingItFrontmostFailsItIsOnlyActivated) {
  mac.permissions().accessibilityTrusted = false;
  manager->toggleApp(*windowEntry(pid, target, "Target"), 1);
  EXPECT_EQ(mac.actionTexts(), Texts{activateAction(pid)});
  EXPECT_FALSE(manager->pendingFocus());
  EXPECT_EQ(callbacks, 0);
  EXPECT_EQ(manager->focusGeneration(), 0u);

  // A failed frontmost write clears the pending focus and activates.
  mac.permissions().accessibilityTrusted = true;
  mac.activate(other);
  mac.clearActions();
  mac.setAttributeWriteError(pid, "AXFrontmost", AXError::cannotComplete);
  manager->toggleApp(*windowEntry(pid, target, "Target"), 1);
  EXPECT_EQ(callbacks, 1);
  EXPECT_FALSE(manager->pendingFocus());
  EXPECT_TRUE(acted(activateAction(pid)));
  scheduler.advance(1);
  EXPECT_FALSE(manager->pendingFocus());
}

TEST_F(WindowManagerFocus, ApplicationWithoutWindowsIsReopenedAndThePendingFocusStillClears) {
  int32_t empty = launch("com.example.empty", "Empty");
  mac.setOpensWindowOnReopen(empty, false);
  mac.activate(other);
  mac.clearActions();
  manager->toggleApp(*windowEntry(empty, 777, "Gone"), 1);
  EXPECT_EQ(callbacks, 1);
  EXPECT_EQ(manager->pendingFocus(), (PendingFocus{empty, 777}));
  EXPECT_TRUE(acted("reopen pid=" + std::to_string(empty)));
  scheduler.advance(0.3);
  EXPECT_FALSE(manager->pendingFocus());
}

TEST_F(WindowManagerFocus, ALaterFocusKeepsItsOwnPendingFocusAGroupedActivationDoesNot) {
  manager->toggleApp(*windowEntry(pid, target, "Target"), 1);
  scheduler.advance(0.1);
  manager->toggleApp(*windowEntry(pid, sibling, "Sibling"), 1);
  scheduler.advance(0.2);  // the first clear step: not its value any more
  EXPECT_EQ(manager->pendingFocus(), (PendingFocus{pid, sibling}));
  scheduler.advance(0.1);
  EXPECT_FALSE(manager->pendingFocus());
  EXPECT_EQ(callbacks, 2);
  // The same window clicked again: the first click's clear step leaves the second's alone.
  manager->toggleApp(*windowEntry(pid, sibling, "Sibling"), 1);
  scheduler.advance(0.1);
  manager->toggleApp(*windowEntry(pid, sibling, "Sibling"), 1);
  scheduler.advance(0.2);
  EXPECT_EQ(manager->pendingFocus(), (PendingFocus{pid, sibling}));
  scheduler.advance(0.1);

  open(other, "Other doc");
  mac.activate(other);
  manager->toggleApp(*windowEntry(pid, target, "Target"), 1);
  scheduler.advance(0.1);
  manager->toggleApp(*appEntry(other), 1);
  ASSERT_EQ(manager->focusGeneration(), 6u);  // the grouped activation moved the generation on
  EXPECT_EQ(manager->pendingFocus(), (PendingFocus{pid, target}));
  scheduler.advance(0.2);
  EXPECT_FALSE(manager->pendingFocus());
}

}  // namespace
}  // namespace pelko::testing
