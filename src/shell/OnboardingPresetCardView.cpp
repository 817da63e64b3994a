#include "shell/OnboardingPresetCardView.h"

#include <QAccessibleWidget>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <climits>

#include "shell/ShellWindowStyle.h"
#include "ui/FocusRing.h"
#include "ui/PlainText.h"

namespace pelko {

QColor onboardingAccentColor() {
  static const QColor accent = QColor::fromRgbF(0.984f, 0.749f, 0.141f, 1.0f);
  return accent;
}

namespace {
constexpr int kInset = 12;
constexpr int kBadgeSide = 24;

QColor withAlpha(QColor color, double alpha) {
  color.setAlphaF(alpha);
  return color;
}

// Where the preset puts its bar, for the badge's small picture of a screen.
enum class BarEdge { bottom, top, left, floating };
BarEdge barEdge(TaskbarPresetID preset) {
  switch (preset) {
    case TaskbarPresetID::topBar:
      return BarEdge::top;
    case TaskbarPresetID::sidebar:
      return BarEdge::left;
    case TaskbarPresetID::dock:
    case TaskbarPresetID::glass:
      return BarEdge::floating;
    default:
      return BarEdge::bottom;
  }
}

// A push button before a screen reader, whose press chooses the card and which reports the chosen one
// selected; Qt would report the card as a bare container without state or action.
class AccessiblePresetCard final : public QAccessibleWidget {
 public:
  explicit AccessiblePresetCard(OnboardingPresetCardView* card)
      : QAccessibleWidget(card, QAccessible::Button) {}

  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.selectable = true;
    state.selected = card()->isSelected();
    return state;
  }
  QStringList actionNames() const override {
    QStringList names{pressAction()};
    for (const QString& name : QAccessibleWidget::actionNames())
      if (!names.contains(name)) names << name;
    return names;
  }
  void doAction(const QString& name) override {
    if (name == pressAction())
      card()->choose();
    else
      QAccessibleWidget::doAction(name);
  }
  QStringList keyBindingsForAction(const QString& name) const override {
    if (name == pressAction()) return {QStringLiteral("Space")};
    return QAccessibleWidget::keyBindingsForAction(name);
  }

 private:
  OnboardingPresetCardView* card() const { return static_cast<OnboardingPresetCardView*>(widget()); }
};

QAccessibleInterface* presetCardInterface(const QString&, QObject* object) {
  if (auto* card = qobject_cast<OnboardingPresetCardView*>(object)) return new AccessiblePresetCard(card);
  return nullptr;
}

void installAccessiblePresetCards() {
  static const bool installed = [] {
    QAccessible::installFactory(presetCardInterface);
    return true;
  }();
  (void)installed;
}
}  // namespace

OnboardingPresetCardView::OnboardingPresetCardView(TaskbarPresetID preset, bool recommended, QWidget* parent)
    : QWidget(parent), preset_(preset) {
  installAccessiblePresetCards();
  const QString title = QString::fromUtf8(onboardingTitle(preset).data(), onboardingTitle(preset).size());
  setAccessibleName(title);
  setAttribute(Qt::WA_Hover);
  // Reached by the keyboard, as a button is; a click chooses the card without moving the focus to it.
  setFocusPolicy(Qt::TabFocus);
  new FocusRing(*this, 8);

  title_ = new QLabel(this);
  title_->setFont(shellSystemFont(13, QFont::DemiBold));
  setPlainText(*title_, title);

  if (recommended) {
    tag_ = new QLabel(this);
    tag_->setFont(shellSystemFont(9, QFont::Medium));
    setPlainText(*tag_, QStringLiteral("Recommended"));
    tag_->setContentsMargins(5, 2, 5, 2);
    tag_->setStyleSheet(QStringLiteral("QLabel { color: %1; background: %2; border-radius: 4px; }")
                            .arg(onboardingAccentColor().name(QColor::HexArgb),
                                 withAlpha(onboardingAccentColor(), 0.15).name(QColor::HexArgb)));
  }

  summary_ = new QLabel(this);
  summary_->setFont(shellSystemFont(11));
  summary_->setWordWrap(true);
  setPlainText(*summary_,
               QString::fromUtf8(onboardingSummary(preset).data(), onboardingSummary(preset).size()));
  QPalette palette = summary_->palette();
  palette.setColor(QPalette::WindowText, secondaryLabelColor(*this));
  summary_->setPalette(palette);

  layoutContent();
}

