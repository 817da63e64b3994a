// Renders the menus and the force-quit confirmation to PNG files under the build tree (artifacts/).

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>

#include "TaskbarTestWorld.h"
#include "taskbar/ForceQuitPopover.h"
#include "taskbar/TaskbarContextMenu.h"

namespace pelko::test {
namespace {

// Pictures at their places on a desktop-grey ground, saved as `file`.
void save(const std::vector<std::pair<QPoint, QImage>>& pictures, const char* file) {
  QRect area;
  for (const auto& [at, image] : pictures) area |= QRect(at, image.size());
  area.adjust(-12, -12, 12, 12);
  QImage canvas(area.size(), QImage::Format_ARGB32);
  canvas.fill(QColor(70, 80, 95));
  QPainter painter(&canvas);
  for (const auto& [at, image] : pictures) painter.drawImage(at - area.topLeft(), image);
  painter.end();
  QDir dir(QCoreApplication::applicationDirPath() + "/../artifacts");
  dir.mkpath(".");
  EXPECT_TRUE(canvas.save(dir.filePath(file)));
}

QImage render(QMenu& menu) {
  menu.ensurePolished();
  menu.adjustSize();
  return menu.grab().toImage();
}

// The menu's visible rows as a person reads them: "-" for a separator, a check mark before a checked
// item, a submenu's arrow after its title, the shortcut after a tab.
std::vector<std::string> rows(const QMenu& menu) {
  std::vector<std::string> result;
  for (QAction* action : menu.actions()) {
    if (!action->isVisible()) continue;
    if (action->isSeparator()) {
      result.push_back("-");
      continue;
    }
    std::string row =
        (action->isChecked() ? "\u2713 " : "") + action->text().replace("&&", "&").toStdString();
    if (action->menu()) row += " >";
    if (!action->shortcut().isEmpty())
      row += "\t" + action->shortcut().toString(QKeySequence::PortableText).toStdString();
    result.push_back(row);
  }
  return result;
}

// Pixels in `area` of `image` that stand out clearly from the ground at its top-left corner.
int inkIn(const QImage& image, const QRect& area) {
  const QColor ground = image.pixelColor(area.topLeft());
  int ink = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      if (std::abs(image.pixelColor(x, y).lightness() - ground.lightness()) > 80) ++ink;
  return ink;
}

// Every visible row of the picture lies inside it, below the one before, and a row with text shows it.
void expectRowsDrawnInOrder(const QMenu& menu, const QImage& picture) {
  int previousBottom = -1;
  for (QAction* action : menu.actions()) {
    if (!action->isVisible()) continue;
    const QRect row = menu.actionGeometry(action);
    SCOPED_TRACE(action->text().toStdString());
    EXPECT_TRUE(QRect(QPoint(), picture.size()).contains(row));
    EXPECT_GT(row.top(), previousBottom);
    previousBottom = row.bottom();
    if (!action->isSeparator()) {
      EXPECT_GT(inkIn(picture, row.adjusted(2, 1, -2, -1)), 20);
    }
  }
}

TEST_F(TaskbarTest, RenderItemMenusActiveMinimizedWindowAndHiddenApplication) {
  const int32_t pid = launch("com.example.Editor", "Editor");
  using Rows = std::vector<std::string>;
  const Rows tail{"-",
                  "Close Window\tCtrl+W",
                  "Quit Editor\tCtrl+Q",
                  "Force Quit",
                  "-",
                  "Show in Finder",
                  "-",
                  "Hide from Taskbar",
                  "-",
                  "Pelko Settings...\tCtrl+,"};
  const std::tuple<const char*, bool, bool, bool, std::optional<int64_t>, Rows> kinds[] = {
      {"item-menu-active.png",
       true,
       false,
       false,
       std::nullopt,
       {"Minimize All Windows", "Hide\tCtrl+H", "New Window\tCtrl+N"}},
      {"item-menu-minimized-window.png",
       false,
       false,
       true,
       7,
       {"Show", "Unminimize", "Hide\tCtrl+H", "New Window\tCtrl+N"}},
      {"item-menu-hidden-app.png",
       false,
       true,
       false,
       std::nullopt,
       {"Show", "Minimize All Windows", "Unhide\tCtrl+H", "New Window\tCtrl+N"}}};
  for (const auto& [file, active, hidden, minimized, window, head] : kinds) {
    SCOPED_TRACE(file);
    auto env = environment();
    env.alerts = &accessories.alerts;  // "Hide from Taskbar" asks through it
    auto item = std::make_unique<AppItemView>(env);
    item->settingsManager = settings;
    item->windowManager = windowManager;
    item->configure(std::make_shared<TrackedApp>("com.example.Editor", "Editor", AppImage{}, pid, active,
                                                 hidden, minimized, std::string("Draft"), window),
                    false);
    item->onSettingsRequested = [] {};
    std::unique_ptr<QMenu> menu(item->makeContextMenu());
    const QImage picture = render(*menu);
    Rows expected = head;
    expected.insert(expected.end(), tail.begin(), tail.end());
    EXPECT_EQ(rows(*menu), expected);
    expectRowsDrawnInOrder(*menu, picture);
    save({{{0, 0}, picture}}, file);
  }
}

TEST_F(TaskbarTest, RenderForceQuitPopoverAboveABottomBarItemAndLeftOfARightBarItem) {
  for (auto [position, file] : {std::pair{TaskbarPosition::bottom, "force-quit-bottom-bar.png"},
                                std::pair{TaskbarPosition::right, "force-quit-right-bar.png"}}) {
    SCOPED_TRACE(file);
    settings->position = position;
    auto bar = makeController(true);
    auto panel = makePanel(*bar);
    bar->updateFilteredApps({appEntry(501, "Editor"), appEntry(502, "Mail", true)});
    scheduler.advance(1);
    AppItemView* item = bar->arrangedItems().back();
    item->menuForceQuit();
    ForceQuitPopover* popover = item->forceQuitPopover();
    ASSERT_NE(popover, nullptr);
    EXPECT_EQ(popover->titleText().toStdString(), "Force Quit \"Mail\"?");

    // Off the bar on its inner side, 6 points from the item and centred on it across, on the screen.
    const QRect button(item->mapToGlobal(QPoint(0, 0)), item->size());
    const QRect shown = popover->geometry();
    EXPECT_FALSE(shown.intersects(panel->geometry()));
    EXPECT_TRUE(QRect(0, 0, 1920, 1080).contains(shown));
    if (position == TaskbarPosition::bottom) {
      EXPECT_EQ(shown.bottom() + 1 + 6, button.top());
      EXPECT_NEAR(shown.center().x(), button.center().x(), 1);
    } else {
      EXPECT_EQ(shown.right() + 1 + 6, button.left());
      EXPECT_NEAR(shown.center().y(), button.center().y(), 1);
    }
    // Title, message and buttons top to bottom, none over another, each drawn.
    const QImage picture = popover->grab().toImage();
    std::vector<QRect> texts;  // the title's, then the message's
    for (const QLabel* label : popover->findChildren<QLabel*>())
      if (label->text() == popover->titleText() || label->text() == popover->messageText())
        texts.push_back(label->geometry());
    ASSERT_EQ(texts.size(), 2u);
    const QRect cancel = popover->cancelButton()->geometry(),
                confirm = popover->forceQuitButton()->geometry();
    EXPECT_GT(texts[1].top(), texts[0].bottom());
    EXPECT_GT(cancel.top(), texts[1].bottom());
    EXPECT_EQ(cancel.top(), confirm.top());
    EXPECT_LT(cancel.right(), confirm.left()) << "Cancel comes first";
    for (const QRect& part : {texts[0], texts[1], cancel, confirm}) {
      EXPECT_TRUE(popover->rect().contains(part));
      EXPECT_GT(inkIn(picture, part), 20);
    }
    save({{panel->pos(), panel->grab().toImage()}, {popover->pos(), picture}}, file);
    item->cancelForceQuitPopover();
  }
}

TEST_F(TaskbarTest, RenderBarMenuWithItsCheckMarks) {
  settings->style = TaskbarStyle::iconsOnly;
  settings->position = TaskbarPosition::left;
  settings->customAppOrder = StringList{"com.example.Editor"};
  TaskbarContextMenu menu(scheduler, settings, tracker, TaskbarShellActions{[] {}, [] {}, [] {}});
  menu.menuNeedsUpdate();
  std::vector<std::pair<QPoint, QImage>> pictures{{{0, 0}, render(*menu.menu())}};
  EXPECT_EQ(rows(*menu.menu()),
            (std::vector<std::string>{"Style >", "Position >", "-", "Reset Custom Order", "-",
                                      "Pelko Settings...\tCtrl+,", "-", "Restore Dock & Quit\tCtrl+Q"}));
  expectRowsDrawnInOrder(*menu.menu(), pictures.back().second);
  const std::vector<std::vector<std::string>> submenus{{"\u2713 Icons Only", "Icons + Text Right"},
                                                       {"Bottom", "Top", "\u2713 Left", "Right"}};
  size_t next = 0;
  for (QAction* action : menu.menu()->actions()) {
    if (!action->menu()) continue;
    pictures.push_back(
        {{pictures.back().first.x() + pictures.back().second.width() + 8, 0}, render(*action->menu())});
    ASSERT_LT(next, submenus.size());
    EXPECT_EQ(rows(*action->menu()), submenus[next++]);
    expectRowsDrawnInOrder(*action->menu(), pictures.back().second);
  }
  EXPECT_EQ(next, 2u);
  save(pictures, "bar-menu.png");
}

}  // namespace
}  // namespace pelko::test
