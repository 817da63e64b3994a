#include "screens/AutoHideEdgeWindow.h"

#include <QPainter>

#include "ui/ScreenCoordinates.h"
#include "ui/X11WindowType.h"

namespace pelko {

AutoHideEdgeWindow::AutoHideEdgeWindow(const Description& description, double mainScreenHeight)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus |
                           Qt::WindowStaysOnTopHint | Qt::NoDropShadowWindowHint |
                           (description.ignoresMouseEvents ? Qt::WindowTransparentForInput : Qt::Widget)),
      description_(description) {
  setAttribute(Qt::WA_ShowWithoutActivating);
  setAttribute(Qt::WA_TranslucentBackground);
  setAttribute(Qt::WA_TransparentForMouseEvents, description.ignoresMouseEvents);
  setFocusPolicy(Qt::NoFocus);
  setGeometry(toQtGlobal(description.frame, mainScreenHeight));
  // Kept above normal windows and undecorated by an X11 window manager, like the bar itself.
  markAsDockWindow(*this);
}

AutoHideEdgeWindow::~AutoHideEdgeWindow() = default;

void AutoHideEdgeWindow::orderFront() {
  orderedIn_ = true;
  show();
  raise();
}

void AutoHideEdgeWindow::orderOut() {
  orderedIn_ = false;
  hide();
}

void AutoHideEdgeWindow::enterEvent(QEnterEvent* event) {
  QWidget::enterEvent(event);
  if (!description_.ignoresMouseEvents && onMouseEntered) onMouseEntered();
}

void AutoHideEdgeWindow::leaveEvent(QEvent* event) {
  QWidget::leaveEvent(event);
  if (!description_.ignoresMouseEvents && onMouseExited) onMouseExited();
}

void AutoHideEdgeWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  // A clear window still needs a pixel of alpha on X11 to receive the pointer at all.
  painter.fillRect(rect(), description_.background.value_or(QColor(0, 0, 0, 1)));
}

}  // namespace pelko
