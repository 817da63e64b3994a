#pragma once

#include <QAccessible>

class QWidget;

namespace pelko {

// Gives a widget of our own the accessible role a screen reader should meet it with (a button, a
// group): Qt reports a plain widget as a bare container whatever it does. Its accessible name and
// description stay the widget's own. Call before the widget is first asked for by the accessibility
// bridge, that is in its constructor.
void setAccessibleRole(QWidget& widget, QAccessible::Role role);

}  // namespace pelko
