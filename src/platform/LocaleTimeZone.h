#pragma once

#include <string>
#include <variant>

#include "foundation/Publisher.h"

namespace pelko::platform {

// The user's locale and the system's time zone, as identifiers ("en_US", "Europe/Berlin"), with the
// notifications of their changes. Main thread only; notifications come on the main queue.
class LocaleTimeZone {
 public:
  virtual ~LocaleTimeZone() = default;
  virtual std::string currentLocaleIdentifier() = 0;
  virtual std::string systemTimeZoneIdentifier() = 0;
  virtual Publisher<std::monostate> currentLocaleDidChange() = 0;
  virtual Publisher<std::monostate> systemTimeZoneDidChange() = 0;
};

}  // namespace pelko::platform
