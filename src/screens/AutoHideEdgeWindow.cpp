#include "screens/AutoHideEdgeWindow.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include "ui/ScreenCoordinates.h"
#include "ui/X11InputOnlyWindow.h"
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
  if (!description.background && !description.ignoresMouseEvents && isX11WithoutCompositor()) {
    inputOnly_ = X11InputOnlyWindow::create(geometry());
    if (inputOnly_) {
      inputOnly_->onEntered = [this] {
        if (onMouseEntered) onMouseEntered();
      };
      inputOnly_->onExited = [this] {
        if (onMouseExited) onMouseExited();
      };
      // Moves inside the zone reach the program as moves over one of its own windows, as they would
      // over a drawn one (the window is made for that, never shown).
      create();
      inputOnly_->onMoved = [this](QPoint global) {
        QWindow* window = windowHandle();
        if (!window) return;
        QMouseEvent move(QEvent::MouseMove, window->mapFromGlobal(global), global, Qt::NoButton,
                         QGuiApplication::mouseButtons(), QGuiApplication::keyboardModifiers());
        QCoreApplication::sendEvent(window, &move);
      };
      return;
    }
  }
  // Kept above normal windows and undecorated by an X11 window manager, like the bar itself.
  markAsDockWindow(*this);
  keepOutOfTaskbars(*this);
}

AutoHideEdgeWindow::~AutoHideEdgeWindow() = default;

void AutoHideEdgeWindow::orderFront() {
  orderedIn_ = true;
  if (inputOnly_) {
    inputOnly_->map();
    return;
  }
  show();
  raise();
}

void AutoHideEdgeWindow::orderOut() {
  orderedIn_ = false;
  if (inputOnly_) inputOnly_->unmap();
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
