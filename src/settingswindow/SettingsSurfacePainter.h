#pragma once

#include <QRectF>

#include "foundation/Color.h"
#include "settingswindow/SettingsViewStyle.h"

class QPainter;

namespace pelko {

// Draws a rounded surface of the settings window: its shadow (when on), its fill and a 1-point border.
// The shadow stays inside `bounds`: the body is shortened by the shadow's offset.
void paintSettingsSurface(QPainter& painter, const QRectF& bounds, double cornerRadius, const Color& fill,
                          const Color& border, const SurfaceShadow& shadow);

}  // namespace pelko
