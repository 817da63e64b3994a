// What a control does when the user changes it: it writes its one setting (converted and rounded to
// the control's grid) and rewrites its value label at once. The store persists and publishes; the
// bindings bring every other control in line. Thumbnails without the Screen Recording permission and
// launch at login are the two actions that may answer with an alert.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>

#include "platform/Alerts.h"
#include "platform/Permissions.h"
#include "settings/SettingsManager.h"
#include "settingswindow/SettingValueAccess.h"
#include "settingswindow/SettingsControlCatalog.h"
#include "settingswindow/SettingsViewController.h"
#include "tracking/AccessibilityHelper.h"
#include "ui/ColorWell.h"
#include "ui/QtAlerts.h"
#include "ui/SegmentedControl.h"
#include "ui/Stepper.h"
#include "ui/Switch.h"

namespace pelko {

namespace {

// An alert of the settings window whose second button declines, as does ending it without a choice.
platform::AlertContent settingsAlert(platform::AlertContent::Style style, std::string message,
                                     std::string text, std::string confirm, std::string decline) {
  platform::AlertContent alert;
  alert.style = style;
  alert.messageText = std::move(message);
  alert.informativeText = std::move(text);
  alert.buttons = {std::move(confirm), std::move(decline)};
  alert.cancelButton = 1;
  return alert;
}

}  // namespace

void SettingsViewController::connectControlAction(const SettingsControlEntry& entry, QWidget* widget) {
  const SettingsControlEntry* s = &entry;  // the catalogue lives for the whole program
  if (auto* control = qobject_cast<Switch*>(widget)) {
    connect(control, &Switch::toggledByUser, this, [this, s](bool on) { switchChanged(*s, on); });
  } else if (auto* box = qobject_cast<QCheckBox*>(widget)) {
    connect(box, &QCheckBox::clicked, this, [this, s](bool on) { switchChanged(*s, on); });
  } else if (auto* stepper = qobject_cast<Stepper*>(widget)) {
    connect(stepper, &Stepper::valueChangedByUser, this,
            [this, s](double value) { stepperChanged(*s, value); });
  } else if (auto* segments = qobject_cast<SegmentedControl*>(widget)) {
    connect(segments, &SegmentedControl::segmentSelectedByUser, this,
            [this, s](int segment) { segmentChanged(*s, segment); });
  } else if (auto* popUp = qobject_cast<QComboBox*>(widget)) {
    connect(popUp, &QComboBox::activated, this, [this, s](int index) { popUpChanged(*s, index); });
  } else if (auto* well = qobject_cast<ColorWell*>(widget)) {
    connect(well, &ColorWell::colorChangedByUser, this,
            [this, s](const Color& color) { colorChanged(*s, color); });
  }
}

void SettingsViewController::switchChanged(const SettingsControlEntry& entry, bool on) {
  if (entry.field == controls::showThumbnailsSwitch) return showThumbnailsChanged(on);
  if (entry.field == controls::launchAtLoginSwitch) return launchAtLoginChanged(on);
  auto* setting = settingOfType<bool>(findSetting(*settingsManager_, entry.setting));
  if (!setting) return;
  *setting = on;
  if (entry.kind == SettingsControlKind::checkbox) updateBorderControlsEnabled();
}

void SettingsViewController::stepperChanged(const SettingsControlEntry& entry, double stepperValue) {
  auto* setting = settingOfType<double>(findSetting(*settingsManager_, entry.setting));
  if (!setting) return;
  const double value = settingValueForStepper(entry, stepperValue);
  *setting = value;
  // The label shows what was asked for; a correction by the store arrives through the binding.
  if (QLabel* label = valueLabel(entry.field))
    label->setText(QString::fromStdString(formatValueLabel(entry, value, settingsManager_->barThickness())));
}

void SettingsViewController::segmentChanged(const SettingsControlEntry& entry, int segment) {
  if (entry.field == controls::dockModeControl) {
    // Only the two segments choose a mode; no selection leaves the setting as it is.
    if (segment == 0 || segment == 1) settingsManager_->fullyHideDock = segment == 0;
    return;
  }
  SettingBase* setting = findSetting(*settingsManager_, entry.setting);
  const std::optional<std::string> raw = enumRawValueAt(setting, segment);
  if (!raw) return;
  assignEnumRawValue(setting, *raw);
  if (entry.field == controls::itemAlignmentControl)
    settingsManager_->centerItems = *raw == rawValue(ItemAlignment::center);
}

void SettingsViewController::popUpChanged(const SettingsControlEntry& entry, int index) {
  if (entry.kind == SettingsControlKind::titlePopUp) {
    const auto& positions = indicatorPositions();
    if (index >= 0 && index < static_cast<int>(positions.size()))
      settingsManager_->activeIndicatorPosition = std::string(positions[static_cast<size_t>(index)]);
    return;
  }
  auto* popUp = control<QComboBox>(entry.field);
  if (!popUp || index < 0 || index >= popUp->count()) return;
  const QVariant value = popUp->itemData(index);
  if (value.typeId() != QMetaType::QString) return;
  assignEnumRawValue(findSetting(*settingsManager_, entry.setting), value.toString().toStdString());
}

void SettingsViewController::colorChanged(const SettingsControlEntry& entry, const Color& color) {
  if (auto* setting = settingOfType<Color>(findSetting(*settingsManager_, entry.setting))) *setting = color;
}

void SettingsViewController::showThumbnailsChanged(bool on) {
  if (on && !hasScreenRecordingPermission()) {
    if (auto* toggle = control<Switch>(controls::showThumbnailsSwitch)) toggle->setOn(false);
    settingsManager_->showThumbnails = false;
    rebuildThumbnailsSection();
    const int answer = deps_.alerts.runModal(
        settingsAlert(platform::AlertContent::Style::informational, "Screen Recording Permission Needed",
                      "Thumbnails show live previews of your windows. macOS requires Screen Recording "
                      "permission for this "
                      "feature. Pelko works normally without it.",
                      "Open System Settings", "Not Now"),
        alertOwner(this));
    if (answer == 0) {
      if (deps_.permissions && !deps_.permissions->preflightScreenCaptureAccess())
        deps_.permissions->requestScreenCaptureAccess();
      if (deps_.accessibilityHelper) deps_.accessibilityHelper->openScreenRecordingSettings();
    }
    return;
  }
  settingsManager_->showThumbnails = on;
}

void SettingsViewController::launchAtLoginChanged(bool on) {
  settingsManager_->launchAtLogin = on;
  const bool stored = settingsManager_->launchAtLogin.get();
  if (auto* toggle = control<Switch>(controls::launchAtLoginSwitch)) toggle->setOn(stored);
  auto openLoginItems = [this] {
    if (deps_.workspace && deps_.launchAtLogin) deps_.launchAtLogin->openLoginItemsSettings(*deps_.workspace);
  };
  if (on && !stored) {
    const int answer = deps_.alerts.runModal(
        settingsAlert(
            platform::AlertContent::Style::warning, "Could Not Enable Launch at Login",
            "Pelko couldn't register Launch at Login automatically. \"Open System Settings\" opens your "
            "autostart folder (usually ~/.config/autostart, or the nearest folder above it that exists), "
            "where your desktop finds the programs it starts at login.",
            "Open System Settings", "OK"),
        alertOwner(this));
    if (answer == 0) openLoginItems();
  }
  if (settingsManager_->launchAtLogin.get() && deps_.launchAtLogin &&
      deps_.launchAtLogin->requiresApproval() && !didShowLaunchAtLoginApprovalHint_) {
    didShowLaunchAtLoginApprovalHint_ = true;
    const int answer = deps_.alerts.runModal(
        settingsAlert(platform::AlertContent::Style::informational, "Approve Launch at Login",
                      "Pelko is registered, but macOS still needs your approval in "
                      "System Settings > General > Login Items.",
                      "Open System Settings", "Later"),
        alertOwner(this));
    if (answer == 0) openLoginItems();
  }
}

}  // namespace pelko
