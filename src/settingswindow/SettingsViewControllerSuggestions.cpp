// The suggestion banner above the page: one at a time, each recommending one change that suits the
// settings just chosen. The rules live in SettingsSuggestions; this file shows, swaps and removes the
// banner and asks the Dock for its state.

#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include "settings/SettingsManager.h"
#include "settingswindow/SettingsSectionBox.h"
#include "settingswindow/SettingsSuggestions.h"
#include "settingswindow/SettingsViewController.h"
#include "settingswindow/SettingsViewStyle.h"
#include "ui/Labels.h"
#include "ui/PlainText.h"
#include "ui/SymbolIcon.h"

namespace pelko {

void SettingsViewController::showSuggestion(const QString& text, const std::string& key,
                                            const QString& actionTitle, std::function<void()> action) {
  if (searchField_ && !searchField_->text().trimmed().isEmpty()) return;
  if (currentSuggestionKey_ == key && suggestionContainer_) {
    currentSuggestionAction_ = std::move(action);
    return;
  }
  dismissSuggestion();
  currentSuggestionKey_ = key;
  currentSuggestionAction_ = std::move(action);
  if (!suggestionHostView_ || !suggestionHostView_->layout()) return;

  auto* box = new SettingsSectionBox(std::string("Suggestion"));
  box->applyStyle(kSettingsBrandColor.withAlpha(0.08), kSettingsBrandColor.withAlpha(0.18));
  box->setAccessibleName("Settings suggestion");
  auto* boxLayout = new QVBoxLayout(box);
  boxLayout->setContentsMargins(0, 0, 0, 0);
  auto* inner = new QWidget(box);
  inner->setMinimumHeight(44);
  boxLayout->addWidget(inner);
  auto* row = new QHBoxLayout(inner);
  row->setContentsMargins(12, 10, 8, 10);
  row->setSpacing(8);
  auto* icon = new QLabel(inner);
  icon->setPixmap(symbolImage("sparkles", 14, kSettingsBrandColor));
  icon->setFixedSize(14, 14);
  icon->setAccessibleName("Suggestion");
  row->addWidget(icon, 0, Qt::AlignVCenter);
  WrappingLabel* label = makeWrappingLabel(text);
  applyLabelStyle(*label, {12, QFont::Normal, semanticColor(SemanticColor::label)});
  label->setAccessibleName(text);
  row->addWidget(label, 1, Qt::AlignVCenter);
  auto* apply = new QPushButton(plainButtonTitle(actionTitle), inner);
  apply->setCursor(Qt::PointingHandCursor);
  connect(apply, &QPushButton::clicked, this, [this] { applySuggestion(); });
  row->addWidget(apply, 0, Qt::AlignVCenter);
  row->addSpacing(4 - row->spacing());
  auto* dismiss = new QToolButton(inner);
  dismiss->setAutoRaise(true);
  dismiss->setIcon(QIcon(symbolImage("xmark", 12, semanticColor(SemanticColor::secondaryLabel))));
  dismiss->setAccessibleName("Dismiss");
  dismiss->setCursor(Qt::PointingHandCursor);
  connect(dismiss, &QToolButton::clicked, this, [this] { dismissSuggestionClicked(); });
  row->addWidget(dismiss, 0, Qt::AlignVCenter);

  suggestionContainer_ = box;
  suggestionHostView_->layout()->addWidget(box);
  updateDisplayRenderingMode();
}

void SettingsViewController::dismissSuggestion() {
  if (suggestionContainer_) {
    // The banner may be going from inside its own button's click.
    QWidget* banner = suggestionContainer_;
    banner->hide();
    banner->setParent(nullptr);
    banner->deleteLater();
  }
  suggestionContainer_ = nullptr;
  currentSuggestionAction_ = nullptr;
  currentSuggestionKey_.reset();
}

void SettingsViewController::applySuggestion() {
  // The action may show another banner (a binding re-evaluates); it runs from a copy.
  if (std::function<void()> action = currentSuggestionAction_) action();
  dismissSuggestion();
}

void SettingsViewController::dismissSuggestionClicked() {
  dismissedSuggestionKey_ = currentSuggestionKey_;
  dismissSuggestion();
}

void SettingsViewController::carryOut(const settings_suggestions::Decision& decision) {
  using Kind = settings_suggestions::Decision::Kind;
  switch (decision.kind) {
    case Kind::leave:
      return;
    case Kind::dismissOwn:
      if (settings_suggestions::removes(decision, currentSuggestionKey_)) dismissSuggestion();
      return;
    case Kind::show:
      break;
  }
  const settings_suggestions::Suggestion& suggestion = *decision.suggestion;
  QPointer<SettingsViewController> weakSelf(this);
  std::function<void()> action;
  if (suggestion.apply) {
    action = [weakSelf, apply = suggestion.apply] {
      if (weakSelf) apply(*weakSelf->settingsManager_);
    };
  } else {
    action = [weakSelf] {
      if (weakSelf) weakSelf->optimizeVisibleDock();
    };
  }
  showSuggestion(QString::fromStdString(suggestion.text), suggestion.key,
                 QString::fromStdString(suggestion.actionTitle), std::move(action));
}

void SettingsViewController::evaluatePositionSuggestion() {
  carryOut(settings_suggestions::position(settings_suggestions::inputsFrom(*settingsManager_),
                                          dismissedSuggestionKey_));
}

void SettingsViewController::evaluateStyleSuggestion() {
  carryOut(settings_suggestions::style(settings_suggestions::inputsFrom(*settingsManager_),
                                       dismissedSuggestionKey_));
}

void SettingsViewController::evaluateEqualWidthSuggestion() {
  carryOut(settings_suggestions::equalWidth(settings_suggestions::inputsFrom(*settingsManager_),
                                            dismissedSuggestionKey_));
}

void SettingsViewController::evaluateGroupedTitleSuggestion() {
  carryOut(settings_suggestions::groupedTitle(settings_suggestions::inputsFrom(*settingsManager_),
                                              dismissedSuggestionKey_));
}

void SettingsViewController::evaluateAutoHideSuggestion() {
  carryOut(settings_suggestions::autoHide(settings_suggestions::inputsFrom(*settingsManager_),
                                          dismissedSuggestionKey_));
}

void SettingsViewController::evaluateDockSuggestion() {
  if (currentTabIndex_ != 2 || settingsManager_->isBatchingUpdates) return;
  if (settingsManager_->fullyHideDock.get()) {
    carryOut({settings_suggestions::Decision::Kind::dismissOwn, std::nullopt,
              std::string(settings_suggestions::kDockKeyPrefix)});
    return;
  }
  if (!deps_.dockVisibilitySnapshot) return;
  const TaskbarPosition position = settingsManager_->position.get();
  QPointer<SettingsViewController> weakSelf(this);
  deps_.dockVisibilitySnapshot([weakSelf, position](const DockManager::VisibilitySnapshot& snapshot) {
    if (!weakSelf) return;
    SettingsViewController& self = *weakSelf;
    // The user may have left the page, or changed the Dock mode, while the Dock was being looked at.
    if (self.currentTabIndex_ != 2) return;
    settings_suggestions::Inputs inputs = settings_suggestions::inputsFrom(*self.settingsManager_);
    inputs.position = position;
    self.carryOut(settings_suggestions::dock(inputs, snapshot, self.dismissedSuggestionKey_));
  });
}

void SettingsViewController::evaluateSuggestionsForCurrentPage() {
  switch (currentTabIndex_) {
    case 0:
      evaluatePositionSuggestion();
      evaluateStyleSuggestion();
      evaluateEqualWidthSuggestion();
      return;
    case 1:
      evaluateGroupedTitleSuggestion();
      rebuildThumbnailsSection();
      return;
    case 2:
      evaluateDockSuggestion();
      return;
    case 3:
      evaluateAutoHideSuggestion();
      return;
    default:
      return;
  }
}

}  // namespace pelko
