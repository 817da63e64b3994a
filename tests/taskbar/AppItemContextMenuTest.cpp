#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>

#include "TaskbarTestWorld.h"
#include "platform/sim/SimAlerts.h"

namespace pelko::test {
namespace {

class AppItemContextMenuTest : public AppItemTest {
 protected:
  void SetUp() override {
    pid = mac.launchApp({.bundleID = "com.example.Editor",
                         .name = "Editor",
                         .bundlePath = "/Applications/Editor.app",
                         .activate = false});
    window = open(pid, "Draft");
    mac.clearActions();
  }
  std::unique_ptr<AppItemView> makeMenuItem(TrackedAppPtr entry) {
    auto item = std::make_unique<AppItemView>(
        AppItemEnvironment{scheduler, mac.workspace(), appearance, accessibilityHelper, nullptr, &alerts});
    item->settingsManager = settings;
    item->appTracker = tracker;
    item->windowManager = windowManager;
    item->onSettingsRequested = [this] { ++settingsRequests; };
    item->configure(std::move(entry), false);
    item->configureIconsOnly(34, false);
    return item;
  }
  static TrackedAppPtr entry(int32_t pid, std::optional<int64_t> window, bool active, bool hidden,
                             bool minimized) {
    return std::make_shared<TrackedApp>("com.example.Editor", "Editor", AppImage{}, pid, active, hidden,
                                        minimized,
                                        window ? std::optional<std::string>("Draft") : std::nullopt, window);
  }
  // The entries as "title" (with " ^key" for a shortcut), "-" for a separator.
  static std::vector<std::string> entries(QMenu* menu) {
    std::vector<std::string> result;
    for (QAction* action : menu->actions()) {
      if (action->isSeparator()) {
        result.push_back("-");
        continue;
      }
      std::string text = action->text().toStdString();
      if (!action->shortcut().isEmpty()) text += " ^" + action->shortcut().toString().toStdString();
      result.push_back(text);
    }
    return result;
  }
  std::vector<std::string> choose(AppItemView& item, const std::string& title) {
    std::unique_ptr<QMenu> menu(item.makeContextMenu());
    for (QAction* action : menu->actions())
      if (action->text().toStdString() == title) action->trigger();
    scheduler.runUntilIdle();
    auto log = mac.actionTexts();
    mac.clearActions();
    return log;
  }

