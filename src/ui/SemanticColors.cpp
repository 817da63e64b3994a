#include "ui/SemanticColors.h"

namespace pelko {

Color semanticColor(SemanticColor role) {
  switch (role) {
    case SemanticColor::label:
      return Color::fromWhite(1.0, 0.85);
    case SemanticColor::secondaryLabel:
      return Color::fromWhite(1.0, 0.55);
    case SemanticColor::tertiaryLabel:
      return Color::fromWhite(1.0, 0.25);
    case SemanticColor::separator:
      return Color::fromWhite(1.0, 0.1);
    case SemanticColor::controlBackground:
      return Color::fromWhite(0.118);
    case SemanticColor::windowBackground:
      return Color::fromWhite(0.196);
    case SemanticColor::systemOrange:
      return {1.0, 0.624, 0.039, 1.0};
    case SemanticColor::clear:
      return Color::fromWhite(0, 0);
  }
  return Color::black();
}

Color semanticColor(SemanticColor role, double alpha) {
  return semanticColor(role).withAlpha(alpha);
}

}  // namespace pelko
