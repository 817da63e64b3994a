// The Behavior page's Permissions section: one row per permission with its state, a button to the
// privacy pane and a button that stops (or resumes) the reminders; refreshed every 2 s while the page is
// on screen and no search is shown.

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/Alerts.h"
#include "platform/Permissions.h"
#include "settings/SettingsManager.h"
#include "settingswindow/SettingsRowView.h"
#include "settingswindow/SettingsSectionBox.h"
#include "settingswindow/SettingsViewController.h"
#include "shell/PermissionButtonName.h"
#include "tracking/AccessibilityHelper.h"
#include "ui/Labels.h"
#include "ui/PlainText.h"
#include "ui/QtAlerts.h"
#include "ui/SymbolIcon.h"

namespace pelko {

namespace {

constexpr double kPermissionsRefreshInterval = 2.0;
constexpr double kPermissionsRefreshTolerance = 0.5;

QString qs(const std::string& text) {
  return QString::fromStdString(text);
}

}  // namespace

bool SettingsViewController::isAccessibilityTrusted() const {
  return deps_.accessibilityHelper ? deps_.accessibilityHelper->isTrusted() : true;
}

bool SettingsViewController::hasScreenRecordingPermission() const {
  if (deps_.accessibilityHelper) return deps_.accessibilityHelper->hasScreenRecordingPermission();
  return deps_.hasScreenRecordingPermission ? deps_.hasScreenRecordingPermission() : true;
}

SettingsSectionBox* SettingsViewController::buildPermissionsSection() {
  QPointer<SettingsViewController> weakSelf(this);
  auto call = [weakSelf](void (SettingsViewController::*action)()) {
    return [weakSelf, action] {
      if (weakSelf) (weakSelf.data()->*action)();
    };
  };
  // Two custom rows: the box puts a separator between them.
  return makeSectionBox(
             {},
             {makePermissionRow("Accessibility", PermissionKind::accessibility, isAccessibilityTrusted(),
                                call(&SettingsViewController::openAccessibilitySettings),
                                call(&SettingsViewController::toggleAccessibilityLimitedMode)),
              makePermissionRow("Screen Recording (Optional)", PermissionKind::screenRecording,
                                hasScreenRecordingPermission(),
                                call(&SettingsViewController::openScreenRecordingSettings),
                                call(&SettingsViewController::toggleScreenRecordingSkip))},
             "Permissions", QString("Permissions"))
      .box;
}

SettingsRowView* SettingsViewController::makePermissionRow(const QString& label, PermissionKind kind,
                                                           bool granted, std::function<void()> primaryAction,
                                                           std::function<void()> secondaryAction) {
  const bool suppressed = kind == PermissionKind::accessibility
                              ? settingsManager_->suppressAccessibilityPermissionPrompt.get()
                              : settingsManager_->suppressScreenRecordingPermissionPrompt.get();
  const PermissionRowState state = permissionRowState(kind, granted, suppressed);
  auto* row = new SettingsRowView(deps_.scheduler, label.toStdString(), state.description);
  row->setMinimumHeight(60);
  auto* line = new QHBoxLayout(row);
  line->setContentsMargins(14, 10, 14, 10);
  line->setSpacing(8);
  auto* icon = new QLabel(row);
  icon->setFixedSize(16, 16);
  icon->setProperty("permissionKind", static_cast<int>(kind) + 1);
  line->addWidget(icon, 0, Qt::AlignVCenter);
  auto* texts = new QVBoxLayout();
  texts->setSpacing(2);
  texts->addWidget(makePlainLabel(label, {13, QFont::Medium, semanticColor(SemanticColor::label)}, row));
  WrappingLabel* description = makeWrappingLabel(qs(state.description), 2);
  applyLabelStyle(*description, {11, QFont::Normal, semanticColor(SemanticColor::secondaryLabel)});
  texts->addWidget(description);
  line->addLayout(texts, 1);
  line->addSpacing(8 - line->spacing());
  auto* buttons = new QHBoxLayout();
  buttons->setSpacing(6);
  auto* secondary = new QPushButton(row);
  auto* primary = new QPushButton(row);
  for (QPushButton* button : {secondary, primary}) {
    button->setCursor(Qt::PointingHandCursor);
    buttons->addWidget(button);
  }
  connect(primary, &QPushButton::clicked, this, [primaryAction] { primaryAction(); });
  connect(secondary, &QPushButton::clicked, this, [secondaryAction] { secondaryAction(); });
  line->addLayout(buttons);

  PermissionRowViews& views =
      kind == PermissionKind::accessibility ? accessibilityPermission_ : screenRecordingPermission_;
  views = {icon, description, primary, secondary, row};
  updatePermissionRow(kind, granted, suppressed);
  return row;
}

void SettingsViewController::updatePermissionRow(PermissionKind kind, bool granted,
                                                 bool remindersSuppressed) {
  const PermissionRowViews& views = permissionRow(kind);
  const PermissionRowState state = permissionRowState(kind, granted, remindersSuppressed);
  if (views.icon) {
    views.icon->setPixmap(
        symbolImage(state.iconSymbol, 16,
                    semanticColor(granted ? SemanticColor::systemGreen : SemanticColor::systemRed)));
    views.icon->setAccessibleName(qs(state.iconDescription));
  }
  if (views.description) views.description->setFullText(qs(state.description));
  // The row's tooltip says what the description says now, not what it said when the row was built.
  if (views.row) setPlainToolTip(*views.row, qs(state.description));
  if (!views.primary || !views.secondary) return;
  views.primary->setText(plainButtonTitle(kPermissionPrimaryTitle));
  views.primary->setAccessibleName(permissionButtonName(kind, kPermissionPrimaryTitle));
  views.primary->setEnabled(true);
  setPlainToolTip(*views.primary, kPermissionPrimaryToolTip);
  views.secondary->setText(plainButtonTitle(qs(state.secondaryTitle)));
  views.secondary->setAccessibleName(permissionButtonName(kind, qs(state.secondaryTitle)));
  setPlainToolTip(*views.secondary, qs(state.secondaryToolTip));
  views.secondary->setVisible(state.secondaryVisible);
  views.secondary->setEnabled(true);
}

void SettingsViewController::refreshPermissionIndicators() {
  const bool accessibility = isAccessibilityTrusted();
  const bool screenRecording = hasScreenRecordingPermission();
  settingsManager_->clearAccessibilityPermissionDeclineIfNeeded();
  settingsManager_->clearScreenRecordingPermissionDeclineIfNeeded();
  updatePermissionRow(PermissionKind::accessibility, accessibility,
                      settingsManager_->suppressAccessibilityPermissionPrompt.get());
  updatePermissionRow(PermissionKind::screenRecording, screenRecording,
                      settingsManager_->suppressScreenRecordingPermissionPrompt.get());
  if (lastKnownScreenRecordingPermission_ == screenRecording) return;
  lastKnownScreenRecordingPermission_ = screenRecording;
  if (!screenRecording && settingsManager_->showThumbnails.get()) settingsManager_->showThumbnails = false;
  rebuildThumbnailsSection();
}

void SettingsViewController::setPermissionsRefreshActive(bool active) {
  if (!active) {
    if (permissionsRefreshTimer_) permissionsRefreshTimer_->invalidate();
    permissionsRefreshTimer_.reset();
    return;
  }
  if (permissionsRefreshTimer_) return;
  refreshPermissionIndicators();
  QPointer<SettingsViewController> weakSelf(this);
  permissionsRefreshTimer_ = deps_.scheduler.scheduleRepeating(kPermissionsRefreshInterval,
                                                               kPermissionsRefreshTolerance, [weakSelf] {
                                                                 if (weakSelf)
                                                                   weakSelf->refreshPermissionIndicators();
                                                               });
}

void SettingsViewController::openAccessibilitySettings() {
  settingsManager_->clearLimitedModeAcknowledgement();
  refreshPermissionIndicators();
  if (deps_.accessibilityHelper) deps_.accessibilityHelper->openAccessibilitySettings();
}

void SettingsViewController::openScreenRecordingSettings() {
  settingsManager_->clearScreenRecordingSkipAcknowledgement();
  refreshPermissionIndicators();
  if (deps_.permissions && !deps_.permissions->preflightScreenCaptureAccess())
    deps_.permissions->requestScreenCaptureAccess();
  if (deps_.accessibilityHelper) deps_.accessibilityHelper->openScreenRecordingSettings();
}

int SettingsViewController::runAlert(const platform::AlertContent& alert) {
  // A sheet on the settings window when the view is in one, else an alert of the whole application.
  return deps_.alerts.runModal(alert, window() == this ? platform::AlertOwner{} : alertOwner(this));
}

void SettingsViewController::toggleAccessibilityLimitedMode() {
  if (settingsManager_->suppressAccessibilityPermissionPrompt.get()) {
    settingsManager_->clearLimitedModeAcknowledgement();
    refreshPermissionIndicators();
    return;
  }
  QPointer<SettingsViewController> weakSelf(this);
  const int answer = runAlert(limitedModeAlert());
  if (answer != 0 || !weakSelf) return;
  settingsManager_->acknowledgeLimitedModeWithoutAccessibility();
  refreshPermissionIndicators();
}

void SettingsViewController::toggleScreenRecordingSkip() {
  if (settingsManager_->suppressScreenRecordingPermissionPrompt.get()) {
    settingsManager_->clearScreenRecordingSkipAcknowledgement();
    refreshPermissionIndicators();
    rebuildThumbnailsSection();
    return;
  }
  QPointer<SettingsViewController> weakSelf(this);
  const int answer = runAlert(skipThumbnailsAlert());
  if (answer != 0 || !weakSelf) return;
  settingsManager_->acknowledgeScreenRecordingSkip();
  refreshPermissionIndicators();
  rebuildThumbnailsSection();
}

}  // namespace pelko
