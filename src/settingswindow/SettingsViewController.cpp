#include "settingswindow/SettingsViewController.h"

#include <QApplication>
#include <QCursor>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/UserDefaults.h"
#include "settings/SettingsManager.h"
#include "settingswindow/SettingsSectionBox.h"
#include "settingswindow/SettingsSidebarButton.h"
#include "settingswindow/SettingsViewStyle.h"
#include "shell/ShellWindowStyle.h"
#include "ui/Animator.h"
#include "ui/Labels.h"
#include "ui/PlainText.h"
#include "ui/QtColor.h"
#include "ui/ReadingOrderFocusChain.h"
#include "ui/SymbolIcon.h"
#include "ui/VisualEffectView.h"

namespace pelko {

namespace {

// The page area's least height, and how far it gives way on a screen too low for the window's own least
// height.
constexpr int kPageAreaLeastHeight = 360;
constexpr int kPageAreaLeastHeightOnSmallScreens = 160;
// The room kept above or below a control the page scrolls to for the keyboard: its focus ring and a
// little of its row show too.
constexpr int kFocusedControlMargin = 16;

// The opaque window background under the material, shown in the low-density mode.
class BackgroundUnderlay : public QWidget {
 public:
  using QWidget::QWidget;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter(this).fillRect(rect(), toQColor(semanticColor(SemanticColor::windowBackground)));
  }
};

}  // namespace

SettingsSeparator::SettingsSeparator(QWidget* parent, int inset) : QWidget(parent), inset_(inset) {
  setFixedHeight(1);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void SettingsSeparator::paintEvent(QPaintEvent*) {
  QPainter(this).fillRect(rect().adjusted(inset_, 0, -inset_, 0),
                          toQColor(semanticColor(SemanticColor::separator)));
}

SettingsViewController::SettingsViewController(std::shared_ptr<SettingsManager> settingsManager,
                                               Dependencies dependencies, QWidget* parent)
    : QWidget(parent),
      settingsManager_(std::move(settingsManager)),
      deps_(std::move(dependencies)),
      animator_(std::make_unique<Animator>(deps_.scheduler)) {
  resize(480, 640);
  setPalette(semanticPalette());
  QFont base = font();
  base.setPixelSize(13);
  setFont(base);
  detachedRows_ = new QWidget(this);
  detachedRows_->hide();
}

SettingsViewController::~SettingsViewController() {
  // A control that has the keyboard moves it as the base class destroys it, when this is no longer a
  // view of ours.
  disconnect(focusFollowing_);
  setPermissionsRefreshActive(false);
  if (pendingSearchUpdateWorkItem_) pendingSearchUpdateWorkItem_->cancel();
  // A row its section has never shown has no parent yet; the others go with their stacks.
  for (auto& [field, row] : storedRows_)
    if (row && !row->parent()) delete row.data();
}

void SettingsViewController::viewWillDisappear() {
  setPermissionsRefreshActive(false);
}

void SettingsViewController::loadViewIfNeeded() {
  if (viewLoaded_) return;
  viewLoaded_ = true;

  buildBackground();
  auto* mainStack = new QHBoxLayout(this);
  mainStack->setContentsMargins(20, 14, 20, 12);
  mainStack->setSpacing(18);
  mainStack->addWidget(buildSidebar(), 0, Qt::AlignTop);
  mainStack->addWidget(buildContentPanel(), 1);
  mainStack->setAlignment(sidebarSurfaceView_, Qt::Alignment());

  if (deps_.hasScreenRecordingPermission && !deps_.hasScreenRecordingPermission())
    settingsManager_->showThumbnails = false;
  lastKnownScreenRecordingPermission_ = hasScreenRecordingPermission();

  buildAllControls();
  tabViews_.push_back(buildAppearanceTab());
  tabViews_.push_back(buildItemsTab());
  tabViews_.push_back(buildBehaviorTab());
  tabViews_.push_back(buildAutoHideTab());
  tabViews_.push_back(buildPresetsTab());
  for (QWidget* page : tabViews_) {
    page->setParent(tabContainer_);
    page->hide();
  }

  connectSearchField();
  footerView_ = buildFooter();
  contentStack_->addWidget(footerView_);

  focusFollowing_ = connect(qApp, &QApplication::focusChanged, this,
                            [this](QWidget*, QWidget* now) { revealFocusedControl(now); });

  selectTab(restoredSettingsPageIndex(deps_.userDefaults.doubleForKey(kLastSelectedTabKey), pageCount()));
  bindSettings();
  observeShellNotifications();
  refreshDockButtonsState();
}

void SettingsViewController::buildBackground() {
  backgroundUnderlayView_ = new BackgroundUnderlay(this);
  backgroundVisualEffectView_ = new VisualEffectView(this);
  backgroundVisualEffectView_->setMaterial(VisualEffectMaterial::underWindowBackground);
  backgroundVisualEffectView_->setBlendingMode(VisualEffectBlending::withinWindow);
  backgroundVisualEffectView_->setState(VisualEffectState::active);
  backgroundUnderlayView_->setGeometry(rect());
  backgroundVisualEffectView_->setGeometry(rect());
}

void SettingsViewController::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (backgroundUnderlayView_) backgroundUnderlayView_->setGeometry(rect());
  if (backgroundVisualEffectView_) backgroundVisualEffectView_->setGeometry(rect());
}

