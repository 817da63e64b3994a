#include "taskbar/AppItemView.h"

#include <QDragEnterEvent>
#include <QEnterEvent>
#include <QFontDatabase>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "platform/Accessibility.h"
#include "platform/Appearance.h"
#include "platform/Workspace.h"
#include "settings/SettingsManager.h"
#include "taskbar/AppItemDragHover.h"
#include "taskbar/AppItemForceQuit.h"
#include "taskbar/AppItemReorderDrag.h"
#include "taskbar/AppItemThumbnails.h"
#include "taskbar/BadgeView.h"
#include "taskbar/ThumbnailPanel.h"
#include "tracking/AccessibilityHelper.h"
#include "tracking/AppTracker.h"
#include "tracking/TrackedApp.h"
#include "tracking/WindowManager.h"
#include "ui/AccessibleRole.h"
#include "ui/IconCache.h"
#include "ui/PlainText.h"
#include "ui/QtColor.h"

namespace pelko {

namespace {

constexpr Color kClear{0, 0, 0, 0};
// A longer tooltip keeps its head and tail.
constexpr int kTooltipLimit = 100;
constexpr int kTooltipHead = 60;
constexpr int kTooltipTail = 40;
// Minimized and hidden entries are drawn faded when their setting asks for it.
constexpr double kDimmedAlpha = 0.4;

// Interpolates with premultiplied alpha, so fading to or from clear does not pass through grey.
Color mixColors(const Color& from, const Color& to, double t) {
  const double a = from.alpha + (to.alpha - from.alpha) * t;
  if (a <= 0) return Color{to.red, to.green, to.blue, 0};
  auto channel = [&](double f, double g) {
    return (f * from.alpha + (g * to.alpha - f * from.alpha) * t) / a;
  };
  return Color{channel(from.red, to.red), channel(from.green, to.green), channel(from.blue, to.blue), a};
}

// A tile in the icon's colour with the application's initial, for an entry whose icon has no image file
// (or one that cannot be read), so every entry stays recognisable.
QPixmap renderTile(const Color& color, const QString& initial, int pixels) {
  QPixmap pixmap(pixels, pixels);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF tile(0, 0, pixels, pixels);
  const QColor base = toQColor(color.withAlpha(1));
  QLinearGradient gradient(tile.topLeft(), tile.bottomLeft());
  gradient.setColorAt(0, base.lighter(125));
  gradient.setColorAt(1, base.darker(115));
  painter.setPen(Qt::NoPen);
  painter.setBrush(gradient);
  painter.drawRoundedRect(tile.adjusted(pixels * 0.04, pixels * 0.04, -pixels * 0.04, -pixels * 0.04),
                          pixels * 0.22, pixels * 0.22);
  if (!initial.isEmpty()) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPixelSize(std::max(1, static_cast<int>(pixels * 0.55)));
    font.setBold(true);
    painter.setFont(font);
    const double luma = 0.299 * base.redF() + 0.587 * base.greenF() + 0.114 * base.blueF();
    painter.setPen(luma > 0.6 ? QColor(30, 30, 30) : QColor(Qt::white));
    painter.drawText(tile, Qt::AlignCenter, initial);
  }
  return pixmap;
}

QRect toQRect(const Rect& r) {
  return QRect(static_cast<int>(std::lround(r.origin.x)), static_cast<int>(std::lround(r.origin.y)),
               static_cast<int>(std::lround(r.size.width)), static_cast<int>(std::lround(r.size.height)));
}

}  // namespace

