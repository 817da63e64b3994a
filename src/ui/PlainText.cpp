#include "ui/PlainText.h"

#include <QLabel>
#include <QMessageBox>

namespace pelko {

void setPlainText(QLabel& label, const QString& text) {
  label.setTextFormat(Qt::PlainText);
  label.setText(text);
}

QString plainToolTip(const QString& text) {
  // Escaped and wrapped as rich text on purpose: Qt then never guesses, and the escaped text draws as
  // the characters it holds.
  return Qt::convertFromPlainText(singleLine(text), Qt::WhiteSpaceNoWrap);
}

QString plainButtonTitle(const QString& text) {
  QString title = text;
  return title.replace(QLatin1Char('&'), QLatin1String("&&"));
}

void setPlainMessage(QMessageBox& box, const QString& text, const QString& informativeText) {
  box.setTextFormat(Qt::PlainText);
  box.setText(text);
  box.setInformativeText(informativeText.isEmpty() ? QString() : plainToolTip(informativeText));
}

QString singleLine(const QString& text) {
  QString line = text;
  for (QChar& c : line) {
    if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QLatin1Char('\t') ||
        c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
      c = QLatin1Char(' ');
  }
  return line;
}

QString firstCharacter(const QString& text) {
  if (text.isEmpty()) return {};
  const int units = text.size() > 1 && text[0].isHighSurrogate() && text[1].isLowSurrogate() ? 2 : 1;
  return text.left(units);
}

QString shortened(const QString& text, int maxUnits) {
  if (maxUnits <= 0) return {};
  if (text.size() <= maxUnits) return text;
  int cut = maxUnits - 1;  // room for the ellipsis
  if (cut > 0 && text[cut - 1].isHighSurrogate()) --cut;
  return text.left(cut) + QChar(0x2026);
}

}  // namespace pelko
