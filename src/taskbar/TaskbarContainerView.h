#pragma once

#include <QWidget>
#include <functional>
#include <optional>

#include "foundation/Color.h"

namespace pelko {

// The root view of one bar: paints the bar's background (none when a blurred background shows
// through) with rounded corners that also clip what lies on it, and hands its layout to the bar's view
// controller whenever its size changes. Its coordinates are Qt's (origin top left).
class TaskbarContainerView : public QWidget {
  Q_OBJECT
 public:
  explicit TaskbarContainerView(QWidget* parent = nullptr);

  // Nothing: clear.
  void setBackgroundColor(std::optional<Color> color);
  const std::optional<Color>& backgroundColor() const { return background_; }
  void setCornerRadius(double radius);
  double cornerRadius() const { return cornerRadius_; }

  // Run after every resize, and by layoutNow(); the controller places the bar's parts there.
  std::function<void()> onLayout;
  void layoutNow();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void updateMask();

  std::optional<Color> background_;
  double cornerRadius_ = 0;
};

}  // namespace pelko
