#pragma once

#include <QAccessible>
#include <QRect>
#include <QString>
#include <functional>

class QWidget;

namespace pelko {

// Gives a widget of our own the accessible role a screen reader should meet it with (a button, a
// group): Qt reports a plain widget as a bare container whatever it does. Its accessible name and
// description stay the widget's own. Call before the widget is first asked for by the accessibility
// bridge, that is in its constructor.
void setAccessibleRole(QWidget& widget, QAccessible::Role role);

// As above, for a widget a click acts on: a screen reader presses it with the Press action, which runs
// `press`. Pass the very function the widget's own click ends in, so the two cannot drift apart. A
// disabled widget ignores the press as it ignores a click; the widget need not take keyboard focus.
void setAccessibleRole(QWidget& widget, QAccessible::Role role, std::function<void()> press);

// Makes a widget given its role above a toggle before a screen reader: checkable, and checked while
// `checked` holds, which a screen reader announces as a pressed toggle. Meant for a button drawn pressed
// in while something it stands for is current (the bar's button of the front application). A change is
// told to the bus at once, so a screen reader follows it without walking the tree again.
void setAccessibleChecked(QWidget& widget, bool checked);

// A control a widget draws inside itself rather than as a widget of its own (the close control of a
// card): a child of the widget before a screen reader, in the widget's place at `rect()` (in the
// widget's coordinates; empty while it has no place), with a Press action that runs `press`.
struct AccessiblePart {
  QString name;
  QAccessible::Role role = QAccessible::Button;
  std::function<QRect()> rect;
  std::function<void()> press;
};

// Adds `part` after the widget's child widgets, once the widget has its role (setAccessibleRole).
void addAccessiblePart(QWidget& widget, AccessiblePart part);

}  // namespace pelko
