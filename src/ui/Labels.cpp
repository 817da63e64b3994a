#include "ui/Labels.h"

#include <QPainter>
#include <QTextLayout>

#include "ui/PlainText.h"
#include "ui/QtColor.h"

namespace pelko {

void applyLabelStyle(QLabel& label, const LabelStyle& style) {
  QFont font = label.font();
  // The sizes are the system's points, which are device-independent pixels here; Qt's points are larger.
  font.setPixelSize(qMax(1, qRound(style.pointSize)));
  font.setWeight(style.weight);
  // The system fonts here draw tabular digits by default, so a value label keeps its width as it counts.
  label.setFont(font);
  QPalette palette = label.palette();
  palette.setColor(QPalette::WindowText, toQColor(style.color));
  label.setPalette(palette);
  label.setTextInteractionFlags(Qt::NoTextInteraction);
}

QLabel* makePlainLabel(const QString& text, const LabelStyle& style, QWidget* parent) {
  auto* label = new QLabel(parent);
  applyLabelStyle(*label, style);
  setPlainText(*label, singleLine(text));
  return label;
}

ElidingLabel::ElidingLabel(const QString& text, const LabelStyle& style, QWidget* parent) : QLabel(parent) {
  applyLabelStyle(*this, style);
  setFullText(text);
}

void ElidingLabel::setFullText(const QString& text) {
  fullText_ = singleLine(text);
  setPlainText(*this, fullText_);
  update();
}

QString ElidingLabel::shownText() const {
  return fontMetrics().elidedText(fullText_, Qt::ElideRight, contentsRect().width());
}

QSize ElidingLabel::minimumSizeHint() const {
  return {fontMetrics().horizontalAdvance(QStringLiteral("…")) + 4, QLabel::minimumSizeHint().height()};
}

void ElidingLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setPen(palette().color(QPalette::WindowText));
  painter.drawText(contentsRect(), Qt::AlignVCenter | (alignment() & Qt::AlignHorizontal_Mask), shownText());
}

WrappingLabel::WrappingLabel(const QString& text, const LabelStyle& style, int maxLines, QWidget* parent)
    : QLabel(parent), maxLines_(maxLines) {
  applyLabelStyle(*this, style);
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
  setFullText(text);
}

void WrappingLabel::setFullText(const QString& text) {
  fullText_ = text;
  setPlainText(*this, text);
  updateGeometry();
  update();
}

void WrappingLabel::setMaxLines(int lines) {
  maxLines_ = lines;
  updateGeometry();
  update();
}

QStringList WrappingLabel::linesForWidth(int width) const {
  QStringList lines;
  if (width <= 0 || fullText_.isEmpty()) return lines;
  QTextLayout layout(fullText_, font());
  QTextOption option;
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  layout.setTextOption(option);
  layout.beginLayout();
  struct Span {
    int start;
    int length;
  };
  std::vector<Span> spans;
  while (true) {
    QTextLine line = layout.createLine();
    if (!line.isValid()) break;
    line.setLineWidth(width);
    spans.push_back({line.textStart(), line.textLength()});
  }
  layout.endLayout();
  const bool cut = maxLines_ > 0 && static_cast<int>(spans.size()) > maxLines_;
  const size_t shown = cut ? static_cast<size_t>(maxLines_) : spans.size();
  for (size_t i = 0; i < shown; ++i) {
    QString text = fullText_.mid(spans[i].start, spans[i].length);
    if (cut && i + 1 == shown) {
      text = fontMetrics().elidedText(fullText_.mid(spans[i].start).simplified(), Qt::ElideRight, width);
    }
    lines << text.trimmed();
  }
  return lines;
}

int WrappingLabel::heightForWidth(int width) const {
  const int lines = std::max<qsizetype>(1, linesForWidth(width).size());
  return lines * fontMetrics().lineSpacing() + contentsMargins().top() + contentsMargins().bottom();
}

QSize WrappingLabel::sizeHint() const {
  const int width = std::min(preferredWidth_, fontMetrics().horizontalAdvance(fullText_) + 2);
  return {width, heightForWidth(width)};
}

QSize WrappingLabel::minimumSizeHint() const {
  return {40, fontMetrics().lineSpacing()};
}

void WrappingLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setPen(palette().color(QPalette::WindowText));
  const QRect area = contentsRect();
  int y = area.top();
  const Qt::Alignment horizontal = alignment() & Qt::AlignHorizontal_Mask;
  for (const QString& line : linesForWidth(area.width())) {
    painter.drawText(QRect(area.left(), y, area.width(), fontMetrics().lineSpacing()),
                     Qt::AlignVCenter | (horizontal ? horizontal : Qt::AlignLeft), line);
    y += fontMetrics().lineSpacing();
  }
}

QString wrappedWithinLines(const QString& text, const QFont& font, int width, int maxLines) {
  if (width <= 0 || maxLines <= 0) return {};
  QTextLayout layout(text, font);
  QTextOption option;
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  layout.setTextOption(option);
  QStringList lines;
  layout.beginLayout();
  for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
    line.setLineWidth(width);
    if (lines.size() == maxLines - 1) {
      // The last line shown takes the rest of the text, cut to fit.
      const QString rest = text.mid(line.textStart()).simplified();
      lines << QFontMetrics(font).elidedText(rest, Qt::ElideRight, width);
      break;
    }
    lines << text.mid(line.textStart(), line.textLength()).trimmed();
  }
  layout.endLayout();
  return lines.join(QLatin1Char('\n'));
}

}  // namespace pelko