AppItemView::AppItemView(const AppItemEnvironment& environment, QWidget* parent)
    : QWidget(parent),
      env_(environment),
      animator_(environment.hoverAnimator ? environment.hoverAnimator
                                          : std::make_shared<Animator>(environment.scheduler)),
      thumbnails_(std::make_shared<AppItemThumbnails>(*this, environment)),
      dragHover_(std::make_shared<AppItemDragHover>(*this, *thumbnails_, environment)),
      reorderDrag_(std::make_unique<AppItemReorderDrag>(*this, environment.scheduler)),
      forceQuit_(std::make_unique<AppItemForceQuit>(*this, environment)) {
  setAttribute(Qt::WA_NoSystemBackground);
  setFocusPolicy(Qt::NoFocus);
  // The button's own cursor rather than one set on entering and cleared on leaving: the window then
  // keeps the hand while the pointer crosses from one button to the next, where clearing and setting it
  // again cost the server two cursor changes at every crossing.
  setCursor(Qt::PointingHandCursor);
  // A screen reader's press is a click that has already been released inside the button.
  setAccessibleRole(*this, QAccessible::Button, [this] { click(); });
  // Files, links, text and images light the button up (reorder drags pass on to the bar).
  setAcceptDrops(true);
  labelView_ = makeTitleLabel();
  labelView_->hide();
  countBadge_ = new BadgeView(this);
  countBadge_->setDrawnByParent(true);
  countBadge_->hide();
  trailingCountLabel_ = new QLabel(this);
  trailingCountLabel_->setTextFormat(Qt::PlainText);
  trailingCountLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  trailingCountLabel_->setAttribute(Qt::WA_TransparentForMouseEvents);
  trailingCountLabel_->hide();
  updateTextColor();
  indicatorColor_ = accentColor();
}

AppItemView::~AppItemView() {
  cancelThumbnail();
  if (deactivateWorkItem_) deactivateWorkItem_->cancel();
  backgroundAnimation_.cancel();
}

// ---------------------------------------------------------------------------------------------------
// Layout

// One point of the bar's geometry is one device-independent pixel, as every other length of the bar.
// Qt's own point sizes grow with the screen's logical dots per inch (96 on most Linux desktops), which
// would draw an 11-point title a third larger than the bar around it expects.
QFont AppItemView::systemFontOfSize(double size) const {
  QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  const int dpi = logicalDpiY();
  font.setPointSizeF(dpi > 0 ? size * 72.0 / dpi : size);
  return font;
}

bool AppItemView::recordLayout(LayoutMode mode, double barThickness, double iconSizePercent, bool equalWidth,
                               double maxWidth, double textSize, const std::string& indicatorPosition) {
  const bool unchanged = hasLayout_ && currentLayoutMode_ == mode && lastConfigThickness_ == barThickness &&
                         lastConfigIconPct_ == iconSizePercent && lastConfigEqualWidth_ == equalWidth &&
                         lastConfigMaxWidth_ == maxWidth && lastConfigItemTextSize_ == textSize &&
                         lastIndicatorPosition_ == indicatorPosition;
  if (unchanged) return false;
  currentLayoutMode_ = mode;
  lastConfigThickness_ = barThickness;
  lastConfigIconPct_ = iconSizePercent;
  lastConfigEqualWidth_ = equalWidth;
  lastConfigMaxWidth_ = maxWidth;
  lastConfigItemTextSize_ = textSize;
  lastIndicatorPosition_ = indicatorPosition;
  hasLayout_ = true;
  ++layoutRebuildCount_;
  return true;
}

void AppItemView::configureIconsOnly(double barThickness, bool useEqualWidth, double iconSizePercent) {
  auto s = settings();
  const std::string pos = s ? s->activeIndicatorPosition.get() : std::string("bottom");
  // The width limit and text size do not apply here; keep the values of the last text layout.
  if (!recordLayout(LayoutMode::iconsOnly, barThickness, iconSizePercent, useEqualWidth, lastConfigMaxWidth_,
                    lastConfigItemTextSize_, pos)) {
    return;
  }
  labelView_->hide();
  iconSide_ = item_layout::iconSide(LayoutMode::iconsOnly, barThickness, iconSizePercent);
  sizing_ = item_layout::itemSizing(LayoutMode::iconsOnly, barThickness, useEqualWidth, 0);
  applySizing();
}

