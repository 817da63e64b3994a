// The settings window's controls as a screen reader finds them over the accessibility bus of the
// running program: every switch of the four settings pages is a check box with its checked state and a
// toggle (the bus shows "checked" only while it is on), and toggling one stores its setting; every stepper is
// a spin button with its value; the colour wells are buttons named for their rows; the segments of a
// segmented control are selectable tabs; the search field has a name. Descriptions are plain text, and
// pop-ups, check boxes and buttons that share a title are named for their rows and cards.

#include <gtest/gtest.h>

#include <set>

#include "AccessibilityBus.h"

namespace pelko::testing {
namespace {

class SettingsAccessibilityX11Test : public AccessibleDesktopTest {
 protected:
  static const AccessibleWidget* named(const std::vector<AccessibleWidget>& widgets, const std::string& role,
                                       const std::string& name) {
    for (const auto& widget : widgets)
      if (widget.role == role && widget.name == name) return &widget;
    return nullptr;
  }
};

TEST_F(SettingsAccessibilityX11Test, EveryControlHasItsKindsRoleStateAndAction) {
  movePointer(640, 200);
  // Settings under which every rebuildable section shows all of its rows.
  sandbox.setDefaults({{"PelkoGroupWindows", true},
                       {"PelkoShowWindowCount", true},
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

  const auto search = accessibility->findOne("", "Search settings or jump to a control (Ctrl+F)", 20);
  ASSERT_TRUE(search) << accessibility->describeAll() << pelko->output();
  // A page joins the window's tree once it has been shown: each is opened from the sidebar once.
  for (const char* page : {"Items", "Behavior", "Auto-Hide", "Presets", "Appearance"}) {
    SCOPED_TRACE(page);
    ASSERT_EQ(accessibility->doAction("push button", page, "Press").size(), 1u)
        << accessibility->describeAll();
  }

  const std::vector<AccessibleWidget> all = accessibility->findWithDetails("", "", 10);
  ASSERT_FALSE(all.empty());
  std::string tree;
  for (const auto& w : all)
    tree += w.role + " '" + w.name + "' [" + w.states + "] [" + w.actions + "] " + w.value + "\n";

  const char* switches[] = {// Appearance
                            "Floating Bar", "Vibrancy Effect",
                            // Items
                            "Group Windows", "Group by App", "Show Window Count", "Equal Width Items",
                            "Show Trash Icon", "Show Window Title", "Indicate Minimized Windows",
                            "Indicate Hidden Apps", "Show Active Indicator", "Show Thumbnails",
                            // Behavior
                            "Show System Tray", "Show Battery", "Show Time", "Show Battery Icon",
                            "Show Battery Percentage", "Color-Coded Battery", "Hide in Fullscreen",
                            "Auto-Resize Windows", "Exclude from Screen Capture", "Launch at Login",
                            // Auto-Hide
                            "Auto-Hide Taskbar", "Auto-Hide Keyboard Shortcut", "Dodge Windows Mode",
                            "Show on App Switch", "Pin Taskbar", "Easy Drag Reveal", "Smart Delay",
                            "Peek Strip", "Fullscreen Only", "Show on New Window", "Resize Windows"};
  for (const char* name : switches) {
    SCOPED_TRACE(name);
    const AccessibleWidget* toggle = named(all, "check box", name);
    ASSERT_NE(toggle, nullptr) << tree;
    EXPECT_TRUE(toggle->hasAction("Toggle")) << toggle->actions;
  }
  EXPECT_TRUE(named(all, "check box", "Auto-Hide Taskbar")->hasState("checked"));
  EXPECT_FALSE(named(all, "check box", "Floating Bar")->hasState("checked"));

  // Every stepper is a spin button with its value within its range.
  int steppers = 0;
  for (const auto& widget : all) {
    if (widget.role != "spin button") continue;
    ++steppers;
    SCOPED_TRACE(widget.name);
    EXPECT_FALSE(widget.name.empty());
    double current = -1, minimum = 0, maximum = 0, step = 0;
    ASSERT_EQ(std::sscanf(widget.value.c_str(), "%lf/%lf/%lf/%lf", &current, &minimum, &maximum, &step), 4)
        << widget.value;
    EXPECT_GE(current, minimum);
    EXPECT_LE(current, maximum);
    EXPECT_GT(step, 0);
  }
  EXPECT_EQ(steppers, 19) << tree;
  const AccessibleWidget* margin = named(all, "spin button", "Horizontal Margin");
  ASSERT_NE(margin, nullptr) << tree;
  EXPECT_EQ(margin->value.substr(margin->value.find('/')), "/0/100/2");

  for (const char* well :
       {"Background Color", "Border Color", "Badge Color", "Badge Text", "Indicator Color"}) {
    SCOPED_TRACE(well);
    const AccessibleWidget* button = named(all, "push button", well);
    ASSERT_NE(button, nullptr) << tree;
    EXPECT_TRUE(button->hasAction("Press")) << button->actions;
  }

  // The position's segments (the other segmented controls with a "Right" are on pages not shown):
  // selectable tabs, the bar's edge selected.
  for (const char* segment : {"Bottom", "Top", "Right"}) {
    SCOPED_TRACE(segment);
    const AccessibleWidget* tab = nullptr;
    for (const auto& widget : all)
      if (widget.role == "page tab" && widget.name == segment && widget.showing) tab = &widget;
    ASSERT_NE(tab, nullptr) << tree;
    EXPECT_TRUE(tab->hasState("selectable")) << tab->states;
    EXPECT_EQ(tab->hasState("selected"), std::string(segment) == "Bottom") << tab->states;
    EXPECT_TRUE(tab->hasAction("Press")) << tab->actions;
  }
  EXPECT_TRUE(named(all, "page tab list", "Position"));

  // Descriptions are plain words, never a tooltip's markup; controls whose own text is a choice or is
  // shared are named for their rows and cards.
  int described = 0;
  for (const auto& widget : all) {
    described += !widget.description.empty();
    const std::string& text = widget.description;
    const bool tag = text.find('<') != std::string::npos;
    const bool entity = text.find("&lt;") != std::string::npos || text.find("&gt;") != std::string::npos ||
                        text.find("&amp;") != std::string::npos || text.find("&quot;") != std::string::npos ||
                        text.find("&#") != std::string::npos;
    EXPECT_FALSE(tag || entity) << widget.role << " '" << widget.name << "': " << text;
  }
  EXPECT_GT(described, 100);

  struct Expected {
    const char* role;
    const char* name;
    const char* description;  // nullptr: not looked at
  };
  const Expected expected[] = {
      {"combo box", "Style", "Display style for taskbar items"},
      {"combo box", "Jump To", nullptr},
      {"combo box", "Monitor Mode", "How the taskbar appears on multiple displays"},
      {"check box", "Border: Top", nullptr},
      {"check box", "Border: Right", nullptr},
      {"check box", "Vibrancy Effect", "Vibrancy: Use macOS blur/vibrancy effect for the background"},
      {"page tab list", "Position", "Which screen edge the taskbar attaches to"},
      {"push button", "Apply Dock", nullptr},
      {"push button", "Apply Top Bar", nullptr},
      {"push button", "Accessibility: Open macOS Settings",
       "Open the macOS privacy settings for this permission"},
      {"push button", "Screen Recording: Open macOS Settings", nullptr},
  };
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.name);
    const AccessibleWidget* widget = named(all, e.role, e.name);
    EXPECT_NE(widget, nullptr) << tree;
    if (widget && e.description) {
      EXPECT_EQ(widget->description, e.description);
    }
  }
  for (const char* choice : {"Icons + Text Right", "Icons Only", "Select Section"})
    EXPECT_EQ(named(all, "combo box", choice), nullptr) << "a pop-up named by its choice: " << choice;
  for (const char* edge : {"Top", "Bottom", "Left", "Right"})
    EXPECT_EQ(named(all, "check box", edge), nullptr) << edge;
  EXPECT_EQ(named(all, "push button", "Apply"), nullptr);
  EXPECT_EQ(named(all, "push button", "Open macOS Settings"), nullptr);

  // Toggling a switch as a screen reader does stores its setting.
  ASSERT_EQ(accessibility->doAction("check box", "Floating Bar", "Toggle").size(), 1u);
  EXPECT_TRUE(waitUntil(
      [&] {
        const auto values = sandbox.defaults();
        auto found = values.find("PelkoFloatingBar");
        return found != values.end() && found->second.asBool() && *found->second.asBool();
      },
      10))
      << pelko->output();
  const auto toggled = accessibility->findWithDetails("check box", "Floating Bar");
  ASSERT_EQ(toggled.size(), 1u);
  EXPECT_TRUE(toggled[0].hasState("checked")) << toggled[0].states;
}

}  // namespace
}  // namespace pelko::testing
