#pragma once

#include <memory>
#include <string>

#include "foundation/Subject.h"
#include "platform/PowerSources.h"

class QSocketNotifier;

namespace pelko::real {

// The power sources of Linux, read from the power-supply class folder of sysfs. A battery whose scope
// is not "Device" (a mouse's or a keyboard's is) is an internal battery; it is on mains power when a
// mains or USB supply is online, when it reports that it is charging, or, with no such supply listed,
// when it reports that it is full or not charging. Other supplies are no power sources of their own.
class SysfsPowerSources final : public platform::PowerSources {
 public:
  static constexpr const char* kSystemFolder = "/sys/class/power_supply";

  // `listenToKernel`: changes are announced from the kernel's device events (power-supply ones);
  // without it, or where they cannot be received, none are.
  explicit SysfsPowerSources(std::string folder = kSystemFolder, bool listenToKernel = true);
  ~SysfsPowerSources() override;
  SysfsPowerSources(const SysfsPowerSources&) = delete;
  SysfsPowerSources& operator=(const SysfsPowerSources&) = delete;

  std::optional<std::vector<platform::PowerSourceDescription>> powerSources() override;
  std::optional<Publisher<std::monostate>> changeNotifications() override;

 private:
  void readKernelEvents();

  std::string folder_;
  int eventSocket_ = -1;
  std::unique_ptr<QSocketNotifier> notifier_;
  Subject<std::monostate> changed_;
};

}  // namespace pelko::real