void AppItemView::configureIconsTextRight(double barThickness, bool useEqualWidth, double iconSizePercent) {
  auto s = settings();
  const double maxWidth = s ? s->maxTaskWidth.get() : item_layout::kDefaultMaxTaskWidth;
  const double textSize =
      item_layout::clampedItemTextSize(s ? s->itemTextSize.get() : item_layout::kDefaultItemTextSize);
  const std::string pos = s ? s->activeIndicatorPosition.get() : std::string("bottom");
  if (!recordLayout(LayoutMode::iconsTextRight, barThickness, iconSizePercent, useEqualWidth, maxWidth,
                    textSize, pos)) {
    return;
  }
  labelView_->setFont(systemFontOfSize(textSize));
  labelView_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  if (countPlacement_ == CountPlacement::textTrailing) setupTrailingCount(windowCount_);
  labelView_->show();
  iconSide_ = item_layout::iconSide(LayoutMode::iconsTextRight, barThickness, iconSizePercent);
  sizing_ = item_layout::itemSizing(LayoutMode::iconsTextRight, barThickness, useEqualWidth, maxWidth);
  applySizing();
}

void AppItemView::configureVertical(double barThickness, TaskbarPosition, double iconSizePercent) {
  auto s = settings();
  const std::string pos = s ? s->activeIndicatorPosition.get() : std::string("bottom");
  if (!recordLayout(LayoutMode::vertical, barThickness, iconSizePercent, false, lastConfigMaxWidth_,
                    lastConfigItemTextSize_, pos)) {
    return;
  }
  labelView_->hide();
  iconSide_ = item_layout::iconSide(LayoutMode::vertical, barThickness, iconSizePercent);
  sizing_ = item_layout::itemSizing(LayoutMode::vertical, barThickness, false, 0);
  applySizing();
}

void AppItemView::applySizing() {
  // Only upper limits: the soft minimum is minimumSizeHint(), below which a full bar may squeeze.
  const int height = static_cast<int>(std::lround(sizing_.height));
  const std::optional<double> maxWidth = sizing_.fixedWidth ? sizing_.fixedWidth : sizing_.maximumWidth;
  setMinimumSize(0, 0);
  setMaximumSize(maxWidth ? static_cast<int>(std::lround(*maxWidth)) : QWIDGETSIZE_MAX, height);
  updateGeometry();
  // A lone button (tests, a preview) takes its natural size itself; inside a bar the bar places it.
  if (!parentWidget()) {
    QSize wanted = sizeHint().expandedTo(minimumSizeHint()).boundedTo(maximumSize());
    if (wanted != size()) resize(wanted);
  }
  applyGeometry();
}

QSize AppItemView::sizeHint() const {
  if (!hasLayout_) return QSize(0, 0);
  double titleWidth = 0;
  if (currentLayoutMode_ == LayoutMode::iconsTextRight) {
    titleWidth = QFontMetricsF(labelView_->font()).horizontalAdvance(labelView_->text());
    // A count at the end takes the place of the title's own trailing inset.
    if (const double room = trailingCountRoom(); room > 0)
      titleWidth += room - item_layout::kTextTrailingInset;
  }
  const double width = item_layout::preferredWidth(currentLayoutMode_, sizing_, iconSide_, titleWidth);
  return QSize(static_cast<int>(std::ceil(width)), static_cast<int>(std::lround(sizing_.height)));
}

QSize AppItemView::minimumSizeHint() const {
  if (!hasLayout_) return QSize(0, 0);
  const int height = static_cast<int>(std::lround(sizing_.height));
  if (sizing_.fixedWidth) return QSize(static_cast<int>(std::lround(*sizing_.fixedWidth)), height);
  return QSize(static_cast<int>(std::lround(sizing_.minimumWidth.value_or(0))), height);
}

