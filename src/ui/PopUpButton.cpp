#include "ui/PopUpButton.h"

#include <QAbstractItemView>
#include <QWheelEvent>

namespace pelko {

PopUpButton::PopUpButton(QWidget* parent) : QComboBox(parent) {
  // Qt gives combo boxes the focus on a wheel step; a pop-up takes it by click or Tab only.
  setFocusPolicy(Qt::StrongFocus);
}

void PopUpButton::showPopup() {
  // The list is a window of its own, and the style draws its entries as menu items in the program's
  // menu palette wherever the given palette leaves a colour unset: every colour is set here.
  QPalette windowColours = palette();
  windowColours.setResolveMask(~QPalette::ResolveMask{0});
  if (QWidget* list = view()->window(); list && list != window()) list->setPalette(windowColours);
  view()->setPalette(windowColours);
  QComboBox::showPopup();
}

void PopUpButton::wheelEvent(QWheelEvent* event) {
  event->ignore();  // passed on to the scrolling page around the button
}

}  // namespace pelko
