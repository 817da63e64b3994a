#include "taskbar/ThumbnailCard.h"
#include "ui/AccessibleRole.h"
#include "ui/PlainText.h"

#include <QDragEnterEvent>
#include <QFontDatabase>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <cmath>
#include <utility>

namespace pelko {

namespace {

constexpr double kHoverAlpha = 0.1;
constexpr double kPressedAlpha = 0.2;
constexpr double kCloseFadeIn = 0.06;
constexpr double kCloseFadeOut = 0.08;
// The most of a window's title the close control's name carries, as the other names made of another
// program's text do: the card shows the title shortened, and a screen reader need not read out more.
constexpr int kCloseNameLimit = 60;

// The system font at `size` points, one point being one device-independent pixel as in the bar.
QFont titleFont(const QWidget& widget) {
  QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  const int dpi = widget.logicalDpiY();
  font.setPointSizeF(dpi > 0 ? ThumbnailCard::kTitleFontSize * 72.0 / dpi : ThumbnailCard::kTitleFontSize);
  return font;
}

}  // namespace

Size ThumbnailCard::pictureSize(const std::optional<QImage>& picture) {
  if (picture && !picture->isNull()) {
    const QSizeF points = picture->deviceIndependentSize();
    if (points.width() > 0 && points.height() > 0) {
      const double factor = std::min({300.0 / points.width(), 200.0 / points.height(), 1.0});
      return {std::round(points.width() * factor), std::round(points.height() * factor)};
    }
  }
  return {200, 130};
}

ThumbnailCard::ThumbnailCard(int64_t windowNumber, std::optional<QImage> picture, const QString& title,
                             Animator& animator, WindowCallback onClick, WindowCallback onClose,
                             QWidget* parent)
    : QWidget(parent),
      windowNumber_(windowNumber),
      picture_(std::move(picture)),
      // A window title from another program, drawn and read out like every other such text.
      title_(singleLine(title)),
      animator_(animator),
      onClick_(std::move(onClick)),
      onClose_(std::move(onClose)),
      pictureSize_(pictureSize(picture_)) {
  if (picture_ && picture_->isNull()) picture_.reset();
  setFont(titleFont(*this));
  setAcceptDrops(true);
  setMouseTracking(false);
  // A screen reader presses the card and its close control as a click on either does.
  setAccessibleRole(*this, QAccessible::Button, [this] { click(); });
  setAccessibleName(title_);
  setAccessibleDescription(QStringLiteral("Click to focus this window"));
  if (onClose_) {
    // Drawn only while the pointer is on the card, yet always there for a screen reader, which meets
    // one per card and tells them apart by the window each closes.
    addAccessiblePart(*this, {closeButtonName(), QAccessible::Button, [this] { return closeButtonRect(); },
                              [this] { closeClicked(); }});
  }
  resize(sizeHint());
}

QSize ThumbnailCard::sizeHint() const {
  const int width = static_cast<int>(pictureSize_.width);
  const int height = static_cast<int>(pictureSize_.height);
  return {width + 2 * kInset, kInset + height + kTitleGap + fontMetrics().height() + kInset};
}

QRect ThumbnailCard::pictureRect() const {
  const int width = static_cast<int>(pictureSize_.width);
  return {(this->width() - width) / 2, kInset, width, static_cast<int>(pictureSize_.height)};
}

QRect ThumbnailCard::closeButtonRect() const {
  return {width() - 2 - kCloseSide, 2, kCloseSide, kCloseSide};
}

QString ThumbnailCard::closeButtonName() const {
  // A title of white space and invisible marks alone names nothing a listener could recognise.
  if (firstCharacter(title_).isEmpty()) return QStringLiteral("Close window");
  return QStringLiteral("Close ") + isolatedName(title_.trimmed(), kCloseNameLimit);
}

QString ThumbnailCard::shownTitle() const {
  return fontMetrics().elidedText(title_, Qt::ElideRight, width() - 2 * kInset);
}

void ThumbnailCard::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  if (highlight_ != Highlight::none) {
    QColor tint = palette().color(QPalette::WindowText);
    tint.setAlphaF(highlight_ == Highlight::pressed ? kPressedAlpha : kHoverAlpha);
    painter.setPen(Qt::NoPen);
    painter.setBrush(tint);
    painter.drawRoundedRect(QRectF(rect()), kCornerRadius, kCornerRadius);
  }
  const QRect picture = pictureRect();
  QPainterPath clip;
  clip.addRoundedRect(QRectF(picture), kPictureCornerRadius, kPictureCornerRadius);
  painter.save();
  painter.setClipPath(clip);
  if (picture_) {
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(picture), *picture_);
  } else {
    // The placeholder: a dashed rectangle in the secondary label colour.
    QColor secondary = palette().color(QPalette::WindowText);
    secondary.setAlphaF(0.55);
    QPen pen(secondary, 2, Qt::DashLine);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const QRectF dashed = QRectF(picture).adjusted(picture.width() * 0.3, picture.height() * 0.3,
                                                   -picture.width() * 0.3, -picture.height() * 0.3);
    painter.drawRoundedRect(dashed, 4, 4);
  }
  painter.restore();
  painter.setPen(palette().color(QPalette::WindowText));
  const QRect titleRect(kInset, picture.bottom() + 1 + kTitleGap, width() - 2 * kInset,
                        fontMetrics().height());
  painter.drawText(titleRect, Qt::AlignHCenter | Qt::AlignVCenter, shownTitle());
  if (closeAlpha_ > 0 && onClose_) {
    const QRectF button = QRectF(closeButtonRect()).adjusted(1.5, 1.5, -1.5, -1.5);
    painter.setOpacity(closeAlpha_);
    painter.setPen(Qt::NoPen);
    QColor fill = palette().color(QPalette::WindowText);
    fill.setAlphaF(0.55);
    painter.setBrush(fill);
    painter.drawEllipse(button);
    QPen cross(palette().color(QPalette::Window), 1.6);
    cross.setCapStyle(Qt::RoundCap);
    painter.setPen(cross);
    const QPointF c = button.center();
    const double d = button.width() * 0.2;
    painter.drawLine(c + QPointF(-d, -d), c + QPointF(d, d));
    painter.drawLine(c + QPointF(-d, d), c + QPointF(d, -d));
  }
}

