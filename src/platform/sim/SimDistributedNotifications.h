#pragma once

#include <map>
#include <memory>
#include <string>

#include "foundation/Scheduler.h"
#include "foundation/Subject.h"
#include "platform/DistributedNotifications.h"

namespace pelko::sim {

// The system-wide notification centre of the simulated Mac: what is posted reaches the subscribers of
// its name on a later pass of the main queue, as a notification from another process does.
class SimDistributedNotifications final : public platform::DistributedNotifications {
 public:
  explicit SimDistributedNotifications(Scheduler& scheduler) : scheduler_(scheduler) {}

  Publisher<platform::DistributedNotification> notifications(const std::string& name) override {
    return subject(name).publisher();
  }

  void post(const std::string& name, const std::string& object = {}) {
    std::weak_ptr<Subjects> weak = subjects_;
    platform::DistributedNotification notification{name, object};
    scheduler_.mainAsync([weak, notification] {
      auto subjects = weak.lock();
      if (!subjects) return;
      auto it = subjects->find(notification.name);
      if (it != subjects->end()) it->second->send(notification);
    });
  }

 private:
  using Subjects = std::map<std::string, std::unique_ptr<Subject<platform::DistributedNotification>>>;
  Subject<platform::DistributedNotification>& subject(const std::string& name) {
    auto& slot = (*subjects_)[name];
    if (!slot) slot = std::make_unique<Subject<platform::DistributedNotification>>();
    return *slot;
  }

  Scheduler& scheduler_;
  std::shared_ptr<Subjects> subjects_ = std::make_shared<Subjects>();
};

}  // namespace pelko::sim
