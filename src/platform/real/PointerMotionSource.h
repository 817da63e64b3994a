#pragma once

#include <functional>
#include <memory>

namespace pelko::real {

// The display server's word that the pointer moved, wherever it is (the report carries no position).
// Reports arrive on the main thread, only while enabled. Main thread only.
class PointerMotionSource {
 public:
  virtual ~PointerMotionSource() = default;
  // Asks for reports, or for none.
  virtual void setEnabled(bool enabled) = 0;
  virtual bool isEnabled() const = 0;
};

// Makes the source that calls `onMotion` on each report, or nothing where the display server has none.
using PointerMotionSourceFactory =
    std::function<std::unique_ptr<PointerMotionSource>(std::function<void()> onMotion)>;

}  // namespace pelko::real
