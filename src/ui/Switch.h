#pragma once

#include <QWidget>

namespace pelko {

// An on/off switch. setOn() is the program's way to show a value and never signals; only a click or
// the space key of the user sends `toggledByUser`.
class Switch : public QWidget {
  Q_OBJECT
 public:
  explicit Switch(QWidget* parent = nullptr);

  bool isOn() const { return on_; }
  void setOn(bool on);
  QSize sizeHint() const override { return {38, 22}; }

 signals:
  void toggledByUser(bool on);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void toggleByUser();
  bool on_ = false;
};

}  // namespace pelko
