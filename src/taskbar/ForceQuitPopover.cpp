#include "taskbar/ForceQuitPopover.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/Labels.h"
#include "ui/PlainText.h"
#include "ui/X11WindowType.h"

namespace pelko {

namespace {
// Font sizes in the bar's points (one point is one device-independent pixel).
QFont systemFont(double size, QFont::Weight weight) {
  QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  font.setPixelSize(static_cast<int>(size));
  font.setWeight(weight);
  return font;
}

constexpr int kMargin = 12;
// The application's name in the title is cut here.
constexpr int kNameLimit = 60;

}  // namespace

ForceQuitPopover::ForceQuitPopover(const std::string& appName, QWidget* parent)
    : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint) {
  setAttribute(Qt::WA_TranslucentBackground);
  setFixedWidth(kWidth);

  title_ = new QLabel(this);
  title_->setTextFormat(Qt::PlainText);
  title_->setWordWrap(true);
  title_->setFont(systemFont(13, QFont::DemiBold));
  // At most two lines inside the popover, broken anywhere when a word is longer than a line.
  title_->setText(wrappedWithinLines(
      QString("Force Quit \"%1\"?").arg(isolatedName(QString::fromStdString(appName), kNameLimit)),
      title_->font(), kWidth - 2 * kMargin, 2));
  title_->setMaximumHeight(QFontMetrics(title_->font()).lineSpacing() * 2);

  message_ = new QLabel(this);
  message_->setTextFormat(Qt::PlainText);
  message_->setWordWrap(true);
  message_->setFont(systemFont(12, QFont::Normal));
  message_->setText("You will lose any unsaved changes in this application.");
  QPalette secondary = message_->palette();
  secondary.setColor(QPalette::WindowText, secondary.color(QPalette::WindowText).lighter(160));
  message_->setPalette(secondary);

  cancelButton_ = new QPushButton("Cancel", this);
  forceQuitButton_ = new QPushButton("Force Quit", this);
  // Keys are handled by the popover itself, so neither button takes focus or a default look by chance.
  for (QPushButton* button : {cancelButton_, forceQuitButton_}) {
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoDefault(false);
  }
  QPalette destructive = forceQuitButton_->palette();
  destructive.setColor(QPalette::ButtonText, QColor(255, 59, 48));
  forceQuitButton_->setPalette(destructive);
  connect(cancelButton_, &QPushButton::clicked, this, [this] {
    if (onCancel) onCancel();
  });
  connect(forceQuitButton_, &QPushButton::clicked, this, [this] {
    if (onConfirm) onConfirm();
  });

  auto* buttons = new QHBoxLayout;
  buttons->setSpacing(8);
  buttons->addStretch(1);
  buttons->addWidget(cancelButton_, 0, Qt::AlignVCenter);
  buttons->addWidget(forceQuitButton_, 0, Qt::AlignVCenter);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
  layout->setSpacing(0);
  layout->addWidget(title_);
  layout->addSpacing(8);
  layout->addWidget(message_);
  layout->addSpacing(12);
  layout->addLayout(buttons);
  adjustSize();
  keepOutOfTaskbars(*this);
}

QString ForceQuitPopover::titleText() const {
  return title_->text();
}

QString ForceQuitPopover::messageText() const {
  return message_->text();
}

QPoint ForceQuitPopover::placement(const QRect& anchor, const QSize& size,
                                   std::optional<TaskbarPosition> barPosition) {
  const int centredX = anchor.x() + (anchor.width() - size.width()) / 2;
  const int centredY = anchor.y() + (anchor.height() - size.height()) / 2;
  switch (barPosition.value_or(TaskbarPosition::bottom)) {
    case TaskbarPosition::bottom:
      return QPoint(centredX, anchor.top() - kGap - size.height());
    case TaskbarPosition::top:
      return QPoint(centredX, anchor.bottom() + 1 + kGap);
    case TaskbarPosition::left:
      return QPoint(anchor.right() + 1 + kGap, centredY);
    case TaskbarPosition::right:
      return QPoint(anchor.left() - kGap - size.width(), centredY);
  }
  return QPoint(centredX, anchor.top() - kGap - size.height());
}

void ForceQuitPopover::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape:
      if (onCancel) onCancel();
      event->accept();
      return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (onConfirm) onConfirm();
      event->accept();
      return;
    default:
      QWidget::keyPressEvent(event);
  }
}

void ForceQuitPopover::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(palette().color(QPalette::Mid), 1));
  painter.setBrush(palette().color(QPalette::Window));
  painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
}

}  // namespace pelko
