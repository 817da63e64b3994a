#include "taskbar/TaskbarContextMenu.h"

#include <QAction>
#include <QMenu>

#include "TaskbarTestWorld.h"

namespace pelko::test {
namespace {

class TaskbarContextMenuTest : public TaskbarTest {
 protected:
  std::vector<std::string> calls;
  TaskbarShellActions shell() {
    return {[this] { calls.push_back("openSettings"); }, [this] { calls.push_back("restoreDockAndQuit"); },
            [this] { calls.push_back("terminate"); }};
  }
  // A title as the menu draws it ("&&" shows one ampersand).
  static std::string title(const QAction* action) { return action->text().replace("&&", "&").toStdString(); }
  // The visible entries: "title" (" ^key", " [x]" when checked), "-" for separators, submenus inline.
  static std::vector<std::string> shown(QMenu* menu) {
    std::vector<std::string> result;
    for (QAction* action : menu->actions()) {
      if (!action->isVisible()) continue;
      if (action->isSeparator()) {
        result.push_back("-");
        continue;
      }
      std::string text = title(action);
      if (!action->shortcut().isEmpty()) text += " ^" + action->shortcut().toString().toStdString();
      if (action->isChecked()) text += " [x]";
      if (QMenu* submenu = action->menu()) {
        text += ":";
        for (QAction* item : submenu->actions())
          text += " " + title(item) + (item->isChecked() ? " [x]" : "");
      }
      result.push_back(text);
    }
    return result;
  }
  QAction* find(QMenu* menu, const std::string& name) {
    for (QAction* action : menu->actions()) {
      if (TaskbarContextMenuTest::title(action) == name) return action;
      if (action->menu())
        if (QAction* inner = find(action->menu(), name)) return inner;
    }
    return nullptr;
  }
  std::vector<std::string> open(TaskbarContextMenu& menu) {
    menu.menuNeedsUpdate();
    return shown(menu.menu());
  }
};

TEST_F(TaskbarContextMenuTest, ChecksTheCurrentStyleAndPositionAndShowsResetOnlyWithACustomOrder) {
  TaskbarContextMenu menu(scheduler, settings, tracker, shell());
  settings->style = TaskbarStyle::iconsOnly;
  settings->position = TaskbarPosition::top;
  EXPECT_EQ(open(menu), (std::vector<std::string>{
                            "Style: Icons Only [x] Icons + Text Right", "Position: Bottom Top [x] Left Right",
                            "-", "Pelko Settings... ^Ctrl+,", "-", "Restore Dock & Quit ^Ctrl+Q"}));
  settings->customAppOrder = StringList{"com.example.Editor"};
  settings->style = TaskbarStyle::iconsTextRight;  // changed elsewhere: followed at the next opening
  EXPECT_EQ(open(menu),
            (std::vector<std::string>{"Style: Icons Only Icons + Text Right [x]",
                                      "Position: Bottom Top [x] Left Right", "-", "Reset Custom Order", "-",
                                      "Pelko Settings... ^Ctrl+,", "-", "Restore Dock & Quit ^Ctrl+Q"}));
  // Without a settings window to open, its entry and separator are left out.
  TaskbarContextMenu bare(scheduler, settings, tracker, TaskbarShellActions{});
  EXPECT_EQ(open(bare).back(), "Restore Dock & Quit ^Ctrl+Q");
  EXPECT_EQ(open(bare)[open(bare).size() - 2], "-");
  EXPECT_EQ(open(bare).size(), 6u);
}

TEST_F(TaskbarContextMenuTest, TheEntriesChangeTheSettingsResetTheOrderOpenSettingsAfterTheMenuAndQuit) {
  TaskbarContextMenu menu(scheduler, settings, tracker, shell());
  find(menu.menu(), "Left")->trigger();
  EXPECT_EQ(settings->position.get(), TaskbarPosition::left);
  find(menu.menu(), "Icons Only")->trigger();
  EXPECT_EQ(settings->style.get(), TaskbarStyle::iconsOnly);

  settings->customAppOrder = StringList{"com.example.Editor", "com.example.Mail"};
  find(menu.menu(), "Reset Custom Order")->trigger();
  EXPECT_TRUE(settings->customAppOrder.get().empty());
  EXPECT_EQ(open(menu)[2], "-");
  EXPECT_EQ(open(menu)[3], "Pelko Settings... ^Ctrl+,");

  find(menu.menu(), "Pelko Settings...")->trigger();
  EXPECT_TRUE(calls.empty()) << "the menu closes first";
  scheduler.runUntilIdle();
  find(menu.menu(), "Restore Dock & Quit")->trigger();
  EXPECT_EQ(calls, (std::vector<std::string>{"openSettings", "restoreDockAndQuit"}));

  calls.clear();
  TaskbarShellActions plain = shell();
  plain.restoreDockAndQuit = nullptr;
  TaskbarContextMenu fallback(scheduler, settings, tracker, plain);
  find(fallback.menu(), "Restore Dock & Quit")->trigger();
  EXPECT_EQ(calls, std::vector<std::string>{"terminate"});
}

TEST_F(TaskbarContextMenuTest, EveryBuildOfTheBarMakesAFreshMenuWithTheShellActions) {
  auto bar = makeController(true);
  bar->shellActions = shell();
  auto panel = makePanel(*bar);
  QPointer<QMenu> first = bar->contextMenu()->menu();
  bar->updateLayout(TaskbarPosition::bottom);
  EXPECT_NE(bar->contextMenu()->menu(), first.data());
  find(bar->contextMenu()->menu(), "Restore Dock & Quit")->trigger();
  EXPECT_EQ(calls, std::vector<std::string>{"restoreDockAndQuit"});
  panel.reset();
}

}  // namespace
}  // namespace pelko::test
