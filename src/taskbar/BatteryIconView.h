#pragma once

#include <QWidget>
#include <array>
#include <optional>
#include <string>

#include "foundation/Color.h"
#include "foundation/Geometry.h"

namespace pelko {

// The system's red, orange and green, as the battery shows its charge.
namespace battery_colors {
inline constexpr Color kRed{1.0, 0.231, 0.188, 1};
inline constexpr Color kOrange{1.0, 0.584, 0.0, 1};
inline constexpr Color kGreen{0.204, 0.780, 0.349, 1};
}  // namespace battery_colors

// Green while charging; otherwise red up to 20 %, orange below 50 %, green from 50 %.
Color batteryLevelColor(int level, bool charging);

// Where the battery glyph's parts go for a body `iconHeight` high in a view `viewHeight` high, in the
// view's coordinates (y down).
struct BatteryGlyphGeometry {
  Rect body;
  double cornerRadius = 0;
  double lineWidth = 0;
  Rect nub;
  double nubCornerRadius = 0;
  // Nothing when the level leaves no fill.
  std::optional<Rect> levelFill;
  double levelCornerRadius = 0;
  // The charging bolt's corners, in drawing order.
  std::array<Point, 6> bolt{};
};
BatteryGlyphGeometry batteryGlyphGeometry(double iconHeight, double viewHeight, int level);

// The small battery drawn next to the tray's percentage: an outlined body with a nub, filled as far as
// the charge goes, with a bolt while charging. It draws itself from the fields the tray sets.
class BatteryIconView : public QWidget {
  Q_OBJECT
 public:
  static constexpr Color kDefaultIconColor = Color::fromWhite(0.7);

  explicit BatteryIconView(QWidget* parent = nullptr);

  int level() const { return level_; }
  bool isCharging() const { return isCharging_; }
  bool colorCoded() const { return colorCoded_; }
  Color iconColor() const { return iconColor_; }
  double iconHeight() const { return iconHeight_; }

  void setLevel(int level);
  void setCharging(bool charging);
  void setColorCoded(bool colorCoded);
  void setIconColor(Color color);
  void setIconHeight(double height);

  // "Battery 87%, charging".
  static std::string accessibilityLabel(int level, bool charging);
  // The glyph's own size in points (body, nub and one point of room).
  Size intrinsicSize() const;
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void updateAccessibilityLabel();

  int level_ = 100;
  bool isCharging_ = false;
  bool colorCoded_ = true;
  Color iconColor_ = kDefaultIconColor;
  double iconHeight_ = 12.0;
};

}  // namespace pelko
