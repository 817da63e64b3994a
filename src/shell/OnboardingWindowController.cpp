#include "shell/OnboardingWindowController.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

#include "platform/Alerts.h"
#include "platform/AppShell.h"
#include "platform/Permissions.h"
#include "platform/UserDefaults.h"
#include "settings/SettingsManager.h"
#include "shell/OnboardingPages.h"
#include "shell/OnboardingPermissionRow.h"
#include "shell/OnboardingPresetCardView.h"
#include "shell/ShellWindowStyle.h"
#include "tracking/AccessibilityHelper.h"
#include "ui/QtAlerts.h"
#include "ui/ReadingOrderFocusChain.h"

namespace pelko {

// The guide's window: Return presses the page's main button, and closing tells the controller.
class OnboardingWindow final : public QWidget {
 public:
  OnboardingWindow() : QWidget(nullptr, Qt::Window) {}

  std::function<void()> onReturn;
  std::function<void()> onWillClose;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    const bool isReturn = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (isReturn && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && onReturn) {
      event->accept();
      onReturn();
      return;
    }
    QWidget::keyPressEvent(event);
  }
  void mousePressEvent(QMouseEvent* event) override {
    if (moveWindowByBackground(*this, *event)) return event->accept();
    QWidget::mousePressEvent(event);
  }
  void closeEvent(QCloseEvent* event) override {
    QWidget::closeEvent(event);
    if (onWillClose) onWillClose();
  }
  // Tab and Shift+Tab go through the page in reading order, whatever order its controls were made in.
  bool focusNextPrevChild(bool next) override {
    applyReadingOrderFocusChain(*this);
    return QWidget::focusNextPrevChild(next);
  }
};

namespace {
// The first control of `page` in the window's Tab order that the keyboard can reach now.
QWidget* firstControl(QWidget& page) {
  QWidget* window = page.window();
  QWidget* candidate = page.nextInFocusChain();
  for (int guard = 0; candidate && candidate != &page && guard < 10000; ++guard) {
    if (page.isAncestorOf(candidate) && candidate->isEnabled() && candidate->isVisibleTo(window) &&
        (candidate->focusPolicy() & Qt::TabFocus) && !candidate->focusProxy())
      return candidate;
    candidate = candidate->nextInFocusChain();
  }
  return nullptr;
}
}  // namespace

OnboardingWindowController::OnboardingWindowController(const Dependencies& dependencies,
                                                       SettingsManager* settingsManager)
    : deps_(dependencies),
      settingsManager_(settingsManager),
      wasCompletedBefore_(dependencies.userDefaults.boolForKey(kOnboardingCompleteKey)),
      window_(std::make_unique<OnboardingWindow>()) {
  window_->setWindowTitle(QStringLiteral("Welcome to Pelko"));
  window_->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
  window_->setFixedSize(kWindowWidth, kWindowHeight);
  window_->setWindowIcon(ownApplicationWindowIcon(deps_.appShell));
  window_->onReturn = [this] {
    if (defaultButton_) defaultButton_->click();
  };
  window_->onWillClose = [this] { windowWillClose(); };
  contentContainer_ = new QVBoxLayout(window_.get());
  contentContainer_->setContentsMargins(0, 0, 0, 0);
  showPage(0);
}

OnboardingWindowController::~OnboardingWindowController() {
  stopRefreshTimer();
  if (pendingFinish_) pendingFinish_->cancel();
  window_->onWillClose = nullptr;
}

QWidget& OnboardingWindowController::window() const {
  return *window_;
}

void OnboardingWindowController::showOnboarding() {
  deps_.appShell.activateOwnProcess();
  if (window_->isMinimized()) window_->showNormal();
  presentCentredOnMainScreen(*window_);
}

