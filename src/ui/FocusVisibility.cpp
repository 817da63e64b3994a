#include "ui/FocusVisibility.h"

#include <QApplication>
#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QPointer>
#include <QWidget>

namespace pelko {

namespace {

// Set on a window that lost the keyboard to another window or to a popup: whether its focus was drawn.
constexpr const char* kDrawnWhenLeft = "pelkoFocusDrawnWhenLeft";

// Keys that move the focus, or that act on a button or a shortcut which can turn a page or open a
// window (whose first control then takes the focus). Escape only closes, and typed text moves nothing.
bool movesTheFocus(const QKeyEvent& key) {
  if (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier)) return true;
  switch (key.key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
    case Qt::Key_Select:
      return true;
    default:
      return false;
  }
}

class FocusWatcher : public QObject {
 public:
  using QObject::QObject;

  // Whether the widget that has the focus shows it.
  bool drawn = false;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::ShortcutOverride:
      case QEvent::KeyPress:
        if (movesTheFocus(*static_cast<QKeyEvent*>(event))) lastInput_ = Input::keyboard;
        if (event->type() == QEvent::KeyPress) tabbed(*static_cast<QKeyEvent*>(event));
        break;
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonDblClick:
      case QEvent::NonClientAreaMouseButtonPress:
      case QEvent::TabletPress:
      case QEvent::TouchBegin:
        lastInput_ = Input::pointer;
        break;
      case QEvent::Show:
        // A window opened again starts afresh: what opened it decides. (One brought back from the
        // minimized state is shown by the window system, and keeps its focus as it was.)
        if (auto* window = qobject_cast<QWidget*>(watched);
            window && window->isWindow() && !event->spontaneous())
          window->setProperty(kDrawnWhenLeft, {});
        break;
      case QEvent::FocusIn:
        // The widget kit also tells a dialog's default button, as the dialog opens and before it has
        // the keyboard, that the focus came by Tab, whatever opened the dialog: only the widget that
        // has the focus is heard.
        if (auto* widget = qobject_cast<QWidget*>(watched); widget && widget == QApplication::focusWidget())
          focusIn(*widget, static_cast<QFocusEvent*>(event)->reason());
        break;
      case QEvent::FocusOut:
        if (auto* widget = qobject_cast<QWidget*>(watched)) {
          const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
          if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
            widget->window()->setProperty(kDrawnWhenLeft, drawn);
        }
        break;
      default:
        break;
    }
    return false;
  }

 private:
  enum class Input { none, keyboard, pointer };

  void focusIn(QWidget& widget, Qt::FocusReason reason) {
    QWidget* window = widget.window();
    const QVariant whenLeft = window->property(kDrawnWhenLeft);
    window->setProperty(kDrawnWhenLeft, {});
    switch (reason) {
      case Qt::TabFocusReason:
      case Qt::BacktabFocusReason:
      case Qt::ShortcutFocusReason:
        drawn = true;
        return;
      case Qt::MouseFocusReason:
        drawn = false;
        return;
      case Qt::ActiveWindowFocusReason:
      case Qt::PopupFocusReason:
        if (whenLeft.isValid()) {
          drawn = whenLeft.toBool();
          return;
        }
        break;
      default:
        break;
    }
    // The program placed the focus, or a new window took it: in answer to the last key or click.
    if (lastInput_ != Input::none) drawn = lastInput_ == Input::keyboard;
  }

  // Tab asks where the focus is, even where it has nowhere else to go (a page with one control), and
  // then no focus event comes: the control that keeps the focus is told to show it now. One that moves
  // is drawn by its focus event as usual.
  void tabbed(const QKeyEvent& key) {
    if (key.key() != Qt::Key_Tab && key.key() != Qt::Key_Backtab) return;
    QWidget* focused = QApplication::focusWidget();
    if (drawn || !focused) return;
    drawn = true;
    QEvent changed(FocusVisibility::changeEventType());
    QApplication::sendEvent(focused, &changed);
    focused->update();
  }

  Input lastInput_ = Input::none;
};

QPointer<FocusWatcher>& watcher() {
  static QPointer<FocusWatcher> instance;
  return instance;
}

}  // namespace

void FocusVisibility::follow() {
  if (!qApp || watcher()) return;
  watcher() = new FocusWatcher(qApp);
  qApp->installEventFilter(watcher());
}

QEvent::Type FocusVisibility::changeEventType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

bool FocusVisibility::isShown(const QWidget& control) {
  return control.hasFocus() && watcher() && watcher()->drawn;
}

}  // namespace pelko
