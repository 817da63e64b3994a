// The Presets page, its confirmations, the reset, the footer and the quit the bar shares.

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/Alerts.h"
#include "platform/AppShell.h"
#include "settings/SettingsManager.h"
#include "settingswindow/PresetCardView.h"
#include "settingswindow/SettingsViewController.h"
#include "ui/Labels.h"
#include "ui/PlainText.h"
#include "ui/QtAlerts.h"

namespace pelko {

QWidget* SettingsViewController::buildPresetsTab() {
  auto* content = new QWidget();
  auto* column = new QVBoxLayout(content);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(18);
  std::vector<JumpItem> jumps;
  for (TaskbarPresetCategory category : allPresetCategories()) {
    QWidget* header =
        makeSectionHeader(QString::fromUtf8(title(category).data(), title(category).size()),
                          QString::fromUtf8(summary(category).data(), summary(category).size()));
    header->setContentsMargins(2, 0, 0, 0);
    column->addWidget(header);
    auto* categoryStack = new QWidget(content);
    auto* cards = new QVBoxLayout(categoryStack);
    cards->setContentsMargins(0, 0, 0, 0);
    cards->setSpacing(12);
    const std::vector<TaskbarPresetID> presets = pelko::presets(category);
    for (size_t i = 0; i < presets.size(); i += 2) {
      auto* row = new QHBoxLayout();
      row->setSpacing(12);
      for (size_t j = i; j < i + 2; ++j) {
        if (j >= presets.size()) {
          row->addWidget(new QWidget(categoryStack), 1);  // an odd last card keeps half the width
          continue;
        }
        const TaskbarPresetID preset = presets[j];
        QPointer<SettingsViewController> weakSelf(this);
        auto* card = new PresetCardView(
            std::string(symbolName(preset)), QString::fromUtf8(title(preset).data(), title(preset).size()),
            QString::fromUtf8(settingsSummary(preset).data(), settingsSummary(preset).size()),
            [weakSelf, preset] {
              if (weakSelf) weakSelf->applyPresetWithConfirmation(preset);
            },
            [weakSelf]() -> std::optional<QPoint> {
              return weakSelf ? weakSelf->pointerLocation() : std::nullopt;
            },
            categoryStack);
        row->addWidget(card, 1, Qt::AlignTop);
      }
      cards->addLayout(row);
    }
    column->addWidget(categoryStack);
    jumps.push_back({QString::fromUtf8(title(category).data(), title(category).size()), categoryStack});
  }

  auto* resetRow = new QHBoxLayout();
  resetRow->setSpacing(8);
  resetRow->addStretch(1);
  auto* reset = new QPushButton(plainButtonTitle("Reset All Settings to Defaults"), content);
  setPlainToolTip(*reset, "Reset all settings to their default values");
  reset->setCursor(Qt::PointingHandCursor);
  connect(reset, &QPushButton::clicked, this, [this] { resetToDefaults(); });
  resetRow->addWidget(reset);
  resetRow->addStretch(1);
  column->addLayout(resetRow);
  column->addStretch(1);
  return makePageLayout(nullptr, makeSectionJumpStrip(jumps), content);
}

void SettingsViewController::applyPresetWithConfirmation(TaskbarPresetID preset) {
  QPointer<SettingsViewController> weakSelf(this);
  confirmAndApplyPreset(std::string(confirmationTitle(preset)), [weakSelf, preset] {
    if (weakSelf) weakSelf->settingsManager_->applyPreset(preset);
  });
}

void SettingsViewController::confirmAndApplyPreset(const std::string& name,
                                                   const std::function<void()>& action) {
  if (window() == this) return;  // not in a window: no sheet to show
  platform::AlertContent alert;
  alert.style = platform::AlertContent::Style::informational;
  alert.messageText = "Apply " + name + " Preset?";
  alert.informativeText = "This will change multiple settings to match the " + name + " style.";
  alert.buttons = {"Apply", "Cancel"};
  alert.cancelButton = 1;
  QPointer<SettingsViewController> weakSelf(this);
  const int answer = deps_.alerts.runModal(alert, alertOwner(this));
  if (answer != 0 || !weakSelf) return;
  weakSelf->dismissSuggestion();
  if (action) action();
}

void SettingsViewController::resetToDefaults() {
  if (window() == this) return;
  platform::AlertContent alert;
  alert.style = platform::AlertContent::Style::warning;
  alert.messageText = "Reset All Settings?";
  alert.informativeText = "This will restore all settings to their default values. This cannot be undone.";
  alert.buttons = {"Reset", "Cancel"};
  alert.cancelButton = 1;
  QPointer<SettingsViewController> weakSelf(this);
  const int answer = deps_.alerts.runModal(alert, alertOwner(this));
  if (answer == 0 && weakSelf) weakSelf->settingsManager_->resetToDefaults();
}

QWidget* SettingsViewController::buildFooter() {
  auto* footer = new QWidget();
  footer->setFixedHeight(34);
  auto* column = new QVBoxLayout(footer);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(8);
  auto* line = new SettingsSeparator(footer, 0);  // across the whole footer
  column->addWidget(line);
  auto* row = new QHBoxLayout();
  row->setSpacing(8);
  const LabelStyle small{10, QFont::Normal, semanticColor(SemanticColor::tertiaryLabel)};
  footerVersionLabel_ = makePlainLabel(
      QString::fromStdString(settingsFooterVersion(deps_.appShell.versionString())), small, footer);
  row->addWidget(footerVersionLabel_);
  row->addStretch(1);
  footerHintLabel_ = makePlainLabel(
      QString::fromStdString(settingsFooterHint(static_cast<int>(settingsTabMetadata().size()))), small,
      footer);
  footerHintLabel_->setAlignment(Qt::AlignCenter);
  row->addWidget(footerHintLabel_);
  column->addLayout(row);
  return footer;
}

}  // namespace pelko