void OnboardingWindowController::showPage(int index) {
  if (index < 0 || index >= kPageCount) return;
  currentPage_ = index;
  // The old page may be the one whose button is being handled right now: it leaves the window at once
  // and is deleted once that handling is over.
  if (currentPageView_) {
    currentPageView_->hide();
    contentContainer_->removeWidget(currentPageView_);
    currentPageView_->setParent(nullptr);
    currentPageView_->deleteLater();
  }
  stopRefreshTimer();
  clearOutlets();

  OnboardingPage page;
  switch (index) {
    case 0:
      page = makeOnboardingWelcomePage(
          ownApplicationIcon(deps_.appShell, static_cast<int>(80 * window_->devicePixelRatioF())));
      connect(page.defaultButton, &QPushButton::clicked, this, [this] { nextPage(); });
      break;
    case 1:
      page = makeOnboardingPermissionsPage();
      connect(page.defaultButton, &QPushButton::clicked, this, [this] { nextPage(); });
      connect(&page.accessibilityRow->primaryButton(), &QPushButton::clicked, this,
              [this] { grantAccessibility(); });
      connect(&page.accessibilityRow->secondaryButton(), &QPushButton::clicked, this,
              [this] { toggleOnboardingAccessibilityLimitedMode(); });
      connect(&page.screenRecordingRow->primaryButton(), &QPushButton::clicked, this,
              [this] { grantScreenRecording(); });
      connect(&page.screenRecordingRow->secondaryButton(), &QPushButton::clicked, this,
              [this] { toggleOnboardingScreenRecordingSkip(); });
      break;
    default:
      page = makeOnboardingPresetsPage();
      connect(page.defaultButton, &QPushButton::clicked, this, [this] { finishOnboarding(); });
      for (OnboardingPresetCardView* card : page.presetCards) {
        const TaskbarPresetID preset = card->preset();
        card->action = [self = QPointer(this), preset] {
          if (self) self->choosePreset(preset);
        };
      }
      break;
  }
  page.view->setParent(window_.get());
  contentContainer_->addWidget(page.view);
  page.view->show();
  currentPageView_ = page.view;
  defaultButton_ = page.defaultButton;
  accessibilityRow_ = page.accessibilityRow;
  screenRecordingRow_ = page.screenRecordingRow;

  if (index == 1) {
    applyPermissionStates(deps_.accessibilityHelper.isTrusted(),
                          deps_.accessibilityHelper.hasScreenRecordingPermission());
    permissionsRefreshTimer_ = deps_.scheduler.scheduleRepeating(
        kPermissionsRefreshInterval, kPermissionsRefreshTolerance, [self = QPointer(this)] {
          if (self) self->refreshOnboardingPermissions();
        });
  }
  // The keyboard goes on from the new page's first control: the old page took the focus with it, and
  // the guide is walked with the keyboard from its first page (Return, then Tab). The focus is drawn
  // when a key turned the page, not a click.
  if (QWidget* first = firstControl(*page.view)) first->setFocus(Qt::OtherFocusReason);
}

bool OnboardingWindowController::isLimitedModeAcknowledged() const {
  return settingsManager_ && settingsManager_->suppressAccessibilityPermissionPrompt.get();
}

bool OnboardingWindowController::isScreenRecordingSkipAcknowledged() const {
  return settingsManager_ && settingsManager_->suppressScreenRecordingPermissionPrompt.get();
}

void OnboardingWindowController::applyPermissionStates(bool accessibilityGranted,
                                                       bool screenRecordingGranted) {
  if (accessibilityRow_)
    accessibilityRow_->apply(
        accessibilityGranted,
        permissionRowTexts(PermissionKind::accessibility, accessibilityGranted, isLimitedModeAcknowledged()));
  if (screenRecordingRow_)
    screenRecordingRow_->apply(screenRecordingGranted,
                               permissionRowTexts(PermissionKind::screenRecording, screenRecordingGranted,
                                                  isScreenRecordingSkipAcknowledged()));
}

void OnboardingWindowController::refreshOnboardingPermissions() {
  const bool accessibilityGranted = deps_.accessibilityHelper.isTrusted();
  const bool screenRecordingGranted = deps_.accessibilityHelper.hasScreenRecordingPermission();
  if (settingsManager_) {
    settingsManager_->clearAccessibilityPermissionDeclineIfNeeded();
    settingsManager_->clearScreenRecordingPermissionDeclineIfNeeded();
  }
  applyPermissionStates(accessibilityGranted, screenRecordingGranted);
  if (!screenRecordingGranted && settingsManager_) settingsManager_->showThumbnails = false;
}

void OnboardingWindowController::grantAccessibility() {
  if (settingsManager_) settingsManager_->clearLimitedModeAcknowledgement();
  (void)deps_.accessibilityHelper.requestAccessIfNeeded();
  refreshOnboardingPermissions();
}

void OnboardingWindowController::grantScreenRecording() {
  if (settingsManager_) settingsManager_->clearScreenRecordingSkipAcknowledgement();
  if (!deps_.permissions.preflightScreenCaptureAccess()) (void)deps_.permissions.requestScreenCaptureAccess();
  deps_.accessibilityHelper.openScreenRecordingSettings();
  refreshOnboardingPermissions();
}

