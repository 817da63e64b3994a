#include "taskbar/ThumbnailPanel.h"

#include <QDragEnterEvent>
#include <QGuiApplication>
#include <QPainter>
#include <algorithm>

#include "platform/OwnWindows.h"
#include "platform/Workspace.h"
#include "taskbar/ThumbnailCaptureJob.h"
#include "taskbar/ThumbnailCard.h"
#include "taskbar/ThumbnailServices.h"
#include "ui/ScreenCoordinates.h"
#include "ui/X11WindowType.h"

namespace pelko {

namespace {
// Windows without a window system (tests) have no opacity or stacking order to set.
bool hasWindowSystem() {
  static const bool offscreen = QGuiApplication::platformName() == QLatin1String("offscreen");
  return !offscreen;
}
// How far the panel stays off the item.
constexpr double kItemGap = 4;
// Without a main screen the capture assumes a Retina display.
constexpr double kDefaultScale = 2.0;
}  // namespace

ThumbnailPanel::ThumbnailPanel(const Environment& environment)
    : QWidget(nullptr,
              Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus | Qt::WindowStaysOnTopHint),
      env_(environment),
      animator_(environment.scheduler) {
  setAttribute(Qt::WA_ShowWithoutActivating);
  setAttribute(Qt::WA_TranslucentBackground);
  setFocusPolicy(Qt::NoFocus);
  setAcceptDrops(true);
  // The dark translucent material of a heads-up window, light text on it.
  QPalette colours = palette();
  colours.setColor(QPalette::Window, QColor(38, 38, 42));
  colours.setColor(QPalette::WindowText, QColor(236, 236, 240));
  setPalette(colours);
  env_.services.cache.watchMemoryPressure(env_.services.memoryPressure);
  setAlpha(0);
  keepOutOfTaskbars(*this);
}

ThumbnailPanel::~ThumbnailPanel() {
  fade_.cancel();
  if (listedNumber_ && env_.services.ownWindows) env_.services.ownWindows->orderOut(*listedNumber_);
}

double ThumbnailPanel::captureScale() const {
  const auto main = env_.services.screens.mainScreen();
  return main ? main->backingScaleFactor : kDefaultScale;
}

double ThumbnailPanel::mainScreenHeight() const {
  const auto screens = env_.services.screens.screens();
  return screens.empty() ? 0 : screens.front().frame.size.height;
}

void ThumbnailPanel::show(int64_t windowNumber, const std::string& appName, const Rect& itemRect,
                          TaskbarPosition position) {
  const int64_t generation = ++showGeneration_;
  const thumbnail_capture::Sources sources{env_.services.windowServer, env_.accessibilityHelper,
                                           env_.services.cache};
  Scheduler& scheduler = env_.scheduler;
  QPointer<ThumbnailPanel> self(this);
  scheduler.globalQueue().async([&scheduler, sources, windowNumber, fallback = fallbackIcon,
                                 scale = captureScale(), self, generation,
                                 title = QString::fromStdString(appName), itemRect, position] {
    auto picture = thumbnail_capture::captureWindowOffMain(sources, windowNumber, fallback, scale);
    scheduler.mainAsync(
        [self, generation, windowNumber, picture = std::move(picture), title, itemRect, position] {
          if (!self || self->showGeneration_ != generation) return;
          self->present({{windowNumber, picture}}, {title}, isHorizontal(position), itemRect, position);
        });
  });
}

void ThumbnailPanel::showGrouped(const std::vector<int64_t>& windowNumbers, const std::string& appName,
                                 const Rect& itemRect, TaskbarPosition position) {
  const int64_t generation = ++showGeneration_;
  const thumbnail_capture::Sources sources{env_.services.windowServer, env_.accessibilityHelper,
                                           env_.services.cache};
  Scheduler& scheduler = env_.scheduler;
  QPointer<ThumbnailPanel> self(this);
  scheduler.globalQueue().async([&scheduler, sources, windowNumbers, appName, fallback = fallbackIcon,
                                 scale = captureScale(), self, generation, itemRect, position] {
    auto group = thumbnail_capture::captureGroupOffMain(sources, windowNumbers, appName, fallback, scale);
    scheduler.mainAsync([self, generation, group = std::move(group), appName, itemRect, position] {
      if (!self || self->showGeneration_ != generation) return;
      std::vector<QString> titles;
      for (const auto& [number, picture] : group.captures) {
        auto it = group.titles.find(number);
        titles.push_back(QString::fromStdString(it != group.titles.end() ? it->second : appName));
      }
      self->present(group.captures, titles, isHorizontal(position), itemRect, position);
    });
  });
}

void ThumbnailPanel::present(const std::vector<std::pair<int64_t, std::optional<QImage>>>& captures,
                             const std::vector<QString>& titles, bool horizontal, const Rect& itemRect,
                             TaskbarPosition position) {
  clearContent();
  horizontal_ = horizontal;
  for (size_t i = 0; i < captures.size(); ++i)
    cards_.push_back(makeCard(captures[i].first, captures[i].second, titles[i]));

  // The cards in a row along a horizontal bar or a column along a vertical one, centred across it.
  int along = 0, across = 0;
  for (const auto& card : cards_) {
    const QSize size = card->sizeHint();
    along += horizontal ? size.width() : size.height();
    across = std::max(across, horizontal ? size.height() : size.width());
  }
  along += kCardSpacing * static_cast<int>(cards_.empty() ? 0 : cards_.size() - 1);
  int offset = kContainerInset;
  for (const auto& card : cards_) {
    const QSize size = card->sizeHint();
    if (horizontal) {
      card->setGeometry(offset, kContainerInset + (across - size.height()) / 2, size.width(), size.height());
      offset += size.width() + kCardSpacing;
    } else {
      card->setGeometry(kContainerInset + (across - size.width()) / 2, offset, size.width(), size.height());
      offset += size.height() + kCardSpacing;
    }
    card->QWidget::show();
  }
  const Size size{static_cast<double>((horizontal ? along : across) + 2 * kContainerInset),
                  static_cast<double>((horizontal ? across : along) + 2 * kContainerInset)};
  const Point origin = clampToScreen(calculateOrigin(size, itemRect, position), size, itemRect,
                                     env_.services.screens.screens(), env_.services.screens.mainScreen());
  frame_ = Rect(origin, size);
  setGeometry(toQtGlobal(frame_, mainScreenHeight()));
  orderFront();
  update();
  animateShow();
}

ThumbnailCard* ThumbnailPanel::makeCard(int64_t windowNumber, const std::optional<QImage>& picture,
                                        const QString& title) {
  // The forwarders look the panel's callback up when they fire, and do nothing once the panel is gone.
  QPointer<ThumbnailPanel> self(this);
  auto forward = [self](WindowCallback ThumbnailPanel::*callback) {
    return [self, callback](int64_t number) {
      if (!self || !((*self).*callback)) return;
      auto copy = (*self).*callback;
      copy(number);
    };
  };
  auto* card =
      new ThumbnailCard(windowNumber, picture, title, animator_, forward(&ThumbnailPanel::onWindowClicked),
                        forward(&ThumbnailPanel::onWindowClosed), this);
  card->onDragHover = forward(&ThumbnailPanel::onDragHovered);
  return card;
}

std::vector<ThumbnailCard*> ThumbnailPanel::cards() const {
  std::vector<ThumbnailCard*> result;
  for (const auto& card : cards_)
    if (card) result.push_back(card);
  return result;
}

void ThumbnailPanel::animateShow() {
  fade_.cancel();
  if (env_.workspace.accessibilityDisplayShouldReduceMotion()) {
    setAlpha(1);
    return;
  }
  QPointer<ThumbnailPanel> self(this);
  fade_ = animator_.animate({alpha_, 1, kFadeInDuration, Easing::easeOut}, [self](double alpha) {
    if (self) self->setAlpha(alpha);
  });
}

void ThumbnailPanel::dismiss() {
  if (!orderedIn_) return;
  ++showGeneration_;  // a capture still under way is ignored
  fade_.cancel();
  if (env_.workspace.accessibilityDisplayShouldReduceMotion()) {
    setAlpha(0);
    orderOut();
    clearContent();
    return;
  }
  QPointer<ThumbnailPanel> self(this);
  fade_ = animator_.animate(
      {alpha_, 0, kFadeOutDuration, Easing::easeIn},
      [self](double alpha) {
        if (self) self->setAlpha(alpha);
      },
      [self] {
        if (!self) return;
        self->orderOut();
        self->clearContent();
        if (self->dropped_) self->deleteLater();
      });
}

void ThumbnailPanel::closePanel() {
  fade_.cancel();
  orderOut();
  drop();
}

void ThumbnailPanel::drop() {
  if (dropped_) return;
  dropped_ = true;
  auto& dropped = env_.services.droppedPanels;
  std::erase_if(dropped, [](const QPointer<QObject>& panel) { return panel.isNull(); });
  dropped.emplace_back(this);
  if (!fade_.isRunning()) deleteLater();
}

void ThumbnailPanel::orderFront() {
  QWidget::setVisible(true);
  if (hasWindowSystem()) raise();
  orderedIn_ = true;
  if (auto* own = env_.services.ownWindows) {
    const Rect bounds = flipRect(frame_, mainScreenHeight());
    if (listedNumber_)
      own->setBounds(*listedNumber_, bounds);
    else
      listedNumber_ = own->orderIn({"", bounds, kLevel});
  }
}

void ThumbnailPanel::orderOut() {
  QWidget::setVisible(false);
  orderedIn_ = false;
  if (listedNumber_ && env_.services.ownWindows) env_.services.ownWindows->orderOut(*listedNumber_);
  listedNumber_.reset();
}

void ThumbnailPanel::clearContent() {
  // Hidden now, deleted later: the card whose click led here is still in its own mouse handler.
  for (const auto& card : cards_) {
    if (!card) continue;
    card->hide();
    card->deleteLater();
  }
  cards_.clear();
}

void ThumbnailPanel::setAlpha(double alpha) {
  alpha_ = alpha;
  if (hasWindowSystem()) setWindowOpacity(alpha);
}

void ThumbnailPanel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  QColor material = palette().color(QPalette::Window);
  material.setAlphaF(0.94);
  painter.setBrush(material);
  painter.drawRoundedRect(QRectF(rect()), kCornerRadius, kCornerRadius);
}