  sim::SimAlerts alerts;
  int settingsRequests = 0;
  int32_t pid = 0;
  platform::WindowID window = 0;
};

TEST_F(AppItemContextMenuTest, TheMenuOfEveryKindOfEntry) {
  auto inactive = makeMenuItem(entry(pid, std::nullopt, false, false, false));
  std::unique_ptr<QMenu> menu(inactive->makeContextMenu());
  EXPECT_EQ(entries(menu.get()),
            (std::vector<std::string>{"Show", "Minimize All Windows", "Hide ^Ctrl+H", "New Window ^Ctrl+N",
                                      "-", "Close Window ^Ctrl+W", "Quit Editor ^Ctrl+Q", "Force Quit", "-",
                                      "Show in Finder", "-", "Hide from Taskbar", "-",
                                      "Pelko Settings... ^Ctrl+,"}));
  EXPECT_EQ(menu->actions()[11]->toolTip().toStdString(),
            "<p>Blacklist Editor so it never appears in the taskbar</p>");

  const std::tuple<TrackedAppPtr, std::string, std::string> heads[] = {
      {entry(pid, std::nullopt, true, false, false), "Minimize All Windows", "Hide ^Ctrl+H"},
      {entry(pid, std::nullopt, true, false, true), "Unminimize All Windows", "Hide ^Ctrl+H"},
      {entry(pid, window, true, false, true), "Unminimize", "Hide ^Ctrl+H"},
      {entry(pid, window, true, false, false), "Minimize", "Hide ^Ctrl+H"},
      {entry(pid, window, true, true, false), "Minimize", "Unhide ^Ctrl+H"},
  };
  for (const auto& [app, first, second] : heads) {
    auto item = makeMenuItem(app);
    std::unique_ptr<QMenu> shown(item->makeContextMenu());
    const auto list = entries(shown.get());
    EXPECT_EQ(list[0], first);
    EXPECT_EQ(list[1], second);
  }

  // Without the settings object no "Hide from Taskbar"; without a settings request no "Pelko Settings...".
  auto reduced = makeMenuItem(entry(pid, std::nullopt, true, false, false));
  reduced->settingsManager.reset();
  reduced->onSettingsRequested = nullptr;
  std::unique_ptr<QMenu> short_(reduced->makeContextMenu());
  EXPECT_EQ(entries(short_.get()).back(), "Show in Finder");
  reduced->windowManager.reset();
  EXPECT_EQ(reduced->makeContextMenu(), nullptr);
}

TEST_F(AppItemContextMenuTest, EachEntryActsOnTheApplication) {
  auto app = makeMenuItem(entry(pid, std::nullopt, false, false, false));
  const std::string p = std::to_string(pid), w = std::to_string(window);
  EXPECT_EQ(choose(*app, "Show"), std::vector<std::string>{"activate pid=" + p + " options=0"});
  EXPECT_EQ(choose(*app, "Hide"), std::vector<std::string>{"hide pid=" + p});
  EXPECT_EQ(choose(*app, "New Window")[0], "openApplication /Applications/Editor.app");
  EXPECT_EQ(choose(*app, "Show in Finder"), std::vector<std::string>{"reveal /Applications/Editor.app"});
  EXPECT_EQ(choose(*app, "Close Window"), std::vector<std::string>{"AXPress AXCloseButton window=" + w});
  choose(*app, "Pelko Settings...");
  EXPECT_EQ(settingsRequests, 1);
  auto hidden = makeMenuItem(entry(pid, std::nullopt, false, true, false));
  EXPECT_EQ(choose(*hidden, "Unhide"), std::vector<std::string>{"unhide pid=" + p});
  EXPECT_EQ(choose(*app, "Quit Editor"), std::vector<std::string>{"terminate pid=" + p});
  EXPECT_FALSE(mac.isRunning(pid));
}

TEST_F(AppItemContextMenuTest, HidingFromTheTaskbarAsksFirstAndSurvivesTheButtonGoingMeanwhile) {
  auto item = makeMenuItem(entry(pid, std::nullopt, false, false, false));
  alerts.scriptedAnswers = {1};
  item->menuBlacklist();
  ASSERT_EQ(alerts.shown.size(), 1u);
  EXPECT_EQ(alerts.shown[0].messageText, "Hide Editor from Taskbar?");
  EXPECT_EQ(alerts.shown[0].informativeText,
            "This app will no longer appear in the taskbar. You can restore it from Pelko Settings > Items > "
            "Blacklisted Apps.");
  EXPECT_EQ(alerts.shown[0].buttons, (std::vector<std::string>{"Hide", "Cancel"}));
  EXPECT_EQ(alerts.shown[0].style, platform::AlertContent::Style::warning);
  EXPECT_TRUE(settings->blacklistedBundleIDs.get().empty());

  // The bar is rebuilt while the alert waits: the answer still counts, and the button is not touched.
  alerts.onShow = [&](const platform::AlertContent&) { item.reset(); };
  AppItemView* raw = item.get();
  raw->menuBlacklist();
  EXPECT_EQ(item, nullptr);
  EXPECT_EQ(settings->blacklistedBundleIDs.get(), StringList{"com.example.Editor"});
}

class ForceQuitPopoverTest : public AppItemContextMenuTest {
 protected:
  void press(AppItemView& item, Qt::Key key) {
    ASSERT_NE(item.forceQuitPopover(), nullptr);
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(item.forceQuitPopover(), &event);
    scheduler.runUntilIdle();
  }
  std::vector<std::string> forceQuits() {
    std::vector<std::string> found;
    for (const auto& text : mac.actionTexts())
      if (text.rfind("forceTerminate", 0) == 0) found.push_back(text);
    return found;
  }
};

TEST_F(ForceQuitPopoverTest, ThePopoverSitsOnTheItemsSideAwayFromTheBarsScreenEdge) {
  const QRect item(500, 1000, 40, 34);
  const QSize size(280, 110);
  const std::tuple<std::optional<TaskbarPosition>, QPoint> cases[] = {
      {TaskbarPosition::bottom, {380, 884}}, {std::nullopt, {380, 884}},
      {TaskbarPosition::top, {380, 1040}},   {TaskbarPosition::left, {546, 962}},
      {TaskbarPosition::right, {214, 962}},
  };
  for (const auto& [position, expected] : cases)
    EXPECT_EQ(ForceQuitPopover::placement(item, size, position), expected)
        << (position ? static_cast<int>(*position) : -1);

  settings->position = TaskbarPosition::right;
  auto button = makeMenuItem(entry(pid, std::nullopt, false, false, false));
  button->menuForceQuit();
  ForceQuitPopover* popover = button->forceQuitPopover();
  ASSERT_NE(popover, nullptr);
  EXPECT_EQ(popover->titleText().toStdString(), "Force Quit \"Editor\"?");
  EXPECT_EQ(popover->messageText().toStdString(), "You will lose any unsaved changes in this application.");
  EXPECT_EQ(popover->width(), 280);
  EXPECT_EQ(popover->geometry().right() + 1 + 6, button->mapToGlobal(QPoint(0, 0)).x());
}

TEST_F(ForceQuitPopoverTest, EscapeCancelsAndReturnForceQuitsTheApplicationConfirmed) {
  auto item = makeMenuItem(entry(pid, std::nullopt, false, false, false));
  item->menuForceQuit();
  press(*item, Qt::Key_Escape);
  EXPECT_EQ(item->forceQuitPopover(), nullptr);
  EXPECT_TRUE(mac.isRunning(pid));
  item->menuForceQuit();
  press(*item, Qt::Key_Return);
  EXPECT_EQ(forceQuits(), std::vector<std::string>{"forceTerminate pid=" + std::to_string(pid)});
  EXPECT_FALSE(mac.isRunning(pid));
}

TEST_F(ForceQuitPopoverTest, AnApplicationThatEndsWhileThePopoverIsOpenIsNotReplacedByItsSuccessor) {
  auto item = makeMenuItem(entry(pid, std::nullopt, false, false, false));
  item->menuForceQuit();
  mac.quitApp(pid);
  scheduler.runUntilIdle();
  press(*item, Qt::Key_Return);
  EXPECT_TRUE(forceQuits().empty());

  // Its process identifier goes to another application before the user confirms.
  const int32_t reused = mac.launchApp({.bundleID = "com.example.Mail", .name = "Mail"});
  auto second = makeMenuItem(entry(reused, std::nullopt, false, false, false));
  second->menuForceQuit();
  mac.quitApp(reused);
  mac.launchApp({.bundleID = "com.example.Bank", .name = "Bank", .pid = reused});
  scheduler.runUntilIdle();
  press(*second, Qt::Key_Return);
  EXPECT_TRUE(forceQuits().empty());
  EXPECT_TRUE(mac.isRunning(reused));
}

}  // namespace
}  // namespace pelko::test
