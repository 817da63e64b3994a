#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "foundation/VirtualScheduler.h"
#include "platform/sim/SimulatedMac.h"

// The world keeps each application's windows and each layer's windows in order as it changes, rather
// than deriving them from the overall window order per request. These cases drive it through long
// random sequences of changes and check, after every change, that every answer still equals what
// the overall window order implies.
namespace pelko::sim {
namespace {

namespace ax = platform::ax;

struct Listing {
  bool inWindowList = true;
  bool inAccessibility = true;
};

class SimWindowOrderTest : public ::testing::TestWithParam<unsigned> {
 protected:
  VirtualScheduler scheduler;
  SimulatedMac mac{scheduler};
  std::mt19937 random{GetParam()};
  std::vector<int32_t> pids;
  // Every window opened, closed ones included; windows an application opens by itself are listed.
  std::map<WindowID, Listing> listings;

  int pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(random); }
  bool chance(int percent) { return pick(100) < percent; }

  int32_t launch() {
    int32_t pid = mac.launchApp("com.example.app" + std::to_string(pids.size()), "App");
    pids.push_back(pid);
    if (chance(30)) mac.setRestoresMinimizedWindowsOnActivation(pid, true);
    return pid;
  }

  std::vector<WindowID> openWindows() { return mac.windowOrder(); }

  // One change a user or an application could make.
  void change() {
    std::vector<WindowID> windows = openWindows();
    WindowID window =
        windows.empty() ? 0 : windows[static_cast<size_t>(pick(static_cast<int>(windows.size())))];
    int32_t pid = pids[static_cast<size_t>(pick(static_cast<int>(pids.size())))];
    auto open = [&] {
      static constexpr int kLayers[] = {0, 0, 0, 3, 20, platform::window_layer::kDesktop};
      SimWindowSetup setup;
      setup.layer = kLayers[pick(6)];
      setup.minimized = chance(10);
      setup.space = chance(20) ? 2 : 1;
      setup.listedInWindowList = chance(90);
      setup.listedInAccessibility = chance(90);
      setup.becomesMain = chance(80);
      listings[mac.openWindow(pid, setup)] = {setup.listedInWindowList, setup.listedInAccessibility};
    };
    const std::function<void()> changes[] = {
        open,
        open,
        [&] { mac.closeWindow(window); },
        [&] { mac.raiseWindow(window); },
        [&] { mac.minimize(window); },
        [&] { mac.unminimize(window); },
        [&] { mac.activate(pid, chance(50) ? platform::activateAllWindows : platform::activateNone); },
        [&] { chance(50) ? mac.hide(pid) : mac.unhide(pid); },
        [&] { mac.switchSpace(chance(70) ? 1 : 2); },
        [&] { mac.moveWindowToSpace(window, chance(50) ? 1 : 2); },
        [&] {
          if (!chance(20)) return;
          mac.quitApp(pid);
          pids.erase(std::find(pids.begin(), pids.end(), pid));
          launch();
        },
        [&] { mac.workspace().sendReopenEvent(pid, 1.0); }};
    changes[pick(12)]();
    scheduler.runUntilIdle();
  }

  void expectAnswersFollowTheWindowOrder(int step) {
    SCOPED_TRACE("step " + std::to_string(step));
    const std::vector<WindowID> order = mac.windowOrder();
    std::map<WindowID, SimWindowState> states;
    for (WindowID window : order) states.emplace(window, *mac.window(window));

    // Each application's windows, front to back.
    for (int32_t pid : pids) {
      std::vector<WindowID> expected;
      for (WindowID window : order)
        if (states.at(window).owner == pid) expected.push_back(window);
      ASSERT_EQ(mac.windowsOf(pid), expected) << "pid " << pid;
    }

    // The window list: on screen before off screen, then by layer, then by window order.
    std::vector<WindowID> listed;
    for (WindowID window : order)
      if (listings[window].inWindowList) listed.push_back(window);
    std::stable_sort(listed.begin(), listed.end(), [&](WindowID a, WindowID b) {
      const auto &stateA = states.at(a), &stateB = states.at(b);
      if (stateA.onScreen != stateB.onScreen) return stateA.onScreen;
      return stateA.layer > stateB.layer;
    });
    ASSERT_EQ(listNumbers(0, platform::kNullWindowID), listed);
    std::vector<WindowID> onScreen;
    for (WindowID window : listed)
      if (states.at(window).onScreen) onScreen.push_back(window);
    ASSERT_EQ(listNumbers(platform::kWindowListOptionOnScreenOnly, platform::kNullWindowID), onScreen);
    if (!onScreen.empty()) {
      size_t anchor = onScreen.size() / 2;
      std::vector<WindowID> below(onScreen.begin() + static_cast<std::ptrdiff_t>(anchor), onScreen.end());
      ASSERT_EQ(listNumbers(platform::kWindowListOptionOnScreenBelowWindow |
                                platform::kWindowListOptionIncludingWindow,
                            onScreen[anchor]),
                below);
    }

    // "AXWindows": the listed windows on the active Space, then the minimized ones.
    auto& accessibility = mac.accessibility();
    for (int32_t pid : pids) {
      std::vector<WindowID> visible, minimized;
      for (WindowID window : mac.windowsOf(pid)) {
        const auto& state = states.at(window);
        if (!listings[window].inAccessibility) continue;
        if (state.minimized)
          minimized.push_back(window);
        else if (state.space == mac.activeSpace())
          visible.push_back(window);
      }
      visible.insert(visible.end(), minimized.begin(), minimized.end());
      auto result =
          accessibility.copyAttributeValue(accessibility.createApplicationElement(pid), ax::kWindows);
      ASSERT_TRUE(result.ok());
      std::vector<WindowID> answered;
      for (const auto& element : *result.value->asElements())
        answered.push_back(accessibility.windowNumber(element).windowNumber);
      ASSERT_EQ(answered, visible) << "pid " << pid;
    }
  }

  std::vector<WindowID> listNumbers(uint32_t options, WindowID relativeTo) {
    std::vector<WindowID> numbers;
    auto list = mac.windowServer().copyWindowInfo(options, relativeTo);
    for (const auto& row : *list)
      numbers.push_back(static_cast<WindowID>(*row.at(platform::window_key::kNumber).asInteger()));
    return numbers;
  }
};

TEST_P(SimWindowOrderTest, EveryAnswerFollowsTheWindowOrderThroughLongSequencesOfChanges) {
  for (int i = 0; i < 4; ++i) launch();
  for (int step = 0; step < 400; ++step) {
    change();
    expectAnswersFollowTheWindowOrder(step);
    if (HasFatalFailure()) return;
  }
  EXPECT_FALSE(mac.windowOrder().empty());
}

INSTANTIATE_TEST_SUITE_P(Seeds, SimWindowOrderTest, ::testing::Values(1u, 2u, 3u));

}  // namespace
}  // namespace pelko::sim
