#pragma once

#include "foundation/Color.h"

namespace pelko::platform {

// System appearance settings the user chooses in the system's preferences.
class Appearance {
 public:
  virtual ~Appearance() = default;
  // The system accent colour at this moment.
  virtual Color controlAccentColor() const = 0;
};

}  // namespace pelko::platform
