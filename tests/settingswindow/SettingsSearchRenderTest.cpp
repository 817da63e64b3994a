// Renders what the search, the banners and the Permissions section look like, to PNG files under the
// build folder, and checks what each picture holds: a search for "dock", for "auto hide" and one without
// a match, every page whole in both rendering modes, the position and the Dock banners, and the Behavior
// page with the permissions granted and missing.

#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <algorithm>
#include <map>

#include "SettingsWindowTestWorld.h"
#include "settings/SettingsManager.h"
#include "settingswindow/SettingsRowView.h"
#include "settingswindow/SettingsSectionBox.h"
#include "ui/Labels.h"
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

  QWidget& window() { return *controller->window(); }

  QImage windowImage() {
    system.scheduler.runUntilIdle();
    QCoreApplication::processEvents();
    QImage image = controller->window()->grab().toImage();
    EXPECT_EQ(image.devicePixelRatio(), 1.0);  // frames below are in points
    return image;
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

  // The page's section boxes as drawn, top to bottom.
  static std::vector<SettingsSectionBox*> sectionBoxes(QWidget& page) {
    std::vector<SettingsSectionBox*> boxes;
    for (auto* box : page.findChildren<SettingsSectionBox*>())
      if (box->isVisibleTo(&page) && box->sectionTitle()) boxes.push_back(box);
    std::sort(boxes.begin(), boxes.end(), [&](QWidget* a, QWidget* b) {
      return a->mapTo(&page, QPoint()).y() < b->mapTo(&page, QPoint()).y();
    });
    return boxes;
  }
};

TEST_F(SettingsSearchRenderTest, SearchPanels) {
  system.settings->autoHide = true;  // the Auto-Hide page shows all its rows
  SettingsViewController& view = openShown();
  view.selectTab(0);
  struct Case {
    const char* query;
    std::vector<std::string> listed;  // the results shown, each with its Jump button, in order
    const char* header;
    const char* summary;
  };
  const Case cases[] = {
      {"dock",
       {"Dock Mode", "Visible Dock Setup"},
       "2 matches for \"dock\".",
       "2 matching settings for \"dock\". Press Return to jump to the first result."},
      {"auto hide",
       {"Visible Dock Setup", "Animation Speed", "Animation Style", "Resize Windows", "Shortcut (Ctrl+Alt+T)",
        "Show on App Switch"},
       "16 matches for \"auto hide\".",
       "16 matching settings for \"auto hide\". Press Return to jump to the first result."},
      {"zzz unknown",
       {},
       "No matches for \"zzz unknown\".",
       "No settings matched \"zzz unknown\". Try a broader term or switch to the closest page."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.query);
    view.searchField()->setText(c.query);
    view.updateSearchResults();
    QWidget* panel = view.searchResultsHostView();
    ASSERT_FALSE(panel->isHidden());
    const QImage image = windowImage();
    save(image, QString("search-%1.png").arg(QString(c.query).replace(' ', '-')));

    // The panel sits between the header's search field and the page, inside the window.
    const QRect frame = frameIn(*panel, window());
    EXPECT_TRUE(image.rect().contains(frame));
    EXPECT_GE(frame.top(), frameIn(*view.searchField(), window()).bottom());
    EXPECT_LE(frame.bottom(), frameIn(*view.scrollView(), window()).top());
    // Each listed result has its Jump button inside the panel, in the order found.
    std::vector<std::pair<int, std::string>> jumps;
    for (auto* button : panel->findChildren<QPushButton*>()) {
      if (button->text() != "Jump" || !button->isVisibleTo(panel)) continue;
      const QRect at = frameIn(*button, window());
      EXPECT_TRUE(frame.contains(at)) << button->accessibleName().toStdString();
      jumps.emplace_back(at.y(), button->accessibleName().mid(8).toStdString());  // "Jump to ..."
    }
    std::sort(jumps.begin(), jumps.end());
    std::vector<std::string> listed;
    for (const auto& [y, title] : jumps) listed.push_back(title);
    EXPECT_EQ(listed, c.listed);
    QStringList texts;
    for (auto* label : panel->findChildren<ElidingLabel*>()) texts << label->fullText();
    for (auto* label : panel->findChildren<WrappingLabel*>()) texts << label->fullText();
    EXPECT_TRUE(texts.contains(c.header)) << texts.join(" | ").toStdString();
    EXPECT_EQ(view.tabSummaryLabel()->fullText().toStdString(), c.summary);
    // Drawn: the panel's texts stand out from its fill.
    const QColor fill = image.pixelColor(frame.topLeft() + QPoint(6, frame.height() / 2));
    EXPECT_GT(inkedPixels(image, frame, fill), 150);
  }
}

