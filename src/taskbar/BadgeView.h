#pragma once

#include <QStaticText>
#include <QString>
#include <QWidget>

class QPainter;
#include <cstdint>
#include <optional>

#include "foundation/Color.h"

namespace pelko {

// The capsule that carries an application's window count on its button: the count in small bold
// digits, centred on a pill of the badge colour. Its width grows with the digits, never below its
// height. The opacity is the widget's own (the whole badge fades, digits included). Inside an item
// button the button draws the badge (paintBadge) into the picture of its contents, which a hover fade
// only blits: the widget itself then paints nothing.
class BadgeView : public QWidget {
  Q_OBJECT
 public:
  static constexpr double kHeight = 16;
  static constexpr double kFontSize = 9;

  explicit BadgeView(QWidget* parent = nullptr);

  void setCount(int64_t count);
  int64_t count() const { return count_; }
  void setBadgeColor(const Color& color);
  const Color& badgeColor() const { return badgeColor_; }
  void setTextColor(const Color& color);
  const Color& textColor() const { return textColor_; }
  // 0 to 1; the widget's opacity.
  void setBadgeOpacity(double opacity);
  double badgeOpacity() const { return badgeOpacity_; }

  // The digits' measured size, kept until the count or text colour changes.
  QSizeF textSize() const;
  QSize sizeHint() const override;
  // How often the digits were measured (a repaint with the same count measures nothing).
  int measureCount() const { return measureCount_; }

  // Draws the badge as it looks, opacity included, with its top left at the painter's origin.
  void paintBadge(QPainter& painter);
  // Whether the parent draws the badge with paintBadge (the widget then paints nothing itself).
  void setDrawnByParent(bool drawn) { drawnByParent_ = drawn; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QFont digitFont() const;
  void paintOpaque(QPainter& painter);
  const QString& countString() const;

  int64_t count_ = 0;
  Color badgeColor_;
  Color textColor_ = Color::white();
  double badgeOpacity_ = 1.0;
  mutable std::optional<QString> cachedCountString_;
  mutable std::optional<QSizeF> cachedTextSize_;
  std::optional<QStaticText> laidOutDigits_;
  mutable int measureCount_ = 0;
  bool drawnByParent_ = false;
};

}  // namespace pelko
