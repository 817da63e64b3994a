#pragma once

#include <QColor>
#include <QFont>
#include <QPixmap>

#include "platform/RunningApplication.h"

class QMouseEvent;
class QWidget;

namespace pelko {

// What the shell's own small windows (About, onboarding) share in how they look.

// The system font at `points`, where one point is one device-independent pixel, as everywhere else.
QFont shellSystemFont(double points, QFont::Weight weight = QFont::Normal);

// The text colours of the window's palette: secondary for explanations, tertiary for fine print.
QColor secondaryLabelColor(const QWidget& widget);
QColor tertiaryLabelColor(const QWidget& widget);

// A press on a window's background (one no control took) starts moving the window, as the window
// system does with its title bar. True when the move started.
bool moveWindowByBackground(QWidget& window, const QMouseEvent& event);

// Brings the window to the front, centred on the main screen's area free of panels, and gives it focus.
void presentCentredOnMainScreen(QWidget& window);

// The application's icon drawn into a square of `pixels`: its image file when it has a readable one,
// else a rounded tile in its colour with the application's initial.
QPixmap applicationIconPixmap(const platform::AppIcon& icon, int pixels);

}  // namespace pelko
