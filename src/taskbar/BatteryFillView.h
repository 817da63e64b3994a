#pragma once

#include <QWidget>
#include <vector>

#include "foundation/Color.h"
#include "foundation/Geometry.h"
#include "settings/SettingEnumerations.h"

namespace pelko {

// The translucent charge fill behind the whole tray for the styles `bar` and `segments`; the style
// `battery` draws nothing. It draws itself from the fields the tray sets.
class BatteryFillView : public QWidget {
  Q_OBJECT
 public:
  explicit BatteryFillView(QWidget* parent = nullptr);

  BatteryIconStyle style() const { return style_; }
  int level() const { return level_; }
  bool isCharging() const { return isCharging_; }
  bool colorCoded() const { return colorCoded_; }

  void setStyle(BatteryIconStyle style);
  void setLevel(int level);
  void setCharging(bool charging);
  void setColorCoded(bool colorCoded);

  // The colour of the fill: the charge colour faintly when colour coded, else a faint white.
  static Color fillColor(int level, bool charging, bool colorCoded);
  // The filled rectangles for `bounds` (the view's, y down): one for `bar`, one per non-empty segment
  // for `segments`, none for `battery`.
  static std::vector<Rect> fillRects(BatteryIconStyle style, const Rect& bounds, int level);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  BatteryIconStyle style_ = BatteryIconStyle::battery;
  int level_ = 100;
  bool isCharging_ = false;
  bool colorCoded_ = true;
};

}  // namespace pelko
