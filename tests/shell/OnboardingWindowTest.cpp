#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/sim/SimAlerts.h"
#include "shell/OnboardingPermissionRow.h"
#include "shell/OnboardingPresetCardView.h"
#include "shell/OnboardingWindowController.h"
#include "support/SimulatedSystem.h"
#include "ui/FocusRing.h"

namespace pelko {
namespace {

using platform::AlertContent;

constexpr const char* kCompleteKey = "PelkoOnboardingComplete";

class OnboardingWindowTest : public test::SimulatedSystem, public ::testing::Test {
 protected:
  ~OnboardingWindowTest() override { delete controller.data(); }

  // Opens the guide as the application delegate does: the close callback drops the controller later.
  void open() {
    controller = new OnboardingWindowController(
        {scheduler, defaults, alerts, mac.permissions(), mac.appShell(), accessibilityHelper},
        settings.get());
    controller->onClose = [this] {
      ++closes;
      controller->deleteLater();
    };
    controller->showOnboarding();
  }
  void pressReturn() {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(&controller->window(), &press);
  }
  static void flushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
  bool isOpen() const { return controller && controller->window().isVisible(); }
  bool completed() const { return defaults.boolForKey(kCompleteKey); }

  static void mouse(QWidget& widget, QEvent::Type type, QPoint at) {
    QMouseEvent event(type, QPointF(at), QPointF(widget.mapToGlobal(at)), Qt::LeftButton,
                      type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
  }
  OnboardingPresetCardView& card(TaskbarPresetID preset) {
    for (auto* view : controller->window().findChildren<OnboardingPresetCardView*>())
      if (view->preset() == preset && view->isVisibleTo(&controller->window())) return *view;
    ADD_FAILURE() << "no card for preset " << rawValue(preset);
    throw std::runtime_error("no card");
  }
  void clickCard(TaskbarPresetID preset) {
    OnboardingPresetCardView& view = card(preset);
    mouse(view, QEvent::MouseButtonPress, view.rect().center());
    mouse(view, QEvent::MouseButtonRelease, view.rect().center());
  }
  void goToPresets() {
    open();
    pressReturn();
    pressReturn();
    ASSERT_EQ(controller->currentPage(), 2);
  }
  // Lays the window out as the event loop would before it paints (a wrapped text may ask again).
  static void save(QWidget& window, const char* file) {
    for (int pass = 0; pass < 3; ++pass) QCoreApplication::sendPostedEvents();
    QDir dir(QCoreApplication::applicationDirPath() + "/../artifacts");
    dir.mkpath(".");
    EXPECT_TRUE(window.grab().save(dir.filePath(file)));
  }

  sim::SimAlerts alerts;
  QPointer<OnboardingWindowController> controller;
  int closes = 0;
};

TEST_F(OnboardingWindowTest, FirstRunWalkedWithReturnAppliesTheDefaultLookAndCloses) {
  mac.permissions().accessibilityTrusted = false;
  alerts.scriptedAnswers = {1};
  open();
  EXPECT_EQ(controller->window().windowTitle(), "Welcome to Pelko");
  EXPECT_EQ(controller->window().size(), QSize(500, 470));
  EXPECT_EQ(controller->currentPage(), 0);
  EXPECT_EQ(controller->defaultButton()->text(), "Get Started");

  pressReturn();
  EXPECT_EQ(controller->currentPage(), 1);
  EXPECT_TRUE(alerts.shown.empty());

  pressReturn();
  ASSERT_EQ(alerts.shown.size(), 1u);
  EXPECT_EQ(alerts.shown[0],
            (AlertContent{AlertContent::Style::warning,
                          "Accessibility Unlocks Full Pelko Controls",
                          "Without Accessibility, Pelko can still run in Limited Mode, but active-window "
                          "detection and window controls will be less reliable.",
                          {"Open System Settings", "Use Limited Mode"}}));
  EXPECT_TRUE(settings->suppressAccessibilityPermissionPrompt.get());
  EXPECT_EQ(controller->currentPage(), 2);
  EXPECT_EQ(controller->defaultButton()->text(), "Finish");
  EXPECT_EQ(settings->maxTaskWidth.get(), 176);
  EXPECT_FALSE(completed());

  pressReturn();
  EXPECT_EQ(settings->maxTaskWidth.get(), 172);  // the classic labelled taskbar
  EXPECT_EQ(settings->style.get(), TaskbarStyle::iconsTextRight);
  EXPECT_TRUE(completed());
  EXPECT_FALSE(controller->window().isVisible());
  EXPECT_EQ(closes, 1);
  flushDeletes();
  EXPECT_TRUE(controller.isNull());
}

TEST_F(OnboardingWindowTest, RunAgainAfterCompletionKeepsTheUsersSettingsUnlessACardIsChosen) {
  defaults.setBool(kCompleteKey, true);
  settings->maxTaskWidth = 300;
  settings->taskbarSize = 140;
  open();
  EXPECT_TRUE(controller->wasCompletedBefore());
  pressReturn();
  pressReturn();
  pressReturn();
  EXPECT_EQ(closes, 1);
  EXPECT_EQ(settings->maxTaskWidth.get(), 300);
  EXPECT_EQ(settings->taskbarSize.get(), 140);
  EXPECT_TRUE(completed());
  flushDeletes();

  goToPresets();
  clickCard(TaskbarPresetID::dock);
  EXPECT_EQ(settings->taskbarSize.get(), 124);
}

TEST_F(OnboardingWindowTest, AccessibilityAlertCanOpenSettingsOrIsSkippedOnceLimitedModeWasChosen) {
  mac.permissions().accessibilityTrusted = false;
  alerts.scriptedAnswers = {0};
  open();
  pressReturn();
  pressReturn();
  EXPECT_EQ(controller->currentPage(), 1);
  EXPECT_EQ(mac.openedURLs(), std::vector<std::string>{AccessibilityHelper::kAccessibilityPaneURL});
  EXPECT_FALSE(settings->suppressAccessibilityPermissionPrompt.get());

  settings->acknowledgeLimitedModeWithoutAccessibility();
  pressReturn();
  EXPECT_EQ(alerts.shown.size(), 1u);
  EXPECT_EQ(controller->currentPage(), 2);
}

// Closing an alert, Escape or a quit while it is open is no choice: nothing of what its buttons do
// happens, and each alert belongs to the guide's window (which stays on top).
TEST_F(OnboardingWindowTest, AnAlertEndedWithoutAChoiceChangesNothing) {
  struct Case {
    const char* name;
    std::function<void()> ask;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"Continue", [this] { pressReturn(); }, "Accessibility Unlocks Full Pelko Controls"},
      {"Use Limited Mode", [this] { controller->accessibilityRow()->secondaryButton().click(); },
       "Continue in Limited Mode?"},
      {"Skip Thumbnails", [this] { controller->screenRecordingRow()->secondaryButton().click(); },
       "Skip Thumbnails for Now?"},
  };
  mac.permissions().accessibilityTrusted = false;
  mac.permissions().screenCaptureGranted = false;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    alerts.shown.clear();
    alerts.owners.clear();
    alerts.scriptedAnswers = {sim::SimAlerts::kEndedWithoutChoice};
    open();
    pressReturn();
    c.ask();
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(alerts.shown[0].messageText, c.message);
    EXPECT_EQ(alerts.owners[0].window, &controller->window());
    EXPECT_FALSE(settings->suppressAccessibilityPermissionPrompt.get());
    EXPECT_FALSE(settings->suppressScreenRecordingPermissionPrompt.get());
    EXPECT_TRUE(mac.openedURLs().empty());
    EXPECT_EQ(controller->currentPage(), 1);
    controller->window().close();
    flushDeletes();
  }
}

TEST_F(OnboardingWindowTest, RowAlertsSwitchLimitedModeAndTheThumbnailSkip) {
  mac.permissions().accessibilityTrusted = false;
  mac.permissions().screenCaptureGranted = false;
  open();
  pressReturn();
  OnboardingPermissionRow& axRow = *controller->accessibilityRow();
  OnboardingPermissionRow& srRow = *controller->screenRecordingRow();
  EXPECT_EQ(axRow.secondaryButton().text(), "Use Limited Mode");
  EXPECT_EQ(axRow.primaryButton().text(), "Open macOS Settings");
  EXPECT_EQ(axRow.statusIcon().symbolName(), "xmark.circle.fill");
  EXPECT_EQ(axRow.statusIcon().accessibleName(), "Not granted");

  alerts.scriptedAnswers = {1, 0};
  axRow.secondaryButton().click();  // Cancel
  EXPECT_FALSE(settings->suppressAccessibilityPermissionPrompt.get());
  EXPECT_EQ(axRow.secondaryButton().text(), "Use Limited Mode");
  axRow.secondaryButton().click();
  ASSERT_EQ(alerts.shown.size(), 2u);
  EXPECT_EQ(
      alerts.shown[1],
      (AlertContent{AlertContent::Style::informational,
                    "Continue in Limited Mode?",
                    "Pelko will still run, but active-window detection, window focus changes, and window "
                    "controls will be less reliable until Accessibility is granted.",
                    {"Use Limited Mode", "Cancel"},
                    1}));
  EXPECT_TRUE(settings->suppressAccessibilityPermissionPrompt.get());
  EXPECT_EQ(axRow.secondaryButton().text(), "Remind Me Again");
  EXPECT_EQ(
      axRow.description(),
      "Limited Mode is active. Window tracking and controls are reduced until Accessibility is granted.");
  axRow.secondaryButton().click();  // "Remind Me Again" asks nothing
  EXPECT_EQ(alerts.shown.size(), 2u);
  EXPECT_FALSE(settings->suppressAccessibilityPermissionPrompt.get());
  EXPECT_EQ(axRow.secondaryButton().text(), "Use Limited Mode");

  EXPECT_EQ(srRow.secondaryButton().text(), "Skip Thumbnails");
  srRow.secondaryButton().click();
  ASSERT_EQ(alerts.shown.size(), 3u);
  EXPECT_EQ(alerts.shown[2].messageText, "Skip Thumbnails for Now?");
  EXPECT_EQ(alerts.shown[2].buttons, (std::vector<std::string>{"Skip Thumbnails", "Cancel"}));
  EXPECT_TRUE(settings->suppressScreenRecordingPermissionPrompt.get());
  EXPECT_EQ(srRow.secondaryButton().text(), "Remind Me Again");
  EXPECT_EQ(srRow.description(), "Skipped. Thumbnails stay disabled until Screen Recording is granted.");
}

// A row's description is shown whole, wrapped onto as many lines as it needs within the fixed window, and
// a screen reader hears the whole of it.
TEST_F(OnboardingWindowTest, PermissionRowsShowAndNameTheirWholeDescription) {
  mac.permissions().accessibilityTrusted = false;
  mac.permissions().screenCaptureGranted = false;
  open();
  pressReturn();
  ASSERT_EQ(controller->currentPage(), 1);
  QWidget& window = controller->window();
  for (bool suppressed : {false, true}) {
    SCOPED_TRACE(suppressed ? "reminders off" : "reminders on");
    settings->suppressAccessibilityPermissionPrompt = suppressed;
    settings->suppressScreenRecordingPermissionPrompt = suppressed;
    scheduler.advance(2.0);  // the page's refresh
    for (int pass = 0; pass < 3; ++pass) QCoreApplication::sendPostedEvents();
    for (OnboardingPermissionRow* row : {controller->accessibilityRow(), controller->screenRecordingRow()}) {
      ASSERT_NE(row, nullptr);
      const QString whole = permissionRowTexts(row->kind(), false, suppressed).description;
      const QLabel& label = row->descriptionLabel();
      EXPECT_EQ(label.text().toStdString(), whole.toStdString());
      EXPECT_EQ(label.accessibleName().toStdString(), whole.toStdString());
      EXPECT_TRUE(label.wordWrap());
      EXPECT_GE(label.height(), label.heightForWidth(label.width())) << "lines cut off";
      EXPECT_LE(row->mapTo(&window, QPoint(0, row->height())).y(), window.height());
    }
    // The whole page still fits: the Continue button stays inside the window, below the rows.
    QPushButton* next = nullptr;
    for (auto* button : window.findChildren<QPushButton*>())
      if (button->text() == "Continue" && button->isVisible()) next = button;
    ASSERT_NE(next, nullptr);
    const QRect button(next->mapTo(&window, QPoint(0, 0)), next->size());
    EXPECT_TRUE(window.rect().contains(button));
    const OnboardingPermissionRow* last = controller->screenRecordingRow();
    EXPECT_GT(button.top(), last->mapTo(&window, QPoint(0, last->height())).y());
  }
  save(window, "onboarding-permissions-limited.png");
}

TEST_F(OnboardingWindowTest, PermissionsPageRefreshesEveryTwoSecondsWhileItIsUp) {
  settings->showThumbnails = true;
  open();
  EXPECT_EQ(controller->permissionsRefreshTimer(), nullptr);
  pressReturn();
  OnboardingPermissionRow& srRow = *controller->screenRecordingRow();
  EXPECT_TRUE(srRow.buttonStack().isHidden());
  EXPECT_EQ(srRow.statusIcon().symbolName(), "checkmark.circle.fill");
  EXPECT_EQ(srRow.description(), "Granted. You can enable Thumbnails for live window previews.");
  const RepeatingTimerPtr timer = controller->permissionsRefreshTimer();
  ASSERT_NE(timer, nullptr);
  EXPECT_EQ(timer->interval(), 2.0);
  EXPECT_EQ(timer->tolerance(), 0.5);

  mac.permissions().screenCaptureGranted = false;
  scheduler.advance(1.9);
  EXPECT_TRUE(settings->showThumbnails.get());
  scheduler.advance(0.1);
  EXPECT_FALSE(settings->showThumbnails.get());
  EXPECT_FALSE(srRow.buttonStack().isHidden());
  EXPECT_EQ(srRow.secondaryButton().text(), "Skip Thumbnails");
  EXPECT_EQ(srRow.statusIcon().accessibleName(), "Not granted");

  pressReturn();
  EXPECT_FALSE(timer->isValid());
  EXPECT_EQ(controller->permissionsRefreshTimer(), nullptr);
  EXPECT_EQ(controller->accessibilityRow(), nullptr);
}

TEST_F(OnboardingWindowTest, GrantButtonsClearTheEarlierChoiceAndAskTheSystem) {
  mac.permissions().accessibilityTrusted = false;
  mac.permissions().screenCaptureGranted = false;
  mac.permissions().userGrantsScreenCaptureOnRequest = true;
  settings->acknowledgeLimitedModeWithoutAccessibility();
  settings->acknowledgeScreenRecordingSkip();
  open();
  pressReturn();
  controller->accessibilityRow()->primaryButton().click();
  EXPECT_FALSE(settings->suppressAccessibilityPermissionPrompt.get());
  EXPECT_EQ(mac.permissions().accessibilityPromptCount, 1);

  controller->screenRecordingRow()->primaryButton().click();
  EXPECT_FALSE(settings->suppressScreenRecordingPermissionPrompt.get());
  EXPECT_EQ(mac.permissions().screenCaptureRequestCount, 1);
  EXPECT_EQ(mac.openedURLs(), std::vector<std::string>{AccessibilityHelper::kScreenRecordingPaneURL});
  EXPECT_TRUE(controller->screenRecordingRow()->buttonStack().isHidden());
  EXPECT_TRUE(alerts.shown.empty());
}

TEST_F(OnboardingWindowTest, CardAppliesItsPresetAndClosesHalfASecondLater) {
  goToPresets();
  std::vector<TaskbarPresetID> shown;
  for (auto* view : controller->window().findChildren<OnboardingPresetCardView*>()) {
    if (!view->isVisibleTo(&controller->window())) continue;
    shown.push_back(view->preset());
    EXPECT_EQ(view->isRecommended(), view->preset() == TaskbarPresetID::windowsText);
    EXPECT_EQ(view->width(), 210);
    EXPECT_GE(view->height(), 76);
  }
  EXPECT_EQ(shown.size(), 6u);

  clickCard(TaskbarPresetID::dock);
  EXPECT_EQ(settings->taskbarSize.get(), 124);
  EXPECT_TRUE(controller->didSelectPreset());
  scheduler.advance(0.49);
  EXPECT_TRUE(isOpen());
  EXPECT_FALSE(completed());
  scheduler.advance(0.01);
  EXPECT_TRUE(completed());
  EXPECT_EQ(closes, 1);
  EXPECT_FALSE(controller->window().isVisible());
}

TEST_F(OnboardingWindowTest, FinishWithinTheHalfSecondKeepsTheChosenPreset) {
  goToPresets();
  clickCard(TaskbarPresetID::glass);
  EXPECT_EQ(settings->taskbarSize.get(), 114);
  pressReturn();
  EXPECT_EQ(settings->taskbarSize.get(), 114);
  EXPECT_TRUE(completed());
  EXPECT_EQ(closes, 1);
  scheduler.advance(1);
  EXPECT_EQ(closes, 1);
}

TEST_F(OnboardingWindowTest, ReleasingOutsideACardAppliesNothing) {
  goToPresets();
  OnboardingPresetCardView& view = card(TaskbarPresetID::minimal);
  mouse(view, QEvent::MouseButtonPress, view.rect().center());
  EXPECT_EQ(view.look(), OnboardingPresetCardView::Look::pressed);
  mouse(view, QEvent::MouseButtonRelease, view.rect().bottomRight() + QPoint(5, 5));
  EXPECT_EQ(view.look(), OnboardingPresetCardView::Look::normal);
  EXPECT_FALSE(controller->didSelectPreset());
  EXPECT_EQ(settings->taskbarSize.get(), 100);
  scheduler.advance(1);
  EXPECT_TRUE(isOpen());
}

TEST_F(OnboardingWindowTest, ClosingWithoutFinishingLeavesTheGuideIncompleteAndReopensAtTheStart) {
  goToPresets();
  controller->window().close();
  EXPECT_EQ(closes, 1);
  EXPECT_FALSE(completed());
  flushDeletes();
  EXPECT_TRUE(controller.isNull());
  open();
  EXPECT_EQ(controller->currentPage(), 0);
  EXPECT_FALSE(controller->wasCompletedBefore());
}

TEST_F(OnboardingWindowTest, ClosingOnThePermissionsPageStopsItsRefreshBeforeTheControllerGoes) {
  settings->showThumbnails = true;
  open();
  pressReturn();
  const RepeatingTimerPtr timer = controller->permissionsRefreshTimer();
  mac.permissions().screenCaptureGranted = false;
  controller->window().close();
  EXPECT_FALSE(timer->isValid());
  EXPECT_EQ(controller->screenRecordingRow(), nullptr);
  scheduler.advance(2);
  EXPECT_TRUE(settings->showThumbnails.get());
  flushDeletes();
  EXPECT_TRUE(controller.isNull());
  scheduler.advance(2);
  EXPECT_TRUE(settings->showThumbnails.get());
  EXPECT_EQ(closes, 1);
}

TEST_F(OnboardingWindowTest, RendersEachPageForALook) {
  mac.permissions().accessibilityTrusted = false;
  mac.permissions().screenCaptureGranted = false;
  alerts.scriptedAnswers = {1};
  open();
  save(controller->window(), "onboarding-welcome.png");
  pressReturn();
  save(controller->window(), "onboarding-permissions.png");
  // Each row's title and buttons fit beside each other within the row.
  for (OnboardingPermissionRow* row : {controller->accessibilityRow(), controller->screenRecordingRow()}) {
    const QPushButton& primary = row->primaryButton();
    EXPECT_GE(primary.width(), primary.sizeHint().width());
    EXPECT_LE(row->buttonStack().geometry().right(), row->width());
    for (QLabel* label : row->findChildren<QLabel*>())
      EXPECT_LE(label->geometry().right(), row->buttonStack().geometry().left())
          << label->text().toStdString();
  }
  pressReturn();
  save(controller->window(), "onboarding-presets.png");
  const QImage presets = controller->window().grab().toImage();
  // The recommended card's tag is amber.
  const OnboardingPresetCardView& recommended = card(TaskbarPresetID::windowsText);
  const QPoint badge = recommended.mapTo(&controller->window(), QPoint(18, 18));
  const QColor pixel = presets.pixelColor(badge * presets.devicePixelRatio());
  EXPECT_GT(pixel.red(), pixel.blue());
}

// ---- The guide by keyboard and screen reader ----

class OnboardingKeyboardTest : public OnboardingWindowTest {
 protected:
  QWidget* focused() const { return controller->window().focusWidget(); }
  // The name of the widget with the keyboard focus: a button's title, a card's preset title.
  std::string focusedName() const {
    QWidget* widget = focused();
    if (!widget) return "(none)";
    if (auto* button = qobject_cast<QPushButton*>(widget)) return button->text().toStdString();
    return widget->accessibleName().toStdString();
  }
  // Whether the focus is drawn around the focused widget: its ring shows, or the window marks the focus
  // as the keyboard's, which is when the style draws a button's.
  bool focusDrawn() const {
    QApplication::processEvents();  // the window's activation, which gives the focus
    QWidget* widget = focused();
    if (!widget) return false;
    for (auto* ring : controller->window().findChildren<FocusRing*>())
      if (ring->control() == widget) return ring->isVisibleTo(&controller->window());
    return controller->window().testAttribute(Qt::WA_KeyboardFocusChange);
  }
  void key(Qt::Key key) {
    QWidget* target = focused() ? focused() : &controller->window();
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
  }
  static QAccessibleInterface* accessible(QWidget& widget) {
    return QAccessible::queryAccessibleInterface(&widget);
  }
};

TEST_F(OnboardingKeyboardTest, TheStyleCardsAreButtonsNamedByTheirTitlesThatAPressChooses) {
  goToPresets();
  std::vector<std::string> names;
  for (auto* view : controller->window().findChildren<OnboardingPresetCardView*>()) {
    QAccessibleInterface* card = accessible(*view);
    SCOPED_TRACE(card->text(QAccessible::Name).toStdString());
    names.push_back(card->text(QAccessible::Name).toStdString());
    EXPECT_EQ(card->role(), QAccessible::Button);
    EXPECT_TRUE(card->state().focusable);
    EXPECT_TRUE(card->state().selectable);
    EXPECT_FALSE(card->state().selected);
    ASSERT_NE(card->actionInterface(), nullptr);
    EXPECT_TRUE(card->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
  }
  EXPECT_EQ(names, (std::vector<std::string>{"Win Text", "Win Icons", "Win 11", "Dock", "Glass", "Minimal"}));

  // A screen reader's press chooses the card as a click does, and the chosen one reads as selected.
  accessible(card(TaskbarPresetID::glass))
      ->actionInterface()
      ->doAction(QAccessibleActionInterface::pressAction());
  EXPECT_EQ(settings->taskbarSize.get(), 114);
  EXPECT_TRUE(accessible(card(TaskbarPresetID::glass))->state().selected);
  EXPECT_FALSE(accessible(card(TaskbarPresetID::dock))->state().selected);
  // Chosen again within the half second, another card takes the selection.
  clickCard(TaskbarPresetID::dock);
  EXPECT_FALSE(accessible(card(TaskbarPresetID::glass))->state().selected);
  EXPECT_TRUE(accessible(card(TaskbarPresetID::dock))->state().selected);
  scheduler.advance(0.5);
  EXPECT_TRUE(completed());
  EXPECT_EQ(settings->taskbarSize.get(), 124);
}

// Both rows have an "Open macOS Settings" and may both have a "Remind Me Again": a screen reader hears
// each button with the permission of the row it sits in, as the settings window names its own.
TEST_F(OnboardingKeyboardTest, EachPermissionRowsButtonsAreNamedForTheirOwnRow) {
  mac.permissions().accessibilityTrusted = false;
  mac.permissions().screenCaptureGranted = false;
  open();
  pressReturn();
  ASSERT_EQ(controller->currentPage(), 1);
  struct Case {
    bool suppressed;
    const char* row;
    const char* primary;
    const char* secondary;
  };
  const Case cases[] = {
      {false, "Accessibility", "Accessibility: Open macOS Settings", "Accessibility: Use Limited Mode"},
      {false, "Screen Recording (Optional)", "Screen Recording: Open macOS Settings",
       "Screen Recording: Skip Thumbnails"},
      {true, "Accessibility", "Accessibility: Open macOS Settings", "Accessibility: Remind Me Again"},
      {true, "Screen Recording (Optional)", "Screen Recording: Open macOS Settings",
       "Screen Recording: Remind Me Again"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.row) + (c.suppressed ? ", reminders off" : ", reminders on"));
    settings->suppressAccessibilityPermissionPrompt = c.suppressed;
    settings->suppressScreenRecordingPermissionPrompt = c.suppressed;
    scheduler.advance(2.0);  // the page's refresh
    OnboardingPermissionRow* row = nullptr;
    for (auto* candidate : controller->window().findChildren<OnboardingPermissionRow*>())
      if (candidate->title() == c.row) row = candidate;
    ASSERT_NE(row, nullptr);
    QAccessibleInterface* primary = accessible(row->primaryButton());
    QAccessibleInterface* secondary = accessible(row->secondaryButton());
    ASSERT_TRUE(primary && secondary);
    EXPECT_EQ(primary->text(QAccessible::Name).toStdString(), c.primary);
    EXPECT_EQ(secondary->text(QAccessible::Name).toStdString(), c.secondary);
    EXPECT_EQ(row->primaryButton().text(), "Open macOS Settings") << "the title stays the button's own";
  }
}

// The focus goes to the new page's first control, drawn once a key has turned the page: the keyboard
// goes on from there.
TEST_F(OnboardingKeyboardTest, EachPageStartsWithTheFocusOnItsFirstControl) {
  struct Case {
    const char* what;
    bool accessibility, screenRecording;
    const char* permissionsFirst;
  };
  const Case cases[] = {
      {"nothing granted", false, false, "Open macOS Settings"},
      {"Accessibility granted", true, false, "Open macOS Settings"},
      {"both granted", true, true, "Continue"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    mac.permissions().accessibilityTrusted = c.accessibility;
    mac.permissions().screenCaptureGranted = c.screenRecording;
    settings->suppressAccessibilityPermissionPrompt = true;  // Continue goes on without asking
    open();
    EXPECT_EQ(focusedName(), "Get Started");
    key(Qt::Key_Return);
    ASSERT_EQ(controller->currentPage(), 1);
    EXPECT_EQ(focusedName(), c.permissionsFirst);
    EXPECT_TRUE(focusDrawn());
    if (!c.accessibility) {
      EXPECT_EQ(focused(), &controller->accessibilityRow()->primaryButton());
    } else if (!c.screenRecording) {
      EXPECT_EQ(focused(), &controller->screenRecordingRow()->primaryButton());
    }
    // Return is still the page's main button's, wherever the focus is.
    key(Qt::Key_Return);
    ASSERT_EQ(controller->currentPage(), 2);
    EXPECT_EQ(focusedName(), "Win Text");
    EXPECT_TRUE(focusDrawn());
    controller->window().close();
    flushDeletes();
  }
}

// Walked with the mouse alone, the guide draws no focus: not as a click opens it, not on the page a click
// turned, not on the one after; a Tab on the way draws it from there on.
TEST_F(OnboardingKeyboardTest, PagesTurnedByAClickDrawNoFocus) {
  mac.permissions().accessibilityTrusted = false;
  settings->suppressAccessibilityPermissionPrompt = true;  // Continue goes on without asking
  QWidget statusMenu;                                      // the guide is opened from it with a click
  mouse(statusMenu, QEvent::MouseButtonPress, QPoint(5, 5));
  mouse(statusMenu, QEvent::MouseButtonRelease, QPoint(5, 5));
  open();
  EXPECT_EQ(focusedName(), "Get Started");
  EXPECT_FALSE(focusDrawn());
  const auto clickDefaultButton = [this] {
    QPushButton& button = *controller->defaultButton();
    mouse(button, QEvent::MouseButtonPress, button.rect().center());
    mouse(button, QEvent::MouseButtonRelease, button.rect().center());
  };
  clickDefaultButton();  // "Get Started"
  ASSERT_EQ(controller->currentPage(), 1);
  EXPECT_EQ(focused(), &controller->accessibilityRow()->primaryButton());
  EXPECT_FALSE(focusDrawn()) << focusedName();

  key(Qt::Key_Tab);
  EXPECT_NE(focused(), &controller->accessibilityRow()->primaryButton()) << "Tab moved nothing";
  EXPECT_TRUE(focusDrawn()) << focusedName();

  clickDefaultButton();  // "Continue"
  ASSERT_EQ(controller->currentPage(), 2);
  EXPECT_EQ(focusedName(), "Win Text");
  EXPECT_FALSE(focusDrawn()) << focusedName();
}

TEST_F(OnboardingKeyboardTest, TabAndTheArrowKeysMoveBetweenTheCardsAndSpaceOrReturnChoosesOne) {
  goToPresets();
  // The grid, two cards a row: Win Text, Win Icons / Win 11, Dock / Glass, Minimal.
  struct Move {
    Qt::Key key;
    const char* to;
  };
  const Move moves[] = {
      {Qt::Key_Right, "Win Icons"}, {Qt::Key_Right, "Win Icons"}, {Qt::Key_Down, "Dock"},
      {Qt::Key_Down, "Minimal"},    {Qt::Key_Down, "Minimal"},    {Qt::Key_Left, "Glass"},
      {Qt::Key_Up, "Win 11"},       {Qt::Key_Up, "Win Text"},     {Qt::Key_Left, "Win Text"},
      {Qt::Key_Tab, "Win Icons"},   {Qt::Key_Tab, "Win 11"},      {Qt::Key_Tab, "Dock"},
      {Qt::Key_Tab, "Glass"},       {Qt::Key_Tab, "Minimal"},     {Qt::Key_Tab, "Finish"},
      {Qt::Key_Tab, "Win Text"},
  };
  for (const Move& move : moves) {
    key(move.key);
    EXPECT_EQ(focusedName(), move.to);
    EXPECT_TRUE(focusDrawn()) << move.to;
  }
  EXPECT_FALSE(controller->didSelectPreset()) << "moving chose a card";

  key(Qt::Key_Right);
  key(Qt::Key_Space);
  EXPECT_TRUE(controller->didSelectPreset());
  EXPECT_TRUE(card(TaskbarPresetID::windowsIcons).isSelected());
  EXPECT_EQ(settings->taskbarSize.get(), 98);  // "Win Icons"
  scheduler.advance(0.5);
  EXPECT_TRUE(completed());
  flushDeletes();

  goToPresets();
  key(Qt::Key_Down);
  key(Qt::Key_Down);
  key(Qt::Key_Return);
  EXPECT_TRUE(card(TaskbarPresetID::glass).isSelected());
  EXPECT_EQ(settings->taskbarSize.get(), 114);
}

// Each page of the guide by Tab in reading order, the cards row by row, and by Shift+Tab the same way
// back; both go round from the last control to the first.
TEST_F(OnboardingKeyboardTest, TabGoesThroughEachPageInReadingOrderAndShiftTabGoesBack) {
  mac.permissions().accessibilityTrusted = false;
  mac.permissions().screenCaptureGranted = false;
  settings->suppressAccessibilityPermissionPrompt = true;  // Continue goes on without asking
  open();
  const std::vector<std::vector<std::string>> pages = {
      {"Get Started"},
      {"Accessibility: Open macOS Settings", "Accessibility: Remind Me Again",
       "Screen Recording: Open macOS Settings", "Screen Recording: Skip Thumbnails", "Continue"},
      {"Win Text", "Win Icons", "Win 11", "Dock", "Glass", "Minimal", "Finish"},
  };
  auto name = [this] {
    QWidget* widget = focused();
    if (!widget) return std::string("(none)");
    return widget->accessibleName().isEmpty() ? focusedName() : widget->accessibleName().toStdString();
  };
  for (size_t page = 0; page < pages.size(); ++page) {
    SCOPED_TRACE(page);
    ASSERT_EQ(controller->currentPage(), static_cast<int>(page));
    const std::vector<std::string>& order = pages[page];
    QApplication::processEvents();  // the new page laid out, as before the user sees it
    ASSERT_EQ(name(), order.front());
    QWidget* first = focused();
    std::vector<std::string> forward;
    std::optional<QRect> previous;
    for (size_t i = 0; i < order.size(); ++i) {
      forward.push_back(name());
      const QRect place(focused()->mapTo(&controller->window(), QPoint()), focused()->size());
      if (previous) {
        const bool sameLine = place.top() <= previous->bottom() && previous->top() <= place.bottom();
        EXPECT_TRUE(sameLine ? place.left() > previous->left() : place.top() > previous->top()) << name();
      }
      previous = place;
      key(Qt::Key_Tab);
    }
    EXPECT_EQ(forward, order);
    EXPECT_EQ(focused(), first) << "round to the first control";

    std::vector<std::string> back;
    for (size_t i = 0; i < order.size(); ++i) {
      key(Qt::Key_Backtab);
      back.push_back(name());
    }
    EXPECT_EQ(back, std::vector<std::string>(order.rbegin(), order.rend()));
    key(Qt::Key_Return);
  }
}

}  // namespace
}  // namespace pelko
