#pragma once

#include <cstdint>

namespace pelko::platform {

// Whether a process is still there, asked of the system the processes belong to. Process identifiers
// are only meaningful within that system: the simulated world's are not this machine's.
class ProcessExistence {
 public:
  virtual ~ProcessExistence() = default;
  virtual bool processExists(int32_t pid) = 0;
};

}  // namespace pelko::platform
