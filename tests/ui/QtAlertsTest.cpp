#include "ui/QtAlerts.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <functional>

namespace pelko {
namespace {

// Built, shown (offscreen) so its buttons are laid out, never run: nothing waits for a click.
TEST(QtAlertsTest, TheBoxShowsItsTextsPlainAndItsButtonsInTheGivenOrderFirstAsDefault) {
  platform::AlertContent alert;
  alert.style = platform::AlertContent::Style::critical;
  alert.messageText = "<b>Cannot move \"a&b.txt\"</b>";
  alert.informativeText = "<i>Permission denied</i>";
  alert.buttons = {"Quit & Restore", "Keep", "Cancel"};
  auto box = QtAlerts::makeBox(alert);
  box->show();
  EXPECT_EQ(box->escapeButton(), nullptr) << "no button cancels this alert";

  EXPECT_EQ(box->icon(), QMessageBox::Critical);
  EXPECT_EQ(box->textFormat(), Qt::PlainText);
  EXPECT_EQ(box->text(), "<b>Cannot move \"a&b.txt\"</b>");
  auto* informative = box->findChild<QLabel*>("qt_msgbox_informativelabel");
  ASSERT_NE(informative, nullptr);
  EXPECT_EQ(informative->textFormat(), Qt::PlainText);
  EXPECT_EQ(informative->text(), "<i>Permission denied</i>");

  // Left to right as given, whatever the desktop's button order for their roles would be.
  std::vector<QAbstractButton*> buttons;
  for (QAbstractButton* button : box->buttons()) buttons.push_back(button);
  std::sort(buttons.begin(), buttons.end(), [](QAbstractButton* a, QAbstractButton* b) {
    return a->mapToGlobal(QPoint()).x() < b->mapToGlobal(QPoint()).x();
  });
  std::vector<QString> titles;
  for (QAbstractButton* button : buttons) titles.push_back(button->text());
  EXPECT_EQ(titles, (std::vector<QString>{"Quit && Restore", "Keep", "Cancel"}));
  EXPECT_EQ(box->defaultButton(), buttons.front());
  EXPECT_EQ(box->buttons().indexOf(buttons[1]), 1) << "runModal answers with the index as given";
  box->close();
}

// Runs the alert and, once it waits for the user, ends it with `end` (given the waiting box).
int runAndEnd(const platform::AlertContent& alert, platform::AlertOwner owner,
              std::function<void(QWidget&)> end) {
  bool ended = false;
  QMetaObject::invokeMethod(
      qApp,
      [&] {
        QWidget* box = QApplication::activeModalWidget();
        if (!box) return;
        ended = true;
        end(*box);
      },
      Qt::QueuedConnection);
  QtAlerts alerts;
  const int answer = alerts.runModal(alert, owner);
  EXPECT_TRUE(ended) << "the alert never waited";
  return answer;
}

// Closing the box, Escape, and a quit (which ends the box's loop without a click) are no choice: the
// answer is the alert's cancelling button, or none; never its first button.
TEST(QtAlertsTest, AnAlertEndedWithoutAChoiceAnswersItsCancelButton) {
  const auto escape = [](QWidget& box) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&box, &press);
  };
  const auto close = [](QWidget& box) { box.close(); };
  const auto quit = [](QWidget& box) { box.hide(); };
  const auto clickSecond = [](QWidget& box) { static_cast<QMessageBox&>(box).buttons()[1]->click(); };
  struct Case {
    const char* name;
    int cancelButton;
    std::function<void(QWidget&)> end;
    int answer;
  };
  const int none = platform::AlertContent::kNoButton;
  const std::vector<Case> cases = {
      {"Escape, Cancel", 1, escape, 1},
      {"close, Cancel", 1, close, 1},
      {"quit, Cancel", 1, quit, 1},
      {"Escape, no Cancel", none, escape, none},
      {"close, no Cancel", none, close, none},
      {"quit, no Cancel", none, quit, none},
      {"a click, no Cancel", none, clickSecond, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    platform::AlertContent alert;
    alert.messageText = "Use Limited Mode?";
    alert.buttons = {"Use Limited Mode", "Cancel"};
    alert.cancelButton = c.cancelButton;
    EXPECT_EQ(runAndEnd(alert, {}, c.end), c.answer);
  }
}

// An alert belongs to its window: it is that window's child (the window system keeps it above it) and
// opens centred over it, and on top when the window stays on top; an alert of the whole application
// stays on top of every window.
TEST(QtAlertsTest, AnAlertComesAboveItsWindowAndOpensOverIt) {
  QWidget onTop(nullptr, Qt::Window | Qt::WindowStaysOnTopHint);
  onTop.setGeometry(360, 120, 420, 420);  // inside the 800 x 600 offscreen screen
  QWidget plain;
  plain.setGeometry(20, 40, 420, 500);
  QWidget* child = new QWidget(&plain);
  struct Case {
    const char* name;
    const QWidget* owner;
    const QWidget* parent;
    bool staysOnTop;
  };
  const std::vector<Case> cases = {
      {"a window on top", &onTop, &onTop, true},
      {"a plain window, from a control inside it", child, &plain, false},
      {"the application", nullptr, nullptr, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.parent) const_cast<QWidget*>(c.parent)->show();
    platform::AlertContent alert;
    alert.buttons = {"OK"};
    auto box = QtAlerts::makeBox(alert, alertOwner(c.owner));
    EXPECT_EQ(box->parentWidget(), c.parent);
    EXPECT_TRUE(box->isWindow());
    EXPECT_EQ(box->windowFlags().testFlag(Qt::WindowStaysOnTopHint), c.staysOnTop);
    // And so it is while it waits for the user.
    bool waitingOnTop = !c.staysOnTop;
    runAndEnd(alert, alertOwner(c.owner), [&](QWidget& waiting) {
      waitingOnTop = waiting.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
      waiting.close();
    });
    EXPECT_EQ(waitingOnTop, c.staysOnTop);
    if (c.parent) {
      box->show();
      const QPoint offset = box->frameGeometry().center() - c.parent->frameGeometry().center();
      EXPECT_LE(offset.manhattanLength(), 4) << "opens over its window";
      box->close();
    }
  }
}

// Tab goes along an alert's buttons as they are laid out, left to right and round to the first again;
// Shift+Tab goes back.
TEST(QtAlertsTest, TabGoesAlongTheButtonsLeftToRightAndShiftTabBack) {
  platform::AlertContent alert;
  alert.messageText = "Accessibility Unlocks Full Pelko Controls";
  alert.buttons = {"Open System Settings", "Use Limited Mode", "Later", "Cancel"};
  alert.cancelButton = 3;
  auto box = QtAlerts::makeBox(alert);
  box->show();
  QApplication::setActiveWindow(box.get());
  QApplication::processEvents();
  auto press = [](Qt::Key key) {
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(QApplication::focusWidget(), &event);
    auto* button = qobject_cast<QAbstractButton*>(QApplication::focusWidget());
    return button ? button->text().toStdString() : std::string("(not a button)");
  };
  box->buttons().front()->setFocus(Qt::OtherFocusReason);
  std::vector<std::string> forward, back;
  for (int i = 0; i < 4; ++i) forward.push_back(press(Qt::Key_Tab));
  for (int i = 0; i < 4; ++i) back.push_back(press(Qt::Key_Backtab));
  EXPECT_EQ(forward,
            (std::vector<std::string>{"Use Limited Mode", "Later", "Cancel", "Open System Settings"}));
  EXPECT_EQ(back, (std::vector<std::string>{"Cancel", "Later", "Use Limited Mode", "Open System Settings"}));
  box->close();
}

}  // namespace
}  // namespace pelko
