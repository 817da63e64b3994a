#include "TrackingTestWorld.h"

namespace pelko::testing {
namespace {

using platform::AXError;
using platform::PlistValue;

class CountingDelegate : public platform::ApplicationDelegate {
 public:
  void toggleSettingsWindowFromTaskbar() override { ++toggles; }
  int toggles = 0;
};

class WindowManagerToggle : public WindowManagerTest {
 protected:
  void SetUp() override {
    pid = launch("com.example.editor", "Editor");
    other = launch("com.example.other", "Other");  // frontmost, so the editor is in the background
  }
  std::string frontmostAction() const { return "set AXFrontmost pid=" + std::to_string(pid) + " true"; }

  int32_t pid = 0;
  int32_t other = 0;
};

// ---- The decision table ----

TEST_F(WindowManagerToggle, OwnEntryTogglesTheSettingsWindowWhateverItsFlags) {
  CountingDelegate delegate;
  mac.appShell().applicationDelegate = &delegate;
  auto own = std::make_shared<TrackedApp>("com.pelko.app", "Pelko", AppImage{}, mac.appShell().pid, true,
                                          false, false, "Pelko Settings", 77);
  manager->toggleApp(*own, 1);
  own->isActive = false;
  manager->toggleApp(*own, 1);
  EXPECT_EQ(delegate.toggles, 2);
  EXPECT_EQ(mac.appShell().activateOwnProcessCount, 0);
  EXPECT_TRUE(mac.actionTexts().empty());
  EXPECT_FALSE(manager->pendingFocus());
  // Without a delegate the own process is activated instead.
  mac.appShell().applicationDelegate = nullptr;
  manager->toggleApp(*own, 1);
  EXPECT_EQ(mac.appShell().activateOwnProcessCount, 1);
}

TEST_F(WindowManagerToggle, InactiveOrHiddenWindowEntryIsFocusedActiveShownEntriesHideTheApplication) {
  auto window = open(pid, "Doc");
  mac.activate(other);
  for (auto entry :
       {windowEntry(pid, window, "Doc", false, false), windowEntry(pid, window, "Doc", true, true)}) {
    mac.clearActions();
    manager->toggleApp(*entry, 1);
    EXPECT_FALSE(mac.isHidden(pid));
    EXPECT_EQ(manager->pendingFocus(), (PendingFocus{pid, window}));
    EXPECT_EQ(mac.frontmostPID(), pid);
    scheduler.advance(1);
  }

  manager->toggleApp(*windowEntry(pid, window, "Doc", /*active=*/true), 1);
  EXPECT_TRUE(mac.isHidden(pid));
  mac.unhide(pid);
  manager->toggleApp(*appEntry(pid, /*active=*/true), 1);  // has a visible window
  EXPECT_TRUE(mac.isHidden(pid));
  // A window whose minimized state cannot be read counts as visible: still a hide, not a reopen.
  mac.unhide(pid);
  mac.setWindowAttributeReadError(window, "AXMinimized", AXError::cannotComplete);
  mac.clearActions();
  manager->toggleApp(*appEntry(pid, /*active=*/true), 1);
  EXPECT_TRUE(mac.isHidden(pid));
  EXPECT_EQ(mac.actionTexts(), (Texts{"hide pid=" + std::to_string(pid)}));
}

TEST_F(WindowManagerToggle, HiddenApplicationEntryIsActivatedStandardlyAProcessErrorReopens) {
  open(pid, "Doc");
  // Hidden, it gets a standard activation and no grouped one.
  mac.hide(pid);
  mac.clearActions();
  manager->toggleApp(*appEntry(pid, true, /*hidden=*/true), 1);
  EXPECT_EQ(mac.actionTexts().front(), activateAction(pid));
  EXPECT_EQ(manager->focusGeneration(), 0u);

  // An error for the whole process falls back to reopening.
  mac.activate(other);
  mac.setAXError(pid, AXError::cannotComplete);
  mac.clearActions();
  manager->toggleApp(*appEntry(pid), 1);
  EXPECT_EQ(mac.actionTexts(), (Texts{activateAction(pid), "reopen pid=" + std::to_string(pid)}));
}

// ---- Reopening ----

TEST_F(WindowManagerToggle,
       ActiveApplicationWithOnlyMinimizedWindowsIsReopenedThenItsBundleOpenedUnlessItQuit) {
  auto window = open(pid, "Doc", {100, 100, 800, 600}, /*minimized=*/true);
  mac.clearActions();
  manager->toggleApp(*appEntry(pid, /*active=*/true), 1);
  EXPECT_FALSE(mac.isHidden(pid));
  EXPECT_EQ(mac.actionTexts(), (Texts{activateAction(pid), "reopen pid=" + std::to_string(pid)}));
  scheduler.advance(0.5);
  EXPECT_FALSE(minimized(window));  // the application answered the reopen event
  EXPECT_TRUE(mac.openedURLs().empty());

  // When no window appears the bundle is opened after 500 ms, at once when the event fails.
  const std::vector<std::string> bundle{"/Applications/Editor.app"};
  mac.closeWindow(window);
  mac.setOpensWindowOnReopen(pid, false);
  manager->toggleApp(*appEntry(pid, true), 1);
  scheduler.advance(0.499);
  EXPECT_TRUE(mac.openedURLs().empty());
  scheduler.advance(0.001);
  EXPECT_EQ(mac.openedURLs(), bundle);
  mac.setReopenEventFails(pid, true);
  manager->toggleApp(*appEntry(pid, true), 1);
  EXPECT_EQ(mac.openedURLs(), (Texts(2, bundle[0])));

  // A process gone by then is skipped.
  scheduler.advance(1);
  mac.quitApp(pid);
  mac.clearActions();
  manager->toggleApp(*appEntry(pid, true), 1);
  scheduler.advance(1);
  EXPECT_TRUE(logged("activateWithReopen: PID " + std::to_string(pid) + " no longer valid, skipping"));
  EXPECT_TRUE(mac.actionTexts().empty());
}

// ---- Grouped activation on the clicked display ----

class GroupedActivation : public WindowManagerToggle {
 protected:
  void SetUp() override {
    WindowManagerToggle::SetUp();
    displayB = mac.addDisplay({.bounds = {1920, 0, 1920, 1080}});
    displayA = mac.displays().front().id;
    scheduler.runUntilIdle();
  }
  platform::DisplayID displayA = 0;
  platform::DisplayID displayB = 0;
};

TEST_F(GroupedActivation, OnlyWindowsOnTheClickedDisplayComeBack) {
  auto onA = open(pid, "On A", {100, 100, 800, 600}, true);
  auto onB = open(pid, "On B", {2000, 100, 800, 600}, true);
  mac.setRestoresMinimizedWindowsOnActivation(pid, true);
  mac.activate(other);
  manager->toggleApp(*appEntry(pid), displayB);
  EXPECT_FALSE(minimized(onB));
  EXPECT_TRUE(acted("AXRaise window=" + w(onB)));
  // The passes minimize it without reading its state.
  mac.setWindowAttributeReadError(onA, "AXMinimized", AXError::cannotComplete);

  // The activation restored the window on A; each pass at 25, 80, 200 and 400 ms puts it back.
  double last = 0;
  for (double at : {0.025, 0.08, 0.2, 0.4}) {
    mac.unminimize(onA);
    scheduler.advance(at - last - 0.001);
    EXPECT_FALSE(minimized(onA)) << at;
    scheduler.advance(0.001);
    EXPECT_TRUE(minimized(onA)) << at;
    last = at;
  }
  mac.unminimize(onA);
  scheduler.advance(1);
  EXPECT_FALSE(minimized(onA));
  EXPECT_FALSE(minimized(onB));
}

TEST_F(WindowManagerToggle, GroupedActivationRestoresThenFocusesThenComesToTheFront) {
  auto visible = open(pid, "Visible");
  auto restored = open(pid, "Restored", {200, 200, 800, 600}, true);
  auto also = open(pid, "Also", {300, 300, 800, 600}, true);
  mac.activate(other);
  mac.clearActions();
  // With one display every minimized window comes back, and the first listed one is focused.
  manager->toggleApp(*appEntry(pid), mac.displays().front().id);
  std::string p = std::to_string(pid);
  EXPECT_EQ(mac.actionTexts(), (Texts{"set AXMinimized window=" + w(also) + " false",
                                      "set AXMinimized window=" + w(restored) + " false",
                                      "set AXMainWindow pid=" + p + " window=" + w(visible),
                                      "set AXFocusedWindow pid=" + p + " window=" + w(visible),
                                      "AXRaise window=" + w(visible), frontmostAction()}));
  // It is frontmost by the time the re-activation check runs, so the check leaves it alone, and nothing
  // is minimized again.
  mac.clearActions();
  scheduler.advance(1);
  EXPECT_TRUE(mac.actionTexts().empty());
}

// A minimized window comes back only when its largest overlap is with the clicked display; the visible
// window on B keeps every case off the reopen path. Where the window server lists a window, its frame
// there decides the display, whatever Accessibility says; only windows it does not place are placed by
// their Accessibility position.
TEST_F(GroupedActivation, MinimizedWindowsComeBackByTheirLargestOverlapWithTheClickedDisplay) {
  namespace key = platform::window_key;
  enum Click { onA, onB, none };
  // How the window server lists the window: as usual, not at all and without a readable size, or only
  // through a row of its own naming this application or another as owner.
  enum Listing { listed, sizeUnreadable, ownRow, othersRow };
  struct Case {
    const char* what;
    Rect bounds;  // as Accessibility reports it
    Click click;
    bool restored;
    Listing listing = listed;
    Rect rowBounds = {};
  };
  const Case cases[] = {
      {"tie, clicked on A: the earlier display", {1420, 100, 1000, 600}, onA, true},
      {"tie, clicked on B", {1420, 100, 1000, 600}, onB, false},
      {"on no display: counts as on the clicked one", {5000, 5000, 800, 600}, onB, true},
      {"on A, clicked on B", {100, 100, 800, 600}, onB, false},
      {"no clicked display: every window counts", {100, 100, 800, 600}, none, true},
      {"no list bounds nor size: 800 x 600, mostly on A", {1500, 100, 1200, 600}, onB, false, sizeUnreadable},
      {"listed on B, positioned on A", {100, 100, 800, 600}, onB, true, ownRow, {2000, 100, 800, 600}},
      {"listed without area", {100, 100, 800, 600}, onB, false, ownRow, {2000, 100, 0, 600}},
      {"listed for another process", {100, 100, 800, 600}, onB, false, othersRow, {2000, 100, 800, 600}},
  };
  for (const auto& c : cases) {
    int32_t app = launch("com.example.mapped", "Mapped");
    auto window = mac.openWindow(app, {.title = "Window",
                                       .bounds = c.bounds,
                                       .minimized = true,
                                       .listedInWindowList = c.listing == listed});
    open(app, "On B", {2100, 200, 800, 600});
    if (c.listing == sizeUnreadable) mac.setAttributeReadError(app, "AXSize", AXError::cannotComplete);
    if (c.listing == ownRow || c.listing == othersRow)
      mac.addRawWindowListRow(
          {{key::kNumber, PlistValue(static_cast<int64_t>(window))},
           {key::kOwnerPID, PlistValue(static_cast<int64_t>(c.listing == ownRow ? app : other))},
           {key::kBounds, PlistValue(platform::rectDictionary(c.rowBounds))}});
    mac.activate(other);
    manager->toggleApp(*appEntry(app),
                       c.click == none ? std::nullopt : std::optional(c.click == onA ? displayA : displayB));
    EXPECT_EQ(!minimized(window), c.restored) << c.what;
    scheduler.advance(1);
  }
}

TEST_F(GroupedActivation,
       EverythingMinimizedElsewhereTakesTheReopenPathOtherwiseItReactivatesWhenAnotherTookTheFront) {
  open(pid, "On A", {100, 100, 800, 600}, true);
  mac.activate(other);
  mac.clearActions();
  manager->toggleApp(*appEntry(pid), displayB);
  EXPECT_TRUE(acted("reopen pid=" + std::to_string(pid)));
  EXPECT_FALSE(acted(frontmostAction()));
  EXPECT_EQ(manager->focusGeneration(), 0u);

  // With a window on the clicked display it is activated, and again when another application took the
  // front meanwhile.
  open(pid, "Doc", {200, 200, 800, 600});
  mac.activate(other);
  manager->toggleApp(*appEntry(pid), displayA);
  EXPECT_EQ(mac.frontmostPID(), pid);
  mac.activate(other);
  mac.clearActions();
  scheduler.advance(0.05);
  EXPECT_EQ(mac.actionTexts(), Texts{activateAction(pid)});
}

TEST_F(GroupedActivation, ASecondClickCancelsTheFirstClicksFollowUps) {
  auto onA = open(pid, "On A", {100, 100, 800, 600}, true);
  open(pid, "On B", {2000, 100, 800, 600});
  open(other, "Other doc");
  mac.setRestoresMinimizedWindowsOnActivation(pid, true);
  mac.activate(other);
  manager->toggleApp(*appEntry(pid), displayB);
  scheduler.advance(0.01);
  manager->toggleApp(*appEntry(other), displayA);
  EXPECT_EQ(manager->focusGeneration(), 2u);
  mac.clearActions();
  scheduler.advance(1);
  EXPECT_FALSE(minimized(onA));
  EXPECT_TRUE(actionsStartingWith("activate pid=" + std::to_string(pid)).empty());
}

// ---- Faults ----

TEST_F(WindowManagerToggle, PerProcessErrorCodesAreLoggedAndTheClickStillActivates) {
  for (AXError error : {AXError::cannotComplete, AXError::apiDisabled, AXError::noValue,
                        AXError::attributeUnsupported, AXError::invalidUIElement}) {
    int32_t app = launch("com.example.faulty" + std::to_string(platform::code(error)), "Faulty");
    auto window = open(app, "Doc", {100, 100, 800, 600}, true);
    mac.activate(other);
    mac.setAttributeReadError(app, "AXMinimized", error);
    mac.setAttributeWriteError(app, "AXMainWindow", error);
    logs.clear();
    manager->toggleApp(*appEntry(app), 1);
    std::string code = std::to_string(platform::code(error));
    EXPECT_TRUE(logged("activateGrouped: failed to read minimized state (error " + code + ")")) << code;
    EXPECT_TRUE(logged("activateGrouped: focus window failed (main=" + code + " focus=0 raise=0)")) << code;
    EXPECT_TRUE(minimized(window)) << code;  // unreadable counts as not minimized: nothing to restore
    EXPECT_EQ(mac.frontmostPID(), app) << code;
    scheduler.advance(1);
  }
}

TEST_F(WindowManagerToggle, HungApplicationCostsOneTimeoutPerRequest) {
  open(pid, "Doc");
  mac.activate(other);
  mac.setHung(pid, true);
  mac.setOpensWindowOnReopen(pid, false);
  manager->toggleApp(*appEntry(pid), 1);
  EXPECT_EQ(mac.frontmostPID(), pid);  // the workspace activation does not need Accessibility
  scheduler.advance(0.5);
  // Its windows cannot be read, so the reopen check opens the bundle.
  EXPECT_EQ(mac.openedURLs(), Texts{"/Applications/Editor.app"});
  // Two window-list reads (the click and the reopen check), each waiting its 1 s time-out.
  EXPECT_DOUBLE_EQ(mac.hungWaitSeconds(pid), 2.0);
}

}  // namespace
}  // namespace pelko::testing
