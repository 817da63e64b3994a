#pragma once

#include <QPainterPath>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

#include "foundation/Color.h"
#include "foundation/Geometry.h"
#include "taskbar/ReorderDropTarget.h"

namespace pelko {

// The root view of one bar: paints the bar's background (none when a blurred background shows
// through) in its rounded shape and the border lines above everything on it, both anti-aliased, and
// hands its layout to the bar's view controller whenever its size changes. Its coordinates are Qt's
// (origin top left).
class TaskbarContainerView : public QWidget {
  Q_OBJECT
 public:
  explicit TaskbarContainerView(QWidget* parent = nullptr);

  // Nothing: clear.
  void setBackgroundColor(std::optional<Color> color);
  const std::optional<Color>& backgroundColor() const { return background_; }
  // `corners`: the rounded ones, as the bits of roundedCorners().
  void setCorners(double radius, unsigned corners);
  double cornerRadius() const { return cornerRadius_; }
  unsigned roundedCorners() const { return corners_; }
  // The bar's outline: the rounded rectangle of its bounds (a plain one without rounding).
  QPainterPath shape() const;

  // Lines in the view's coordinates, drawn in `color` above the bar's contents and clipped by its
  // rounded corners.
  void setBorderLines(const std::vector<Rect>& lines, const Color& color);
  const std::vector<Rect>& borderLines() const { return borderLines_; }
  const Color& borderColor() const { return borderColor_; }

  // Run after every resize, and by layoutNow(); the controller places the bar's parts there.
  std::function<void()> onLayout;
  void layoutNow();

  // Where reorder drags over the bar go; the bar answers no operation without one. Only drags that carry
  // the reorder type are taken.
  std::weak_ptr<ReorderDropTarget> reorderDelegate;
  // The context-menu gesture on the bar outside its buttons, with the pointer in global coordinates.
  std::function<void(const QPoint&)> onContextMenu;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void childEvent(QChildEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dragLeaveEvent(QDragLeaveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  class BorderOverlay;
  void shapeChanged();

  std::optional<Color> background_;
  double cornerRadius_ = 0;
  unsigned corners_ = 0;
  std::vector<Rect> borderLines_;
  Color borderColor_;
  BorderOverlay* overlay_ = nullptr;
};

}  // namespace pelko
