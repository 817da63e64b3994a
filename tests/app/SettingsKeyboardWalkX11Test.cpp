// Every page of the running program's settings window walked with Tab and nothing else: real key presses
// into the window under Xvfb, no pointer. A screen reader's view of the focus, from the accessibility
// bus's focus events, says where each press lands: on a named control that shows whole in the window
// (a control below the page's fold comes into view as it gets the focus), and a section's controls in the
// order its rows show. The page buttons of the sidebar are stops of the walk too, and a few stops of each
// page are saved as pictures to look at.

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>

#include "AccessibilityBus.h"

namespace pelko::testing {
namespace {

// One widget that gained the focus, as watch_focus.py reports it.
struct FocusStop {
  std::string role, name, description;
  int x = 0, y = 0, width = 0, height = 0;
  bool showing = false;
  bool whole = false;

  std::string describe() const {
    return role + " '" + name + "' at " + std::to_string(x) + "," + std::to_string(y) + " " +
           std::to_string(width) + "x" + std::to_string(height) + (showing ? "" : " not showing") +
           (whole ? "" : " not whole");
  }
};

const char* const kPages[] = {"Appearance", "Items", "Behavior", "Auto-Hide", "Presets"};
const char* const kSearchField = "Search settings or jump to a control (Ctrl+F)";
// Stops pictured besides each page's first: a pop-up, a check box, a stepper far down its page, and
// push buttons of each look.
const std::set<std::string> kPictured = {
    "Style",         "Border: Top",     "Corner Radius", "Accessibility: Open macOS Settings",
    "Restart Pelko", "Animation Style", "Apply Dock",    "Reset All Settings to Defaults",
    "Count Style"};

// The controls of the Behavior page's System & Startup section.
const std::set<std::string> kSystemAndStartup = {"Monitor Mode", "Hide in Fullscreen", "Auto-Resize Windows",
                                                 "Exclude from Screen Capture", "Launch at Login"};

class SettingsKeyboardWalkX11Test : public AccessibleDesktopTest {
 protected:
  void TearDown() override {
    focusWatch.reset();  // before the buses it listens on
    AccessibleDesktopTest::TearDown();
  }

  // Starts listening to the focus moves of the program.
  bool watchFocus() {
    const std::string script =
        (std::filesystem::path(PELKO_FIND_ACCESSIBLE).parent_path() / "watch_focus.py").string();
    std::map<std::string, std::string> variables = accessibility->environment();
    variables["DISPLAY"] = server->display();
    focusWatch = std::make_unique<Helper>("/usr/bin/python3",
                                          std::vector<std::string>{script, "--application", "Pelko"},
                                          variables, Helper::Output::read);
    return focusWatch->readLine(20) == std::optional<std::string>("ready");
  }

  // The next widget to gain the focus, once it does within `seconds`.
  std::optional<FocusStop> nextStop(double seconds = 5) {
    const std::optional<std::string> line = focusWatch->readLine(seconds);
    if (!line) return std::nullopt;
    std::vector<std::string> fields;
    std::stringstream columns(*line);
    for (std::string field; std::getline(columns, field, '\t');) fields.push_back(field);
    if (fields.size() < 8) return std::nullopt;
    fields.resize(9);
    FocusStop stop;
    stop.role = fields[0];
    stop.name = fields[1];
    stop.x = std::atoi(fields[2].c_str());
    stop.y = std::atoi(fields[3].c_str());
    stop.width = std::atoi(fields[4].c_str());
    stop.height = std::atoi(fields[5].c_str());
    stop.showing = fields[6] == "1";
    stop.whole = fields[7] == "1";
    stop.description = fields[8];
    focused = stop.name;
    return stop;
  }

  // Presses `keys` in the window that has the keyboard, as a person does.
  void press(const std::string& keys) { xdotool(server->display(), "key " + keys); }

  // Presses `keys` until the focus reaches the widget named `name`. The bus tells the program of a new
  // listener a moment after it starts listening, so the first move may go unheard; and keys that leave
  // the focus where it is already move nothing: then the widget's own state says it has the focus.
  bool pressUntilFocused(const std::string& keys, const std::string& name) {
    if (focused == name) return true;
    for (int attempt = 0; attempt < 5; ++attempt) {
      press(keys);
      for (std::optional<FocusStop> stop; (stop = nextStop(3));)
        if (stop->name == name) return true;
      for (const auto& widget : accessibility->findWithDetails("", name, 1)) {
        if (!widget.hasState("focused")) continue;
        focused = name;
        return true;
      }
    }
    return false;
  }

  static bool isPageButton(const FocusStop& stop) {
    if (stop.role != "push button") return false;
    for (const char* page : kPages)
      if (stop.name == page) return true;
    return false;
  }

