#pragma once

#include "platform/Appearance.h"

namespace pelko::sim {

class SimAppearance final : public platform::Appearance {
 public:
  Color controlAccentColor() const override { return accentColor; }
  // The default blue accent.
  Color accentColor{0.0, 0.478, 1.0, 1.0};
};

}  // namespace pelko::sim
