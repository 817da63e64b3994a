#pragma once

#include <QPalette>

#include "foundation/Color.h"

namespace pelko {

// The system's named colours as the dark appearance draws them; a surface names its colours by role so
// that every view of a window agrees on them.
enum class SemanticColor {
  label,
  secondaryLabel,
  tertiaryLabel,
  separator,
  controlBackground,
  windowBackground,
  // Keyboard focus, selections and the "on" state of controls.
  controlAccent,
  systemOrange,
  systemGreen,
  systemRed,
  clear,
};

Color semanticColor(SemanticColor role);
// The role's colour with its alpha replaced by `alpha` ("separator colour at 0.14").
Color semanticColor(SemanticColor role, double alpha);

// The same appearance for Qt's own controls (fields, pop-ups, push buttons).
QPalette semanticPalette();

}  // namespace pelko
