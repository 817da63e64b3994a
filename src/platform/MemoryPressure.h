#pragma once

#include <functional>
#include <memory>

namespace pelko::platform {

enum class MemoryPressureLevel { normal, warning, critical };

// The system's memory-pressure events. Main thread only; handlers run on the main queue.
class MemoryPressure {
 public:
  virtual ~MemoryPressure() = default;
  // Reports warning and critical events to `handler` while the returned handle is kept.
  virtual std::shared_ptr<void> watch(std::function<void(MemoryPressureLevel)> handler) = 0;
};

}  // namespace pelko::platform
