#pragma once

#include <string>

#include "foundation/Publisher.h"

namespace pelko::platform {

// A notification one process broadcasts to every other through the system-wide notification centre.
struct DistributedNotification {
  std::string name;
  // The sender's object string; empty when it gave none.
  std::string object;
};

// The system-wide notification centre that processes use to tell each other about state changes (the
// window manager announcing Mission Control, for one).
class DistributedNotifications {
 public:
  virtual ~DistributedNotifications() = default;
  // The notifications called `name`, from any sender, delivered on the main queue.
  virtual Publisher<DistributedNotification> notifications(const std::string& name) = 0;
};

}  // namespace pelko::platform
