#pragma once

#include <QWidget>

#include "foundation/Color.h"

namespace pelko {

// A swatch that edits one colour through the shared colour panel. setColor() shows a value silently
// (also in the panel while this well is its active one); a pick in the panel sends `colorChangedByUser`.
// A click, Space or Return opens the panel for it; over the accessibility bus it is a button that its row
// names, whose press does the same.
class ColorWell : public QWidget {
  Q_OBJECT
 public:
  explicit ColorWell(QWidget* parent = nullptr);
  ~ColorWell() override;

  const Color& color() const { return color_; }
  void setColor(const Color& color);
  bool isActive() const { return active_; }

  QSize sizeHint() const override { return {44, 24}; }
  // What a click does: makes this well the panel's active one and shows the panel, unless disabled.
  void openPanelByUser();

  // For the panel.
  void setActive(bool active);
  void takeColorFromPanel(const Color& color);

 signals:
  void colorChangedByUser(const Color& color);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  Color color_ = Color::white();
  bool active_ = false;
};

}  // namespace pelko
