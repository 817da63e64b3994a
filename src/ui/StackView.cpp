#include "ui/StackView.h"

#include <QChildEvent>
#include <QEvent>
#include <algorithm>
#include <cmath>

namespace pelko {

StackView::StackView(Qt::Orientation orientation, QWidget* parent)
    : QWidget(parent), orientation_(orientation) {}

void StackView::setSpacing(double spacing) {
  if (!std::isfinite(spacing)) spacing = 0;
  spacing = std::max(0.0, spacing);
  if (spacing == spacing_) return;
  spacing_ = spacing;
  layoutArrangedSubviews();
}

void StackView::setEqualLengthRule(std::optional<EqualLengthRule> rule) {
  if (rule == equalLength_) return;
  equalLength_ = rule;
  layoutArrangedSubviews();
}

std::vector<QWidget*> StackView::arrangedSubviews() const {
  std::vector<QWidget*> views;
  views.reserve(arranged_.size());
  for (const auto& view : arranged_)
    if (view) views.push_back(view.data());
  return views;
}

void StackView::addArrangedSubview(QWidget* view) {
  if (!view) return;
  arranged_.erase(std::remove(arranged_.begin(), arranged_.end(), view), arranged_.end());
  if (view->parentWidget() != this) view->setParent(this);
  arranged_.push_back(view);
  view->show();
  layoutArrangedSubviews();
}

void StackView::setArrangedSubviews(const std::vector<QWidget*>& views) {
  arranged_.clear();
  arranged_.reserve(views.size());
  for (QWidget* view : views) {
    if (!view || std::find(arranged_.begin(), arranged_.end(), view) != arranged_.end()) continue;
    if (view->parentWidget() != this) view->setParent(this);
    arranged_.push_back(view);
    view->show();
  }
  layoutArrangedSubviews();
}

void StackView::removeArrangedSubview(QWidget* view) {
  auto it = std::find(arranged_.begin(), arranged_.end(), view);
  if (it == arranged_.end()) return;
  arranged_.erase(it);
  layoutArrangedSubviews();
}

StackItemMetrics StackView::metricsOf(const QWidget& view) const {
  QSize hint = view.sizeHint();
  QSize minimum = view.minimumSize();
  QSize maximum = view.maximumSize();
  bool horizontal = orientation_ == Qt::Horizontal;
  auto along = [horizontal](QSize s) { return static_cast<double>(horizontal ? s.width() : s.height()); };
  auto across = [horizontal](QSize s) { return static_cast<double>(horizontal ? s.height() : s.width()); };
  StackItemMetrics m;
  const QSize minimumHint = view.minimumSizeHint();
  m.squeezedLength = along(minimum);
  m.minLength = std::max(m.squeezedLength, minimumHint.isValid() ? along(minimumHint) : 0.0);
  m.maxLength = along(maximum) >= QWIDGETSIZE_MAX ? std::numeric_limits<double>::infinity() : along(maximum);
  m.naturalLength = hint.isValid() ? along(hint) : m.minLength;
  double cross = hint.isValid() ? across(hint) : across(minimum);
  m.crossLength = std::clamp(cross, across(minimum), std::max(across(minimum), across(maximum)));
  return m;
}

double StackView::naturalContentLength() const {
  std::vector<StackItemMetrics> metrics;
  for (QWidget* view : arrangedSubviews()) metrics.push_back(metricsOf(*view));
  double cross = orientation_ == Qt::Horizontal ? height() : width();
  return layoutStack(metrics, std::numeric_limits<double>::infinity(), cross, spacing_, equalLength_)
      .contentLength;
}

void StackView::slideArrangedSubviews(const std::vector<QWidget*>& views, Animator& animator,
                                      double duration) {
  struct Slide {
    QPointer<QWidget> view;
    QPoint from;
  };
  std::vector<Slide> slides;
  for (QWidget* view : arrangedSubviews()) slides.push_back({view, view->pos()});
  setArrangedSubviews(views);
  std::erase_if(slides, [](const Slide& slide) { return !slide.view || slide.view->pos() == slide.from; });
  if (slides.empty()) return;
  for (const Slide& slide : slides) slide.view->move(slide.from);
  QPointer<StackView> self(this);
  slide_ = animator.animate({.from = 0, .to = 1, .duration = duration, .easing = Easing::standard},
                            [self, slides = std::move(slides)](double progress) {
                              if (!self) return;
                              for (const Slide& slide : slides) {
                                if (!slide.view) continue;
                                const QPoint to = self->arrangedFrame(slide.view).topLeft();
                                slide.view->move(slide.from + (to - slide.from) * progress);
                              }
                            });
}

QRect StackView::arrangedFrame(const QWidget* view) const {
  auto found = frames_.find(view);
  return found != frames_.end() ? found->second : view->geometry();
}

void StackView::layoutArrangedSubviews() {
  slide_.cancel();
  auto views = arrangedSubviews();
  std::vector<StackItemMetrics> metrics;
  metrics.reserve(views.size());
  for (QWidget* view : views) metrics.push_back(metricsOf(*view));
  bool horizontal = orientation_ == Qt::Horizontal;
  double length = horizontal ? width() : height();
  double cross = horizontal ? height() : width();
  auto result = layoutStack(metrics, length, cross, spacing_, equalLength_);
  contentLength_ = result.contentLength;
  frames_.clear();
  for (size_t i = 0; i < views.size(); ++i) {
    const auto& slot = result.placements[i];
    // Whole points, the way the views are drawn; the offset is rounded where it lands, not summed.
    int start = static_cast<int>(std::lround(slot.offset));
    int end = static_cast<int>(std::lround(slot.offset + slot.length));
    int crossStart = static_cast<int>(std::lround(slot.crossOffset));
    int crossEnd = static_cast<int>(std::lround(slot.crossOffset + slot.crossLength));
    QRect frame = horizontal ? QRect(start, crossStart, end - start, crossEnd - crossStart)
                             : QRect(crossStart, start, crossEnd - crossStart, end - start);
    views[i]->setGeometry(frame);
    frames_[views[i]] = frame;
  }
}

QSize StackView::sizeHint() const {
  double length = naturalContentLength();
  double cross = 0;
  for (QWidget* view : arrangedSubviews()) cross = std::max(cross, metricsOf(*view).crossLength);
  int l = static_cast<int>(std::ceil(length)), c = static_cast<int>(std::ceil(cross));
  return orientation_ == Qt::Horizontal ? QSize(l, c) : QSize(c, l);
}

void StackView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  layoutArrangedSubviews();
}

bool StackView::event(QEvent* event) {
  // An arranged view whose size hint changed asks its parent for a new layout.
  if (event->type() == QEvent::LayoutRequest) layoutArrangedSubviews();
  return QWidget::event(event);
}

void StackView::childEvent(QChildEvent* event) {
  if (event->removed()) {
    // A view deleted or moved to another parent is no longer arranged here. Compared by address only:
    // a deleted child is no longer a widget at this point.
    QObject* child = event->child();
    auto before = arranged_.size();
    arranged_.erase(std::remove_if(arranged_.begin(), arranged_.end(),
                                   [child](const QPointer<QWidget>& view) {
                                     return !view || static_cast<QObject*>(view.data()) == child;
                                   }),
                    arranged_.end());
    if (arranged_.size() != before) layoutArrangedSubviews();
  }
  QWidget::childEvent(event);
}

}  // namespace pelko
