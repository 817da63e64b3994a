// The settings window follows the store: one subscription per entry of the binding order, each value
// handed to the main queue and handled on a later pass, so a handler never runs inside a setter and
// always reads a store that already holds the value. Handlers set controls by value (which sends no
// action), rewrite value labels, set enabled states and ask the rebuildable sections to rebuild. They
// write nothing to the store but the corner radius a smaller bar can no longer show.

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPointer>

#include "settings/SettingsManager.h"
#include "settingswindow/SettingValueAccess.h"
#include "settingswindow/SettingsControlCatalog.h"
#include "settingswindow/SettingsViewController.h"
#include "ui/ColorWell.h"
#include "ui/Stepper.h"
#include "ui/Switch.h"

namespace pelko {

namespace {

const SettingsControlEntry* controlForSetting(std::string_view setting) {
  for (const SettingsControlEntry& entry : settingsControlCatalog())
    if (entry.setting == setting) return &entry;
  return nullptr;
}

}  // namespace

void SettingsViewController::bindSettings() {
  for (const SettingsBindingEntry& binding : settingsBindingOrder())
    bindSetting(binding.setting, binding.changeOnly);
}

void SettingsViewController::bindSetting(std::string_view settingName, bool changeOnly) {
  SettingBase* setting = findSetting(*settingsManager_, settingName);
  if (!setting) return;
  QPointer<SettingsViewController> self(this);
  const std::string name(settingName);
  Scheduler& scheduler = deps_.scheduler;
  auto subscribe = [&](auto publisher, auto handle) {
    if (changeOnly) publisher = publisher.dropFirst(1);
    publisher.receiveOnMain(scheduler)
        .sink([self, name, handle](const auto& value) {
          if (self) handle(*self, name, value);
        })
        .store(cancellables_);
  };
  if (changeOnly) {
    auto handle = [](SettingsViewController& view, const std::string& setting, const auto&) {
      view.changeOnlyDelivered(setting);
    };
    if (auto* typed = settingOfType<bool>(setting))
      subscribe(typed->publisher(), handle);
    else
      visitEnumSetting(setting, [&](auto& typed) { subscribe(typed.publisher(), handle); });
    return;
  }
  if (auto* typed = settingOfType<bool>(setting)) {
    subscribe(typed->publisher(), [](SettingsViewController& view, const std::string& s, const bool& value) {
      view.boolDelivered(s, value);
    });
  } else if (auto* number = settingOfType<double>(setting)) {
    subscribe(number->publisher(), [](SettingsViewController& view, const std::string& s,
                                      const double& value) { view.numberDelivered(s, value); });
  } else if (auto* color = settingOfType<Color>(setting)) {
    subscribe(color->publisher(), [](SettingsViewController& view, const std::string& s, const Color& value) {
      view.colorDelivered(s, value);
    });
  } else if (auto* text = settingOfType<std::string>(setting)) {
    subscribe(text->publisher(), [](SettingsViewController& view, const std::string& s, const std::string&) {
      view.selectionDelivered(s);
    });
  } else if (auto* list = settingOfType<StringList>(setting)) {
    subscribe(list->publisher(), [](SettingsViewController& view, const std::string& s, const StringList&) {
      view.selectionDelivered(s);
    });
  } else {
    visitEnumSetting(setting, [&](auto& typed) {
      subscribe(typed.publisher(), [](SettingsViewController& view, const std::string& s, const auto&) {
        view.selectionDelivered(s);
      });
    });
  }
}

void SettingsViewController::boolDelivered(std::string_view setting, bool value) {
  if (const SettingsControlEntry* entry = controlForSetting(setting)) {
    if (auto* toggle = control<Switch>(entry->field)) toggle->setOn(value);
    if (auto* box = control<QCheckBox>(entry->field)) box->setChecked(value);
  }
  if (setting == "groupWindows") {
    if (QWidget* count = control("showWindowCountSwitch")) count->setEnabled(value);
    rebuildGroupingSection();
  } else if (setting == "showWindowCount") {
    rebuildGroupingSection();
  } else if (setting == "equalWidth") {
    evaluateEqualWidthSuggestion();
  } else if (setting == "showThumbnails") {
    rebuildThumbnailsSection();
  } else if (setting == "borderTop" || setting == "borderBottom" || setting == "borderLeft" ||
             setting == "borderRight") {
    updateBorderControlsEnabled();
    rebuildAppearanceBordersSection();
    evaluatePositionSuggestion();
  } else if (setting == "showSystemTray" || setting == "showBatteryIcon" || setting == "showBattery" ||
             setting == "showTime") {
    rebuildSystemTraySection();
  } else if (setting == "autoHide" || setting == "autoHideDodgeWindows") {
    rebuildAutoHideSection();
    evaluateAutoHideSuggestion();
  } else if (setting == "fullyHideDock") {
    syncDockModeControl();
    refreshDockButtonsState();
  } else if (setting == "showActiveIndicator") {
    rebuildItemsDisplaySection();
  } else if (setting == "floatingBar") {
    evaluatePositionSuggestion();
  }
}

void SettingsViewController::numberDelivered(std::string_view setting, double value) {
  const SettingsControlEntry* entry = controlForSetting(setting);
  if (!entry) return;
  if (auto* stepper = control<Stepper>(entry->field))
    stepper->setValue(stepperValueForSetting(*entry, value));
  if (QLabel* label = valueLabel(entry->field))
    label->setText(QString::fromStdString(formatValueLabel(*entry, value, settingsManager_->barThickness())));
  if (setting == "taskbarSize") applyCornerRadiusMaximum();
}

void SettingsViewController::applyCornerRadiusMaximum() {
  auto* stepper = control<Stepper>("cornerRadiusStepper");
  if (!stepper) return;
  const double maximum = cornerRadiusMaximum(settingsManager_->barThickness());
  stepper->setRange(stepper->minimum(), maximum, stepper->increment());
  // The store's radius decides, not the stepper's: during a preset or a reset the stepper still shows
  // the old radius while the store already holds the new one.
  if (settingsManager_->cornerRadius.get() > maximum) settingsManager_->cornerRadius = maximum;
}

void SettingsViewController::colorDelivered(std::string_view setting, const Color& value) {
  if (const SettingsControlEntry* entry = controlForSetting(setting))
    if (auto* well = control<ColorWell>(entry->field)) well->setColor(value);
}

void SettingsViewController::selectionDelivered(std::string_view setting) {
  const SettingsSnapshot snapshot = currentSnapshot();
  if (setting == "position") {
    syncPositionControl();
    for (std::string_view field : {"equalWidthSwitch", "maxTaskWidthStepper", "showWindowTitleSwitch"})
      setControlEnabledByRule(field, snapshot);
    rebuildAppearanceContentSection();
  } else if (setting == "style") {
    syncStylePopUp();
    for (std::string_view field : {"maxTaskWidthStepper", "showWindowTitleSwitch"})
      setControlEnabledByRule(field, snapshot);
    rebuildAppearanceContentSection();
  } else if (setting == "windowCountStyle") {
    syncWindowCountStylePopUp();
    rebuildGroupingSection();
  } else if (setting == "itemAlignment") {
    syncItemAlignmentControl();
    evaluateStyleSuggestion();
  } else if (setting == "clockAlignment") {
    syncClockAlignmentControl();
  } else if (setting == "dateAlignment") {
    syncDateAlignmentControl();
  } else if (setting == "batteryIconStyle") {
    syncBatteryIconStylePopUp();
  } else if (setting == "multiMonitorMode") {
    syncMultiMonitorPopUp();
  } else if (setting == "autoHideAnimation") {
    syncAutoHideAnimationPopUp();
  } else if (setting == "blacklistedBundleIDs") {
    rebuildBlacklistSection();
  } else if (setting == "activeIndicatorPosition") {
    if (auto* popUp = control<QComboBox>("activeIndicatorPositionPopUp"))
      popUp->setCurrentIndex(indicatorPositionIndex(settingsManager_->activeIndicatorPosition.get()));
  }
}

void SettingsViewController::changeOnlyDelivered(std::string_view setting) {
  if (setting == "style") {
    dismissedSuggestionKey_.reset();
    evaluateStyleSuggestion();
    evaluateEqualWidthSuggestion();
  } else if (setting == "position") {
    dismissedSuggestionKey_.reset();
    evaluatePositionSuggestion();
    evaluateDockSuggestion();
  } else if (setting == "groupWindows" || setting == "showWindowTitle") {
    dismissedSuggestionKey_.reset();
    evaluateGroupedTitleSuggestion();
  } else if (setting == "centerItems") {
    evaluateStyleSuggestion();
  } else if (setting == "fullyHideDock") {
    dismissedSuggestionKey_.reset();
    evaluateDockSuggestion();
  }
}

void SettingsViewController::observeShellNotifications() {
  QPointer<SettingsViewController> self(this);
  if (deps_.screenRecordingPermissionDidChange) {
    deps_.screenRecordingPermissionDidChange->receiveOnMain(deps_.scheduler)
        .sink([self](bool granted) {
          if (!self) return;
          // A change the window has not seen yet may take thumbnails away; the same state again
          // only refreshes the rows.
          if (self->lastKnownScreenRecordingPermission_ != granted) {
            self->lastKnownScreenRecordingPermission_ = granted;
            if (!granted && self->settingsManager_->showThumbnails.get())
              self->settingsManager_->showThumbnails = false;
            self->rebuildThumbnailsSection();
          }
          self->refreshPermissionIndicators();
        })
        .store(cancellables_);
  }
  if (deps_.dockVisibilityDidChange) {
    deps_.dockVisibilityDidChange->receiveOnMain(deps_.scheduler)
        .sink([self](bool) {
          if (self) self->updateDockButtons();
        })
        .store(cancellables_);
  }
}

}  // namespace pelko
