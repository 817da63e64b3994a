#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMenu>

#include "platform/sim/SimAlerts.h"
#include "taskbar/ForceQuitPopover.h"
#include "taskbar/ThumbnailTestWorld.h"

namespace pelko::test {
namespace {

using Texts = std::vector<std::string>;

class AppItemContextMenuTest : public ThumbnailTest {
 protected:
  void SetUp() override {
    pid = mac.launchApp({.bundleID = "com.example.Editor",
                         .name = "Editor",
                         .bundlePath = "/Applications/Editor.app",
                         .activate = false});
    window = open(pid, "Draft");
    mac.clearActions();
  }
  std::unique_ptr<AppItemView> item(bool active = false, bool hidden = false, bool minimized = false,
                                    std::optional<int64_t> windowNumber = std::nullopt, int32_t of = 0) {
    auto view = std::make_unique<AppItemView>(AppItemEnvironment{
        scheduler, mac.workspace(), appearance, accessibilityHelper, nullptr, &alerts, &services});
    view->settingsManager = settings;
    view->appTracker = tracker;
    view->windowManager = windowManager;
    view->onSettingsRequested = [this] { ++settingsRequests; };
    view->configure(std::make_shared<TrackedApp>("com.example.Editor", "Editor", AppImage{}, of ? of : pid,
                                                 active, hidden, minimized, std::nullopt, windowNumber),
                    false);
    return view;
  }
  // The entries as "title ^key", "-" for a separator.
  static Texts entries(AppItemView& view) {
    std::unique_ptr<QMenu> menu(view.makeContextMenu());
    Texts result;
    for (QAction* action : menu->actions())
      result.push_back(action->isSeparator() ? "-"
                                             : (action->text() + (action->shortcut().isEmpty() ? "" : " ^") +
                                                action->shortcut().toString())
                                                   .toStdString());
    return result;
  }
  Texts choose(AppItemView& view, const std::string& title) {
    std::unique_ptr<QMenu> menu(view.makeContextMenu());
    for (QAction* action : menu->actions())
      if (action->text().toStdString() == title) action->trigger();
    scheduler.runUntilIdle();
    Texts log = mac.actionTexts();
    mac.clearActions();
    return log;
  }
  void press(AppItemView& view, Qt::Key key) {
    ASSERT_NE(view.forceQuitPopover(), nullptr);
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(view.forceQuitPopover(), &event);
    scheduler.runUntilIdle();
  }
  Texts forceQuits() {
    Texts found;
    for (const auto& text : mac.actionTexts())
      if (text.rfind("forceTerminate", 0) == 0) found.push_back(text);
    return found;
  }

