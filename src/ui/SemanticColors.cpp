#include "ui/SemanticColors.h"

#include "ui/QtColor.h"

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
    case SemanticColor::controlAccent:
      return {10 / 255.0, 132 / 255.0, 1.0, 1.0};
    case SemanticColor::systemOrange:
      return {1.0, 0.624, 0.039, 1.0};
    case SemanticColor::systemGreen:
      return {0.196, 0.843, 0.294, 1.0};
    case SemanticColor::systemRed:
      return {1.0, 0.271, 0.227, 1.0};
    case SemanticColor::clear:
      return Color::fromWhite(0, 0);
  }
  return Color::black();
}

Color semanticColor(SemanticColor role, double alpha) {
  return semanticColor(role).withAlpha(alpha);
}

QPalette semanticPalette() {
  QPalette palette;
  const QColor label = toQColor(semanticColor(SemanticColor::label));
  palette.setColor(QPalette::Window, toQColor(semanticColor(SemanticColor::windowBackground)));
  palette.setColor(QPalette::WindowText, label);
  palette.setColor(QPalette::Base, toQColor(semanticColor(SemanticColor::controlBackground)));
  palette.setColor(QPalette::AlternateBase, toQColor(Color::fromWhite(0.16)));
  palette.setColor(QPalette::Text, label);
  palette.setColor(QPalette::Button, toQColor(Color::fromWhite(0.32)));
  palette.setColor(QPalette::ButtonText, label);
  palette.setColor(QPalette::PlaceholderText, toQColor(semanticColor(SemanticColor::tertiaryLabel, 0.45)));
  palette.setColor(QPalette::Highlight, toQColor(semanticColor(SemanticColor::controlAccent)));
  palette.setColor(QPalette::HighlightedText, Qt::white);
  palette.setColor(QPalette::Light, toQColor(Color::fromWhite(0.4)));
  palette.setColor(QPalette::Midlight, toQColor(Color::fromWhite(0.35)));
  palette.setColor(QPalette::Mid, toQColor(Color::fromWhite(0.25)));
  palette.setColor(QPalette::Dark, toQColor(Color::fromWhite(0.12)));
  palette.setColor(QPalette::Shadow, Qt::black);
  palette.setColor(QPalette::ToolTipBase, toQColor(Color::fromWhite(0.22)));
  palette.setColor(QPalette::ToolTipText, label);
  for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
    palette.setColor(QPalette::Disabled, role, toQColor(semanticColor(SemanticColor::label, 0.3)));
  return palette;
}

}  // namespace pelko
