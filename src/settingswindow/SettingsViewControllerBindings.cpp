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

const SettingsControlEntry* controlForSetting(SettingID setting) {
  for (const SettingsControlEntry& entry : settingsControlCatalog())
    if (entry.setting == setting) return &entry;
  return nullptr;
}

}  // namespace

void SettingsViewController::bindSettings() {
  for (const SettingsBindingEntry& binding : settingsBindingOrder())
    bindSetting(binding.setting, binding.changeOnly);
}

void SettingsViewController::bindSetting(SettingID id, bool changeOnly) {
  SettingBase* setting = findSetting(*settingsManager_, id);
  if (!setting) return;
  QPointer<SettingsViewController> self(this);
  Scheduler& scheduler = deps_.scheduler;
  auto subscribe = [&](auto publisher, auto handle) {
    if (changeOnly) publisher = publisher.dropFirst(1);
    publisher.receiveOnMain(scheduler)
        .sink([self, id, handle](const auto& value) {
          if (self) handle(*self, id, value);
        })
        .store(cancellables_);
  };
  if (changeOnly) {
    auto handle = [](SettingsViewController& view, SettingID setting, const auto&) {
      view.changeOnlyDelivered(setting);
    };
    if (auto* typed = settingOfType<bool>(setting))
      subscribe(typed->publisher(), handle);
    else
      visitEnumSetting(setting, [&](auto& typed) { subscribe(typed.publisher(), handle); });
    return;
  }
  if (auto* typed = settingOfType<bool>(setting)) {
    subscribe(typed->publisher(), [](SettingsViewController& view, SettingID s, const bool& value) {
      view.boolDelivered(s, value);
    });
  } else if (auto* number = settingOfType<double>(setting)) {
    subscribe(number->publisher(), [](SettingsViewController& view, SettingID s, const double& value) {
      view.numberDelivered(s, value);
    });
  } else if (auto* color = settingOfType<Color>(setting)) {
    subscribe(color->publisher(), [](SettingsViewController& view, SettingID s, const Color& value) {
      view.colorDelivered(s, value);
    });
  } else if (auto* text = settingOfType<std::string>(setting)) {
    subscribe(text->publisher(), [](SettingsViewController& view, SettingID s, const std::string&) {
      view.selectionDelivered(s);
    });
  } else if (auto* list = settingOfType<StringList>(setting)) {
    subscribe(list->publisher(), [](SettingsViewController& view, SettingID s, const StringList&) {
      view.selectionDelivered(s);
    });
  } else {
    visitEnumSetting(setting, [&](auto& typed) {
      subscribe(typed.publisher(),
                [](SettingsViewController& view, SettingID s, const auto&) { view.selectionDelivered(s); });
    });
  }
}

void SettingsViewController::boolDelivered(SettingID setting, bool value) {
  if (const SettingsControlEntry* entry = controlForSetting(setting)) {
    if (auto* toggle = control<Switch>(entry->field)) toggle->setOn(value);
    if (auto* box = control<QCheckBox>(entry->field)) box->setChecked(value);
  }
  if (setting == SettingID::groupWindows) {
    if (QWidget* count = control(controls::showWindowCountSwitch)) count->setEnabled(value);
    rebuildGroupingSection();
  } else if (setting == SettingID::showWindowCount) {
    rebuildGroupingSection();
  } else if (setting == SettingID::equalWidth) {
    evaluateEqualWidthSuggestion();
  } else if (setting == SettingID::showThumbnails) {
    rebuildThumbnailsSection();
  } else if (setting == SettingID::borderTop || setting == SettingID::borderBottom ||
             setting == SettingID::borderLeft || setting == SettingID::borderRight) {
    updateBorderControlsEnabled();
    rebuildAppearanceBordersSection();
    evaluatePositionSuggestion();
  } else if (setting == SettingID::showSystemTray || setting == SettingID::showBatteryIcon ||
             setting == SettingID::showBattery || setting == SettingID::showTime) {
    rebuildSystemTraySection();
  } else if (setting == SettingID::autoHide || setting == SettingID::autoHideDodgeWindows) {
    rebuildAutoHideSection();
    evaluateAutoHideSuggestion();
  } else if (setting == SettingID::fullyHideDock) {
    syncDockModeControl();
    refreshDockButtonsState();
  } else if (setting == SettingID::showActiveIndicator) {
    rebuildItemsDisplaySection();
  } else if (setting == SettingID::floatingBar) {
    evaluatePositionSuggestion();
  }
}