void AppItemView::applyGeometry() {
  if (!hasLayout_) return;
  const QFontMetricsF metrics(labelView_->font());
  const Size title{metrics.horizontalAdvance(labelView_->text()), std::ceil(metrics.height())};
  const auto frames = item_layout::itemFrames(
      currentLayoutMode_, Size{static_cast<double>(width()), static_cast<double>(height())}, iconSide_,
      indicatorEdgeFromSetting(lastIndicatorPosition_), title);
  if (currentLayoutMode_ == LayoutMode::iconsTextRight) {
    QRect label = toQRect(frames.label);
    // A count at the button's end keeps the title 4 points short of it.
    const int room = static_cast<int>(std::lround(trailingCountRoom()));
    if (room > 0) label.setRight(std::min(label.right(), width() - room - 1));
    labelView_->setGeometry(label);
  }
  placeCountDecoration(toQRect(frames.icon));
  refreshIcon();
  update();
}

QString AppItemView::iconInitial() const {
  return iconKey_ ? iconKey_->initial : QString();
}

void AppItemView::refreshIcon() {
  const QRect icon = iconFrame();
  if (!trackedApp_ || icon.isEmpty()) {
    iconKey_.reset();
    iconPixmap_ = QPixmap();
    return;
  }
  IconKey key;
  key.file = trackedApp_->icon.source.source;
  key.pixels = iconPixels(icon);
  key.tileColor = trackedApp_->icon.source.color;
  key.initial = firstCharacter(QString::fromStdString(trackedApp_->name)).toUpper();
  if (iconKey_ == key) return;
  iconKey_ = key;
  iconPixmap_ = QPixmap();
  if (!key.file.empty()) {
    IconCache& cache = env_.iconCache ? *env_.iconCache : IconCache::shared();
    iconPixmap_ = cache.pixmap(QString::fromStdString(key.file), key.pixels);
  }
  if (iconPixmap_.isNull()) iconPixmap_ = renderTile(key.tileColor, key.initial, key.pixels);
}

QRect AppItemView::iconFrame() const {
  if (!hasLayout_) return {};
  return toQRect(item_layout::itemFrames(currentLayoutMode_,
                                         Size{static_cast<double>(width()), static_cast<double>(height())},
                                         iconSide_, indicatorEdgeFromSetting(lastIndicatorPosition_), Size{})
                     .icon);
}

int AppItemView::iconPixels(const QRect& icon) const {
  return std::max(1, static_cast<int>(std::lround(icon.width() * devicePixelRatioF())));
}

QRect AppItemView::indicatorFrame() const {
  if (!hasLayout_) return {};
  const bool compact = currentLayoutMode_ != LayoutMode::iconsTextRight;
  return toQRect(
      item_layout::indicatorFrame(indicatorEdgeFromSetting(lastIndicatorPosition_), compact,
                                  Size{static_cast<double>(width()), static_cast<double>(height())}));
}

void AppItemView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  applyGeometry();
}

// ---------------------------------------------------------------------------------------------------
// Binding and the active look

void AppItemView::configure(const std::shared_ptr<TrackedApp>& app, bool showWindowTitle) {
  if (!app) return;
  const bool same = trackedApp_ && trackedApp_->id == app->id;
  // Even the same entry: a panel of the old binding would show titles and windows the entry no longer has.
  cancelThumbnail();
  if (deactivateWorkItem_) {
    deactivateWorkItem_->cancel();
    deactivateWorkItem_.reset();
  }
  if (!same) {
    cancellables_.clear();
    // Forget the last count and layout so the next count and layout calls rebuild for the new entry.
    lastCountVisible_ = false;
    lastCountStyle_.reset();
    windowCount_ = 0;
    lastConfigThickness_ = 0;
    lastConfigMaxWidth_ = 0;
    lastConfigItemTextSize_ = 0;
    lastIndicatorPosition_.clear();
  }
  // The first binding after the settings object is attached takes the bar's colours.
  if (!coloursFromSettings_ && settings()) {
    updateTextColor();
    indicatorColor_ = accentColor();
    coloursFromSettings_ = true;
  }
  trackedApp_ = app;
  showWindowTitle_ = showWindowTitle;
  if (!same) inlineCount_ = 0;
  updateLabel(showWindowTitle, inlineCount_, std::nullopt);
  if (hasLayout_) refreshIcon();

  setCurrentlyActive(app->isActive.get());
  setIndicatorAlpha(showsActiveIndicatorSetting() && isCurrentlyActive_ ? 1 : 0);
  indicatorHidden_ = false;
  setBackground(isCurrentlyActive_);
  applyDimming(dimAlpha(app->isMinimized.get(), app->isHidden.get()));

  if (!same) {
    QPointer<AppItemView> self(this);
    app->isActive.publisher()
        .dropFirst()
        .sink([self](const bool& active) {
          if (self) self->handleActiveChange(active);
        })
        .store(cancellables_);
    app->windowTitle.publisher()
        .dropFirst()
        .sink([self](const std::optional<std::string>& title) {
          // Delivered before the entry holds the new title, so it is passed along explicitly.
          if (self) self->updateLabel(self->showWindowTitle_, self->inlineCount_, title);
        })
        .store(cancellables_);
    // Delivered before the entry holds the new flag, so the new value stands in for the entry's own.
    app->isMinimized.publisher()
        .dropFirst()
        .sink([self](const bool& minimized) {
          if (self && self->trackedApp_)
            self->applyDimming(self->dimAlpha(minimized, self->trackedApp_->isHidden.get()));
        })
        .store(cancellables_);
    app->isHidden.publisher()
        .dropFirst()
        .sink([self](const bool& hidden) {
          if (self && self->trackedApp_)
            self->applyDimming(self->dimAlpha(self->trackedApp_->isMinimized.get(), hidden));
        })
        .store(cancellables_);
  }
  update();
}

