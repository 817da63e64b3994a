#pragma once

namespace pelko {

// A colour as sRGB components and alpha, each from 0 to 1 (components outside that range are kept as
// given, as extended-range colours are; encoders clamp them).
struct Color {
  double red = 0;
  double green = 0;
  double blue = 0;
  double alpha = 1;

  static constexpr Color fromWhite(double white, double alpha = 1) { return {white, white, white, alpha}; }
  static constexpr Color white() { return {1, 1, 1, 1}; }
  static constexpr Color black() { return {0, 0, 0, 1}; }
  constexpr Color withAlpha(double a) const { return {red, green, blue, a}; }

  bool operator==(const Color&) const = default;
};

}  // namespace pelko