QWidget* SettingsViewController::buildSidebar() {
  auto* surface = new SettingsChromeView(semanticColor(SemanticColor::windowBackground, 0.88),
                                         semanticColor(SemanticColor::separator, 0.18), 18, true, this);
  sidebarSurfaceView_ = surface;
  surface->setFixedWidth(228);
  auto* stack = new QVBoxLayout(surface);
  stack->setContentsMargins(16, 18, 16, 16);
  stack->setSpacing(14);

  auto* brandRow = new QHBoxLayout();
  brandRow->setSpacing(12);
  // The program's own icon, as About and the onboarding show it, drawn for a sharp picture at twice the
  // size on a screen of that density.
  auto* icon = new QLabel(surface);
  icon->setObjectName("brandIcon");
  QPixmap brand = ownApplicationIcon(deps_.appShell, 68);
  brand.setDevicePixelRatio(2);
  icon->setPixmap(brand);
  icon->setFixedSize(34, 34);
  brandRow->addWidget(icon, 0, Qt::AlignVCenter);
  auto* brandText = new QVBoxLayout();
  brandText->setSpacing(2);
  brandText->addWidget(
      makePlainLabel("Pelko Settings", {18, QFont::DemiBold, semanticColor(SemanticColor::label)}));
  auto* subtitle = makeWrappingLabel("Layout, items, behavior, presets, and maintenance in one place.", 3);
  applyLabelStyle(*subtitle, {11, QFont::Normal, semanticColor(SemanticColor::secondaryLabel)});
  brandText->addWidget(subtitle);
  brandRow->addLayout(brandText, 1);
  stack->addLayout(brandRow);
  stack->addWidget(new SettingsSeparator(surface, 0));

  auto* buttons = new QVBoxLayout();
  buttons->setSpacing(6);
  const auto pages = settingsTabMetadata();
  for (size_t index = 0; index < pages.size(); ++index) {
    auto* button =
        new SettingsSidebarButton(pages[index].symbolName, pages[index].title, pages[index].summary, surface);
    connect(button, &QAbstractButton::clicked, this, [this, index] { selectTab(static_cast<int>(index)); });
    buttons->addWidget(button);
    sidebarButtons_.push_back(button);
  }
  stack->addLayout(buttons);
  stack->addStretch(1);

  keyboardHintLabel_ =
      makeWrappingLabel(QString::fromStdString(settingsKeyboardHint(static_cast<int>(pages.size()))), 3);
  applyLabelStyle(*keyboardHintLabel_, {10, QFont::Normal, semanticColor(SemanticColor::tertiaryLabel)});
  keyboardHintLabel_->setContentsMargins(2, 0, 2, 0);
  stack->addWidget(keyboardHintLabel_);
  return surface;
}

