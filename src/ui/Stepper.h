#pragma once

#include <QWidget>

namespace pelko {

// Up and down arrows over a number within [minimum, maximum]: a step adds or subtracts `increment` and
// clamps. The value is shown elsewhere, by a label its owner keeps; whoever stores it rounds it if it
// must. setValue() (the program showing a value) clamps silently: only the user's clicks and arrow keys
// (and a screen reader's increase, decrease or value) send `valueChangedByUser`. Over the accessibility
// bus it is a spin button with its value.
class Stepper : public QWidget {
  Q_OBJECT
 public:
  explicit Stepper(QWidget* parent = nullptr);

  void setRange(double minimum, double maximum, double increment);
  double minimum() const { return minimum_; }
  double maximum() const { return maximum_; }
  double increment() const { return increment_; }
  double value() const { return value_; }
  void setValue(double value);

  // What the user's step up (or down) does; answers whether the value changed.
  bool stepByUser(int direction);
  // A value the user typed or a screen reader set, clamped to the range; answers whether it changed.
  bool setValueByUser(double value);

  QSize sizeHint() const override { return {19, 28}; }

 signals:
  void valueChangedByUser(double value);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  double clamped(double value) const;
  void announceValue();
  double minimum_ = 0;
  double maximum_ = 100;
  double increment_ = 1;
  double value_ = 0;
};

}  // namespace pelko
