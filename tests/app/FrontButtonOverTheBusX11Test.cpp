// The bar's button of the front application as a screen reader meets it over the accessibility bus of
// the running program: a push button pressed in (checked), the only one, and when another application
// comes to the front the check moves to its button and a listener on the bus hears both changes.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <set>

#include "AccessibilityBus.h"

namespace pelko::testing {
namespace {

class FrontButtonOverTheBusX11Test : public AccessibleDesktopTest {
 protected:
  // Whether the listener hears every line of `lines` within `seconds`; what it heard goes to `heard`.
  static bool hearsAll(Helper& listener, std::set<std::string> lines, double seconds, std::string& heard) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!lines.empty()) {
      const double left = std::chrono::duration<double>(deadline - std::chrono::steady_clock::now()).count();
      if (left <= 0) return false;
      const auto next = listener.readLine(left);
      if (!next) return false;
      heard += *next + "\n";
      lines.erase(*next);
    }
    return true;
  }

  // The names of the bar's buttons the bus reports checked.
  std::set<std::string> checkedButtons() {
    std::set<std::string> names;
    for (const auto& button : accessibility->findWithDetails("push button", "", 5))
      if (button.hasState("checked")) names.insert(button.name);
    return names;
  }
};

TEST_F(FrontButtonOverTheBusX11Test, TheFrontApplicationsButtonIsCheckedAndTheCheckMovesWithTheFront) {
  movePointer(640, 200);
  auto listener = listenOnTheBus("watch_state_changes.py", {"--state", "checked"});
  ASSERT_TRUE(listener) << "the bus's listener did not start";
  startPelko({{"PELKO_SCENARIO", writeScenario(kViewerAndEditorScenario)}});
  ASSERT_TRUE(pelko->waitUntilReady()) << pelko->output();
  ASSERT_TRUE(accessibility->findOne("push button", "Editor", 10)) << accessibility->describeAll();

  std::set<std::string> checked;
  ASSERT_TRUE(waitUntil([&] { return (checked = checkedButtons()) == std::set<std::string>{"Viewer"}; }, 10))
      << "checked: " << checked.size() << "\n"
      << accessibility->describeAll();

  ASSERT_EQ(accessibility->doAction("push button", "Editor", "Press").size(), 1u);
  EXPECT_TRUE(waitUntil([&] { return (checked = checkedButtons()) == std::set<std::string>{"Editor"}; }, 10))
      << "checked: " << checked.size();
  std::string heard;
  EXPECT_TRUE(hearsAll(*listener, {"push button\tEditor\t1", "push button\tViewer\t0"}, 10, heard)) << heard;
}

}  // namespace
}  // namespace pelko::testing