  sim::SimAlerts alerts;
  int settingsRequests = 0;
  int32_t pid = 0;
  platform::WindowID window = 0;
};

TEST_F(AppItemContextMenuTest, TheMenuOfEveryKindOfEntry) {
  EXPECT_EQ(entries(*item()),
            (Texts{"Show", "Minimize All Windows", "Hide ^Ctrl+H", "New Window ^Ctrl+N", "-",
                   "Close Window ^Ctrl+W", "Quit Editor ^Ctrl+Q", "Force Quit", "-", "Show in Finder", "-",
                   "Hide from Taskbar", "-", "Pelko Settings... ^Ctrl+,"}));
  auto head = [&](std::unique_ptr<AppItemView> view) {
    const Texts all = entries(*view);
    return Texts(all.begin(), all.begin() + 2);
  };
  EXPECT_EQ(head(item(true)), (Texts{"Minimize All Windows", "Hide ^Ctrl+H"}));
  EXPECT_EQ(head(item(true, false, true)), (Texts{"Unminimize All Windows", "Hide ^Ctrl+H"}));
  EXPECT_EQ(head(item(true, false, true, window)), (Texts{"Unminimize", "Hide ^Ctrl+H"}));
  EXPECT_EQ(head(item(true, true, false, window)), (Texts{"Minimize", "Unhide ^Ctrl+H"}));

  // Without the settings object no "Hide from Taskbar"; without a settings request no "Pelko Settings...".
  auto reduced = item(true);
  reduced->settingsManager.reset();
  reduced->onSettingsRequested = nullptr;
  EXPECT_EQ(entries(*reduced).back(), "Show in Finder");
  EXPECT_EQ(entries(*reduced).size(), 9u);
  reduced->windowManager.reset();
  EXPECT_EQ(reduced->makeContextMenu(), nullptr);
}

TEST_F(AppItemContextMenuTest, EachEntryActsOnTheApplication) {
  auto app = item();
  const std::string p = std::to_string(pid);
  EXPECT_EQ(choose(*app, "Show"), Texts{"activate pid=" + p + " options=0"});
  EXPECT_EQ(choose(*app, "Hide"), Texts{"hide pid=" + p});
  EXPECT_EQ(choose(*item(false, true), "Unhide"), Texts{"unhide pid=" + p});
  EXPECT_EQ(choose(*app, "New Window")[0], "openApplication /Applications/Editor.app");
  EXPECT_EQ(choose(*app, "Show in Finder"), Texts{"reveal /Applications/Editor.app"});
  EXPECT_EQ(choose(*app, "Close Window"), Texts{"AXPress AXCloseButton window=" + std::to_string(window)});
  choose(*app, "Pelko Settings...");
  EXPECT_EQ(settingsRequests, 1);
  EXPECT_EQ(choose(*app, "Quit Editor"), Texts{"terminate pid=" + p});
}

TEST_F(AppItemContextMenuTest, HidingFromTheTaskbarAsksFirstAndSurvivesTheButtonGoingMeanwhile) {
  auto view = item();
  alerts.scriptedAnswers = {1};
  view->menuBlacklist();
  ASSERT_EQ(alerts.shown.size(), 1u);
  EXPECT_EQ(alerts.shown[0].messageText, "Hide Editor from Taskbar?");
  EXPECT_EQ(alerts.shown[0].informativeText,
            "This app will no longer appear in the taskbar. You can restore it from Pelko Settings > Items > "
            "Blacklisted Apps.");
  EXPECT_EQ(alerts.shown[0].buttons, (Texts{"Hide", "Cancel"}));
  EXPECT_TRUE(settings->blacklistedBundleIDs.get().empty());
  // The bar is rebuilt while the alert waits: the answer still counts, and the button is not touched.
  alerts.onShow = [&](const platform::AlertContent&) { view.reset(); };
  view.get()->menuBlacklist();
  EXPECT_EQ(settings->blacklistedBundleIDs.get(), StringList{"com.example.Editor"});
}

TEST_F(AppItemContextMenuTest, TheForceQuitPopoverSitsAwayFromTheBarsEdgeAndAnswersEscapeAndReturn) {
  const QRect anchor(500, 1000, 40, 34);
  const std::tuple<std::optional<TaskbarPosition>, QPoint> cases[] = {{TaskbarPosition::bottom, {380, 884}},
                                                                      {std::nullopt, {380, 884}},
                                                                      {TaskbarPosition::top, {380, 1040}},
                                                                      {TaskbarPosition::left, {546, 962}},
                                                                      {TaskbarPosition::right, {214, 962}}};
  for (const auto& [position, expected] : cases)
    EXPECT_EQ(ForceQuitPopover::placement(anchor, QSize(280, 110), position), expected);

  settings->position = TaskbarPosition::right;
  auto view = item();
  view->setGeometry(1000, 500, 40, 34);
  view->menuForceQuit();
  ForceQuitPopover* popover = view->forceQuitPopover();
  EXPECT_EQ(popover->titleText().toStdString(), "Force Quit \"Editor\"?");
  EXPECT_EQ(popover->messageText().toStdString(), "You will lose any unsaved changes in this application.");
  EXPECT_EQ(popover->width(), 280);
  EXPECT_EQ(popover->geometry().right() + 1 + 6, view->mapToGlobal(QPoint(0, 0)).x());
  press(*view, Qt::Key_Escape);
  EXPECT_EQ(view->forceQuitPopover(), nullptr);
  EXPECT_TRUE(mac.isRunning(pid));
  view->menuForceQuit();
  press(*view, Qt::Key_Return);
  EXPECT_EQ(forceQuits(), Texts{"forceTerminate pid=" + std::to_string(pid)});
  EXPECT_FALSE(mac.isRunning(pid));
}

// A name of 10,000 characters, or one whose U+202E would make "txt.exe" read "exe.txt", stays inside the
// menu row and the popover's two-line title and cannot reorder the text around it.
TEST_F(AppItemContextMenuTest, HostileNamesStayInsideTheMenuAndThePopover) {
  const std::tuple<std::string, std::string, int> cases[] = {
      {std::string(10'000, 'W'), "Quit " + std::string(59, 'W') + "\u2026", 2},
      {"Invoice \u202Etxt.exe\n", "Quit Invoice txt.exe ", 1},
  };
  for (const auto& [name, quitRow, titleLines] : cases) {
    SCOPED_TRACE(name.substr(0, 20));
    auto view = item();
    view->configure(std::make_shared<TrackedApp>("com.example.Editor", name, AppImage{}, pid, false, false,
                                                 false, std::nullopt, std::nullopt),
                    false);
    std::unique_ptr<QMenu> menu(view->makeContextMenu());
    const auto actions = menu->actions();
    const auto quit = std::find_if(actions.begin(), actions.end(),
                                   [](QAction* action) { return action->text().startsWith("Quit "); });
    ASSERT_NE(quit, actions.end());
    EXPECT_EQ((*quit)->text().toStdString(), quitRow);
    EXPECT_LE(menu->sizeHint().width(), 960) << "half of a 1920-pixel screen";

    view->menuForceQuit();
    ForceQuitPopover* popover = view->forceQuitPopover();
    ASSERT_NE(popover, nullptr);
    popover->layout()->activate();
    const auto labels = popover->findChildren<QLabel*>();
    ASSERT_EQ(labels.size(), 2);
    const QLabel& title = *labels[0];
    const QStringList lines = popover->titleText().split('\n');
    EXPECT_EQ(lines.size(), titleLines) << popover->titleText().toStdString();
    EXPECT_FALSE(popover->titleText().contains(QChar(0x202E)));
    for (const QString& line : lines) EXPECT_LE(QFontMetrics(title.font()).horizontalAdvance(line), 280 - 24);
    EXPECT_LE(title.geometry().bottom(), labels[1]->geometry().top()) << "the title overlaps the message";
    EXPECT_EQ(popover->width(), 280);
    press(*view, Qt::Key_Escape);
  }
}

// A popover centred on a button at the end of a bar would run off the screen: it is kept inside the
// visible frame of the button's screen (1920 x 1080, the menu bar's 25 points at the top), as the
// thumbnail panel is.
TEST_F(AppItemContextMenuTest, TheForceQuitPopoverStaysInsideTheScreensVisibleFrame) {
  const struct {
    TaskbarPosition position;
    QPoint button;  // the 40 x 34 button's top-left corner, Qt's global coordinates
    const char* where;
  } rows[] = {
      {TaskbarPosition::bottom, {0, 1046}, "first button of a bottom bar"},
      {TaskbarPosition::bottom, {1880, 1046}, "last button of a bottom bar"},
      {TaskbarPosition::left, {4, 25}, "top button of a left bar"},
      {TaskbarPosition::right, {1876, 1046}, "bottom button of a right bar"},
      {TaskbarPosition::bottom, {900, 1046}, "a button in the middle"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.where);
    settings->position = row.position;
    auto view = item();
    view->setGeometry(QRect(row.button, QSize(40, 34)));
    view->show();
    view->menuForceQuit();
    const QRect popover = view->forceQuitPopover()->geometry();
    EXPECT_EQ(popover.width(), 280);
    EXPECT_GE(popover.left(), 0);
    EXPECT_LE(popover.right(), 1919);
    EXPECT_GE(popover.top(), 25);
    EXPECT_LE(popover.bottom(), 1079);
    const int h = popover.height();
    switch (row.position) {
      case TaskbarPosition::bottom:
        EXPECT_EQ(popover.bottom() + 1 + 6, 1046) << "6 points above the button";
        EXPECT_EQ(popover.left(), row.button.x() == 0 ? 0 : row.button.x() == 1880 ? 1640 : 780);
        break;
      case TaskbarPosition::left:
        EXPECT_EQ(popover.left(), 4 + 40 + 6);
        EXPECT_EQ(popover.top(), 25) << "centred on the button it would reach above the screen";
        break;
      case TaskbarPosition::right:
        EXPECT_EQ(popover.right() + 1 + 6, 1876);
        EXPECT_EQ(popover.top(), 1080 - h);
        break;
      case TaskbarPosition::top:
        break;
    }
    view->cancelForceQuitPopover();
  }
}

TEST_F(AppItemContextMenuTest, ForceQuitEndsOnlyTheApplicationConfirmedNotOneThatTookItsProcessIdentifier) {
  auto view = item();
  view->menuForceQuit();
  mac.quitApp(pid);  // it ends while the popover is open
  scheduler.runUntilIdle();
  press(*view, Qt::Key_Return);
  EXPECT_TRUE(forceQuits().empty());

  const int32_t reused = mac.launchApp({.bundleID = "com.example.Mail", .name = "Mail"});
  auto second = item(false, false, false, std::nullopt, reused);
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
