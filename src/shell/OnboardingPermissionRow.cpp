#include "shell/OnboardingPermissionRow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/PermissionButtonName.h"
#include "shell/ShellWindowStyle.h"
#include "ui/FocusRing.h"
#include "ui/PlainText.h"

namespace pelko {

PermissionRowTexts permissionRowTexts(PermissionKind kind, bool granted, bool suppressed) {
  if (kind == PermissionKind::accessibility) {
    if (granted)
      return {QStringLiteral("Granted. Pelko can track active apps and use full window controls."), {}};
    if (suppressed)
      return {QStringLiteral("Limited Mode is active. Window tracking and controls are reduced until "
                             "Accessibility is granted."),
              QStringLiteral("Remind Me Again")};
    return {QStringLiteral(
                "Recommended for reliable app tracking, active-window detection, and window controls."),
            QStringLiteral("Use Limited Mode")};
  }
  if (granted) return {QStringLiteral("Granted. You can enable Thumbnails for live window previews."), {}};
  if (suppressed)
    return {QStringLiteral("Skipped. Thumbnails stay disabled until Screen Recording is granted."),
            QStringLiteral("Remind Me Again")};
  return {QStringLiteral("Optional. Only needed for Thumbnails, which use live window previews on hover."),
          QStringLiteral("Skip Thumbnails")};
}

PermissionStatusIcon::PermissionStatusIcon(QWidget* parent) : QWidget(parent) {
  setFixedSize(20, 20);
  setGranted(false);
}

void PermissionStatusIcon::setGranted(bool granted) {
  granted_ = granted;
  setAccessibleName(granted ? QStringLiteral("Granted") : QStringLiteral("Not granted"));
  update();
}

QString PermissionStatusIcon::symbolName() const {
  return granted_ ? QStringLiteral("checkmark.circle.fill") : QStringLiteral("xmark.circle.fill");
}

void PermissionStatusIcon::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF circle = QRectF(rect()).adjusted(1, 1, -1, -1);
  painter.setPen(Qt::NoPen);
  painter.setBrush(granted_ ? QColor(52, 199, 89) : QColor(255, 59, 48));
  painter.drawEllipse(circle);
  QPen mark(Qt::white, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  painter.setPen(mark);
  painter.setBrush(Qt::NoBrush);
  const double w = circle.width();
  const QPointF o = circle.topLeft();
  QPainterPath path;
  if (granted_) {
    path.moveTo(o + QPointF(w * 0.28, w * 0.52));
    path.lineTo(o + QPointF(w * 0.44, w * 0.68));
    path.lineTo(o + QPointF(w * 0.72, w * 0.34));
  } else {
    path.moveTo(o + QPointF(w * 0.33, w * 0.33));
    path.lineTo(o + QPointF(w * 0.67, w * 0.67));
    path.moveTo(o + QPointF(w * 0.67, w * 0.33));
    path.lineTo(o + QPointF(w * 0.33, w * 0.67));
  }
  painter.drawPath(path);
}

OnboardingPermissionRow::OnboardingPermissionRow(const QString& title, PermissionKind kind,
                                                 const QString& primaryTitle, QWidget* parent)
    : QWidget(parent), title_(title), kind_(kind), primaryTitle_(primaryTitle) {
  setMinimumHeight(60);
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 10, 0, 10);
  row->setSpacing(0);

  icon_ = new PermissionStatusIcon(this);
  row->addWidget(icon_, 0, Qt::AlignVCenter);
  row->addSpacing(8);

  auto* texts = new QVBoxLayout;
  texts->setSpacing(2);
  auto* titleLabel = new QLabel(this);
  setPlainText(*titleLabel, title);
  titleLabel->setFont(shellSystemFont(13, QFont::Medium));
  texts->addWidget(titleLabel);
  description_ = new QLabel(this);
  description_->setFont(shellSystemFont(11));
  QPalette palette = description_->palette();
  palette.setColor(QPalette::WindowText, secondaryLabelColor(*this));
  description_->setPalette(palette);
  description_->setMinimumWidth(60);
  // The width left beside the buttons decides the lines; the row grows to show every one of them.
  description_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  description_->setWordWrap(true);
  texts->addWidget(description_);
  row->addLayout(texts, 1);
  row->addSpacing(8);

  buttons_ = new QWidget(this);
  auto* buttonRow = new QHBoxLayout(buttons_);
  buttonRow->setContentsMargins(0, 0, 0, 0);
  buttonRow->setSpacing(6);
  primary_ = new QPushButton(buttons_);
  secondary_ = new QPushButton(buttons_);
  for (QPushButton* button : {primary_, secondary_}) {
    button->setFont(shellSystemFont(11));
    button->setAutoDefault(false);
    buttonRow->addWidget(button);
    new FocusRing(*button, 4);
  }
  buttons_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  row->addWidget(buttons_, 0, Qt::AlignVCenter);
}

void OnboardingPermissionRow::apply(bool granted, const PermissionRowTexts& texts) {
  icon_->setGranted(granted);
  descriptionText_ = texts.description;
  setPlainText(*description_, descriptionText_);
  description_->setAccessibleName(descriptionText_);
  primary_->setEnabled(true);
  primary_->setText(plainButtonTitle(primaryTitle_));
  primary_->setAccessibleName(permissionButtonName(kind_, primaryTitle_));
  buttons_->setVisible(!granted);
  if (texts.secondaryTitle) {
    secondary_->setText(plainButtonTitle(*texts.secondaryTitle));
    secondary_->setAccessibleName(permissionButtonName(kind_, *texts.secondaryTitle));
  }
  secondary_->setVisible(texts.secondaryTitle.has_value());
}

}  // namespace pelko
