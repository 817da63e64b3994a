// Renders the menus and the force-quit confirmation to PNG files under the build tree (artifacts/), as
// a person sees them.

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QMenu>
#include <QPainter>

#include "TaskbarTestWorld.h"
#include "platform/sim/SimAlerts.h"
#include "taskbar/TaskbarContextMenu.h"

namespace pelko::test {
namespace {

class ContextMenuRenderTest : public TaskbarTest {
 protected:
  static void save(const QImage& picture, const char* file) {
    QDir dir(QCoreApplication::applicationDirPath() + "/../artifacts");
    dir.mkpath(".");
    EXPECT_TRUE(picture.save(dir.filePath(file)));
  }
  static QImage render(QMenu& menu) {
    menu.ensurePolished();
    menu.adjustSize();
    return menu.grab().toImage();
  }
  static int reddish(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) {
        const QColor c = image.pixelColor(x, y);
        if (c.red() > 180 && c.green() < 110 && c.blue() < 110) ++count;
      }
    return count;
  }
  // Pictures side by side on a desktop-grey ground.
  static QImage sideBySide(const std::vector<QImage>& images) {
    int width = 8, height = 0;
    for (const auto& image : images) {
      width += image.width() + 8;
      height = std::max(height, image.height());
    }
    QImage canvas(width, height + 16, QImage::Format_ARGB32);
    canvas.fill(QColor(70, 80, 95));
    QPainter painter(&canvas);
    int x = 8;
    for (const auto& image : images) {
      painter.drawImage(x, 8, image);
      x += image.width() + 8;
    }
    return canvas;
  }
  sim::SimAlerts alerts;
};

TEST_F(ContextMenuRenderTest, ItemMenusActiveMinimizedWindowAndHiddenApplication) {
  const int32_t pid = launch("com.example.Editor", "Editor");
  const std::tuple<const char*, TrackedAppPtr> kinds[] = {
      {"item-menu-active.png", std::make_shared<TrackedApp>("com.example.Editor", "Editor", AppImage{}, pid,
                                                            true, false, false, std::nullopt, std::nullopt)},
      {"item-menu-minimized-window.png",
       std::make_shared<TrackedApp>("com.example.Editor", "Editor", AppImage{}, pid, false, false, true,
                                    std::string("Draft"), 7)},
      {"item-menu-hidden-app.png",
       std::make_shared<TrackedApp>("com.example.Editor", "Editor", AppImage{}, pid, false, true, false,
                                    std::nullopt, std::nullopt)},
  };
  for (const auto& [file, entry] : kinds) {
    AppItemView item(
        AppItemEnvironment{scheduler, mac.workspace(), appearance, accessibilityHelper, nullptr, &alerts});
    item.settingsManager = settings;
    item.windowManager = windowManager;
    item.onSettingsRequested = [] {};
    item.configure(entry, false);
    std::unique_ptr<QMenu> menu(item.makeContextMenu());
    const QImage image = render(*menu);
    EXPECT_GT(image.height(), 200) << file;
    EXPECT_GT(reddish(image), 20) << file << ": Force Quit in red";
    save(image, file);
  }
}

TEST_F(ContextMenuRenderTest, ForceQuitPopoverAboveABottomBarItemAndLeftOfARightBarItem) {
  launch("com.example.Editor", "Editor");
  const int32_t pid = launch("com.example.Mail", "Mail");
  for (TaskbarPosition position : {TaskbarPosition::bottom, TaskbarPosition::right}) {
    settings->position = position;
    auto bar = makeController(true);
    auto panel = makePanel(*bar);
    bar->updateFilteredApps({appEntry(pid - 1, "Editor"), appEntry(pid, "Mail", true)});
    scheduler.advance(1);
    AppItemView* item = bar->arrangedItems().back();
    item->menuForceQuit();
    ForceQuitPopover* popover = item->forceQuitPopover();
    ASSERT_NE(popover, nullptr);
    const QRect barRect = panel->geometry(), popRect = popover->geometry();
    const QRect area = barRect.united(popRect).adjusted(-20, -20, 20, 20);
    QImage canvas(area.size(), QImage::Format_ARGB32);
    canvas.fill(QColor(70, 80, 95));
    QPainter painter(&canvas);
    painter.drawImage(barRect.topLeft() - area.topLeft(), panel->grab().toImage());
    painter.drawImage(popRect.topLeft() - area.topLeft(), popover->grab().toImage());
    painter.end();
    if (position == TaskbarPosition::bottom) {
      EXPECT_LT(popRect.bottom(), barRect.top());
      save(canvas, "force-quit-bottom-bar.png");
    } else {
      EXPECT_LT(popRect.right(), barRect.left());
      save(canvas, "force-quit-right-bar.png");
    }
    item->cancelForceQuitPopover();
    panel.reset();
  }
}

TEST_F(ContextMenuRenderTest, BarMenuWithItsCheckMarks) {
  settings->style = TaskbarStyle::iconsOnly;
  settings->position = TaskbarPosition::left;
  settings->customAppOrder = StringList{"com.example.Editor"};
  TaskbarContextMenu menu(scheduler, settings, tracker, TaskbarShellActions{[] {}, [] {}, [] {}});
  menu.menuNeedsUpdate();
  std::vector<QImage> images{render(*menu.menu())};
  for (QAction* action : menu.menu()->actions())
    if (action->menu()) images.push_back(render(*action->menu()));
  ASSERT_EQ(images.size(), 3u);
  save(sideBySide(images), "bar-menu.png");
}

}  // namespace
}  // namespace pelko::test
