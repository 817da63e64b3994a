#pragma once

#include <QComboBox>

namespace pelko {

// A pop-up button: a choice the user makes by opening its list and picking an entry, never by a wheel
// step while the pointer passes over it (the step goes on to the page, which scrolls). Its list opens in
// the palette of the window the button sits in, so a dark window never opens a light list.
class PopUpButton : public QComboBox {
  Q_OBJECT
 public:
  explicit PopUpButton(QWidget* parent = nullptr);

  void showPopup() override;

 protected:
  void wheelEvent(QWheelEvent* event) override;
};

}  // namespace pelko
