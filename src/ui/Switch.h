#pragma once

#include <QWidget>

namespace pelko {

// An on/off switch. setOn() is the program's way to show a value and never signals; only a click, the
// space key or a screen reader's toggle sends `toggledByUser`. Over the accessibility bus it is a check
// box with its checked state; the row that holds it gives it its name.
class Switch : public QWidget {
  Q_OBJECT
 public:
  explicit Switch(QWidget* parent = nullptr);

  bool isOn() const { return on_; }
  void setOn(bool on);
  QSize sizeHint() const override { return {38, 22}; }
  // What a click does: flips the switch and signals, unless the switch is disabled.
  void toggleByUser();

 signals:
  void toggledByUser(bool on);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void announceState();
  bool on_ = false;
};

}  // namespace pelko