void SettingsViewController::numberDelivered(SettingID setting, double value) {
  const SettingsControlEntry* entry = controlForSetting(setting);
  if (!entry) return;
  if (auto* stepper = control<Stepper>(entry->field))
    stepper->setValue(stepperValueForSetting(*entry, value));
  if (QLabel* label = valueLabel(entry->field))
    label->setText(QString::fromStdString(formatValueLabel(*entry, value, settingsManager_->barThickness())));
  if (setting == SettingID::taskbarSize) applyCornerRadiusMaximum();
}

void SettingsViewController::applyCornerRadiusMaximum() {
  auto* stepper = control<Stepper>(controls::cornerRadiusStepper);
  if (!stepper) return;
  const double maximum = cornerRadiusMaximum(settingsManager_->barThickness());
  stepper->setRange(stepper->minimum(), maximum, stepper->increment());
  // The store's radius decides, not the stepper's: during a preset or a reset the stepper still shows
  // the old radius while the store already holds the new one.
  if (settingsManager_->cornerRadius.get() > maximum) settingsManager_->cornerRadius = maximum;
}

void SettingsViewController::colorDelivered(SettingID setting, const Color& value) {
  if (const SettingsControlEntry* entry = controlForSetting(setting))
    if (auto* well = control<ColorWell>(entry->field)) well->setColor(value);
}

void SettingsViewController::selectionDelivered(SettingID setting) {
  const SettingsSnapshot snapshot = currentSnapshot();
  if (setting == SettingID::position) {
    syncPositionControl();
    for (std::string_view field :
         {controls::equalWidthSwitch, controls::maxTaskWidthStepper, controls::showWindowTitleSwitch})
      setControlEnabledByRule(field, snapshot);
    rebuildAppearanceContentSection();
  } else if (setting == SettingID::style) {
    syncStylePopUp();
    for (std::string_view field : {controls::maxTaskWidthStepper, controls::showWindowTitleSwitch})
      setControlEnabledByRule(field, snapshot);
    rebuildAppearanceContentSection();
  } else if (setting == SettingID::windowCountStyle) {
    syncWindowCountStylePopUp();
    rebuildGroupingSection();
  } else if (setting == SettingID::itemAlignment) {
    syncItemAlignmentControl();
    evaluateStyleSuggestion();
  } else if (setting == SettingID::clockAlignment) {
    syncClockAlignmentControl();
  } else if (setting == SettingID::dateAlignment) {
    syncDateAlignmentControl();
  } else if (setting == SettingID::batteryIconStyle) {
    syncBatteryIconStylePopUp();
  } else if (setting == SettingID::multiMonitorMode) {
    syncMultiMonitorPopUp();
  } else if (setting == SettingID::autoHideAnimation) {
    syncAutoHideAnimationPopUp();
  } else if (setting == SettingID::blacklistedBundleIDs) {
    rebuildBlacklistSection();
  } else if (setting == SettingID::activeIndicatorPosition) {
    if (auto* popUp = control<QComboBox>(controls::activeIndicatorPositionPopUp))
      popUp->setCurrentIndex(indicatorPositionIndex(settingsManager_->activeIndicatorPosition.get()));
  }
}

void SettingsViewController::changeOnlyDelivered(SettingID setting) {
  if (setting == SettingID::style) {
    dismissedSuggestionKey_.reset();
    evaluateStyleSuggestion();
    evaluateEqualWidthSuggestion();
  } else if (setting == SettingID::position) {
    dismissedSuggestionKey_.reset();
    evaluatePositionSuggestion();
    evaluateDockSuggestion();
  } else if (setting == SettingID::groupWindows || setting == SettingID::showWindowTitle) {
    dismissedSuggestionKey_.reset();
    evaluateGroupedTitleSuggestion();
  } else if (setting == SettingID::centerItems) {
    evaluateStyleSuggestion();
  } else if (setting == SettingID::fullyHideDock) {
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
