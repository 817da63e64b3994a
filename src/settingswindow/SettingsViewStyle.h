#pragma once

#include "foundation/Color.h"
#include "settings/SettingEnumerations.h"
#include "settingswindow/SettingsSurfaceColor.h"
#include "ui/SemanticColors.h"

namespace pelko {

// The one accent colour of the settings window.
inline constexpr Color kSettingsBrandColor{0.984, 0.749, 0.141, 1.0};

// A surface colour as the given mode draws it, flattened onto the window background when needed.
inline Color settingsSurfaceColor(const Color& color, SettingsRenderingMode mode) {
  return resolvedSettingsSurfaceColor(color, mode, semanticColor(SemanticColor::windowBackground));
}

// The shadow a surface casts: off in the low-density mode.
struct SurfaceShadow {
  double opacity = 0;
  double radius = 0;
  double offsetY = 0;  // positive: downwards on screen
  bool operator==(const SurfaceShadow&) const = default;
};

}  // namespace pelko