  std::unique_ptr<Helper> focusWatch;
  // The name of the widget that gained the focus last.
  std::string focused;
};

TEST_F(SettingsKeyboardWalkX11Test, EveryPageByTabAloneStopsOnlyOnNamedControlsInView) {
  movePointer(1270, 10);  // out of the window's way: no hover look on any control
  // Settings under which every rebuildable section shows all of its rows.
  sandbox.setDefaults({{"PelkoGroupWindows", true},
                       {"PelkoShowWindowCount", true},
                       {"PelkoWindowCountStyle", std::string("badge")},
                       {"PelkoShowActiveIndicator", true},
                       {"PelkoShowThumbnails", true},
                       {"PelkoShowSystemTray", true},
                       {"PelkoShowBattery", true},
                       {"PelkoShowTime", true},
                       {"PelkoShowBatteryIcon", true},
                       {"PelkoAutoHide", true}});
  startPelko();
  ASSERT_TRUE(pelko->waitUntilReady()) << pelko->output();
  PelkoProcess forward(sandbox, {"pelko://settings"}, programEnvironment());
  ASSERT_TRUE(forward.wait());
  const std::string window = waitForWindowNamed("Pelko Settings", 20);
  ASSERT_FALSE(window.empty()) << pelko->output();
  xdotool(server->display(), "windowactivate --sync " + window);
  ASSERT_TRUE(waitUntil([&] { return activeWindow() == window; }, 5));
  ASSERT_TRUE(watchFocus()) << "the focus watch did not start";

  std::set<std::string> named;
  int stops = 0;
  for (int page = 0; page < 5; ++page) {
    SCOPED_TRACE(kPages[page]);
    // Control and the page's number shows the page; Control-F puts the keyboard in the search field.
    if (page > 0) press("ctrl+" + std::to_string(page + 1));
    ASSERT_TRUE(pressUntilFocused("ctrl+f", kSearchField)) << "the search field did not take the keyboard";

    std::vector<FocusStop> walked;
    for (int i = 0; i < 150; ++i) {
      press("Tab");
      const std::optional<FocusStop> stop = nextStop();
      ASSERT_TRUE(stop) << "Tab moved the focus nowhere after " << walked.size() << " stops";
      if (isPageButton(*stop)) {
        // The page's controls are done; the first walk also goes round the sidebar to the search field.
        if (page == 0) {
          std::vector<std::string> sidebar{stop->name};
          while (sidebar.size() < 6) {
            press("Tab");
            const std::optional<FocusStop> next = nextStop();
            if (!next) break;
            EXPECT_TRUE(next->whole) << next->describe();
            sidebar.push_back(next->name);
            if (next->name == "Items") screenshot("settings-keyboard-sidebar-items.png");
          }
          EXPECT_EQ(sidebar, (std::vector<std::string>{"Appearance", "Items", "Behavior", "Auto-Hide",
                                                       "Presets", kSearchField}));
        }
        break;
      }
      ASSERT_NE(stop->name, kSearchField) << "the walk came round without reaching the sidebar";
      EXPECT_FALSE(stop->name.empty()) << stop->describe();
      EXPECT_NE(stop->role, "filler") << stop->describe();
      EXPECT_TRUE(stop->showing) << stop->describe();
      EXPECT_TRUE(stop->whole) << stop->describe();
      walked.push_back(*stop);
      named.insert(stop->role + ": " + stop->name);
      // The page's first stop and one of each kind of control, to look at.
      if (walked.size() == 1 || kPictured.count(stop->name))
        screenshot("settings-keyboard-" + std::string(kPages[page]) + "-" + std::to_string(walked.size()) +
                   ".png");
    }
    EXPECT_GT(walked.size(), 10u);
    if (page == 2) {
      // The System & Startup section in the order its rows show; its first row was made last.
      std::vector<std::string> section;
      for (const FocusStop& stop : walked)
        if (kSystemAndStartup.count(stop.name)) section.push_back(stop.name);
      EXPECT_EQ(section,
                (std::vector<std::string>{"Monitor Mode", "Hide in Fullscreen", "Auto-Resize Windows",
                                          "Exclude from Screen Capture", "Launch at Login"}));
    }
    stops += static_cast<int>(walked.size());
  }
  std::printf("%d stops walked\n", stops);
  // Names a screen reader could not tell apart before.
  for (const char* stop :
       {"combo box: Jump To", "combo box: Style", "check box: Border: Top", "push button: Apply Dock",
        "push button: Apply Sidebar", "push button: Accessibility: Open macOS Settings"})
    EXPECT_TRUE(named.count(stop)) << stop;
}

}  // namespace
}  // namespace pelko::testing
