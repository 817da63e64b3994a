#pragma once

#include <memory>
#include <vector>

#include "foundation/Scheduler.h"
#include "platform/MemoryPressure.h"

namespace pelko::sim {

// Memory pressure on the simulated Mac: a test raises an event, the watchers hear of it on the main queue.
class SimMemoryPressure final : public platform::MemoryPressure {
 public:
  explicit SimMemoryPressure(Scheduler& scheduler) : scheduler_(scheduler) {}

  std::shared_ptr<void> watch(std::function<void(platform::MemoryPressureLevel)> handler) override {
    auto shared = std::make_shared<std::function<void(platform::MemoryPressureLevel)>>(std::move(handler));
    watchers_.push_back(shared);
    return shared;
  }

  void raise(platform::MemoryPressureLevel level) {
    for (const auto& weak : watchers_)
      scheduler_.mainAsync([weak, level] {
        if (auto handler = weak.lock()) (*handler)(level);
      });
  }

 private:
  Scheduler& scheduler_;
  std::vector<std::weak_ptr<std::function<void(platform::MemoryPressureLevel)>>> watchers_;
};

}  // namespace pelko::sim
