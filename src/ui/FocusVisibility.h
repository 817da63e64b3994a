#pragma once

#include <QEvent>

class QWidget;

namespace pelko {

// Whether the focus is drawn: one rule for every control of the application. The ring shows once the
// keyboard has moved the focus (Tab, Shift+Tab, an arrow key, a shortcut, or Return or Space on a button
// that turned a page or opened a window), and not in a flow driven by the mouse alone: a click, or a
// page turned, a window or an alert opened by a click. A window brought back to the front, or one whose
// popup, alert or colour panel closed, gets its focus back drawn as it was when it went, and a window
// opened again starts afresh; Escape and typed text move nothing and change nothing.
//
// It follows the input of the whole application, so it must watch from before the first key press:
// every focus ring starts it, and so does the push buttons' ring.
class FocusVisibility {
 public:
  // Starts following the application's input (once; later calls do nothing). Needs the application.
  static void follow();
  // Whether `control` has the focus and shows it.
  static bool isShown(const QWidget& control);
  // Sent to the control that has the focus when whether it shows changes without a focus event (Tab
  // where there is nowhere else to go): a ring drawn apart from the control places itself again.
  static QEvent::Type changeEventType();
};

}  // namespace pelko
