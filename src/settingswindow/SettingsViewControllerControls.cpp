// The controls of the settings pages, made once from the control catalogue with the store's current
// values; the small factories they are made with; the operations that show a stored choice in a
// segmented control or pop-up without sending an action; and the enabled states that follow settings.

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "settings/SettingsManager.h"
#include "settingswindow/SettingValueAccess.h"
#include "settingswindow/SettingsControlCatalog.h"
#include "settingswindow/SettingsRowView.h"
#include "settingswindow/SettingsViewController.h"
#include "ui/CheckBoxStyle.h"
#include "ui/ColorWell.h"
#include "ui/Labels.h"
#include "ui/PlainText.h"
#include "ui/PopUpButton.h"
#include "ui/SegmentedControl.h"
#include "ui/SemanticColors.h"
#include "ui/Stepper.h"
#include "ui/Switch.h"
#include "ui/WidgetOpacity.h"

namespace pelko {

namespace {

QString qText(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::optional<QString> optionalText(std::string_view text) {
  if (text.empty()) return std::nullopt;
  return qText(text);
}

QStringList qTexts(const std::vector<std::string_view>& texts) {
  QStringList list;
  for (std::string_view text : texts) list << qText(text);
  return list;
}

}  // namespace

Stepper* SettingsViewController::makeStepper(double value, double minimum, double maximum, double increment) {
  auto* stepper = new Stepper();
  stepper->setRange(minimum, maximum, increment);
  stepper->setValue(value);
  stepper->setCursor(Qt::PointingHandCursor);
  return stepper;
}

Switch* SettingsViewController::makeSwitch(bool on, const std::optional<QString>& accessibilityLabel) {
  auto* control = new Switch();
  control->setOn(on);
  if (accessibilityLabel) control->setAccessibleName(*accessibilityLabel);
  return control;
}

QCheckBox* SettingsViewController::makeCheckbox(const QString& title, bool on) {
  auto* box = new QCheckBox(plainButtonTitle(title));
  box->setChecked(on);
  box->setCursor(Qt::PointingHandCursor);
  applyCheckBoxStyle(*box);
  return box;
}

void SettingsViewController::buildAllControls() {
  if (!controls_.empty()) return;
  SettingsManager& settings = *settingsManager_;
  for (const SettingsControlEntry& entry : settingsControlCatalog()) {
    SettingBase* setting = findSetting(settings, entry.setting);
    if (!setting) continue;
    QWidget* widget = nullptr;
    switch (entry.kind) {
      case SettingsControlKind::switchControl:
        if (auto* on = settingOfType<bool>(setting))
          widget = makeSwitch(on->get(), optionalText(entry.accessibilityLabel));
        break;
      case SettingsControlKind::checkbox:
        if (auto* on = settingOfType<bool>(setting))
          widget = makeCheckbox(qText(entry.choices.at(0)), on->get());
        break;
      case SettingsControlKind::stepper:
        if (auto* number = settingOfType<double>(setting)) {
          widget = makeStepper(stepperValueForSetting(entry, number->get()), entry.minimum, entry.maximum,
                               entry.increment);
          auto* label = makePlainLabel(
              QString::fromStdString(formatValueLabel(entry, number->get(), settings.barThickness())),
              {12, QFont::Normal, semanticColor(SemanticColor::label), true});
          valueLabels_[valueLabelField(entry.field)] = label;
        }
        break;
      case SettingsControlKind::segmented:
        widget = new SegmentedControl(qTexts(entry.choices));
        widget->setCursor(Qt::PointingHandCursor);
        break;
      case SettingsControlKind::enumPopUp: {
        auto* popUp = new PopUpButton();
        visitEnumSetting(setting, [&](auto& typed) {
          using E = std::decay_t<decltype(typed.get())>;
          for (E value : allCases<E>()) popUp->addItem(qText(displayName(value)), qText(rawValue(value)));
        });
        popUp->setCursor(Qt::PointingHandCursor);
        widget = popUp;
        break;
      }
      case SettingsControlKind::titlePopUp: {
        auto* popUp = new PopUpButton();
        popUp->addItems(qTexts(entry.choices));
        if (auto* stored = settingOfType<std::string>(setting))
          popUp->setCurrentIndex(indicatorPositionIndex(stored->get()));
        popUp->setCursor(Qt::PointingHandCursor);
        widget = popUp;
        break;
      }
      case SettingsControlKind::largeColorWell:
      case SettingsControlKind::smallColorWell:
        if (auto* color = settingOfType<Color>(setting)) {
          auto* well = new ColorWell();
          well->setColor(color->get());
          if (entry.kind == SettingsControlKind::largeColorWell)
            well->setFixedSize(44, 28);
          else
            well->setFixedSize(36, 22);
          well->setCursor(Qt::PointingHandCursor);
          widget = well;
        }
        break;
    }
    if (!widget) continue;
    widget->setObjectName(qText(entry.field));
    if (!entry.tooltip.empty()) setPlainToolTip(*widget, qText(entry.tooltip));
    controls_[std::string(entry.field)] = widget;
    connectControlAction(entry, widget);
  }

  syncPositionControl();
  syncStylePopUp();
  syncWindowCountStylePopUp();
  syncItemAlignmentControl();
  syncMultiMonitorPopUp();
  syncAutoHideAnimationPopUp();
  syncDockModeControl();
  syncClockAlignmentControl();
  syncDateAlignmentControl();
  syncBatteryIconStylePopUp();

  const SettingsSnapshot snapshot = currentSnapshot();
  for (const SettingsControlEntry& entry : settingsControlCatalog())
    setControlEnabledByRule(entry.field, snapshot);
  updateBorderControlsEnabled();
}

QWidget* SettingsViewController::control(std::string_view field) const {
  auto found = controls_.find(std::string(field));
  return found == controls_.end() ? nullptr : found->second;
}

QLabel* SettingsViewController::valueLabel(std::string_view stepperField) const {
  auto found = valueLabels_.find(valueLabelField(stepperField));
  return found == valueLabels_.end() ? nullptr : found->second;
}

QWidget* SettingsViewController::storedRow(std::string_view field) const {
  auto found = storedRows_.find(std::string(field));
  return found == storedRows_.end() ? nullptr : found->second.data();
}

SettingsSnapshot SettingsViewController::currentSnapshot() const {
  return settingsSnapshot(*settingsManager_, hasScreenRecordingPermission());
}

void SettingsViewController::setControlEnabledByRule(std::string_view field,
                                                     const SettingsSnapshot& snapshot) {
  if (QWidget* widget = control(field)) widget->setEnabled(isControlEnabled(field, snapshot));
}

void SettingsViewController::updateBorderControlsEnabled() {
  const SettingsSnapshot snapshot = currentSnapshot();
  for (std::string_view field :
       {controls::borderColorWell, controls::borderOpacityStepper, controls::borderWidthStepper})
    setControlEnabledByRule(field, snapshot);
  const double alpha = snapshot.anyBorderEdge() ? 1.0 : 0.4;
  for (std::string_view field : {controls::borderOpacityStepper, controls::borderWidthStepper})
    if (QLabel* label = valueLabel(field)) setWidgetOpacity(*label, alpha);
}

SettingsRowView* SettingsViewController::makeCatalogRow(std::string_view field) {
  const SettingsControlEntry* entry = findControlEntry(field);
  if (!entry) return nullptr;
  SettingsRowView* row = nullptr;
  if (entry->kind == SettingsControlKind::stepper)
    row = makeStepperRow(qText(entry->rowLabel), control(field), valueLabel(field),
                         optionalText(entry->helpText));
  else
    row = makeRow(qText(entry->rowLabel), control(field), optionalText(entry->helpText));
  if (!entry->rowField.empty()) {
    row->setObjectName(qText(entry->rowField));
    storedRows_[std::string(entry->rowField)] = row;
  }
  return row;
}

SettingsViewController::RowDescription SettingsViewController::rowDescription(std::string_view field) {
  const SettingsControlEntry* entry = findControlEntry(field);
  if (!entry) return {};
  return {qText(entry->rowLabel), control(field), optionalText(entry->helpText)};
}

SettingsRowView* SettingsViewController::makeCompactBorderRow() {
  const QString help = "Choose which edges of the taskbar should draw a border";
  auto* edges = new QWidget();
  auto* layout = new QHBoxLayout(edges);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(8);
  for (std::string_view field : {controls::borderTopCheck, controls::borderBottomCheck,
                                 controls::borderLeftCheck, controls::borderRightCheck}) {
    QWidget* check = control(field);
    if (!check) continue;
    // "Top" alone says nothing of what it turns on.
    if (const SettingsControlEntry* entry = findControlEntry(field); entry && !entry->choices.empty())
      check->setAccessibleName("Border: " + qText(entry->choices.front()));
    layout->addWidget(check, 0, Qt::AlignVCenter);
  }
  SettingsRowView* row = makeRow("Borders", edges, help);
  row->setObjectName(stored_rows::appearanceBorderEdgesRow);
  storedRows_[stored_rows::appearanceBorderEdgesRow] = row;
  return row;
}

// ---- Showing a stored choice ----

namespace {

void selectSegmentOf(SettingsViewController& view, SettingsManager& settings, std::string_view field,
                     SettingID setting) {
  auto* segments = view.control<SegmentedControl>(field);
  if (!segments) return;
  const int index = enumIndex(findSetting(settings, setting));
  if (index >= 0) segments->setSelectedSegment(index);
}

void selectItemOf(SettingsViewController& view, SettingsManager& settings, std::string_view field,
                  SettingID setting) {
  auto* popUp = view.control<QComboBox>(field);
  if (!popUp) return;
  const std::optional<std::string> raw = enumRawValue(findSetting(settings, setting));
  if (!raw) return;
  for (int i = 0; i < popUp->count(); ++i) {
    const QVariant value = popUp->itemData(i);
    if (value.typeId() == QMetaType::QString && value.toString().toStdString() == *raw) {
      popUp->setCurrentIndex(i);
      return;
    }
  }
}

}  // namespace

void SettingsViewController::syncPositionControl() {
  selectSegmentOf(*this, *settingsManager_, controls::positionControl, SettingID::position);
}
void SettingsViewController::syncItemAlignmentControl() {
  selectSegmentOf(*this, *settingsManager_, controls::itemAlignmentControl, SettingID::itemAlignment);
}
void SettingsViewController::syncClockAlignmentControl() {
  selectSegmentOf(*this, *settingsManager_, controls::clockAlignmentControl, SettingID::clockAlignment);
}
void SettingsViewController::syncDateAlignmentControl() {
  selectSegmentOf(*this, *settingsManager_, controls::dateAlignmentControl, SettingID::dateAlignment);
}
void SettingsViewController::syncDockModeControl() {
  if (auto* segments = control<SegmentedControl>(controls::dockModeControl))
    segments->setSelectedSegment(settingsManager_->fullyHideDock.get() ? 0 : 1);
}
void SettingsViewController::syncStylePopUp() {
  selectItemOf(*this, *settingsManager_, controls::stylePopUp, SettingID::style);
}
void SettingsViewController::syncMultiMonitorPopUp() {
  selectItemOf(*this, *settingsManager_, controls::multiMonitorPopUp, SettingID::multiMonitorMode);
}
void SettingsViewController::syncWindowCountStylePopUp() {
  selectItemOf(*this, *settingsManager_, controls::windowCountStylePopUp, SettingID::windowCountStyle);
}
void SettingsViewController::syncBatteryIconStylePopUp() {
  selectItemOf(*this, *settingsManager_, controls::batteryIconStylePopUp, SettingID::batteryIconStyle);
}
void SettingsViewController::syncAutoHideAnimationPopUp() {
  selectItemOf(*this, *settingsManager_, controls::autoHideAnimationPopUp, SettingID::autoHideAnimation);
}

void SettingsViewController::updateDockButtons() {
  syncDockModeControl();
  if (optimizeDockButton_) optimizeDockButton_->setEnabled(!settingsManager_->fullyHideDock.get());
}

void SettingsViewController::refreshDockButtonsState() {
  updateDockButtons();
}

}  // namespace pelko
