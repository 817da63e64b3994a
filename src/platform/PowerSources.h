#pragma once

#include <optional>
#include <variant>
#include <vector>

#include "foundation/Publisher.h"
#include "platform/PropertyList.h"

namespace pelko::platform {

// The entries of a power source's description that the program reads, and the values they take.
namespace power_source_keys {
inline constexpr const char* kType = "Type";
inline constexpr const char* kCurrentCapacity = "Current Capacity";
inline constexpr const char* kPowerSourceState = "Power Source State";
inline constexpr const char* kInternalBatteryType = "InternalBattery";
inline constexpr const char* kACPower = "AC Power";
inline constexpr const char* kBatteryPower = "Battery Power";
}  // namespace power_source_keys

// One power source: its description dictionary, or nothing when the system has none for it.
using PowerSourceDescription = std::optional<PlistValue::Dictionary>;

// The machine's power sources (batteries, uninterruptible power supplies). Main thread only.
class PowerSources {
 public:
  virtual ~PowerSources() = default;
  // A snapshot of every source in the system's order; nothing when the information cannot be read.
  virtual std::optional<std::vector<PowerSourceDescription>> powerSources() = 0;
  // Announces, on the main queue, that a source changed; nothing when this system cannot announce
  // changes (a reader must then look again on a schedule of its own).
  virtual std::optional<Publisher<std::monostate>> changeNotifications() = 0;
};

}  // namespace pelko::platform
