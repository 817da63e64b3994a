#pragma once

#include <mutex>

#include "platform/real/PlistFileUserDefaults.h"

namespace pelko::real {

// Holds the store from the test's thread as another thread's save or change would hold it.
struct PlistFileUserDefaultsTestAccess {
  static std::unique_lock<std::mutex> holdWriter(PlistFileUserDefaults& defaults) {
    return defaults.holdWriter();
  }
  static std::unique_lock<std::mutex> holdValues(PlistFileUserDefaults& defaults) {
    return defaults.holdValues();
  }
};

}  // namespace pelko::real
