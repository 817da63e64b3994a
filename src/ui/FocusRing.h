#pragma once

#include <QFocusFrame>
#include <QPointer>

namespace pelko {

// The keyboard focus ring of one control: an outline in the accent colour just outside the control's
// bounds, shown while the control has the focus and FocusVisibility says the focus is drawn (the
// keyboard moved it there, not the mouse). A widget cannot paint outside itself, so the
// ring is a widget of its own laid over the nearest enclosing widget that has room for it (a stepper
// sits flush in the container it shares with its value label). It takes no clicks and, being a focus
// frame, is left out of what a screen reader sees.
class FocusRing : public QFocusFrame {
  Q_OBJECT
 public:
  // Space between the control's bounds and the ring's outer edge.
  static constexpr int kOutset = 3;

  // Follows `control` for as long as both exist; `cornerRadius` is that of the control's own outline.
  FocusRing(QWidget& control, double cornerRadius);
  ~FocusRing() override;

  QWidget* control() const { return control_; }
  // Whether `control` has a ring following it.
  static bool isRinged(const QWidget& control);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void place();

  QPointer<QWidget> control_;
  double cornerRadius_;
};

}  // namespace pelko
