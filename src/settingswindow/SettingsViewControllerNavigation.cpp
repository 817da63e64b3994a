// Page switching, the header, scrolling to a section, hover refresh, the rendering mode and the
// coalesced layout pass.

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>

#include "platform/Screens.h"
#include "platform/UserDefaults.h"
#include "settingswindow/PresetCardView.h"
#include "settingswindow/SettingsSectionBox.h"
#include "settingswindow/SettingsSidebarButton.h"
#include "settingswindow/SettingsSurfaceColor.h"
#include "settingswindow/SettingsViewController.h"
#include "settingswindow/SettingsViewStyle.h"
#include "ui/Animator.h"
#include "ui/Labels.h"
#include "ui/ScreenCoordinates.h"
#include "ui/SymbolIcon.h"
#include "ui/VisualEffectView.h"

namespace pelko {

void SettingsViewController::selectTab(int index) {
  if (index < 0 || index >= pageCount()) return;
  if (searchField_ && !searchField_->text().trimmed().isEmpty()) {
    searchField_->clear();
    currentSearchResults_.clear();
    renderSearchResultsPanel(QString());
  }
  showTab(index);
}

void SettingsViewController::showTab(int index) {
  if (index < 0 || index >= pageCount()) return;
  currentTabIndex_ = index;
  for (size_t i = 0; i < sidebarButtons_.size(); ++i)
    sidebarButtons_[i]->setCurrentSelection(static_cast<int>(i) == currentTabIndex_);
  deps_.userDefaults.setObject(kLastSelectedTabKey, platform::PlistValue(int64_t{index}));
  presentScrollContent(tabViews_[static_cast<size_t>(index)]);
  scrollAnimation_.cancel();  // a jump's scroll still running belongs to the page that was shown
  if (scrollView_) scrollView_->verticalScrollBar()->setValue(0);
  dismissSuggestion();
  setPermissionsRefreshActive(index == 2);
  evaluateSuggestionsForCurrentPage();
  refreshHoverStatesInSettingsContent();
  updateDisplayRenderingMode();
  updateHeaderSummary();
  resizeWindowToFit();
}

void SettingsViewController::presentScrollContent(QWidget* page) {
  if (!tabContainer_ || !page) return;
  QLayout* holder = tabContainer_->layout();
  while (QLayoutItem* item = holder->takeAt(0)) {
    if (QWidget* shown = item->widget()) shown->hide();
    delete item;
  }
  holder->addWidget(page);
  page->show();
}

void SettingsViewController::updateHeaderSummary() {
  const auto pages = settingsTabMetadata();
  const int index = std::clamp(currentTabIndex_, 0, static_cast<int>(pages.size()) - 1);
  const SettingsTabMetadata& page = pages[static_cast<size_t>(index)];
  if (pageTitleLabel_) pageTitleLabel_->setFullText(page.title);
  if (pageIconView_) {
    if (symbolExists(page.symbolName)) {
      pageIconView_->setPixmap(symbolImage(page.symbolName, 20, kSettingsBrandColor, true));
      pageIconView_->setAccessibleName(page.title);
    } else {
      pageIconView_->clear();
    }
  }
  const std::string query = searchField_ ? searchField_->text().trimmed().toStdString() : std::string();
  if (tabSummaryLabel_)
    tabSummaryLabel_->setFullText(
        QString::fromStdString(settingsHeaderSummary(page, query, currentSearchResults_.size())));
}

void SettingsViewController::layoutSubtreeNow() {
  // Layout requests wait as posted events; the scroll area sizes the page when it sees them.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
  if (QLayout* root = layout()) root->activate();
  if (tabContainer_ && tabContainer_->layout()) tabContainer_->layout()->activate();
}

void SettingsViewController::scrollToSection(QWidget* section) {
  if (!section || !tabContainer_ || !scrollView_) return;
  layoutSubtreeNow();
  const int top = section->mapTo(tabContainer_, QPoint(0, 0)).y();
  const int target = top - 14 > 0 ? top - 14 : 0;
  QScrollBar* bar = scrollView_->verticalScrollBar();
  QPointer<QScrollBar> weakBar(bar);
  QPointer<SettingsViewController> weakSelf(this);
  AnimationSetup setup;
  setup.from = bar->value();
  setup.to = target;
  setup.duration = 0.25;
  scrollAnimation_.cancel();
  scrollAnimation_ = animator_->animate(
      setup,
      [weakBar](double value) {
        if (weakBar) weakBar->setValue(qRound(value));
      },
      [weakSelf] {
        if (weakSelf) weakSelf->refreshHoverStatesInSettingsContent();
      });
}

void SettingsViewController::jumpToSectionFromPopup(QComboBox* popup, int index) {
  if (!popup || index < 1) return;
  auto* target = popup->itemData(index).value<QObject*>();
  auto* section = qobject_cast<QWidget*>(target);
  if (!section) return;
  scrollToSection(section);
  QSignalBlocker quiet(popup);
  popup->setCurrentIndex(0);
}

void SettingsViewController::refreshHoverStatesInSettingsContent() {
  refreshHoverStates(tabContainer_);
  refreshHoverStates(searchResultsHostView_);
  refreshHoverStates(suggestionHostView_);
}

void SettingsViewController::refreshHoverStates(QWidget* view) {
  if (!view) return;
  const std::optional<QPoint> pointer = pointerLocation();
  std::vector<QWidget*> pending{view};
  // Depth first, the view before its subviews, subviews in order.
  while (!pending.empty()) {
    QWidget* current = pending.back();
    pending.pop_back();
    if (auto* refreshable = dynamic_cast<SettingsHoverRefreshable*>(current))
      refreshable->refreshHoverState(pointer);
    const QObjectList& children = current->children();
    for (auto it = children.rbegin(); it != children.rend(); ++it)
      if (auto* child = qobject_cast<QWidget*>(*it); child && !child->isWindow()) pending.push_back(child);
  }
}

std::optional<double> SettingsViewController::windowScreenScale() const {
  if (!deps_.screens) return std::nullopt;
  const std::vector<platform::ScreenInfo> screens = deps_.screens->screens();
  const QWidget* top = window();
  if (top && top != this && top->isVisible() && !screens.empty()) {
    const Rect frame = fromQtGlobal(top->frameGeometry(), screens.front().frame.height());
    const platform::ScreenInfo* best = nullptr;
    double bestArea = 0;
    for (const auto& screen : screens) {
      const double area = frame.intersectionArea(screen.frame);
      if (area > bestArea) {
        bestArea = area;
        best = &screen;
      }
    }
    if (best) return best->backingScaleFactor;
  }
  if (auto main = deps_.screens->mainScreen()) return main->backingScaleFactor;
  return std::nullopt;
}

void SettingsViewController::updateDisplayRenderingMode() {
  const SettingsRenderingMode mode = renderingModeForScale(windowScreenScale());
  currentRenderingMode_ = mode;
  const bool lowDensity = mode == SettingsRenderingMode::lowDensity;
  if (backgroundVisualEffectView_) {
    backgroundVisualEffectView_->setVisible(!lowDensity);
    backgroundVisualEffectView_->setMaterial(lowDensity ? VisualEffectMaterial::windowBackground
                                                        : VisualEffectMaterial::underWindowBackground);
  }
  if (backgroundUnderlayView_) backgroundUnderlayView_->setVisible(lowDensity);
  applyRenderingModeRecursively(this, mode);
}

void SettingsViewController::applyRenderingModeRecursively(QWidget* view, SettingsRenderingMode mode) {
  if (!view) return;
  if (auto* box = qobject_cast<SettingsSectionBox*>(view)) {
    box->applyRenderingMode(mode);
  } else if (auto* chrome = qobject_cast<SettingsChromeView*>(view)) {
    chrome->applyRenderingMode(mode);
  } else if (auto* card = qobject_cast<PresetCardView*>(view)) {
    card->applyRenderingMode(mode);
  }
  for (QObject* child : view->children())
    if (auto* widget = qobject_cast<QWidget*>(child); widget && !widget->isWindow())
      applyRenderingModeRecursively(widget, mode);
}

void SettingsViewController::resizeWindowToFit() {
  if (isWindowResizeScheduled_) return;
  isWindowResizeScheduled_ = true;
  QPointer<SettingsViewController> weakSelf(this);
  deps_.scheduler.mainAsync([weakSelf] {
    if (!weakSelf) return;
    weakSelf->isWindowResizeScheduled_ = false;
    if (weakSelf->window() == weakSelf.data()) return;  // not in a window
    ++weakSelf->layoutPassCount_;
    if (QLayout* root = weakSelf->layout()) root->activate();
    if (weakSelf->tabContainer_ && weakSelf->tabContainer_->layout())
      weakSelf->tabContainer_->layout()->activate();
  });
}

}  // namespace pelko