void AppItemView::handleActiveChange(bool active) {
  if (active == isCurrentlyActive_) return;
  if (active) {
    if (deactivateWorkItem_) {
      deactivateWorkItem_->cancel();
      deactivateWorkItem_.reset();
    }
    setCurrentlyActive(true);
    setIndicatorAlpha(showsActiveIndicatorSetting() ? 1 : 0);
    indicatorHidden_ = false;
    removeBackgroundAnimation();
    background_ = cachedActiveColor_;
    updateDotsColor(true);
    update();
    return;
  }
  // Deactivation waits a moment: switching between two windows of one application reports inactive
  // and active again in quick succession, and the look should not flicker.
  if (deactivateWorkItem_) deactivateWorkItem_->cancel();
  QPointer<AppItemView> self(this);
  deactivateWorkItem_ = env_.scheduler.mainAfter(kDeactivationDelay, [self] {
    if (!self) return;
    self->deactivateWorkItem_.reset();
    const auto& app = self->trackedApp_;
    if (!app) return;
    if (app->isActive.get()) return;
    if (!app->isWindowEntry()) {
      auto frontmost = self->env_.workspace.frontmostApplication();
      if (frontmost && frontmost->processIdentifier() == app->pid) return;
    }
    self->setCurrentlyActive(false);
    self->setIndicatorAlpha(0);
    self->removeBackgroundAnimation();
    self->background_ = kClear;
    self->updateDotsColor(false);
    self->update();
  });
}

void AppItemView::setActiveImmediate(bool active) {
  if (active == isCurrentlyActive_) return;
  setCurrentlyActive(active);
  setIndicatorAlpha(showsActiveIndicatorSetting() && active ? 1 : 0);
  setBackground(active);
  updateDotsColor(active);
}

void AppItemView::setCurrentlyActive(bool active) {
  isCurrentlyActive_ = active;
  // The button drawn in the active look is, to a screen reader, a toggle pressed in: the front
  // application's (the front window's, one button a window) and no other.
  setAccessibleChecked(*this, active);
}

void AppItemView::updateActiveIndicatorAppearance() {
  indicatorColor_ = accentColor();
  setIndicatorAlpha(showsActiveIndicatorSetting() && isCurrentlyActive_ ? 1 : 0);
  update();
}

Color AppItemView::contrastingTextColor(const std::optional<Color>& background) {
  if (!background) return Color::white();
  const Color& c = *background;
  if (!std::isfinite(c.red) || !std::isfinite(c.green) || !std::isfinite(c.blue)) return Color::white();
  const double luma = 0.299 * c.red + 0.587 * c.green + 0.114 * c.blue;
  return luma > 0.5 ? Color::black() : Color::white();
}

