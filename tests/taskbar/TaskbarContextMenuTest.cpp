#include "taskbar/TaskbarContextMenu.h"

#include <QAction>
#include <QMenu>

#include "TaskbarTestWorld.h"

namespace pelko::test {
namespace {

using Texts = std::vector<std::string>;

class TaskbarContextMenuTest : public TaskbarTest {
 protected:
  Texts calls;
  TaskbarShellActions shell{[this] { calls.push_back("openSettings"); },
                            [this] { calls.push_back("restoreDockAndQuit"); },
                            [this] { calls.push_back("terminate"); }};
  // A title as the menu draws it ("&&" shows one ampersand).
  static std::string title(const QAction* action) { return action->text().replace("&&", "&").toStdString(); }
  // The entries shown on opening: "title ^key", " [x]" when checked, "-" for separators, submenus inline.
  static Texts open(TaskbarContextMenu& menu) {
    menu.menuNeedsUpdate();
    Texts result;
    for (QAction* action : menu.menu()->actions()) {
      if (!action->isVisible()) continue;
      std::string text = action->isSeparator() ? "-" : title(action);
      if (!action->shortcut().isEmpty()) text += " ^" + action->shortcut().toString().toStdString();
      if (QMenu* submenu = action->menu())
        for (QAction* item : submenu->actions())
          text += " " + title(item) + (item->isChecked() ? " [x]" : "");
      result.push_back(text);
    }
    return result;
  }
  static void choose(TaskbarContextMenu& menu, const std::string& name) {
    for (QAction* action : menu.menu()->actions()) {
      if (title(action) == name) action->trigger();
      if (action->menu())
        for (QAction* item : action->menu()->actions())
          if (title(item) == name) item->trigger();
    }
  }
};

TEST_F(TaskbarContextMenuTest, ChecksTheCurrentStyleAndPositionAndShowsResetOnlyWithACustomOrder) {
  TaskbarContextMenu menu(scheduler, settings, tracker, shell);
  settings->style = TaskbarStyle::iconsOnly;
  settings->position = TaskbarPosition::top;
  EXPECT_EQ(open(menu),
            (Texts{"Style Icons Only [x] Icons + Text Right", "Position Bottom Top [x] Left Right", "-",
                   "Pelko Settings... ^Ctrl+,", "-", "Restore Dock & Quit ^Ctrl+Q"}));
  settings->customAppOrder = StringList{"com.example.Editor"};
  settings->style = TaskbarStyle::iconsTextRight;  // changed elsewhere: followed at the next opening
  EXPECT_EQ(open(menu), (Texts{"Style Icons Only Icons + Text Right [x]",
                               "Position Bottom Top [x] Left Right", "-", "Reset Custom Order", "-",
                               "Pelko Settings... ^Ctrl+,", "-", "Restore Dock & Quit ^Ctrl+Q"}));
  // Without a settings window to open, its entry and separator are left out.
  TaskbarContextMenu bare(scheduler, settings, tracker, TaskbarShellActions{});
  const Texts shown = open(bare);
  EXPECT_EQ(Texts(shown.begin() + 2, shown.end()),
            (Texts{"-", "Reset Custom Order", "-", "Restore Dock & Quit ^Ctrl+Q"}));
}

TEST_F(TaskbarContextMenuTest, TheEntriesChangeTheSettingsResetTheOrderOpenSettingsAfterTheMenuAndQuit) {
  auto bar = makeController(true);
  bar->shellActions = shell;
  auto panel = makePanel(*bar);  // each build makes a fresh menu with the bar's shell actions
  TaskbarContextMenu& menu = *bar->contextMenu();
  choose(menu, "Left");
  choose(menu, "Icons Only");
  EXPECT_EQ(settings->position.get(), TaskbarPosition::left);
  EXPECT_EQ(settings->style.get(), TaskbarStyle::iconsOnly);
  settings->customAppOrder = StringList{"com.example.Editor", "com.example.Mail"};
  choose(menu, "Reset Custom Order");
  EXPECT_TRUE(settings->customAppOrder.get().empty());
  choose(menu, "Pelko Settings...");
  EXPECT_TRUE(calls.empty()) << "the menu closes first";
  scheduler.runUntilIdle();
  choose(menu, "Restore Dock & Quit");
  EXPECT_EQ(calls, (Texts{"openSettings", "restoreDockAndQuit"}));

  shell.restoreDockAndQuit = nullptr;
  TaskbarContextMenu fallback(scheduler, settings, tracker, shell);
  choose(fallback, "Restore Dock & Quit");
  EXPECT_EQ(calls.back(), "terminate");
}

}  // namespace
}  // namespace pelko::test
