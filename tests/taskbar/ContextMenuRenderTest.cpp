// Renders the menus and the force-quit confirmation to PNG files under the build tree (artifacts/).

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QMenu>
#include <QPainter>

#include "TaskbarTestWorld.h"
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

TEST_F(TaskbarTest, RenderItemMenusActiveMinimizedWindowAndHiddenApplication) {
  const int32_t pid = launch("com.example.Editor", "Editor");
  const std::tuple<const char*, bool, bool, bool, std::optional<int64_t>> kinds[] = {
      {"item-menu-active.png", true, false, false, std::nullopt},
      {"item-menu-minimized-window.png", false, false, true, 7},
      {"item-menu-hidden-app.png", false, true, false, std::nullopt}};
  for (const auto& [file, active, hidden, minimized, window] : kinds) {
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
    save({{{0, 0}, render(*menu)}}, file);
  }
}

TEST_F(TaskbarTest, RenderForceQuitPopoverAboveABottomBarItemAndLeftOfARightBarItem) {
  for (auto [position, file] : {std::pair{TaskbarPosition::bottom, "force-quit-bottom-bar.png"},
                                std::pair{TaskbarPosition::right, "force-quit-right-bar.png"}}) {
    settings->position = position;
    auto bar = makeController(true);
    auto panel = makePanel(*bar);
    bar->updateFilteredApps({appEntry(501, "Editor"), appEntry(502, "Mail", true)});
    scheduler.advance(1);
    AppItemView* item = bar->arrangedItems().back();
    item->menuForceQuit();
    ForceQuitPopover* popover = item->forceQuitPopover();
    save({{panel->pos(), panel->grab().toImage()}, {popover->pos(), popover->grab().toImage()}}, file);
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
  for (QAction* action : menu.menu()->actions())
    if (action->menu())
      pictures.push_back(
          {{pictures.back().first.x() + pictures.back().second.width() + 8, 0}, render(*action->menu())});
  save(pictures, "bar-menu.png");
}

}  // namespace
}  // namespace pelko::test
