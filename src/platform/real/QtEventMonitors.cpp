#include "platform/real/QtEventMonitors.h"

#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QWheelEvent>
#include <QWindow>
#include <utility>
#include <vector>

#include "platform/real/X11RawMotion.h"

namespace pelko::real {

using platform::Event;
using platform::EventType;

namespace {

double mainScreenHeight() {
  const QScreen* primary = QGuiApplication::primaryScreen();
  return primary ? primary->geometry().height() : 0;
}

// Qt's global coordinates (y down from the main screen's top) to screen coordinates (y up).
Point toScreen(const QPointF& global) {
  return {global.x(), mainScreenHeight() - global.y()};
}

// The Mac's modifier flags for the keys Qt reports held on Linux. The shortcuts watched through these
// monitors are written with Control (Control-Option-T), so the physical Control key is Control here; Alt
// is Option, and Super stands for no Mac key.
uint64_t macModifiers(Qt::KeyboardModifiers modifiers) {
  uint64_t flags = 0;
  if (modifiers & Qt::ShiftModifier) flags |= platform::modifier_flag::kShift;
  if (modifiers & Qt::ControlModifier) flags |= platform::modifier_flag::kControl;
  if (modifiers & Qt::AltModifier) flags |= platform::modifier_flag::kOption;
  return flags;
}

}  // namespace

QtEventMonitors::QtEventMonitors(Scheduler& scheduler, bool useDisplayServerEvents)
    : QtEventMonitors(scheduler, useDisplayServerEvents ? PointerMotionSourceFactory(X11RawMotion::create)
                                                        : PointerMotionSourceFactory()) {}

QtEventMonitors::QtEventMonitors(Scheduler& scheduler, const PointerMotionSourceFactory& makeSource)
    : scheduler_(scheduler) {
  if (makeSource) rawMotion_ = makeSource([this] { rawMotion(); });
  // The crossings of our windows decide when the raw events are wanted, so they are watched from the start.
  if (rawMotion_) installFilter();
}

QtEventMonitors::~QtEventMonitors() {
  if (pollTimer_) pollTimer_->invalidate();
  if (filterInstalled_ && QCoreApplication::instance()) QCoreApplication::instance()->removeEventFilter(this);
}

void QtEventMonitors::installFilter() {
  if (filterInstalled_ || !QCoreApplication::instance()) return;
  QCoreApplication::instance()->installEventFilter(this);
  filterInstalled_ = true;
}

platform::MonitorToken QtEventMonitors::addLocalMonitor(platform::EventMask mask,
                                                        platform::LocalEventHandler handler) {
  installFilter();
  return registry_.addLocalMonitor(mask, std::move(handler));
}

std::optional<platform::MonitorToken> QtEventMonitors::addGlobalMonitor(
    platform::EventMask mask, platform::GlobalEventHandler handler) {
  // Only pointer movement can be watched outside this process.
  if (!(mask & platform::event_mask::kMouseMovedOrDragged)) return std::nullopt;
  const auto token = registry_.addGlobalMonitor(mask, std::move(handler));
  updatePolling();
  return token;
}

void QtEventMonitors::removeMonitor(platform::MonitorToken token) {
  registry_.removeMonitor(token);
  updatePolling();
}

uint64_t QtEventMonitors::addTrackingRect(const Rect& screenRect, platform::GlobalEventHandler handler) {
  const auto token =
      registry_.addTrackingRect(screenRect, screenRect.contains(mouseLocation()), std::move(handler));
  updatePolling();
  return token;
}

void QtEventMonitors::removeTrackingRect(uint64_t trackingRect) {
  registry_.removeTrackingRect(trackingRect);
  updatePolling();
}

Point QtEventMonitors::mouseLocation() {
  // Handlers of a move ask where the pointer is: the move says it, without a trip to the display server.
  if (deliveringLocation_) return *deliveringLocation_;
  return toScreen(QCursor::pos());
}

void QtEventMonitors::updatePolling() {
  const bool needed = registry_.trackingRectCount() > 0 || registry_.globalMonitorCount() > 0;
  if (rawMotion_) {
    if (needed && !watching_) lastPolled_.reset();
    watching_ = needed;
    rawMotion_->setEnabled(needed && !pointerWindow_);
    if (needed && !lastPolled_) poll();  // where the pointer starts
    return;
  }
  if (needed && !pollTimer_) {
    lastPolled_.reset();
    pollTimer_ = scheduler_.scheduleRepeating(kPollInterval, kPollInterval / 2, [this] { poll(); });
  } else if (!needed && pollTimer_) {
    pollTimer_->invalidate();
    pollTimer_.reset();
  }
}

void QtEventMonitors::rawMotion() {
  // A burst of motion events leads to one read of the position, on a later pass of the main queue.
  if (readPending_) return;
  readPending_ = true;
  scheduler_.mainAsync(lifetime_.guard([this] {
    readPending_ = false;
    if (rawMotion_ && rawMotion_->isEnabled()) poll();
  }));
}

void QtEventMonitors::poll() {
  const QPoint global = QCursor::pos();
  const Point location = toScreen(global);
  if (lastPolled_ && *lastPolled_ == location) return;
  const bool first = !lastPolled_;
  lastPolled_ = location;
  const auto saved = std::exchange(deliveringLocation_, location);
  registry_.updateTracking(location);
  // Over our own windows the local monitors see the move.
  if (!first && !QGuiApplication::topLevelAt(global)) {
    Event moved;
    moved.type = EventType::mouseMoved;
    moved.locationInScreen = location;
    moved.modifierFlags = macModifiers(QGuiApplication::queryKeyboardModifiers());
    registry_.deliverGlobal(moved);
  }
  deliveringLocation_ = saved;
}

void QtEventMonitors::pointerLeft(QObject* window) {
  if (!pointerWindow_ || pointerWindow_ != window) return;
  pointerWindow_ = nullptr;
  updatePolling();
  // The move that left is the first one outside: it is reported as the raw events would have.
  if (watching_) poll();
}

// A window that closes under a menu's or a drag's grab may never hear the pointer leave: once one of
// ours hides, where the pointer is is asked again.
void QtEventMonitors::findPointerWindow() {
  QPointer<QWindow> found = QGuiApplication::topLevelAt(QCursor::pos());
  if (found == pointerWindow_) return;
  pointerWindow_ = found;
  updatePolling();
  if (watching_ && !pointerWindow_) poll();
}

bool QtEventMonitors::eventFilter(QObject* watched, QEvent* event) {
  // Every input event reaches the window first, then its widgets: looking at windows only sees each once.
  if (!watched->isWindowType()) return false;
  Event converted;
  switch (event->type()) {
    case QEvent::Enter:
      if (rawMotion_) {
        pointerWindow_ = static_cast<QWindow*>(watched);
        updatePolling();
      }
      return false;
    case QEvent::Leave:
      if (rawMotion_) pointerLeft(watched);
      return false;
    case QEvent::Hide:
      if (rawMotion_ && pointerWindow_) {
        scheduler_.mainAsync(lifetime_.guard([this] { findPointerWindow(); }));
      }
      return false;
    case QEvent::MouseMove: {
      const auto* mouse = static_cast<QMouseEvent*>(event);
      const Qt::MouseButtons buttons = mouse->buttons();
      converted.type = buttons & Qt::LeftButton    ? EventType::leftMouseDragged
                       : buttons & Qt::RightButton ? EventType::rightMouseDragged
                       : buttons != Qt::NoButton   ? EventType::otherMouseDragged
                                                   : EventType::mouseMoved;
      // Hovering the bar sends a stream of these: one nothing watches costs no conversion.
      if (!watching_ && registry_.trackingRectCount() == 0 && !registry_.hasLocalMonitorFor(converted.type))
        return false;
      ++pointerMovesDelivered_;
      converted.locationInScreen = toScreen(mouse->globalPosition());
      converted.modifierFlags = macModifiers(mouse->modifiers());
      // The raw events are off over our windows: the next poll compares with this move.
      if (watching_) lastPolled_ = converted.locationInScreen;
      const auto saved = std::exchange(deliveringLocation_, converted.locationInScreen);
      registry_.updateTracking(converted.locationInScreen);
      const bool swallowed = !registry_.deliverLocal(converted).has_value();
      deliveringLocation_ = saved;
      return swallowed;
    }
    case QEvent::Wheel: {
      const auto* wheel = static_cast<QWheelEvent*>(event);
      converted.type = EventType::scrollWheel;
      converted.locationInScreen = toScreen(wheel->globalPosition());
      converted.modifierFlags = macModifiers(wheel->modifiers());
      converted.scrollingDeltaY =
          wheel->pixelDelta().y() != 0 ? wheel->pixelDelta().y() : wheel->angleDelta().y() / 8.0;
      break;
    }
    case QEvent::KeyPress: {
      const auto* key = static_cast<QKeyEvent*>(event);
      converted.type = EventType::keyDown;
      converted.locationInScreen = mouseLocation();
      converted.modifierFlags = macModifiers(key->modifiers());
      converted.keyCode = static_cast<uint16_t>(key->nativeScanCode());
      converted.characters = key->text().toStdString();
      // With Control held the text is a control character; the key itself names the character.
      if (key->key() >= Qt::Key_Space && key->key() <= Qt::Key_AsciiTilde)
        converted.charactersIgnoringModifiers = QString(QChar(key->key())).toLower().toStdString();
      break;
    }
    default:
      return false;
  }
  return !registry_.deliverLocal(converted).has_value();
}

}  // namespace pelko::real
