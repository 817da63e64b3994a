// The settings window: its limits and remembered frame, the level, the keys, the toggle from the bar,
// the colour panel beside it and what the tracker learns of it.

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <QToolTip>

#include "SettingsWindowTestWorld.h"
#include "settingswindow/SettingsWindowFrame.h"
#include "ui/ColorPanel.h"
#include "ui/ColorWell.h"
#include "ui/QtAlerts.h"
#include "ui/QtColor.h"
#include "ui/SemanticColors.h"

namespace pelko::test {
namespace {

class SettingsWindowControllerTest : public SettingsWindowTest {
 protected:
  // Qt's geometry of a frame in screen coordinates on the one 1920 x 1080 display.
  static QRect qtRect(double x, double y, double width, double height) {
    return QRect(static_cast<int>(x), static_cast<int>(1080 - y - height), static_cast<int>(width),
                 static_cast<int>(height));
  }
  bool press(QWidget* target, int key, Qt::KeyboardModifiers modifiers) {
    QKeyEvent event(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(target, &event);
    return event.isAccepted();
  }
  SettingsViewController& view() { return *controller->content(); }
  std::string savedFrame() { return system.defaults.stringForKey("PelkoSettingsWindow.v2").value_or(""); }
  // Where the window is placed: by its outer frame's corner (the title bar's), with its content's size.
  QRect placed() const {
    return QRect(controller->window()->frameGeometry().topLeft(), controller->window()->geometry().size());
  }
};

TEST_F(SettingsWindowControllerTest, FirstOpeningIsCentredWithinLimits) {
  open();
  SettingsWindow* window = controller->window();
  EXPECT_EQ(window->windowTitle(), "Pelko Settings");
  EXPECT_EQ(window->minimumSize(), QSize(860, 620));
  EXPECT_EQ(window->maximumSize(), QSize(1400, 1200));
  const Rect visible = system.mac.screens().screens().front().visibleFrame;
  const double x = std::round(visible.midX() - 490), y = std::round(visible.midY() - 380);
  EXPECT_EQ(window->geometry(), qtRect(x, y, 980, 760));
}

TEST_F(SettingsWindowControllerTest, RememberedFrameAcrossRelaunchesAndItsFaults) {
  open();
  controller->window()->show();
  controller->window()->resize(1000, 700);
  controller->window()->move(qtRect(100, 120, 1000, 700).topLeft());
  EXPECT_EQ(savedFrame(), "100 120 1000 700");
  controller.reset();
  open();
  controller->window()->show();
  EXPECT_EQ(placed(), qtRect(100, 120, 1000, 700));

  struct Case {
    const char* saved;
    QRect expected;
  };
  const Rect visible = system.mac.screens().screens().front().visibleFrame;
  auto centred = [&](double w, double h) {
    return qtRect(std::round(visible.midX() - w / 2), std::round(visible.midY() - h / 2), w, h);
  };
  const Case cases[] = {
      {"-5000 100 1000 700", centred(1000, 700)},       // left on a monitor that is gone
      {"100 120 300 5000", qtRect(100, 0, 860, 1055)},  // clamped into the limits and the screen
      {"100 120 1000", centred(980, 760)},              // half written
      {"garbage", centred(980, 760)},
  };
  for (const Case& c : cases) {
    controller.reset();
    system.defaults.setObject("PelkoSettingsWindow.v2", c.saved);
    open();
    EXPECT_EQ(placed(), c.expected) << c.saved;
  }
}

TEST_F(SettingsWindowControllerTest, ShortcutsReachThePages) {
  SettingsViewController& view = open();
  SettingsWindow* window = controller->window();
  window->show();
  EXPECT_TRUE(press(window, Qt::Key_3, Qt::ControlModifier));
  EXPECT_EQ(view.currentTabIndex(), 2);
  // Offered first also while a control has the focus (the key-equivalent path).
  QKeyEvent override(QEvent::ShortcutOverride, Qt::Key_5, Qt::ControlModifier);
  QApplication::sendEvent(view.searchField(), &override);
  EXPECT_TRUE(override.isAccepted());
  EXPECT_EQ(view.currentTabIndex(), 4);

  press(window, Qt::Key_0, Qt::ControlModifier);
  press(window, Qt::Key_6, Qt::ControlModifier);
  press(window, Qt::Key_3, Qt::ControlModifier | Qt::AltModifier);
  press(window, Qt::Key_3, Qt::NoModifier);
  EXPECT_EQ(view.currentTabIndex(), 4);

  QKeyEvent copy(QEvent::ShortcutOverride, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
  QApplication::sendEvent(view.searchField(), &copy);
  EXPECT_TRUE(copy.isAccepted());

  press(window, Qt::Key_W, Qt::ControlModifier);
  EXPECT_FALSE(window->isVisible());
  window->show();
  press(window, Qt::Key_Escape, Qt::NoModifier);
  EXPECT_FALSE(window->isVisible());
  EXPECT_NE(controller->window(), nullptr);  // closing hides; the window is kept
}

TEST_F(SettingsWindowControllerTest, ShowingFloatsAndRemembersTheFrontmostApplication) {
  open();
  const int32_t editor = system.mac.launchApp("com.example.editor", "Editor");
  system.mac.activate(editor);
  controller->showSettings();
  EXPECT_EQ(controller->window()->level(), 3);
  EXPECT_EQ(controller->lastNonPelkoFrontmostPID(), editor);
  EXPECT_FALSE(controller->window()->isVisible());  // presented on a later turn
  system.scheduler.runUntilIdle();
  EXPECT_TRUE(controller->window()->isVisible());
  EXPECT_EQ(system.mac.appShell().activateOwnProcessCount, 1);
  // Floating is staying on top of other windows, for the window system too.
  EXPECT_TRUE(controller->window()->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_TRUE(controller->window()->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));

  // Showing again while this program is in front keeps the application recorded before.
  system.mac.activate(system.mac.appShell().pid);
  controller->showSettings();
  system.scheduler.runUntilIdle();
  EXPECT_EQ(controller->lastNonPelkoFrontmostPID(), editor);

  QEvent deactivate(QEvent::WindowDeactivate);
  QApplication::sendEvent(controller->window(), &deactivate);
  EXPECT_EQ(controller->window()->level(), 0);
  EXPECT_FALSE(controller->window()->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_TRUE(controller->window()->isVisible()) << "no longer floating, it stays where it is";
}

TEST_F(SettingsWindowControllerTest, ToggleFromTheBar) {
  open();
  const int32_t editor = system.mac.launchApp("com.example.editor", "Editor");
  system.mac.activate(editor);
  controller->toggleFromTaskbar();  // hidden: shown
  system.scheduler.runUntilIdle();
  SettingsWindow* window = controller->window();
  ASSERT_TRUE(window->isVisible());
  QApplication::setActiveWindow(window);
  ASSERT_TRUE(window->isActiveWindow());
  system.mac.activate(system.mac.appShell().pid);

  controller->toggleFromTaskbar();  // in front: sent back, the editor comes forward
  EXPECT_EQ(system.mac.frontmostPID(), editor);
  EXPECT_EQ(window->level(), 0) << "sent back among the normal windows";

  // On X11 nothing takes the focus from the window sent back: it is still active, yet the next click
  // brings it forward instead of sending it back again.
  ASSERT_TRUE(window->isActiveWindow());
  const int shown = system.mac.appShell().activateOwnProcessCount;
  controller->toggleFromTaskbar();
  system.scheduler.runUntilIdle();
  EXPECT_EQ(system.mac.appShell().activateOwnProcessCount, shown + 1);
  EXPECT_EQ(controller->window()->level(), 3);
  controller->toggleFromTaskbar();  // in front again: sent back again
  EXPECT_EQ(system.mac.appShell().activateOwnProcessCount, shown + 1);
  EXPECT_EQ(system.mac.frontmostPID(), editor);
  // A click into the window sent back counts as bringing it forward.
  QTest::mouseClick(view().searchField(), Qt::LeftButton);
  controller->toggleFromTaskbar();
  EXPECT_EQ(system.mac.appShell().activateOwnProcessCount, shown + 1);
  system.mac.activate(system.mac.appShell().pid);

  window->showMinimized();
  controller->toggleFromTaskbar();  // minimized: shown again
  system.scheduler.runUntilIdle();
  EXPECT_FALSE(window->isMinimized());
  EXPECT_TRUE(window->isVisible());

  // A recorded application that has quit is not looked for.
  QApplication::setActiveWindow(window);
  system.mac.quitApp(editor);
  controller->toggleFromTaskbar();
  EXPECT_NE(system.mac.frontmostPID(), editor);
}

TEST_F(SettingsWindowControllerTest, EachShortcutActsOnceForTheKeyPairQtDelivers) {
  int copies = 0;
  SettingsViewController::Dependencies dependencies = viewDependencies();
  dependencies.shell = SettingsViewController::ShellActions{{}, {}, [&copies] {
                                                              ++copies;
                                                              return true;
                                                            }};
  open(std::move(dependencies));
  SettingsWindow* window = controller->window();
  window->show();
  QApplication::setActiveWindow(window);
  view().searchField()->setFocus();
  struct Case {
    const char* name;
    QWidget* target;
  };
  const Case cases[] = {{"from the search field", view().searchField()}, {"from the window", window}};
  for (const Case& c : cases) {
    copies = 0;
    // The shortcut override first, then the press itself, as a real key press arrives.
    QTest::keyClick(c.target, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(copies, 1) << c.name;
  }
  // The press after the pair is a press of its own.
  QTest::keyClick(view().searchField(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
  QTest::keyClick(view().searchField(), Qt::Key_A);
  EXPECT_EQ(copies, 2);
  EXPECT_EQ(view().searchField()->text(), "a");
  QTest::keyClick(view().searchField(), Qt::Key_3, Qt::ControlModifier);
  EXPECT_EQ(view().currentTabIndex(), 2);
  EXPECT_EQ(view().searchField()->text(), "");  // the switch cleared the query, and no "3" was typed
}

TEST_F(SettingsWindowControllerTest, OnePaletteForTheWindowAndItsTooltips) {
  open();
  SettingsWindow* window = controller->window();
  window->show();
  const QColor dark = toQColor(semanticColor(SemanticColor::windowBackground));
  EXPECT_EQ(window->palette().color(QPalette::Window), dark);
  const QPalette before = QToolTip::palette();
  auto tooltipFor = [](QWidget* widget) {
    QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), widget->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(widget, &help);
    return QToolTip::palette().color(QPalette::ToolTipBase);
  };
  EXPECT_EQ(tooltipFor(view().searchField()), window->palette().color(QPalette::ToolTipBase));
  QWidget elsewhere;
  elsewhere.setToolTip("elsewhere");
  elsewhere.show();
  EXPECT_EQ(tooltipFor(&elsewhere), before.color(QPalette::ToolTipBase));
  QToolTip::hideText();

  // Its alerts too.
  platform::AlertContent alert;
  alert.messageText = "Reset All Settings?";
  alert.buttons = {"Reset", "Cancel"};
  auto box = QtAlerts::makeBox(alert, alertOwner(view().searchField()));
  EXPECT_EQ(box->palette().color(QPalette::Window), dark);
  EXPECT_EQ(box->palette().color(QPalette::ButtonText), window->palette().color(QPalette::ButtonText));
}

TEST_F(SettingsWindowControllerTest, OwnWindowsForTheTracker) {
  open();
  ASSERT_EQ(controller->ownWindows().size(), 1u);
  EXPECT_EQ(controller->ownWindows()[0].title, "Pelko Settings");
  EXPECT_FALSE(controller->ownWindows()[0].isVisible);
  controller->window()->show();
  EXPECT_TRUE(controller->ownWindows()[0].isVisible);
  controller->window()->showMinimized();
  EXPECT_TRUE(controller->ownWindows()[0].isMiniaturized);
  EXPECT_FALSE(controller->ownWindows()[0].isVisible);
}

TEST_F(SettingsWindowControllerTest, ColourPanelBesideTheWindowWhileItIsOpen) {
  open();
  controller->window()->setGeometry(qtRect(100, 200, 980, 760));
  controller->showSettings();
  system.scheduler.runUntilIdle();
  EXPECT_TRUE(controller->isObservingColorPanel());

  ColorWell well;
  well.setColor({1, 0, 0, 1});
  ColorPanel::shared().resize(300, 400);
  ColorPanel::shared().activate(&well);
  EXPECT_EQ(ColorPanel::shared().level(), 4);
  const QRect frame = controller->window()->frameGeometry();
  EXPECT_EQ(ColorPanel::shared().frameGeometry().left(), frame.right() + 1 + 8);
  EXPECT_EQ(ColorPanel::shared().frameGeometry().top(), frame.top());

  // The visible frame is that of the window's own screen. On the second screen neither side has room,
  // so the panel is centred on the window; measured against the main screen it would go to the left,
  // onto the main screen.
  system.mac.setDisplays(
      {{1, Rect(0, 0, 1920, 1080), 2.0, "Main"}, {2, Rect(1920, 0, 1500, 1080), 2.0, "Second"}});
  controller->window()->setGeometry(qtRect(2200, 200, 980, 760));
  ColorPanel::shared().activate(&well);
  const QRect onSecond = controller->window()->frameGeometry();
  const QRect panel = ColorPanel::shared().frameGeometry();
  EXPECT_NEAR(panel.left(), onSecond.left() + onSecond.width() / 2 - panel.width() / 2, 1);
  EXPECT_GE(panel.left(), 1920);

  // Closing the window closes the panel and stops placing it.
  controller->window()->close();
  EXPECT_FALSE(ColorPanel::shared().isVisible());
  EXPECT_FALSE(controller->isObservingColorPanel());
  EXPECT_EQ(ColorPanel::shared().activeWell(), nullptr);
}

}  // namespace
}  // namespace pelko::test