void OnboardingWindowController::toggleOnboardingAccessibilityLimitedMode() {
  if (isLimitedModeAcknowledged()) {
    settingsManager_->clearLimitedModeAcknowledgement();
    refreshOnboardingPermissions();
    return;
  }
  QPointer self(this);
  const int answer = deps_.alerts.runModal(
      {platform::AlertContent::Style::informational,
       "Continue in Limited Mode?",
       "Pelko will still run, but active-window detection, window focus changes, and window controls will be "
       "less reliable until Accessibility is granted.",
       {"Use Limited Mode", "Cancel"},
       1},
      alertOwner(window_.get()));
  if (!self || answer != 0) return;
  if (settingsManager_) settingsManager_->acknowledgeLimitedModeWithoutAccessibility();
  refreshOnboardingPermissions();
}

void OnboardingWindowController::toggleOnboardingScreenRecordingSkip() {
  if (isScreenRecordingSkipAcknowledged()) {
    settingsManager_->clearScreenRecordingSkipAcknowledgement();
    refreshOnboardingPermissions();
    return;
  }
  QPointer self(this);
  const int answer = deps_.alerts.runModal(
      {platform::AlertContent::Style::informational,
       "Skip Thumbnails for Now?",
       "Pelko works normally without Screen Recording permission. The only blocked feature is Thumbnails, "
       "because macOS does not allow live window previews without it.",
       {"Skip Thumbnails", "Cancel"},
       1},
      alertOwner(window_.get()));
  if (!self || answer != 0) return;
  if (settingsManager_) settingsManager_->acknowledgeScreenRecordingSkip();
  refreshOnboardingPermissions();
}

void OnboardingWindowController::nextPage() {
  if (currentPage_ >= 2) {
    completeOnboarding();
    return;
  }
  if (currentPage_ == 1 && !deps_.accessibilityHelper.isTrusted()) {
    if (isLimitedModeAcknowledged()) {
      showPage(2);
      return;
    }
    QPointer self(this);
    const int answer = deps_.alerts.runModal(
        {platform::AlertContent::Style::warning,
         "Accessibility Unlocks Full Pelko Controls",
         "Without Accessibility, Pelko can still run in Limited Mode, but active-window detection and window "
         "controls will be less reliable.",
         {"Open System Settings", "Use Limited Mode"},
         platform::AlertContent::kNoButton},
        alertOwner(window_.get()));
    if (!self) return;
    if (answer == 0) {
      deps_.accessibilityHelper.openAccessibilitySettings();
    } else if (answer == 1) {
      if (settingsManager_) settingsManager_->acknowledgeLimitedModeWithoutAccessibility();
      showPage(2);
    }
    return;
  }
  showPage(currentPage_ + 1);
}

void OnboardingWindowController::choosePreset(TaskbarPresetID preset) {
  if (settingsManager_) settingsManager_->applyPreset(preset);
  highlightAndFinish();
}

void OnboardingWindowController::highlightAndFinish() {
  didSelectPreset_ = true;
  if (pendingFinish_) pendingFinish_->cancel();
  pendingFinish_ = deps_.scheduler.mainAfter(kFinishDelayAfterPreset, [self = QPointer(this)] {
    if (self) self->completeOnboarding();
  });
}

void OnboardingWindowController::finishOnboarding() {
  // A guide opened again after it was completed keeps the user's settings unless a card is chosen.
  if (!didSelectPreset_ && !wasCompletedBefore_ && settingsManager_)
    settingsManager_->applyPreset(kDefaultPreset);
  completeOnboarding();
}

void OnboardingWindowController::completeOnboarding() {
  deps_.userDefaults.setBool(kOnboardingCompleteKey, true);
  stopRefreshTimer();
  clearOutlets();
  window_->close();
}

void OnboardingWindowController::windowWillClose() {
  stopRefreshTimer();
  clearOutlets();
  if (pendingFinish_) {
    pendingFinish_->cancel();
    pendingFinish_.reset();
  }
  // The owner may drop this controller from the callback: nothing of it is touched afterwards.
  std::function<void()> callback = std::move(onClose);
  onClose = nullptr;
  if (callback) callback();
}

void OnboardingWindowController::stopRefreshTimer() {
  if (permissionsRefreshTimer_) permissionsRefreshTimer_->invalidate();
  permissionsRefreshTimer_.reset();
}

void OnboardingWindowController::clearOutlets() {
  accessibilityRow_.clear();
  screenRecordingRow_.clear();
  defaultButton_.clear();
}

}  // namespace pelko
