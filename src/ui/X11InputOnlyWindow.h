#pragma once

#include <QAbstractNativeEventFilter>
#include <QRect>
#include <cstdint>
#include <functional>
#include <memory>

namespace pelko {

// Whether the program runs on X11 without a compositing manager. There a window's translucent pixels
// are shown as they are painted, without what lies behind them: a "clear" window is a black one.
bool isX11WithoutCompositor();

// An input-only X11 window: it receives the pointer's crossings and moves and draws nothing at all, so it
// stands on the screen invisibly whether or not a compositor runs. It is kept above other windows (the window
// manager does not manage it) and carries the program's window class. Only on X11 (create() gives
// nothing elsewhere). Main thread only.
class X11InputOnlyWindow final : public QAbstractNativeEventFilter {
 public:
  // `geometry` in Qt's global coordinates.
  static std::unique_ptr<X11InputOnlyWindow> create(const QRect& geometry);
  ~X11InputOnlyWindow() override;
  X11InputOnlyWindow(const X11InputOnlyWindow&) = delete;
  X11InputOnlyWindow& operator=(const X11InputOnlyWindow&) = delete;

  // Maps the window on top of the others, or takes it off the screen.
  void map();
  void unmap();
  uint32_t windowId() const { return window_; }

  std::function<void()> onEntered;
  std::function<void()> onExited;
  // The pointer moved inside the window; its place in Qt's global coordinates.
  std::function<void(QPoint)> onMoved;

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

 private:
  X11InputOnlyWindow(void* connection, uint32_t window);
  void* connection_;
  uint32_t window_;
};

}  // namespace pelko
