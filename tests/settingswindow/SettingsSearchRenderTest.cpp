// Renders what the search, the banners and the Permissions section look like, to PNG files under the
// build folder: a search for "dock", a search without a match, the position and the Dock banners, and
// the whole Behavior page with the permissions granted and missing.

#include <QLineEdit>
#include <QScrollArea>

#include "SettingsWindowTestWorld.h"
#include "settings/SettingsManager.h"
#include "ui/QtColor.h"
#include "ui/SemanticColors.h"

namespace pelko::test {
namespace {

class SettingsSearchRenderTest : public SettingsWindowTest {
 protected:
  std::function<void(const DockManager::VisibilitySnapshot&)> dockLook;

  SettingsViewController& openShown() {
    SettingsViewController::Dependencies deps = viewDependencies();
    deps.accessibilityHelper = &system.accessibilityHelper;
    deps.dockVisibilitySnapshot = [this](std::function<void(const DockManager::VisibilitySnapshot&)> done) {
      dockLook = std::move(done);
    };
    auto* content = new SettingsViewController(system.settings, deps);
    controller = std::make_unique<SettingsWindowController>(
        SettingsWindowController::Dependencies{system.scheduler, system.defaults, system.mac.workspace(),
                                               system.mac.appShell(), &system.mac.screens()},
        content);
    controller->window()->resize(980, 760);
    controller->window()->show();
    system.scheduler.runUntilIdle();
    return *content;
  }

  QImage windowImage() {
    system.scheduler.runUntilIdle();
    QCoreApplication::processEvents();
    return controller->window()->grab().toImage();
  }

  // The whole page, however tall, at the width the window gives it.
  QImage wholePage(SettingsViewController& view, int page) {
    system.scheduler.runUntilIdle();
    QWidget* content = view.tabViews()[static_cast<size_t>(page)];
    content->resize(view.scrollView()->viewport()->width(), content->sizeHint().height());
    QImage image(content->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(toQColor(semanticColor(SemanticColor::windowBackground)));
    content->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
  }
};

TEST_F(SettingsSearchRenderTest, SearchPanels) {
  system.settings->autoHide = true;  // the Auto-Hide page shows all its rows
  SettingsViewController& view = openShown();
  view.selectTab(0);
  for (const char* query : {"dock", "auto hide", "zzz unknown"}) {
    view.searchField()->setText(query);
    view.updateSearchResults();
    ASSERT_FALSE(view.searchResultsHostView()->isHidden());
    save(windowImage(), QString("search-%1.png").arg(QString(query).replace(' ', '-')));
  }
}

TEST_F(SettingsSearchRenderTest, WholePagesInBothModes) {
  SettingsViewController& view = openShown();
  for (double scale : {2.0, 1.0}) {
    setScale(scale);
    for (int page = 0; page < view.pageCount(); ++page) {
      view.selectTab(page);
      view.updateDisplayRenderingMode();
      const QImage image = wholePage(view, page);
      EXPECT_GT(image.height(), 300) << page;
      save(image, QString("page%1-whole-%2.png").arg(page).arg(scale == 2.0 ? "standard" : "low-density"));
    }
  }
}

TEST_F(SettingsSearchRenderTest, Banners) {
  system.settings->borderTop = false;
  system.settings->borderBottom = true;
  system.settings->fullyHideDock = false;
  SettingsViewController& view = openShown();
  view.selectTab(0);
  view.evaluatePositionSuggestion();
  ASSERT_TRUE(view.suggestionContainer());
  save(windowImage(), "banner-position.png");

  view.selectTab(2);
  ASSERT_TRUE(dockLook);
  DockManager::VisibilitySnapshot snapshot;
  snapshot.placement = DockManager::DockPlacement::bottom;
  dockLook(snapshot);
  ASSERT_TRUE(view.suggestionContainer());
  save(windowImage(), "banner-dock.png");
}

TEST_F(SettingsSearchRenderTest, BehaviorPageWithPermissionsGrantedAndMissing) {
  for (bool granted : {true, false}) {
    system.mac.permissions().accessibilityTrusted = granted;
    system.mac.permissions().screenCaptureGranted = granted;
    SettingsViewController& view = openShown();
    view.selectTab(2);
    save(wholePage(view, 2),
         granted ? "behavior-permissions-granted.png" : "behavior-permissions-missing.png");
    controller.reset();
  }
}

}  // namespace
}  // namespace pelko::test
