#include "settingswindow/SettingsSurfaceColor.h"

#include <algorithm>
#include <cmath>

namespace pelko {

namespace {

// Our colours are sRGB already; converting only brings stray components back into range.
Color toSRGB(const Color& color) {
  auto unit = [](double value) { return std::isfinite(value) ? std::clamp(value, 0.0, 1.0) : 0.0; };
  return {unit(color.red), unit(color.green), unit(color.blue), unit(color.alpha)};
}

}  // namespace

Color resolvedSettingsSurfaceColor(const Color& color, SettingsRenderingMode mode,
                                   const Color& compositingBase) {
  if (mode == SettingsRenderingMode::standard) return color;
  const Color base = toSRGB(compositingBase);
  const Color converted = toSRGB(color);
  if (converted.alpha >= 0.995) return converted;
  const double fraction = converted.alpha;
  auto blend = [fraction](double under, double over) { return under * (1 - fraction) + over * fraction; };
  return {blend(base.red, converted.red), blend(base.green, converted.green),
          blend(base.blue, converted.blue), 1.0};
}

SettingsRenderingMode renderingModeForScale(std::optional<double> scale) {
  if (scale && *scale < 2.0) return SettingsRenderingMode::lowDensity;
  return SettingsRenderingMode::standard;
}

}  // namespace pelko
