#pragma once

#include <memory>
#include <string>

#include "foundation/Scheduler.h"
#include "foundation/Subject.h"
#include "platform/LocaleTimeZone.h"

namespace pelko::sim {

// The simulated Mac's locale and time zone; a change is announced on the main queue, as the system
// posts its notifications.
class SimLocaleTimeZone final : public platform::LocaleTimeZone {
 public:
  explicit SimLocaleTimeZone(Scheduler& scheduler) : scheduler_(scheduler) {}

  std::string currentLocaleIdentifier() override { return locale_; }
  std::string systemTimeZoneIdentifier() override { return timeZone_; }
  Publisher<std::monostate> currentLocaleDidChange() override { return localeChanged_->publisher(); }
  Publisher<std::monostate> systemTimeZoneDidChange() override { return timeZoneChanged_->publisher(); }

  void setLocale(std::string identifier) {
    locale_ = std::move(identifier);
    post(localeChanged_);
  }
  void setTimeZone(std::string identifier) {
    timeZone_ = std::move(identifier);
    post(timeZoneChanged_);
  }

 private:
  using Signal = Subject<std::monostate>;
  void post(const std::shared_ptr<Signal>& signal) {
    std::weak_ptr<Signal> weak = signal;
    scheduler_.mainAsync([weak] {
      if (auto s = weak.lock()) s->send(std::monostate{});
    });
  }

  Scheduler& scheduler_;
  std::string locale_ = "en_US";
  std::string timeZone_ = "UTC";
  std::shared_ptr<Signal> localeChanged_ = std::make_shared<Signal>();
  std::shared_ptr<Signal> timeZoneChanged_ = std::make_shared<Signal>();
};

}  // namespace pelko::sim
