// The menus as a screen reader meets them through Qt's accessibility interfaces: an open menu is a child
// of the application with its items (names, check marks, hidden entries left out), a closed one is not,
// and a press on an item closes the menus before its action runs, as a click does.

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPointer>
#include <functional>

#include "taskbar/ForceQuitPopover.h"
#include "taskbar/TaskbarContextMenu.h"
#include "taskbar/ThumbnailTestWorld.h"
#include "ui/QtStatusItem.h"

namespace pelko::test {
namespace {

using Texts = std::vector<std::string>;

QAccessibleInterface* application() {
  return QAccessible::queryAccessibleInterface(qApp);
}

// The application's child that stands for `object`; null when it lists none.
QAccessibleInterface* childFor(const QObject* object) {
  QAccessibleInterface* app = application();
  for (int i = 0; i < app->childCount(); ++i)
    if (QAccessibleInterface* child = app->child(i); child && child->object() == object) return child;
  return nullptr;
}

// A menu's entries as read: "name", " [x]" when checked, "-" for a separator, a closed submenu's entries
// after its own in braces; entries hidden from the open menu are left out.
std::string read(QAccessibleInterface* item);
Texts readItems(QAccessibleInterface* menu, bool closedSubmenu = false) {
  Texts rows;
  for (int i = 0; i < menu->childCount(); ++i) {
    QAccessibleInterface* item = menu->child(i);
    if (!item) continue;
    // A closed submenu's entries do not show, and each says so.
    EXPECT_EQ(item->state().invisible, closedSubmenu || !static_cast<QAction*>(item->object())->isVisible());
    if (!closedSubmenu && item->state().invisible) continue;
    rows.push_back(read(item));
  }
  return rows;
}
std::string read(QAccessibleInterface* item) {
  if (item->role() == QAccessible::Separator) return "-";
  EXPECT_EQ(item->role(), QAccessible::MenuItem);
  std::string row = item->text(QAccessible::Name).toStdString();
  if (item->state().checked) row += " [x]";
  if (item->state().disabled) row += " (disabled)";
  if (item->childCount() == 1) {
    row += " {";
    for (const std::string& entry : readItems(item->child(0), true)) row += " " + entry;
    row += " }";
  }
  return row;
}

// The entry named `name` of `menu` or of one of its submenus.
QAccessibleInterface* itemNamed(QAccessibleInterface* menu, const QString& name) {
  for (int i = 0; i < menu->childCount(); ++i) {
    QAccessibleInterface* item = menu->child(i);
    if (!item) continue;
    if (item->text(QAccessible::Name) == name) return item;
    if (item->childCount() == 1)
      if (QAccessibleInterface* inner = itemNamed(item->child(0), name)) return inner;
  }
  return nullptr;
}

void press(QAccessibleInterface* item) {
  ASSERT_NE(item, nullptr);
  ASSERT_NE(item->actionInterface(), nullptr);
  EXPECT_EQ(item->actionInterface()->actionNames(), QStringList{QAccessibleActionInterface::pressAction()});
  item->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
}

class AccessibleMenusTest : public ThumbnailTest {
 protected:
  void SetUp() override {
    pid = mac.launchApp({.bundleID = "com.example.Editor",
                         .name = "Editor",
                         .bundlePath = "/Applications/Editor.app",
                         .activate = false});
    open(pid, "Draft");
    mac.clearActions();
  }
  std::unique_ptr<AppItemView> item() {
    auto view = std::make_unique<AppItemView>(AppItemEnvironment{
        scheduler, mac.workspace(), appearance, accessibilityHelper, nullptr, &alerts, &services});
    view->settingsManager = settings;
    view->appTracker = tracker;
    view->windowManager = windowManager;
    view->configure(std::make_shared<TrackedApp>("com.example.Editor", "Editor", AppImage{}, pid, false,
                                                 false, false, std::nullopt, std::nullopt),
                    false);
    return view;
  }