TEST_F(SettingsSearchRenderTest, WholePagesInBothModes) {
  SettingsViewController& view = openShown();
  const std::vector<std::vector<std::string>> sections = {
      {"Placement", "Content & Density", "Surface", "Borders & Shape"},
      {"Grouping", "Layout", "Display", "Thumbnails", "Blacklisted Apps"},
      {"Dock Integration", "System Tray", "System & Startup", "Permissions", "Maintenance"},
      {"Core", "Reveal", "Automation", "Animation & Windows"},
      {},  // the Presets page holds cards, not sections
  };
  std::map<std::pair<int, size_t>, QColor> standardFill;
  for (double scale : {2.0, 1.0}) {
    setScale(scale);
    for (int page = 0; page < view.pageCount(); ++page) {
      SCOPED_TRACE(testing::Message() << "page " << page << " at scale " << scale);
      view.selectTab(page);
      view.updateDisplayRenderingMode();
      const QImage image = wholePage(view, page);
      save(image, QString("page%1-whole-%2.png").arg(page).arg(scale == 2.0 ? "standard" : "low-density"));
      QWidget& content = *view.tabViews()[static_cast<size_t>(page)];
      const std::vector<SettingsSectionBox*> boxes = sectionBoxes(content);
      std::vector<std::string> titles;
      for (SettingsSectionBox* box : boxes) titles.push_back(*box->sectionTitle());
      EXPECT_EQ(titles, sections[static_cast<size_t>(page)]);
      int previousBottom = -1;
      for (size_t i = 0; i < boxes.size(); ++i) {
        const QRect box = frameIn(*boxes[i], content);
        EXPECT_TRUE(image.rect().contains(box)) << titles[i];
        EXPECT_GT(box.top(), previousBottom) << titles[i] << " overlaps the box above";
        previousBottom = box.bottom();
        // Every row of the box is drawn inside it.
        for (auto* row : boxes[i]->findChildren<SettingsRowView*>()) {
          if (row->isVisibleTo(boxes[i])) {
            EXPECT_TRUE(box.contains(frameIn(*row, content))) << row->searchTitle();
          }
        }
        // The low-density fill is the standard look made opaque: the same colour on the window.
        const QColor fill = image.pixelColor(box.topLeft() + QPoint(6, 6));
        if (scale == 2.0)
          standardFill[{page, i}] = fill;
        else
          EXPECT_TRUE(sameColour(fill, standardFill[{page, i}])) << titles[i];
      }
    }
  }
}