void ThumbnailCard::animateCloseButton(double to, double duration) {
  closeAnimation_.cancel();
  QPointer<ThumbnailCard> self(this);
  closeAnimation_ = animator_.animate({closeAlpha_, to, duration, Easing::standard}, [self](double alpha) {
    if (!self) return;
    self->closeAlpha_ = alpha;
    self->update();
  });
}

void ThumbnailCard::mouseEntered() {
  if (!pointingHandPushed_) {
    pointingHandPushed_ = true;
    setCursor(Qt::PointingHandCursor);
  }
  highlight_ = Highlight::hovered;
  animateCloseButton(1, kCloseFadeIn);
  update();
}

void ThumbnailCard::mouseExited() {
  if (pointingHandPushed_) {
    pointingHandPushed_ = false;
    unsetCursor();
  }
  highlight_ = Highlight::none;
  animateCloseButton(0, kCloseFadeOut);
  update();
}

void ThumbnailCard::mouseDown(QPoint local) {
  pressOnClose_ = onClose_ && closeButtonRect().contains(local);
  highlight_ = Highlight::pressed;
  update();
}

void ThumbnailCard::mouseUp(QPoint local) {
  // The callbacks may dismiss the panel: the card is then deleted later, never inside this handler.
  QPointer<ThumbnailCard> self(this);
  const bool onClose = std::exchange(pressOnClose_, false);
  if (rect().contains(local)) {
    if (closeButtonRect().contains(local) && onClose_) {
      if (onClose) closeClicked();
      return;
    }
    click();
  }
  if (!self) return;
  highlight_ = Highlight::none;
  update();
}

void ThumbnailCard::click() {
  if (onClick_) {
    auto callback = onClick_;
    callback(windowNumber_);
  }
}

void ThumbnailCard::closeClicked() {
  if (onClose_) {
    auto callback = onClose_;
    callback(windowNumber_);
  }
}

void ThumbnailCard::enterEvent(QEnterEvent* event) {
  QWidget::enterEvent(event);
  mouseEntered();
}

void ThumbnailCard::leaveEvent(QEvent* event) {
  QWidget::leaveEvent(event);
  mouseExited();
}

void ThumbnailCard::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return event->ignore();
  mouseDown(event->position().toPoint());
  event->accept();
}

void ThumbnailCard::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return event->ignore();
  event->accept();
  mouseUp(event->position().toPoint());
}

void ThumbnailCard::dragEnterEvent(QDragEnterEvent* event) {
  highlight_ = Highlight::hovered;
  update();
  if (onDragHover) {
    auto callback = onDragHover;
    callback(windowNumber_);
  }
  // Answered as a generic operation so the drag shows it is over something, though nothing drops here.
  event->setDropAction(Qt::LinkAction);
  event->accept();
}

void ThumbnailCard::dragMoveEvent(QDragMoveEvent* event) {
  event->setDropAction(Qt::LinkAction);
  event->accept();
}

void ThumbnailCard::dragLeaveEvent(QDragLeaveEvent*) {
  highlight_ = Highlight::none;
  update();
}

void ThumbnailCard::dropEvent(QDropEvent* event) {
  event->ignore();
}

}  // namespace pelko
