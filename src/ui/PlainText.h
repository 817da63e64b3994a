#pragma once

#include <QString>

class QLabel;
class QMessageBox;

namespace pelko {

// The one way text from other programs or files (application names, window titles, bundle identifiers,
// file names, paths, versions) reaches Qt. Qt guesses whether a string is markup and reads '&' as a
// mnemonic; a window title must never be able to load an image, change a font or steal a shortcut.

// A label that shows the text exactly as given.
void setPlainText(QLabel& label, const QString& text);

// A tooltip that Qt shows exactly as given, on one line.
QString plainToolTip(const QString& text);

// A title for a button or a menu item: '&' doubled so it shows as itself.
QString plainButtonTitle(const QString& text);

// A message box whose texts are shown as given.
void setPlainMessage(QMessageBox& box, const QString& text, const QString& informativeText = {});

// Line breaks and tabs become spaces, so a title stays on one line.
QString singleLine(const QString& text);

// The first whole character (a code point, never half a surrogate pair); empty for empty text.
QString firstCharacter(const QString& text);

// At most maxUnits UTF-16 units, shortened to a whole code point with "…" appended when it was longer.
QString shortened(const QString& text, int maxUnits);

}  // namespace pelko