QWidget* SettingsViewController::buildContentPanel() {
  auto* surface = new SettingsChromeView(semanticColor(SemanticColor::windowBackground, 0.96),
                                         semanticColor(SemanticColor::separator, 0.16), 18, true, this);
  contentSurfaceView_ = surface;
  contentStack_ = new QVBoxLayout(surface);
  contentStack_->setContentsMargins(22, 22, 22, 16);
  contentStack_->setSpacing(14);

  auto* header = new QHBoxLayout();
  header->setSpacing(12);
  auto* badge = new SettingsChromeView(kSettingsBrandColor.withAlpha(0.12),
                                       kSettingsBrandColor.withAlpha(0.18), 11, false, surface);
  badge->setFixedSize(42, 42);
  pageIconView_ = new QLabel(badge);
  pageIconView_->setGeometry(11, 11, 20, 20);
  header->addWidget(badge, 0, Qt::AlignVCenter);
  auto* titles = new QVBoxLayout();
  titles->setSpacing(3);
  pageTitleLabel_ = new ElidingLabel("", {24, QFont::DemiBold, semanticColor(SemanticColor::label)}, surface);
  // The title keeps its whole width: the search field gives up its spare width first.
  pageTitleLabel_->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Preferred);
  titles->addWidget(pageTitleLabel_);
  tabSummaryLabel_ = makeWrappingLabel("", 2);
  applyLabelStyle(*tabSummaryLabel_, {12, QFont::Normal, semanticColor(SemanticColor::secondaryLabel)});
  titles->addWidget(tabSummaryLabel_);
  header->addLayout(titles, 1);
  searchField_ = new QLineEdit(surface);
  searchField_->setPlaceholderText("Search settings or jump to a control (Ctrl+F)");
  // Qt does not name a field by its placeholder; a screen reader meets the field by the same words.
  searchField_->setAccessibleName(searchField_->placeholderText());
  setPlainToolTip(*searchField_, "Search across all settings and jump directly to a matching control");
  searchField_->setClearButtonEnabled(true);
  searchField_->setMinimumWidth(280);
  searchField_->setMaximumWidth(360);
  // The field takes two parts of the header's width to the titles' one, from 280 up to 360 points: at
  // the window's usual width its whole placeholder shows.
  header->addWidget(searchField_, 2, Qt::AlignTop);
  contentStack_->addLayout(header);

  searchResultsHostView_ = new QWidget(surface);
  auto* results = new QVBoxLayout(searchResultsHostView_);
  results->setContentsMargins(0, 0, 0, 0);
  results->setSpacing(8);
  searchResultsHostView_->hide();
  contentStack_->addWidget(searchResultsHostView_);

  suggestionHostView_ = new QWidget(surface);
  auto* suggestions = new QVBoxLayout(suggestionHostView_);
  suggestions->setContentsMargins(0, 0, 0, 0);
  suggestions->setSpacing(0);
  contentStack_->addWidget(suggestionHostView_);

  scrollView_ = new QScrollArea(surface);
  // Not a stop of its own for Tab: the keyboard goes from the search field to the page's first control,
  // and the page scrolls to whichever control has the focus.
  scrollView_->setFocusPolicy(Qt::NoFocus);
  scrollView_->setFrameShape(QFrame::NoFrame);
  scrollView_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scrollView_->setWidgetResizable(true);
  scrollView_->setMinimumHeight(kPageAreaLeastHeight);
  scrollView_->viewport()->setAutoFillBackground(false);
  tabContainer_ = new QWidget();
  tabContainer_->setAutoFillBackground(false);
  auto* pageHolder = new QVBoxLayout(tabContainer_);
  pageHolder->setContentsMargins(0, 0, 0, 0);
  scrollView_->setWidget(tabContainer_);
  tabContainer_->setAutoFillBackground(false);  // the area shows the content surface behind it
  connect(scrollView_->verticalScrollBar(), &QScrollBar::valueChanged, this,
          [this] { refreshHoverStatesInSettingsContent(); });
  contentStack_->addWidget(scrollView_, 1);
  return surface;
}

void SettingsViewController::fitIntoHeight(int height) {
  if (!scrollView_) return;
  scrollView_->setMinimumHeight(kPageAreaLeastHeight);
  const int rest = minimumSizeHint().height() - kPageAreaLeastHeight;
  scrollView_->setMinimumHeight(
      std::clamp(height - rest, kPageAreaLeastHeightOnSmallScreens, kPageAreaLeastHeight));
}

bool SettingsViewController::focusNextPrevChild(bool next) {
  applyReadingOrderFocusChain(*window());
  return QWidget::focusNextPrevChild(next);
}

void SettingsViewController::revealFocusedControl(QWidget* focused) {
  if (!focused || !scrollView_ || !tabContainer_ || !tabContainer_->isAncestorOf(focused)) return;
  // A control the pointer is pressing is where the user sees it; scrolling it now would move it from
  // under the press.
  if (QGuiApplication::mouseButtons() != Qt::NoButton) return;
  scrollView_->ensureWidgetVisible(focused, 0, kFocusedControlMargin);
}

void SettingsViewController::viewDidAppear() {
  updateDisplayRenderingMode();
  refreshHoverStatesInSettingsContent();
  resizeWindowToFit();
}

WrappingLabel* SettingsViewController::makeWrappingLabel(const QString& text, int maxLines) {
  return new WrappingLabel(text, LabelStyle{}, maxLines);
}

std::optional<QPoint> SettingsViewController::pointerLocation() const {
  if (deps_.pointerLocation) return deps_.pointerLocation();
  return QCursor::pos();
}

void SettingsViewController::focusSearchField() {
  if (!searchField_) return;
  searchField_->setFocus(Qt::ShortcutFocusReason);
  searchField_->selectAll();
}

}  // namespace pelko