// A drag over the background between the cards is answered, never dropped.
void ThumbnailPanel::dragEnterEvent(QDragEnterEvent* event) {
  event->setDropAction(Qt::LinkAction);
  event->accept();
}

void ThumbnailPanel::dragMoveEvent(QDragMoveEvent* event) {
  event->setDropAction(Qt::LinkAction);
  event->accept();
}

void ThumbnailPanel::dropEvent(QDropEvent* event) {
  event->ignore();
}

Point ThumbnailPanel::calculateOrigin(Size size, const Rect& r, TaskbarPosition position) {
  switch (position) {
    case TaskbarPosition::top:
      return {r.midX() - size.width / 2, r.minY() - size.height - kItemGap};
    case TaskbarPosition::left:
      return {r.maxX() + kItemGap, r.midY() - size.height / 2};
    case TaskbarPosition::right:
      return {r.minX() - size.width - kItemGap, r.midY() - size.height / 2};
    case TaskbarPosition::bottom:
    default:
      return {r.midX() - size.width / 2, r.maxY() + kItemGap};
  }
}

Point ThumbnailPanel::clampToScreen(Point origin, Size size, const Rect& itemRect,
                                    const std::vector<platform::ScreenInfo>& screens,
                                    const std::optional<platform::ScreenInfo>& mainScreen) {
  const Point centre{itemRect.midX(), itemRect.midY()};
  std::optional<platform::ScreenInfo> screen;
  for (const auto& candidate : screens)
    if (candidate.frame.contains(centre)) {
      screen = candidate;
      break;
    }
  if (!screen) screen = mainScreen;
  if (!screen) return origin;
  const Rect& v = screen->visibleFrame;
  if (origin.x + size.width > v.maxX()) origin.x = v.maxX() - size.width;
  if (origin.x < v.minX()) origin.x = v.minX();
  if (origin.y + size.height > v.maxY()) origin.y = v.maxY() - size.height;
  if (origin.y < v.minY()) origin.y = v.minY();
  return origin;
}

}  // namespace pelko
