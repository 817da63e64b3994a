#pragma once

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QPixmap>
#include <QString>

#include "platform/AppShell.h"
#include "platform/RunningApplication.h"

class QMouseEvent;
class QWidget;

namespace pelko {

// What the shell's own small windows (About, onboarding) share in how they look, and the program's own
// icon, which every window of it shows.

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

// An application's icon drawn into a square of `pixels`: its image file when it has a readable one,
// else a rounded tile in its colour with `initial` (the first letter of the application's name).
QPixmap applicationIconPixmap(const platform::AppIcon& icon, const QString& initial, int pixels);

// This program's own icon in a square of `pixels`, the one image About, the onboarding and the settings
// window (its frame and its sidebar) show: the bundle's image, else the "P" tile in its colour.
QPixmap ownApplicationIcon(const platform::AppShell& appShell, int pixels);
// The same icon for window frames, task switchers and alerts, drawn at each size they ask for.
QIcon ownApplicationWindowIcon(const platform::AppShell& appShell);

}  // namespace pelko
