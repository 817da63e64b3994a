#include "settingswindow/SettingsSectionBox.h"

#include <QPainter>

#include "settingswindow/SettingsSurfacePainter.h"

namespace pelko {

SettingsSectionBox::SettingsSectionBox(std::optional<std::string> sectionTitle, QWidget* parent)
    : QWidget(parent),
      sectionTitle_(std::move(sectionTitle)),
      styleFillColor_(semanticColor(SemanticColor::controlBackground, 0.72)),
      styleBorderColor_(semanticColor(SemanticColor::separator, 0.14)) {}

void SettingsSectionBox::setShowsShadowStyle(bool shows) {
  showsShadowStyle_ = shows;
  update();
}

void SettingsSectionBox::applyStyle(const Color& fill, const Color& border) {
  styleFillColor_ = fill;
  styleBorderColor_ = border;
  update();
}

void SettingsSectionBox::applyRenderingMode(SettingsRenderingMode mode) {
  mode_ = mode;
  update();
}

SurfaceShadow SettingsSectionBox::shadow() const {
  if (showsShadowStyle_ && mode_ == SettingsRenderingMode::standard) return {0.08, 12, 2};
  return {};
}

void SettingsSectionBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  paintSettingsSurface(painter, rect(), 12, fillColor(), borderColor(), shadow());
}

SettingsChromeView::SettingsChromeView(const Color& fill, const Color& border, double cornerRadius,
                                       bool showsShadow, QWidget* parent)
    : QWidget(parent), fill_(fill), border_(border), cornerRadius_(cornerRadius), showsShadow_(showsShadow) {}

void SettingsChromeView::applyRenderingMode(SettingsRenderingMode mode) {
  mode_ = mode;
  update();
}

SurfaceShadow SettingsChromeView::shadow() const {
  if (showsShadow_ && mode_ == SettingsRenderingMode::standard) return {0.09, 12, 3};
  return {};
}

void SettingsChromeView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  paintSettingsSurface(painter, rect(), cornerRadius_, fillColor(), borderColor(), shadow());
}

}  // namespace pelko
