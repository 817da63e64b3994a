// The settings window as one of the program's windows: the icon it shares with About and the onboarding,
// which no other application's tile borrows, moving it by its background, where it opens on a small
// screen, and the Super key, which no shortcut of it counts.

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QTest>

#include "SettingsWindowTestWorld.h"
#include "settingswindow/SettingsSidebarButton.h"
#include "shell/AboutWindowController.h"
#include "shell/ShellWindowStyle.h"
#include "ui/Labels.h"

namespace pelko {

// Counts the window system moves a window starts instead of starting them.
struct SettingsWindowTestAccess {
  static void countMoves(SettingsWindow& window, int& count) {
    window.startSystemMove_ = [&count] {
      ++count;
      return true;
    };
  }
};

namespace test {
namespace {

// How far apart two icons drawn at different sizes look: both smoothly scaled to a square of `pixels`,
// the mean difference of their channels (colour and coverage), from 0 (alike) to 255.
double meanDifference(const QPixmap& a, const QPixmap& b, int pixels) {
  auto scaled = [pixels](const QPixmap& pixmap) {
    return pixmap.toImage()
        .convertToFormat(QImage::Format_ARGB32)
        .scaled(pixels, pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  };
  const QImage first = scaled(a), second = scaled(b);
  double sum = 0;
  for (int y = 0; y < pixels; ++y) {
    for (int x = 0; x < pixels; ++x) {
      const QColor p = first.pixelColor(x, y), q = second.pixelColor(x, y);
      sum += std::abs(p.red() - q.red()) + std::abs(p.green() - q.green()) + std::abs(p.blue() - q.blue()) +
             std::abs(p.alpha() - q.alpha());
    }
  }
  return sum / (4.0 * pixels * pixels);
}

// The image About shows above its name.
QPixmap aboutIcon(AboutWindowController& about) {
  for (QLabel* label : about.window().findChildren<QLabel*>())
    if (!label->pixmap().isNull()) return label->pixmap();
  return {};
}

class SettingsWindowShellTest : public SettingsWindowTest {};

TEST_F(SettingsWindowShellTest, TheWindowAndItsSidebarShowTheIconOfAbout) {
  open();
  AboutWindowController about({system.mac.appShell(), system.mac.workspace()});

  // The frame's icon: About's, drawn the same at every size the window system asks for.
  const QIcon windowIcon = controller->window()->windowIcon();
  ASSERT_FALSE(windowIcon.isNull()) << "the window shows the toolkit's default glyph";
  for (int pixels : {16, 32, 64}) {
    EXPECT_EQ(windowIcon.pixmap(pixels).toImage().convertToFormat(QImage::Format_ARGB32),
              about.window().windowIcon().pixmap(pixels).toImage().convertToFormat(QImage::Format_ARGB32))
        << pixels << " pixels";
  }

  // The sidebar's brand icon: the picture About shows, at the sidebar's 34 points.
  auto* brand = controller->content()->sidebarSurfaceView()->findChild<QLabel*>("brandIcon");
  ASSERT_NE(brand, nullptr);
  EXPECT_EQ(brand->size(), QSize(34, 34));
  const QPixmap shownByAbout = aboutIcon(about);
  ASSERT_FALSE(shownByAbout.isNull());
  // The glyph's hinting differs a little between sizes; another picture differs by tens.
  EXPECT_LT(meanDifference(brand->pixmap(), shownByAbout, 34), 6);
}

TEST_F(SettingsWindowShellTest, APressOnTheBackgroundMovesTheWindowAndOneOnAControlDoesNot) {
  SettingsViewController& view = open();
  SettingsWindow* window = controller->window();
  window->show();
  int moves = 0;
  SettingsWindowTestAccess::countMoves(*window, moves);
  auto centreOf = [&](QWidget* widget) { return widget->mapTo(window, widget->rect().center()); };
  QWidget* sidebar = view.sidebarSurfaceView();
  QLabel* brandTitle = nullptr;
  for (QLabel* label : sidebar->findChildren<QLabel*>())
    if (label->text() == "Pelko Settings") brandTitle = label;
  ASSERT_NE(brandTitle, nullptr);
  const QRect lastPageButton = view.sidebarButtons().back()->geometry();

  struct Row {
    const char* where;
    QPoint at;
    Qt::MouseButton button;
    bool moves;
  };
  const Row rows[] = {
      {"between the sidebar and the content", QPoint(sidebar->geometry().right() + 9, 300), Qt::LeftButton,
       true},
      {"the sidebar below its page buttons",
       sidebar->mapTo(window, QPoint(lastPageButton.center().x(), lastPageButton.bottom() + 40)),
       Qt::LeftButton, true},
      {"the brand title", centreOf(brandTitle), Qt::LeftButton, true},
      {"the background with the right button", QPoint(sidebar->geometry().right() + 9, 300), Qt::RightButton,
       false},
      {"a page button", centreOf(view.sidebarButtons()[1]), Qt::LeftButton, false},
      {"the search field", centreOf(view.searchField()), Qt::LeftButton, false},
      {"a switch", centreOf(view.control<QWidget>("floatingBarSwitch")), Qt::LeftButton, false},
      {"a stepper", centreOf(view.control<QWidget>("marginHStepper")), Qt::LeftButton, false},
      {"a segmented control", centreOf(view.control<QWidget>("positionControl")), Qt::LeftButton, false},
      {"a colour well", QPoint(), Qt::LeftButton, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.where);
    view.selectTab(0);
    moves = 0;
    QPoint at = row.at;
    if (at.isNull()) {
      QWidget* well = view.control<QWidget>("borderColorWell");
      view.scrollView()->ensureWidgetVisible(well);
      at = centreOf(well);
    }
    // Delivered as the window system would: to the widget under the pointer, passed on to its parents
    // while none takes it.
    QWidget* under = window->childAt(at);
    ASSERT_NE(under, nullptr);
    QTest::mouseClick(under, row.button, Qt::NoModifier, under->mapFrom(window, at));
    EXPECT_EQ(moves, row.moves ? 1 : 0);
  }
}

TEST_F(SettingsWindowShellTest, OnASmallScreenTheWindowOpensClearOfTheBar) {
  system.mac.setDisplays({{1, Rect(0, 0, 1366, 768), 1, "Display"}});
  const Rect visible = system.mac.screens().screens().front().visibleFrame;
  // A bar along the bottom, 34 points tall.
  SettingsWindowController::Dependencies dependencies{system.scheduler, system.defaults,
                                                      system.mac.workspace(), system.mac.appShell(),
                                                      &system.mac.screens()};
  dependencies.barFrames = [] { return std::vector<Rect>{Rect(0, 0, 1366, 34)}; };
  controller = std::make_unique<SettingsWindowController>(
      dependencies, new SettingsViewController(system.settings, viewDependencies()));
  SettingsWindow* window = controller->window();
  // Shrunk to the room between the top of the visible frame and the bar, and centred across.
  const QRect placed(window->frameGeometry().topLeft(), window->geometry().size());
  EXPECT_EQ(placed,
            QRect(193, static_cast<int>(768 - visible.maxY()), 980, static_cast<int>(visible.maxY() - 34)));
}

// Every page title shows whole from the window's minimum width up; the search field gives way first, down
// to 280 points, and at the usual width is at its widest, 360.
TEST_F(SettingsWindowShellTest, EveryPageTitleShowsWholeAndTheSearchFieldGivesWay) {
  SettingsViewController& view = open();
  SettingsWindow* window = controller->window();
  window->show();
  struct Case {
    int windowWidth;
    int leastFieldWidth;
  };
  for (const Case& c : {Case{860, 280}, Case{980, 360}}) {
    window->resize(c.windowWidth, 760);
    for (int page = 0; page < view.pageCount(); ++page) {
      view.selectTab(page);
      QApplication::processEvents();
      const ElidingLabel* title = view.pageTitleLabel();
      SCOPED_TRACE(title->fullText().toStdString() + " at " + std::to_string(c.windowWidth));
      EXPECT_EQ(title->shownText().toStdString(), title->fullText().toStdString());
      EXPECT_GE(view.searchField()->width(), c.leastFieldWidth);
    }
  }
}

// On a screen lower than the window's least height (620), 1024 x 600 with a bar of 34, the window is
// lowered to the room there is, and its content, the footer too, fits into it.
TEST_F(SettingsWindowShellTest, OnAScreenLowerThanTheWindowTheWholeWindowFits) {
  system.mac.setDisplays({{1, Rect(0, 0, 1024, 600), 1, "Display"}});
  const Rect visible = system.mac.screens().screens().front().visibleFrame;
  SettingsWindowController::Dependencies dependencies{system.scheduler, system.defaults,
                                                      system.mac.workspace(), system.mac.appShell(),
                                                      &system.mac.screens()};
  dependencies.barFrames = [] { return std::vector<Rect>{Rect(0, 0, 1024, 34)}; };
  auto* view = new SettingsViewController(system.settings, viewDependencies());
  controller = std::make_unique<SettingsWindowController>(dependencies, view);
  SettingsWindow* window = controller->window();
  window->show();
  QApplication::processEvents();
  const int room = static_cast<int>(visible.maxY() - 34);
  EXPECT_LT(room, 620);
  EXPECT_EQ(window->minimumHeight(), room);
  EXPECT_EQ(window->height(), room);
  const QRect footer(view->footerView()->mapTo(window, QPoint(0, 0)), view->footerView()->size());
  EXPECT_LE(footer.bottom(), window->height()) << "the footer is cut off";
  EXPECT_LE(view->minimumSizeHint().height(), window->height());
}

TEST_F(SettingsWindowShellTest, SuperHeldWithAShortcutAddsNothingToIt) {
  SettingsViewController& view = open();
  SettingsWindow* window = controller->window();
  window->show();
  auto press = [&](int key, Qt::KeyboardModifiers modifiers) {
    QKeyEvent event(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(window, &event);
  };
  press(Qt::Key_3, Qt::ControlModifier | Qt::MetaModifier);
  EXPECT_EQ(view.currentTabIndex(), 2);
  press(Qt::Key_4, Qt::MetaModifier);
  EXPECT_EQ(view.currentTabIndex(), 2);
}

TEST_F(SettingsWindowShellTest, AHiddenApplicationsTileCarriesItsOwnInitial) {
  // Two hidden applications in the program's own colour, without an image of their own: their tiles
  // differ by their initials, and neither is the program's "P".
  const Color amber{0.984, 0.749, 0.141, 1.0};
  system.mac.launchApp({.bundleID = "com.example.editor",
                        .name = "Editor",
                        .icon = platform::AppIcon{"", amber},
                        .bundlePath = "/Applications/Editor.app"});
  system.mac.launchApp({.bundleID = "com.example.notes",
                        .name = "Notes",
                        .icon = platform::AppIcon{"", amber},
                        .bundlePath = "/Applications/Notes.app"});
  system.settings->blacklistedBundleIDs = StringList{"com.example.editor", "com.example.notes"};
  SettingsViewController::Dependencies dependencies = viewDependencies();
  dependencies.workspace = &system.mac.workspace();
  SettingsViewController& view = open(dependencies);
  system.scheduler.runUntilIdle();

  std::vector<QImage> tiles;
  for (QLabel* label : view.blacklistStack()->findChildren<QLabel*>())
    if (!label->pixmap().isNull()) tiles.push_back(label->pixmap().toImage());
  ASSERT_EQ(tiles.size(), 2u);
  EXPECT_NE(tiles[0], tiles[1]);
  const QImage programs = ownApplicationIcon(system.mac.appShell(), 20).toImage();
  EXPECT_NE(tiles[0], programs);
  EXPECT_NE(tiles[1], programs);
}

}  // namespace
}  // namespace test
}  // namespace pelko