void AppItemView::updateTextColor() {
  auto s = settings();
  const Color c = s ? contrastingTextColor(s->backgroundColor.get()) : Color::white();
  cachedOverlayColor_ = c;
  applyLabelColor();
  cachedHoverColor_ = c.withAlpha(0.08);
  cachedActiveColor_ = c.withAlpha(0.15);
}

Color AppItemView::accentColor() const {
  if (auto s = settings()) return s->activeIndicatorColor.get();
  return env_.appearance.controlAccentColor();
}

bool AppItemView::showsActiveIndicatorSetting() const {
  auto s = settings();
  return s && s->showActiveIndicator.get();
}

void AppItemView::setIndicatorAlpha(double alpha) {
  if (indicatorAlpha_ == alpha) return;
  indicatorAlpha_ = alpha;
  update();
}

void AppItemView::setBackground(bool active) {
  removeBackgroundAnimation();
  background_ = active ? cachedActiveColor_ : kClear;
  update();
}

void AppItemView::removeBackgroundAnimation() {
  backgroundAnimation_.cancel();
  backgroundAnimation_ = AnimationHandle();
  presentedBackground_.reset();
}

void AppItemView::animateBackgroundColor(const Color& target, double duration) {
  if (background_ == target) {
    removeBackgroundAnimation();
    update();
    return;
  }
  const Color from = presentedBackground_.value_or(background_);
  removeBackgroundAnimation();
  background_ = target;
  presentedBackground_ = from;
  QPointer<AppItemView> self(this);
  backgroundAnimation_ = animator_->animate(
      AnimationSetup{0, 1, duration, Easing::easeOut, false},
      [self, from, target](double t) {
        if (!self) return;
        self->presentedBackground_ = mixColors(from, target, t);
        // The first frame shows what is already on the screen.
        if (t > 0) self->update();
      },
      [self] {
        if (!self) return;
        self->presentedBackground_.reset();
        self->update();
      });
}

// ---------------------------------------------------------------------------------------------------
// Label

void AppItemView::updateLabel(bool showWindowTitle, int64_t inlineCount,
                              std::optional<std::optional<std::string>> titleOverride) {
  if (!trackedApp_) return;
  const TrackedApp& app = *trackedApp_;
  const std::optional<std::string> title = titleOverride ? *titleOverride : app.windowTitle.get();
  inlineCount_ = inlineCount;

  std::string text;
  if (!app.isWindowEntry()) {
    text = app.name;
  } else if (showWindowTitle && title && !title->empty()) {
    text = *title == app.name ? app.name : *title + " - " + app.name;
  } else {
    text = title ? *title : app.name;
  }
  if (inlineCount >= 2) text += " (" + std::to_string(inlineCount) + ")";
  // The tooltip and the accessibility texts follow the title and the count even when the label's own
  // text stays the same (a window count is not always part of it).
  updateAccessibility(title);
  // A title is one line, whatever line breaks or tabs the other program put in it.
  const QString newText = singleLine(QString::fromStdString(text));
  if (labelView_->text() == newText) return;
  setPlainText(*labelView_, newText);
  if (currentLayoutMode_ == LayoutMode::iconsTextRight) {
    updateGeometry();
    applyGeometry();
  }
}

void AppItemView::updateLabelWithoutCount() {
  if (trackedApp_) updateLabel(showWindowTitle_, 0, std::nullopt);
}

void AppItemView::updateAccessibility(const std::optional<std::string>& title) {
  const TrackedApp& app = *trackedApp_;
  const QString name = QString::fromStdString(app.name);
  QString tip = name;
  if (title && !title->empty() && *title != app.name)
    tip = keepHeadAndTail(name + QStringLiteral(" - ") + QString::fromStdString(*title), kTooltipLimit,
                          kTooltipHead, kTooltipTail);
  const QString newTip = plainToolTip(tip);
  if (toolTip() != newTip) setToolTip(newTip);
  // Read aloud as the tooltip is shown: one line, without direction overrides or control characters.
  const QString spokenName = singleLine(name);
  QString accessible = spokenName;
  if (windowCount_ >= 2) accessible += QStringLiteral(", %1 windows").arg(windowCount_);
  if (accessibleName() != accessible) {
    setAccessibleName(accessible);
    setAccessibleDescription(QStringLiteral("Click to activate ") + spokenName);
  }
}

