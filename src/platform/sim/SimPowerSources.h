#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "foundation/Scheduler.h"
#include "foundation/Subject.h"
#include "platform/PowerSources.h"

namespace pelko::sim {

// The power sources of the simulated Mac: a list a test sets; every change is announced on the main
// queue, unless the machine is set to announce nothing.
class SimPowerSources final : public platform::PowerSources {
 public:
  explicit SimPowerSources(Scheduler& scheduler) : scheduler_(scheduler) {}

  std::optional<std::vector<platform::PowerSourceDescription>> powerSources() override {
    ++readCount;
    return sources;
  }
  std::optional<Publisher<std::monostate>> changeNotifications() override {
    if (!announcesChanges) return std::nullopt;
    return changed_->publisher();
  }

  // Replaces the sources (nothing: the information cannot be read) and announces the change.
  void setSources(std::optional<std::vector<platform::PowerSourceDescription>> newSources) {
    sources = std::move(newSources);
    std::weak_ptr<Subject<std::monostate>> weak = changed_;
    scheduler_.mainAsync([weak] {
      if (auto changed = weak.lock()) changed->send(std::monostate{});
    });
  }

  // A laptop's internal battery with the usual entries.
  static platform::PowerSourceDescription internalBattery(int capacity, bool onACPower) {
    namespace k = platform::power_source_keys;
    return platform::PlistValue::Dictionary{
        {k::kType, k::kInternalBatteryType},
        {k::kCurrentCapacity, capacity},
        {k::kPowerSourceState, onACPower ? k::kACPower : k::kBatteryPower}};
  }

  std::optional<std::vector<platform::PowerSourceDescription>> sources =
      std::vector<platform::PowerSourceDescription>{};
  bool announcesChanges = true;
  int readCount = 0;

 private:
  Scheduler& scheduler_;
  std::shared_ptr<Subject<std::monostate>> changed_ = std::make_shared<Subject<std::monostate>>();
};

}  // namespace pelko::sim