TEST_F(SettingsSearchRenderTest, Banners) {
  system.settings->borderTop = false;
  system.settings->borderBottom = true;
  system.settings->fullyHideDock = false;
  SettingsViewController& view = openShown();
  struct Case {
    int page;
    const char* file;
    const char* text;
    const char* action;
  };
  const Case cases[] = {
      {0, "banner-position.png", "Recommended: Use top border only for bottom position", "Apply"},
      {2, "banner-dock.png",
       "Recommended: Move the macOS Dock to the left and enable auto-hide so it stays out of Pelko\u2019s "
       "way.",
       "Optimize Dock"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    view.selectTab(c.page);
    if (c.page == 2) {
      ASSERT_TRUE(dockLook);
      DockManager::VisibilitySnapshot snapshot;
      snapshot.placement = DockManager::DockPlacement::bottom;
      dockLook(snapshot);
    }
    QWidget* banner = view.suggestionContainer();
    ASSERT_TRUE(banner);
    const QImage image = windowImage();
    save(image, c.file);
    // Above the page, below the header, as wide as its host.
    const QRect frame = frameIn(*banner, window());
    EXPECT_TRUE(image.rect().contains(frame));
    EXPECT_GE(frame.top(), frameIn(*view.searchField(), window()).bottom());
    EXPECT_LE(frame.bottom(), frameIn(*view.scrollView(), window()).top());
    EXPECT_EQ(frame.width(), view.suggestionHostView()->width());
    auto* text = banner->findChild<WrappingLabel*>();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->fullText().toStdString(), c.text);
    const QRect textFrame = frameIn(*text, window());
    auto* action = banner->findChild<QPushButton*>();
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(action->text().toStdString(), c.action);
    const QRect actionFrame = frameIn(*action, window());
    EXPECT_TRUE(frame.contains(actionFrame));
    EXPECT_LE(textFrame.right(), actionFrame.left()) << "the text runs under the button";
    // The text and the sparkles are drawn on the banner's tinted fill.
    const QColor fill = image.pixelColor(frame.topLeft() + QPoint(4, frame.height() / 2));
    EXPECT_GT(inkedPixels(image, textFrame, fill), 100);
    EXPECT_GT(inkedPixels(image, QRect(frame.left() + 12, frame.top(), 14, frame.height()), fill), 5);
  }
}

TEST_F(SettingsSearchRenderTest, BehaviorPageWithPermissionsGrantedAndMissing) {
  for (bool granted : {true, false}) {
    SCOPED_TRACE(granted ? "granted" : "missing");
    system.mac.permissions().accessibilityTrusted = granted;
    system.mac.permissions().screenCaptureGranted = granted;
    SettingsViewController& view = openShown();
    view.selectTab(2);
    const QImage image = wholePage(view, 2);
    save(image, granted ? "behavior-permissions-granted.png" : "behavior-permissions-missing.png");
    QWidget& page = *view.tabViews()[2];
    const std::pair<PermissionKind, const char*> rows[] = {
        {PermissionKind::accessibility,
         granted ? "Granted. Pelko can track active apps and use full window controls."
                 : "Recommended for reliable app tracking, active-window detection, and window controls."},
        {PermissionKind::screenRecording,
         granted ? "Granted. You can enable Thumbnails for live window previews."
                 : "Optional. Only needed for Thumbnails, which use live window previews on hover."}};
    for (const auto& [kind, description] : rows) {
      const auto& views = view.permissionRow(kind);
      ASSERT_TRUE(views.row && views.icon && views.description && views.primary && views.secondary);
      const QRect row = frameIn(*views.row, page);
      EXPECT_TRUE(image.rect().contains(row));
      EXPECT_EQ(views.description->fullText().toStdString(), description);
      EXPECT_TRUE(row.contains(frameIn(*views.description, page)));
      // "Open macOS Settings" always shows; the second button only while the permission is missing.
      EXPECT_TRUE(views.primary->isVisibleTo(&page));
      EXPECT_TRUE(row.contains(frameIn(*views.primary, page)));
      EXPECT_EQ(views.secondary->isVisibleTo(&page), !granted);
      if (!granted) {
        EXPECT_TRUE(row.contains(frameIn(*views.secondary, page)));
        EXPECT_LT(frameIn(*views.secondary, page).right(), frameIn(*views.primary, page).left());
      }
      // The status mark: green when granted, red when not.
      const QColor mark = image.pixelColor(frameIn(*views.icon, page).center() + QPoint(0, -5));
      if (granted)
        EXPECT_GT(mark.green(), mark.red() + 60) << mark.name().toStdString();
      else
        EXPECT_GT(mark.red(), mark.green() + 60) << mark.name().toStdString();
    }
    controller.reset();
  }
}

}  // namespace
}  // namespace pelko::test
