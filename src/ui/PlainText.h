#pragma once

#include <QString>

class QLabel;
class QMessageBox;
class QWidget;

namespace pelko {

// The one way text from other programs or files (application names, window titles, bundle identifiers,
// file names, paths, versions) reaches Qt. Qt guesses whether a string is markup and reads '&' as a
// mnemonic; a window title must never be able to load an image, change a font or steal a shortcut.
// "Character" below means what a reader sees as one: a grapheme cluster, never half a surrogate pair.

// A label that shows the text exactly as given.
void setPlainText(QLabel& label, const QString& text);

// A tooltip that Qt shows exactly as given, on one line; empty text gives no tooltip.
QString plainToolTip(const QString& text);

// Gives `widget` the tooltip `text`, as plainToolTip() makes it, and the same words as plain text for its
// accessible description. A widget without a description of its own is described to a screen reader by
// its tooltip, and the tooltip is markup ("<p style=...>"): every tooltip goes this way, so that no
// description is ever markup. Empty text removes the tooltip.
void setPlainToolTip(QWidget& widget, const QString& text);

// Where `widget` sits, told to a screen reader ahead of its tooltip's words in its description: the row of
// a control whose name is its own rather than its row's ("Vibrancy" for the "Vibrancy Effect" switch).
void setAccessiblePlace(QWidget& widget, const QString& place);

// A title for a button or a menu item: '&' doubled so it shows as itself.
QString plainButtonTitle(const QString& text);

// A message box whose texts (the main and the informative one) are shown as given.
void setPlainMessage(QMessageBox& box, const QString& text, const QString& informativeText = {});

// Line breaks and tabs become spaces, so a title stays on one line; other control characters and the
// bidirectional embeddings, overrides and isolates are removed, so a title cannot reorder the text
// around it (U+202E cannot make "txt.exe" read "exe.txt").
QString singleLine(const QString& text);

// A name or title set into a text of our own ("Quit <name>"): on one line as singleLine() makes it,
// shortened() to maxUnits, and isolated (U+2068 ... U+2069) when it holds right-to-left letters, so its
// direction cannot move the words and marks around it.
QString isolatedName(const QString& text, int maxUnits);

// The first whole character a reader sees of a name, for a letter tile: taken from the name as
// singleLine() makes it, after any leading white space and invisible formatting (direction marks,
// zero-width spaces and joiners); empty when there is none.
QString firstCharacter(const QString& text);

// At most maxUnits UTF-16 units, cut before a whole character with "…" appended when it was longer.
QString shortened(const QString& text, int maxUnits);

// Text of more than maxCharacters characters as its first headCharacters, "..." and its last
// tailCharacters; shorter text unchanged.
QString keepHeadAndTail(const QString& text, int maxCharacters, int headCharacters, int tailCharacters);

}  // namespace pelko