// ---------------------------------------------------------------------------------------------------
// Dimming

double AppItemView::dimAlpha(bool minimized, bool hidden) const {
  auto s = settings();
  // Without settings both kinds of dimming count as asked for.
  const bool indicateMinimized = !s || s->indicateMinimized.get();
  const bool indicateHidden = !s || s->indicateHidden.get();
  return (minimized && indicateMinimized) || (hidden && indicateHidden) ? kDimmedAlpha : 1.0;
}

void AppItemView::refreshDimming() {
  if (trackedApp_) applyDimming(dimAlpha(trackedApp_->isMinimized.get(), trackedApp_->isHidden.get()));
}

void AppItemView::applyDimming(double alpha) {
  if (alpha == lastDimmedAlpha_) return;
  lastDimmedAlpha_ = alpha;
  applyLabelColor();
  update();
}

void AppItemView::applyLabelColor() {
  QPalette palette = labelView_->palette();
  palette.setColor(QPalette::WindowText, toQColor(cachedOverlayColor_.withAlpha(lastDimmedAlpha_)));
  labelView_->setPalette(palette);
}

// ---------------------------------------------------------------------------------------------------
// Pointer

bool AppItemView::event(QEvent* event) {
  // The panel of the entry's windows opens right by the button, where the tooltip would cover its first
  // card's title: while the panel is there, the tooltip stays away. Taken here, so the bar under the
  // button shows none either.
  if (event->type() == QEvent::ToolTip && thumbnails_->activePanel()) {
    event->accept();
    return true;
  }
  return QWidget::event(event);
}

void AppItemView::enterEvent(QEnterEvent* event) {
  QWidget::enterEvent(event);
  mouseEntered();
}

void AppItemView::leaveEvent(QEvent* event) {
  QWidget::leaveEvent(event);
  mouseExited();
}

void AppItemView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    event->ignore();
    return;
  }
  // Qt reports the Command key of a Mac keyboard as the Control modifier.
  lastPressPosition_ = event->position();
  mouseDown(event->modifiers().testFlag(Qt::ControlModifier));
  event->accept();
}

void AppItemView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    event->ignore();
    return;
  }
  mouseUp(rect().contains(event->position().toPoint()));
  event->accept();
}

void AppItemView::wheelEvent(QWheelEvent* event) {
  const double delta = scrollingDeltaY(event->pixelDelta().y(), event->angleDelta().y());
  // An ignored wheel event travels on to the bar.
  event->setAccepted(scrollWheel(delta));
}

void AppItemView::mouseEntered() {
  if (!trackedApp_ || !trackedApp_->isActive.get())
    animateBackgroundColor(cachedHoverColor_, kHoverInDuration);
  thumbnails_->pointerEntered();
}

void AppItemView::mouseExited() {
  if (!trackedApp_ || !trackedApp_->isActive.get()) animateBackgroundColor(kClear, kHoverOutDuration);
  thumbnails_->pointerExited();
}

void AppItemView::mouseDown(bool commandKey) {
  if (commandKey && trackedApp_) {
    // A Command press never clicks: it becomes a reorder drag or ends without effect.
    reorderDrag_->commandPressed(lastPressPosition_);
    cancelThumbnail();
    return;
  }
  removeBackgroundAnimation();
  background_ = cachedActiveColor_;
  update();
}

void AppItemView::mouseUp(bool insideBounds) {
  if (reorderDrag_->released()) return;
  if (!insideBounds) {
    cancelThumbnail();
    return;
  }
  click();
}

