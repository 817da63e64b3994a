// The first-run guide in the running program, by keyboard only and by a screen reader: each page starts
// with the focus on its first control, Tab and the arrow keys walk to "Finish" with the focus drawn at each
// stop (saved as pictures for a person to look at), a permission's buttons are named for its row, and the
// style cards are push buttons named by their titles, one of which, pressed over the accessibility bus,
// reads as selected.

#include <gtest/gtest.h>

#include "AccessibilityBus.h"

namespace pelko::testing {
namespace {

class OnboardingKeyboardX11Test : public AccessibleDesktopTest {
 protected:
  // Starts a first run (Accessibility granted, Screen Recording not) and waits for the guide to have the
  // keyboard; false when it does not.
  bool startGuide() {
    sandbox.setDefaults({{"PelkoOnboardingComplete", false}});
    movePointer(5, 5);
    startPelko({{"PELKO_SCENARIO",
                 writeScenario(R"({"applications": [], "permissions": {"screenRecording": false}})")}});
    if (!pelko->waitUntilReady()) return false;
    guide = waitForWindowNamed("Welcome to Pelko", 10);
    return !guide.empty() && waitUntil([&] { return activeWindow() == guide; }, 10);
  }
  void key(const std::string& keys) { xdotool(server->display(), "key --clearmodifiers " + keys); }
  // Waits for the showing widget of `role` and `name` to have the keyboard focus; the widget found last.
  std::optional<AccessibleWidget> waitForFocus(const std::string& role, const std::string& name) {
    std::optional<AccessibleWidget> found;
    waitUntil(
        [&] {
          found.reset();
          for (const auto& widget : accessibility->findWithDetails(role, name, 2))
            if (widget.showing) found = widget;
          return found && found->hasState("focused");
        },
        10);
    return found;
  }
  static double number(const platform::PlistValue& value) {
    if (const int64_t* integer = value.asInteger()) return static_cast<double>(*integer);
    if (const double* real = value.asReal()) return *real;
    return -1;
  }

  std::string guide;
};

TEST_F(OnboardingKeyboardX11Test, TheWholeGuideByKeyboardWithTheFocusDrawnAtEachStop) {
  if (findProgram("import").empty()) GTEST_SKIP() << "needs ImageMagick (scripts/install-deps.sh)";
  ASSERT_TRUE(startGuide()) << pelko->output();
  struct Stop {
    const char* keys;  // pressed to get there; none for the first
    const char* role;
    const char* name;
    const char* picture;
  };
  const Stop stops[] = {
      {"", "push button", "Get Started", "onboarding-keys-1-get-started.png"},
      // Screen Recording's row is the first with buttons: Accessibility is granted. Each button is named
      // for its row, as the settings window names its own.
      {"Return", "push button", "Screen Recording: Open macOS Settings", "onboarding-keys-2-permissions.png"},
      {"Tab", "push button", "Screen Recording: Skip Thumbnails", "onboarding-keys-3-skip.png"},
      {"Tab", "push button", "Continue", "onboarding-keys-4-continue.png"},
      {"Return", "push button", "Win Text", "onboarding-keys-5-first-card.png"},
      {"Right Down", "push button", "Dock", "onboarding-keys-6-arrows.png"},
      {"Tab Tab Tab", "push button", "Finish", "onboarding-keys-7-finish.png"},
  };
  for (const Stop& stop : stops) {
    SCOPED_TRACE(stop.name);
    if (*stop.keys) key(stop.keys);
    const auto focused = waitForFocus(stop.role, stop.name);
    ASSERT_TRUE(focused) << accessibility->describeAll();
    EXPECT_TRUE(focused->hasState("focused")) << focused->states;
    screenshot(stop.picture);
  }
  key("Return");
  EXPECT_TRUE(waitUntil([&] { return windowNamed("Welcome to Pelko").empty(); }, 10)) << "the guide stayed";
  EXPECT_TRUE(waitUntil(
      [&] { return sandbox.defaults()["PelkoOnboardingComplete"] == platform::PlistValue(true); }, 5));
  EXPECT_EQ(number(sandbox.defaults()["PelkoTaskbarSize"]), 100) << "Finish applies the classic taskbar";
}

TEST_F(OnboardingKeyboardX11Test, TheStyleCardsArePushButtonsAndOnePressedReadsAsSelected) {
  ASSERT_TRUE(startGuide()) << pelko->output();
  key("Return");
  ASSERT_TRUE(waitForFocus("push button", "Screen Recording: Open macOS Settings"));
  key("Return");
  ASSERT_TRUE(waitForFocus("push button", "Win Text")) << accessibility->describeAll();

  std::vector<std::string> cards;
  for (const auto& widget : accessibility->findWithDetails("push button", "", 2)) {
    if (!widget.showing || !widget.hasState("selectable")) continue;
    cards.push_back(widget.name);
    EXPECT_TRUE(widget.hasAction("Press")) << widget.name << ": " << widget.actions;
    EXPECT_FALSE(widget.hasState("selected")) << widget.name;
  }
  EXPECT_EQ(cards, (std::vector<std::string>{"Win Text", "Win Icons", "Win 11", "Dock", "Glass", "Minimal"}));

  const auto pressed = accessibility->doActionAndLook("push button", "Glass", "Press");
  ASSERT_EQ(pressed.size(), 1u);
  EXPECT_TRUE(pressed[0].hasState("selected")) << pressed[0].states;
  // Chosen, the guide applies the preset and closes half a second later.
  EXPECT_TRUE(waitUntil([&] { return windowNamed("Welcome to Pelko").empty(); }, 10));
  EXPECT_TRUE(waitUntil([&] { return number(sandbox.defaults()["PelkoTaskbarSize"]) == 114; }, 5));
}

}  // namespace
}  // namespace pelko::testing
