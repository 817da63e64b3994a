#include "ui/PlainText.h"

#include <QLabel>
#include <QMessageBox>
#include <QTextBoundaryFinder>
#include <QWidget>
#include <algorithm>
#include <vector>

namespace pelko {

namespace {

// What a widget's description is made of, kept on the widget so that either part can change alone.
constexpr const char* kToolTipWords = "pelkoToolTipWords";
constexpr const char* kAccessiblePlace = "pelkoAccessiblePlace";

void describe(QWidget& widget) {
  QStringList parts;
  for (const char* part : {kAccessiblePlace, kToolTipWords}) {
    const QString words = widget.property(part).toString();
    if (!words.isEmpty()) parts << words;
  }
  const QString description = parts.join(QStringLiteral(": "));
  if (widget.accessibleDescription() != description) widget.setAccessibleDescription(description);
}

// Where each character starts, in UTF-16 units, followed by the text's length.
std::vector<qsizetype> characterBoundaries(const QString& text) {
  std::vector<qsizetype> boundaries;
  QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
  for (qsizetype at = 0; at >= 0 && at <= text.size(); at = finder.toNextBoundary()) boundaries.push_back(at);
  if (boundaries.empty() || boundaries.back() != text.size()) boundaries.push_back(text.size());
  return boundaries;
}

}  // namespace

void setPlainText(QLabel& label, const QString& text) {
  label.setTextFormat(Qt::PlainText);
  label.setText(text);
}

QString plainToolTip(const QString& text) {
  if (text.isEmpty()) return {};
  // Escaped and wrapped as rich text on purpose: a tooltip has no plain-text mode, so Qt would guess
  // from the text itself; wrapped, it never guesses, and the escaped text draws as the characters it
  // holds.
  return Qt::convertFromPlainText(singleLine(text), Qt::WhiteSpaceNoWrap);
}

void setPlainToolTip(QWidget& widget, const QString& text) {
  widget.setToolTip(plainToolTip(text));
  widget.setProperty(kToolTipWords, singleLine(text).trimmed());
  describe(widget);
}

void setAccessiblePlace(QWidget& widget, const QString& place) {
  widget.setProperty(kAccessiblePlace, singleLine(place).trimmed());
  describe(widget);
}

QString plainButtonTitle(const QString& text) {
  QString title = text;
  return title.replace(QLatin1Char('&'), QLatin1String("&&"));
}

void setPlainMessage(QMessageBox& box, const QString& text, const QString& informativeText) {
  box.setTextFormat(Qt::PlainText);
  box.setText(text);
  box.setInformativeText(informativeText);
  // The box's text format covers only its main text; the informative label guesses on its own.
  if (auto* informative = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel")))
    informative->setTextFormat(Qt::PlainText);
}

QString singleLine(const QString& text) {
  QString line;
  line.reserve(text.size());
  for (const QChar c : text) {
    const char16_t u = c.unicode();
    if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QLatin1Char('\t') ||
        c == QChar::LineSeparator || c == QChar::ParagraphSeparator) {
      line += QLatin1Char(' ');
    } else if (c.category() == QChar::Other_Control || (u >= 0x202A && u <= 0x202E) ||
               (u >= 0x2066 && u <= 0x2069)) {
      continue;
    } else {
      line += c;
    }
  }
  return line;
}

QString isolatedName(const QString& text, int maxUnits) {
  const QString name = shortened(singleLine(text), maxUnits);
  const bool rightToLeft = std::any_of(name.begin(), name.end(), [](QChar c) {
    const QChar::Direction direction = c.direction();
    return direction == QChar::DirR || direction == QChar::DirAL;
  });
  if (!rightToLeft) return name;
  return QChar(0x2068) + name + QChar(0x2069);
}

QString firstCharacter(const QString& text) {
  const QString line = singleLine(text);
  qsizetype start = 0;
  while (start < line.size() &&
         (line.at(start).isSpace() || line.at(start).category() == QChar::Other_Format))
    ++start;
  if (start == line.size()) return {};
  const QString rest = line.mid(start);
  QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, rest);
  const qsizetype end = finder.toNextBoundary();
  return rest.left(end > 0 ? end : rest.size());
}

QString shortened(const QString& text, int maxUnits) {
  if (maxUnits <= 0) return {};
  if (text.size() <= maxUnits) return text;
  const qsizetype room = maxUnits - 1;  // for the ellipsis
  qsizetype cut = 0;
  for (qsizetype boundary : characterBoundaries(text)) {
    if (boundary > room) break;
    cut = boundary;
  }
  return text.left(cut) + QChar(0x2026);
}

QString keepHeadAndTail(const QString& text, int maxCharacters, int headCharacters, int tailCharacters) {
  const auto boundaries = characterBoundaries(text);
  const auto characters = static_cast<qsizetype>(boundaries.size()) - 1;
  if (characters <= maxCharacters) return text;
  const qsizetype headEnd =
      boundaries[static_cast<size_t>(std::clamp<qsizetype>(headCharacters, 0, characters))];
  const qsizetype tailStart =
      boundaries[static_cast<size_t>(characters - std::clamp<qsizetype>(tailCharacters, 0, characters))];
  return text.left(headEnd) + QStringLiteral("...") + text.mid(tailStart);
}

}  // namespace pelko