  sim::SimAlerts alerts;
  int32_t pid = 0;
};

TEST_F(AccessibleMenusTest, AnOpenMenuIsAChildOfTheApplicationWithItsItemsAndAClosedOneIsNot) {
  TaskbarContextMenu barMenu(scheduler, settings, tracker, {[] {}, [] {}, [] {}});
  settings->position = TaskbarPosition::top;
  auto button = item();
  QMenu* itemMenu = button->makeContextMenu();
  auto statusMenu = QtStatusItem::makeMenu(
      {{"About Pelko", "", false, {}}, {"", "", true, {}}, {"Restore Dock & Quit", "q", false, [] {}}});
  struct Case {
    const char* what;
    QMenu* menu;
    Texts items;
  };
  const Case cases[] = {
      {"the bar's menu",
       barMenu.menu(),
       {"Style { Icons Only Icons + Text Right [x] }", "Position { Bottom Top [x] Left Right }", "-",
        "Pelko Settings...", "-", "Restore Dock & Quit"}},
      {"a button's menu",
       itemMenu,
       {"Show", "Minimize All Windows", "Hide", "New Window", "-", "Close Window", "Quit Editor",
        "Force Quit", "-", "Show in Finder", "-", "Hide from Taskbar"}},
      {"the status item's menu", statusMenu.get(), {"About Pelko", "-", "Restore Dock & Quit"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(childFor(c.menu), nullptr) << "listed before it opens";
    c.menu->popup(QPoint(200, 200));
    QAccessibleInterface* menu = childFor(c.menu);
    ASSERT_NE(menu, nullptr) << "an open menu is not in the tree";
    EXPECT_EQ(menu->role(), QAccessible::PopupMenu);
    // The tree reads the same both ways: the menu's parent is the application, at the menu's index.
    EXPECT_EQ(menu->parent(), application());
    const int index = application()->indexOfChild(menu);
    ASSERT_GE(index, 0);
    EXPECT_EQ(application()->child(index), menu);
    EXPECT_EQ(readItems(menu), c.items);
    c.menu->hide();
    EXPECT_EQ(childFor(c.menu), nullptr) << "listed after it closed";
    EXPECT_EQ(application()->child(application()->childCount()), nullptr);
  }
  delete itemMenu;
}

// A click closes the menu and then runs the entry; a press by a screen reader does the same, the entry
// once the bus's call has returned (it may open an alert that waits for the user).
TEST_F(AccessibleMenusTest, APressClosesTheMenusAndThenRunsTheEntryAsAClickDoes) {
  TaskbarContextMenu barMenu(scheduler, settings, tracker, {});
  settings->style = TaskbarStyle::iconsTextRight;
  barMenu.menu()->popup(QPoint(200, 200));
  ASSERT_NE(childFor(barMenu.menu()), nullptr) << "an open menu is not in the tree";
  press(itemNamed(childFor(barMenu.menu()), "Icons Only"));
  EXPECT_FALSE(barMenu.menu()->isVisible()) << "the menu stayed open";
  EXPECT_EQ(settings->style.get(), TaskbarStyle::iconsTextRight) << "ran inside the bus's call";
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(settings->style.get(), TaskbarStyle::iconsOnly);

  // A button's menu goes when it closes; its entry still runs.
  auto button = item();
  QPointer<QMenu> menu = button->makeContextMenu();
  menu->popup(QPoint(200, 200));
  ASSERT_NE(childFor(menu), nullptr);
  press(itemNamed(childFor(menu), "Hide"));
  EXPECT_TRUE(menu.isNull() || !menu->isVisible());
  QCoreApplication::sendPostedEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  scheduler.runUntilIdle();
  EXPECT_TRUE(menu.isNull()) << "the closed menu was kept";
  EXPECT_EQ(mac.actionTexts(), Texts{"hide pid=" + std::to_string(pid)});

  // The popover a menu entry opens is in the tree as well, with its buttons.
  menu = button->makeContextMenu();
  menu->popup(QPoint(200, 200));
  ASSERT_NE(childFor(menu), nullptr);
  press(itemNamed(childFor(menu), "Force Quit"));
  QCoreApplication::sendPostedEvents();
  ASSERT_NE(button->forceQuitPopover(), nullptr);
  QAccessibleInterface* popover = childFor(button->forceQuitPopover());
  ASSERT_NE(popover, nullptr) << "the force-quit popover is not in the tree";
  Texts buttons;
  for (int i = 0; i < popover->childCount(); ++i)
    if (QAccessibleInterface* child = popover->child(i); child && child->role() == QAccessible::Button)
      buttons.push_back(child->text(QAccessible::Name).toStdString());
  EXPECT_EQ(buttons, (Texts{"Cancel", "Force Quit"}));
  button->cancelForceQuitPopover();
}

TEST_F(AccessibleMenusTest, ASubmenuStaysUnderItsItemWhenItOpens) {
  TaskbarContextMenu barMenu(scheduler, settings, tracker, {});
  barMenu.menu()->popup(QPoint(200, 200));
  ASSERT_NE(childFor(barMenu.menu()), nullptr);
  QAccessibleInterface* styleItem = itemNamed(childFor(barMenu.menu()), "Style");
  ASSERT_NE(styleItem, nullptr);
  ASSERT_EQ(styleItem->actionInterface()->actionNames(),
            QStringList{QAccessibleActionInterface::showMenuAction()});
  styleItem->actionInterface()->doAction(QAccessibleActionInterface::showMenuAction());
  QCoreApplication::processEvents();
  QMenu* submenu = barMenu.menu()->actions().at(0)->menu();
  ASSERT_TRUE(submenu->isVisible());
  EXPECT_EQ(childFor(submenu), nullptr) << "a submenu is listed beside its menu";
  EXPECT_EQ(styleItem->child(0)->object(), submenu);
  barMenu.menu()->hide();
}

}  // namespace
}  // namespace pelko::test
