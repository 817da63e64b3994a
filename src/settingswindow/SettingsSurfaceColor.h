#pragma once

#include <optional>

#include "foundation/Color.h"
#include "settings/SettingEnumerations.h"

namespace pelko {

// The one colour rule of the settings surfaces. On a low-density screen a translucent fill shows the
// window's blur through it as a muddy smear, so there every colour with visible translucency is
// flattened onto `compositingBase` (the window background) and drawn opaque.
Color resolvedSettingsSurfaceColor(const Color& color, SettingsRenderingMode mode,
                                   const Color& compositingBase);

// The mode for a screen of backing scale `scale`; no screen at all keeps the standard look.
SettingsRenderingMode renderingModeForScale(std::optional<double> scale);

}  // namespace pelko
