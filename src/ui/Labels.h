#pragma once

#include <QLabel>

#include "foundation/Color.h"

namespace pelko {

// Labels of the settings kit. Every text goes through the plain-text helper, so a '<' or '&' in a name
// shows as itself.
struct LabelStyle {
  double pointSize = 13;
  QFont::Weight weight = QFont::Normal;
  Color color = Color::fromWhite(1.0, 0.85);
  bool monospacedDigits = false;
};

// One line of text, shown whole.
QLabel* makePlainLabel(const QString& text, const LabelStyle& style, QWidget* parent = nullptr);

// One line of text cut at the tail with "…" when the label is narrower than the text. The whole text
// stays the label's text() for search and accessibility.
class ElidingLabel : public QLabel {
  Q_OBJECT
 public:
  explicit ElidingLabel(const QString& text, const LabelStyle& style, QWidget* parent = nullptr);
  void setFullText(const QString& text);
  const QString& fullText() const { return fullText_; }
  // What is drawn at the current width.
  QString shownText() const;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString fullText_;
};

// Text broken at word boundaries onto at most `maxLines` lines (0: no limit); what does not fit in them
// is cut, the last shown line ending in "…".
class WrappingLabel : public QLabel {
  Q_OBJECT
 public:
  WrappingLabel(const QString& text, const LabelStyle& style, int maxLines = 0, QWidget* parent = nullptr);
  void setFullText(const QString& text);
  const QString& fullText() const { return fullText_; }
  int maxLines() const { return maxLines_; }
  void setMaxLines(int lines);
  // The lines drawn at `width`.
  QStringList linesForWidth(int width) const;

  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override;
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString fullText_;
  int maxLines_ = 0;
  int preferredWidth_ = 260;
};

void applyLabelStyle(QLabel& label, const LabelStyle& style);

// `text` wrapped to `width` in `font`, at word boundaries where it can be and anywhere within a word
// wider than a line, in at most `maxLines` lines, the last one cut with an ellipsis when the text goes on.
QString wrappedWithinLines(const QString& text, const QFont& font, int width, int maxLines);

}  // namespace pelko
