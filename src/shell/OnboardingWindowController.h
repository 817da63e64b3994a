#pragma once

#include <QObject>
#include <QPointer>
#include <QPushButton>
#include <functional>
#include <memory>

#include "foundation/Scheduler.h"
#include "settings/TaskbarPreset.h"
#include "shell/OnboardingPermissionRow.h"
#include "shell/WindowPresenters.h"

class QVBoxLayout;
class QWidget;

namespace pelko {

namespace platform {
class Alerts;
class AppShell;
class Permissions;
class UserDefaults;
}  // namespace platform

class AccessibilityHelper;
class OnboardingWindow;
class SettingsManager;

// The first-run guide: a welcome page, a page that explains and asks for the Accessibility and Screen
// Recording permissions (or lets the user go on without them), and a page of preset cards. Finishing it
// records "PelkoOnboardingComplete". The window is built once per controller and hides when closed; its
// owner drops the controller from `onClose`, so a guide opened again starts from its first page.
//
// Main thread only. The controller never deletes itself; its owner may delete it any time after the
// close callback has returned (deleteLater from inside the callback).
class OnboardingWindowController final : public QObject, public OnboardingPresenter {
  Q_OBJECT
 public:
  struct Dependencies {
    Scheduler& scheduler;
    platform::UserDefaults& userDefaults;
    platform::Alerts& alerts;
    platform::Permissions& permissions;
    platform::AppShell& appShell;
    AccessibilityHelper& accessibilityHelper;
  };

  static constexpr const char* kOnboardingCompleteKey = "PelkoOnboardingComplete";
  static constexpr int kPageCount = 3;
  static constexpr int kWindowWidth = 500;
  static constexpr int kWindowHeight = 470;
  static constexpr double kPermissionsRefreshInterval = 2.0;
  static constexpr double kPermissionsRefreshTolerance = 0.5;
  static constexpr double kFinishDelayAfterPreset = 0.5;
  // The look applied by "Finish" when no card was chosen on a first run.
  static constexpr TaskbarPresetID kDefaultPreset = TaskbarPresetID::windowsText;

  // `settingsManager` may be null: the guide then changes no setting.
  OnboardingWindowController(const Dependencies& dependencies, SettingsManager* settingsManager);
  ~OnboardingWindowController() override;

  // Brings the application forward and shows the window centred, restored, focused and in front.
  void showOnboarding() override;
  void setOnClose(std::function<void()> handler) override { onClose = std::move(handler); }

  // Run once when the window closes (taken out of the field first).
  std::function<void()> onClose;

  // ---- The buttons' actions ----
  void nextPage();
  void finishOnboarding();
  void grantAccessibility();
  void grantScreenRecording();
  void toggleOnboardingAccessibilityLimitedMode();
  void toggleOnboardingScreenRecordingSkip();
  // A preset card: applies the preset, then finishes half a second later.
  void choosePreset(TaskbarPresetID preset);

  void refreshOnboardingPermissions();
  void completeOnboarding();
  void highlightAndFinish();
  void windowWillClose();

  // ---- State ----
  int currentPage() const { return currentPage_; }
  bool didSelectPreset() const { return didSelectPreset_; }
  // Whether the guide had been completed before this controller opened it.
  bool wasCompletedBefore() const { return wasCompletedBefore_; }
  const RepeatingTimerPtr& permissionsRefreshTimer() const { return permissionsRefreshTimer_; }
  QWidget& window() const;
  // The current page's controls; null when the page has none, or after the guide completed or closed.
  QPushButton* defaultButton() const { return defaultButton_; }
  OnboardingPermissionRow* accessibilityRow() const { return accessibilityRow_; }
  OnboardingPermissionRow* screenRecordingRow() const { return screenRecordingRow_; }

 private:
  void showPage(int index);
  void applyPermissionStates(bool accessibilityGranted, bool screenRecordingGranted);
  void stopRefreshTimer();
  void clearOutlets();
  bool isLimitedModeAcknowledged() const;
  bool isScreenRecordingSkipAcknowledged() const;

  Dependencies deps_;
  int currentPage_ = 0;
  QPointer<QWidget> currentPageView_;
  RepeatingTimerPtr permissionsRefreshTimer_;
  SettingsManager* settingsManager_;
  bool didSelectPreset_ = false;
  bool wasCompletedBefore_ = false;
  WorkItemPtr pendingFinish_;
  QPointer<OnboardingPermissionRow> accessibilityRow_;
  QPointer<OnboardingPermissionRow> screenRecordingRow_;
  QPointer<QPushButton> defaultButton_;
  std::unique_ptr<OnboardingWindow> window_;
  QVBoxLayout* contentContainer_ = nullptr;
};

}  // namespace pelko
