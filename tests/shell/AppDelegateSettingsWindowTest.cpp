// The shell's side of the settings window: made on first use through the factory, toggled by a click
// on the program's own entry (the delegate is the application's), and its window shown to the tracker.

#include <algorithm>

#include "ShellTestWorld.h"
#include "tracking/AccessibilityHelper.h"
#include "tracking/AppTracker.h"
#include "tracking/TrackedApp.h"
#include "tracking/WindowManager.h"

namespace pelko::testing {
namespace {

class RecordingSettingsWindow final : public SettingsWindowHandle {
 public:
  explicit RecordingSettingsWindow(std::vector<std::string>& log) : log_(log) {}
  void showSettings() override { log_.push_back("showSettings"); }
  void toggleFromTaskbar() override { log_.push_back("toggleFromTaskbar"); }
  std::vector<AppTracker::OwnWindow> ownWindows() const override { return windows; }
  std::vector<AppTracker::OwnWindow> windows;

 private:
  std::vector<std::string>& log_;
};

class AppDelegateSettingsWindowTest : public ::testing::Test {
 protected:
  ShellTestWorld world;
  std::vector<std::string> calls;
  int made = 0;
  RecordingSettingsWindow* window = nullptr;

  void SetUp() override {
    world.settingsWindowFactory = [this](const AppDelegate::SettingsWindowContext& context) {
      ++made;
      EXPECT_EQ(context.settingsManager.get(), world.delegate->settingsManager());
      auto handle = std::make_unique<RecordingSettingsWindow>(calls);
      window = handle.get();
      return handle;
    };
  }

  bool ownEntryShown() {
    const int32_t own = world.mac.appShell().pid;
    const auto& apps = world.delegate->appTracker()->apps.get();
    return std::any_of(apps.begin(), apps.end(), [own](const TrackedAppPtr& app) { return app->pid == own; });
  }
};

TEST_F(AppDelegateSettingsWindowTest, TheOwnEntryClickMakesThenTogglesTheWindow) {
  world.delegate = world.makeDelegate();
  EXPECT_EQ(world.mac.appShell().delegate(), world.delegate.get());
  world.delegate->toggleSettingsWindowFromTaskbar();  // before start-up there is no settings object
  EXPECT_EQ(made, 0);

  world.delegate->applicationDidFinishLaunching();
  world.scheduler.runUntilIdle();
  // The click on the program's own entry reaches the delegate through the application.
  TrackedApp own(world.mac.appShell().bundleID, "Pelko", AppImage{}, world.mac.appShell().pid, false, false,
                 false, std::nullopt, std::nullopt);
  world.delegate->windowManager()->toggleApp(own, std::nullopt);
  EXPECT_EQ(made, 1);
  EXPECT_EQ(calls, (std::vector<std::string>{"showSettings"}));
  world.delegate->windowManager()->toggleApp(own, std::nullopt);
  world.delegate->showSettingsWindow();
  EXPECT_EQ(made, 1);
  EXPECT_EQ(calls, (std::vector<std::string>{"showSettings", "toggleFromTaskbar", "showSettings"}));

  AppDelegate* gone = world.delegate.get();
  world.delegate.reset();
  EXPECT_NE(world.mac.appShell().delegate(), gone);
  EXPECT_EQ(world.mac.appShell().delegate(), nullptr);
}

TEST_F(AppDelegateSettingsWindowTest, AMinimizedSettingsWindowKeepsTheOwnEntry) {
  world.start();
  world.delegate->showSettingsWindow();
  ASSERT_NE(window, nullptr);
  window->windows = {{"Pelko Settings", true, false}};
  world.settle(11);  // the tracker's safety refresh comes every 10 s
  EXPECT_TRUE(ownEntryShown());

  window->windows = {{"Pelko Settings", false, false}};  // closed
  world.settle(11);                                      // the tracker's safety refresh comes every 10 s
  EXPECT_FALSE(ownEntryShown());
}

}  // namespace
}  // namespace pelko::testing
