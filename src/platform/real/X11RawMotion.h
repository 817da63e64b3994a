#pragma once

#include <QAbstractNativeEventFilter>
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/real/PointerMotionSource.h"

namespace pelko::real {

// Pointer movement anywhere on an X11 display, as XInput 2 raw motion events on the root window, read
// from the connection Qt already has. Nothing arrives while the pointer stands still. Main thread only.
class X11RawMotion final : public QAbstractNativeEventFilter, public PointerMotionSource {
 public:
  // Nothing when the application does not run on X11 or the server lacks XInput 2.
  static std::unique_ptr<X11RawMotion> create(std::function<void()> onMotion);
  ~X11RawMotion() override;
  X11RawMotion(const X11RawMotion&) = delete;
  X11RawMotion& operator=(const X11RawMotion&) = delete;

  // Asks the server for raw motion events, or to stop sending them.
  void setEnabled(bool enabled) override;
  bool isEnabled() const override { return enabled_; }

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

 private:
  X11RawMotion(void* connection, uint32_t root, uint8_t opcode, std::function<void()> onMotion);
  void select(uint32_t mask);

  void* connection_;  // xcb_connection_t, owned by Qt
  uint32_t root_;
  uint8_t opcode_;
  std::function<void()> onMotion_;
  bool enabled_ = false;
};

}  // namespace pelko::real