void OnboardingPresetCardView::layoutContent() {
  const int titleX = kInset + kBadgeSide + 8;
  const int badgeCentreY = kInset + kBadgeSide / 2;
  int titleRoom = kWidth - kInset - titleX;
  QSize tagSize;
  if (tag_) {
    tagSize = tag_->sizeHint();
    titleRoom -= tagSize.width() + 6;
  }
  const QFontMetrics titleMetrics(title_->font());
  const QString fullTitle = accessibleName();
  const QString shown = titleMetrics.elidedText(fullTitle, Qt::ElideRight, std::max(0, titleRoom));
  setPlainText(*title_, shown);
  const int titleWidth = std::min(titleRoom, titleMetrics.horizontalAdvance(shown) + 2);
  const int titleHeight = titleMetrics.height();
  title_->setGeometry(titleX, badgeCentreY - titleHeight / 2, std::max(0, titleWidth), titleHeight);
  if (tag_)
    tag_->setGeometry(titleX + titleWidth + 6, badgeCentreY - tagSize.height() / 2, tagSize.width(),
                      tagSize.height());

  const int summaryWidth = kWidth - 2 * kInset;
  const int lineSpacing = QFontMetrics(summary_->font()).lineSpacing();
  const int summaryHeight = std::min(summary_->heightForWidth(summaryWidth), lineSpacing * 2 + 1);
  const int summaryY = kInset + kBadgeSide + 4;
  summary_->setGeometry(kInset, summaryY, summaryWidth, summaryHeight);
  setFixedSize(kWidth, std::max(kMinimumHeight, summaryY + summaryHeight + 10));
}

QString OnboardingPresetCardView::symbolName() const {
  return QString::fromUtf8(pelko::symbolName(preset_).data(), pelko::symbolName(preset_).size());
}

QColor OnboardingPresetCardView::backgroundColor() const {
  if (isSelected_) return withAlpha(onboardingAccentColor(), 0.15);
  switch (look_) {
    case Look::hovered:
      return withAlpha(onboardingAccentColor(), 0.08);
    case Look::pressed:
      return withAlpha(onboardingAccentColor(), 0.15);
    case Look::normal:
      break;
  }
  return withAlpha(palette().color(QPalette::WindowText), 0.04);
}

QColor OnboardingPresetCardView::borderColor() const {
  // A press keeps the border of the look it started from; the chosen card keeps the accent's.
  if (isSelected_ || look_ == Look::hovered || (look_ == Look::pressed && isHovered_))
    return withAlpha(onboardingAccentColor(), 0.3);
  return withAlpha(palette().color(QPalette::Mid), 0.15);
}

void OnboardingPresetCardView::setLook(Look look) {
  look_ = look;
  update();
}

void OnboardingPresetCardView::enterEvent(QEnterEvent* event) {
  QWidget::enterEvent(event);
  // Like the platform's tracking area, hovering counts only while the card's window is the key window.
  if (!window()->isActiveWindow()) return;
  isHovered_ = true;
  setLook(Look::hovered);
  setCursor(Qt::PointingHandCursor);
}

void OnboardingPresetCardView::leaveEvent(QEvent* event) {
  QWidget::leaveEvent(event);
  if (!isHovered_) return;
  isHovered_ = false;
  setLook(Look::normal);
  unsetCursor();
}

void OnboardingPresetCardView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  setLook(Look::pressed);
  event->accept();
}

void OnboardingPresetCardView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
  setLook(isHovered_ ? Look::hovered : Look::normal);
  event->accept();
  if (rect().contains(event->position().toPoint())) choose();
}

