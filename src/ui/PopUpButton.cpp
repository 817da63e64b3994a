#include "ui/PopUpButton.h"

#include <QAbstractItemView>
#include <QWheelEvent>

#include "ui/AccessibleControls.h"
#include "ui/FocusRing.h"

namespace pelko {

namespace {

// The corner radius of the style's pop-up button outline.
constexpr double kFocusRingRadius = 3;

}  // namespace

PopUpButton::PopUpButton(QWidget* parent) : QComboBox(parent) {
  installAccessibleControls();
  // Qt gives combo boxes the focus on a wheel step; a pop-up takes it by click or Tab only.
  setFocusPolicy(Qt::StrongFocus);
  // The style's own sign of the focus is a faint outline; the kit's ring says it as every control does.
  new FocusRing(*this, kFocusRingRadius);
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