void AppItemView::click() {
  if (trackedApp_ && !trackedApp_->isActive.get()) {
    setCurrentlyActive(true);
    setIndicatorAlpha(showsActiveIndicatorSetting() ? 1 : 0);
    removeBackgroundAnimation();
    background_ = cachedActiveColor_;
    update();
  }
  const double now = env_.scheduler.now();
  // A hair of tolerance: the media clock's sums of short intervals are not exact in binary.
  if (now - lastClickTime_ >= kClickDebounce - 1e-9) {
    lastClickTime_ = now;
    if (onClick) {
      auto callback = onClick;  // the owner may replace or clear it while it runs
      callback();
    }
  }
  cancelThumbnail();
}

// ---------------------------------------------------------------------------------------------------
// Drags: the reorder drag this button starts, and files, links, text or images dragged over it

namespace {
constexpr double kDragHoverFadeDuration = 0.08;

bool isReorderDrag(const QMimeData* data) {
  return data && data->hasFormat(QString::fromLatin1(AppItemView::kReorderPasteboardType));
}

// What a drag may carry for the button to light up: files, links, text and images.
bool isHoverDrag(const QMimeData* data) {
  return data && !isReorderDrag(data) &&
         (data->hasUrls() || data->hasText() || data->hasImage() || data->hasFormat("image/png") ||
          data->hasFormat("image/tiff"));
}
}  // namespace

void AppItemView::mouseMoveEvent(QMouseEvent* event) {
  if (!(event->buttons() & Qt::LeftButton) || !mouseDragged(event->position())) {
    QWidget::mouseMoveEvent(event);
    return;
  }
  event->accept();
}

bool AppItemView::mouseDragged(const QPointF& position) {
  return reorderDrag_->mouseDragged(position);
}

bool AppItemView::detachIfDragging() {
  return reorderDrag_->detachIfDragging();
}

void AppItemView::dragEnterEvent(QDragEnterEvent* event) {
  if (!isHoverDrag(event->mimeData())) {
    event->ignore();  // a reorder drag goes on to the bar
    return;
  }
  dragHoverEntered();
  event->setDropAction(Qt::CopyAction);
  event->accept();
}

void AppItemView::dragMoveEvent(QDragMoveEvent* event) {
  if (!dragHover_->isHovering()) {
    event->ignore();
    return;
  }
  event->setDropAction(Qt::CopyAction);
  event->accept();
}

void AppItemView::dragLeaveEvent(QDragLeaveEvent*) {
  if (dragHover_->isHovering()) dragHoverExited();
}

void AppItemView::dropEvent(QDropEvent* event) {
  // The button takes nothing; the drag is over.
  dragHoverEnded();
  event->ignore();
}

void AppItemView::dragHoverEntered() {
  dragHover_->entered();
  animateBackgroundColor(cachedHoverColor_, kDragHoverFadeDuration);
}

void AppItemView::dragHoverExited() {
  dragHover_->exited();
  if (!trackedApp_ || !trackedApp_->isActive.get()) animateBackgroundColor(kClear, kDragHoverFadeDuration);
}

void AppItemView::dragHoverEnded() {
  if (!trackedApp_ || !trackedApp_->isActive.get()) animateBackgroundColor(kClear, kDragHoverFadeDuration);
  dragHover_->ended();
}

// ---------------------------------------------------------------------------------------------------
// Thumbnails

void AppItemView::cancelThumbnail() {
  thumbnails_->cancel();
  dragHover_->forget();
}

void AppItemView::showThumbnailsForDragHover() {
  thumbnails_->show();
}

ThumbnailPanel* AppItemView::activeThumbnailPanel() const {
  return thumbnails_->activePanel();
}

// ---------------------------------------------------------------------------------------------------
// Scroll wheel

double AppItemView::scrollingDeltaY(double pixelDeltaY, double angleDeltaEighthsY) {
  if (pixelDeltaY != 0) return pixelDeltaY;
  return angleDeltaEighthsY / 8.0;
}

bool AppItemView::scrollWheel(double deltaY) {
  if (!onScroll) return false;
  auto report = onScroll;  // the owner may replace or clear it while it runs
  return report(deltaY);
}

}  // namespace pelko