void OnboardingPresetCardView::choose() {
  if (!action) return;
  if (QWidget* grid = parentWidget()) {
    for (auto* card : grid->findChildren<OnboardingPresetCardView*>(Qt::FindDirectChildrenOnly))
      if (card != this) card->setSelected(false);
  }
  setSelected(true);
  // The action may close the window; the card is deleted, if ever, later.
  auto run = action;
  run();
}

void OnboardingPresetCardView::setSelected(bool selected) {
  if (isSelected_ == selected) return;
  isSelected_ = selected;
  update();
  QAccessibleEvent change(this, selected ? QAccessible::SelectionAdd : QAccessible::SelectionRemove);
  QAccessible::updateAccessibility(&change);
}

void OnboardingPresetCardView::keyPressEvent(QKeyEvent* event) {
  const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
  OnboardingPresetCardView* next = nullptr;
  switch (plain ? event->key() : Qt::Key_unknown) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
      event->accept();
      if (!event->isAutoRepeat()) choose();
      return;
    case Qt::Key_Left:
      next = neighbour(-1, 0);
      break;
    case Qt::Key_Right:
      next = neighbour(1, 0);
      break;
    case Qt::Key_Up:
      next = neighbour(0, -1);
      break;
    case Qt::Key_Down:
      next = neighbour(0, 1);
      break;
    default:
      return QWidget::keyPressEvent(event);
  }
  // At the grid's edge an arrow key does nothing; it is still the card's, not the window's.
  event->accept();
  if (next) next->setFocus(Qt::TabFocusReason);
}

OnboardingPresetCardView* OnboardingPresetCardView::neighbour(int dx, int dy) const {
  QWidget* grid = parentWidget();
  if (!grid) return nullptr;
  // The grid's cards share their row's top edge and their column's left edge.
  OnboardingPresetCardView* nearest = nullptr;
  int nearestDistance = INT_MAX;
  for (auto* card : grid->findChildren<OnboardingPresetCardView*>(Qt::FindDirectChildrenOnly)) {
    if (card == this || !card->isVisibleTo(grid)) continue;
    const QPoint offset = card->pos() - pos();
    const int along = dx != 0 ? offset.x() * dx : offset.y() * dy;
    const int across = dx != 0 ? offset.y() : offset.x();
    if (across != 0 || along <= 0 || along >= nearestDistance) continue;
    nearest = card;
    nearestDistance = along;
  }
  return nearest;
}

void OnboardingPresetCardView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF card = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  painter.setPen(QPen(borderColor(), 1));
  painter.setBrush(backgroundColor());
  painter.drawRoundedRect(card, 8, 8);

  const QRectF badge(kInset, kInset, kBadgeSide, kBadgeSide);
  painter.setPen(Qt::NoPen);
  painter.setBrush(withAlpha(onboardingAccentColor(), 0.12));
  painter.drawRoundedRect(badge, 5, 5);

  // The symbol: a small screen with the bar where the preset puts it, 14 x 14 in the badge's centre.
  QRectF glyph(0, 0, 14, 14);
  glyph.moveCenter(badge.center());
  const QRectF screen = glyph.adjusted(0.75, 2, -0.75, -2);
  painter.setPen(QPen(onboardingAccentColor(), 1.3));
  painter.setBrush(Qt::NoBrush);
  painter.drawRoundedRect(screen, 2, 2);
  painter.setPen(Qt::NoPen);
  painter.setBrush(onboardingAccentColor());
  switch (barEdge(preset_)) {
    case BarEdge::bottom:
      painter.drawRect(QRectF(screen.left(), screen.bottom() - 3, screen.width(), 3));
      break;
    case BarEdge::top:
      painter.drawRect(QRectF(screen.left(), screen.top(), screen.width(), 3));
      break;
    case BarEdge::left:
      painter.drawRect(QRectF(screen.left(), screen.top(), 3.5, screen.height()));
      break;
    case BarEdge::floating:
      painter.drawRoundedRect(QRectF(screen.left() + 3, screen.bottom() - 4, screen.width() - 6, 2.5), 1, 1);
      break;
  }
}

}  // namespace pelko
