#include "ui/PlainText.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QLabel>
#include <QTextDocument>

namespace pelko {
namespace {

// What a tooltip shows: Qt reads it as rich text when it looks like markup, else as it is.
QString shownToolTip(const QString& tip) {
  if (!Qt::mightBeRichText(tip)) return tip;
  QTextDocument document;
  document.setHtml(tip);
  return document.toPlainText();
}

TEST(PlainTextTest, TextsComeOutAsTheyWentIn) {
  const QString grin = QString::fromUtf8("\xF0\x9F\x98\x80");                   // one surrogate pair
  const QString thumb = QString::fromUtf8("\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD");  // with a skin tone
  const QString accented = QString::fromUtf8("e\xCC\x81");                      // e + combining acute
  const std::tuple<const char*, QString, QString> cases[] = {
      {"line breaks and tabs become spaces", singleLine("a\nb\tc\r\nd\u2028e"), "a b c  d e"},
      {"overrides, embeddings, isolates and controls go",
       singleLine(QString::fromUtf8("a\u202Etxt.exe\u202Ab\u2066c\u2069\x01\x7f\u0085d")), "atxt.exebcd"},
      {"a left-to-right name is shortened only", isolatedName(QString(100, 'n'), 60),
       QString(59, 'n') + QChar(0x2026)},
      {"a right-to-left name is isolated", isolatedName(QString::fromUtf8("\u05D0\u05D1 \u202Eexe"), 60),
       QString::fromUtf8("\u2068\u05D0\u05D1 exe\u2069")},
      {"ampersands in titles are doubled", plainButtonTitle("Save & Quit &&"), "Save && Quit &&&&"},
      {"first character of plain text", firstCharacter("Editor"), "E"},
      {"first character of an emoji name", firstCharacter(grin + "Smile"), grin},
      {"an emoji with a modifier is one character", firstCharacter(thumb + "x"), thumb},
      {"a combining mark stays with its letter", firstCharacter(accented + "x"), accented},
      {"no first character of nothing", firstCharacter(""), ""},
      {"the first character after direction marks and overrides", firstCharacter("\u200F\u202Eexe.txt"), "e"},
      {"the first character after line breaks, spaces and zero-width ones", firstCharacter("\n \u200BMail"),
       "M"},
      {"no first character of marks alone", firstCharacter("\u200E\u2069\t"), ""},
      {"short text is not shortened", shortened("abc", 3), "abc"},
      {"shortened with an ellipsis", shortened("abcdef", 4), QString("abc") + QChar(0x2026)},
      {"shortening never splits a pair", shortened(grin + grin + grin, 4), grin + QChar(0x2026)},
      {"100 characters stay whole", keepHeadAndTail(QString(100, 'x'), 100, 60, 40), QString(100, 'x')},
      {"101 keep head and tail", keepHeadAndTail(QString(60, 'a') + "b" + QString(40, 'c'), 100, 60, 40),
       QString(60, 'a') + "..." + QString(40, 'c')},
      {"head and tail count characters", keepHeadAndTail(grin.repeated(101), 100, 60, 40),
       grin.repeated(60) + "..." + grin.repeated(40)},
  };
  for (const auto& [what, got, expected] : cases) EXPECT_EQ(got, expected) << what;
}

// Message boxes: the alert adapter's test.
TEST(PlainTextTest, MarkupInToolTipsAndLabelsIsShownNotObeyed) {
  const QString hostile[] = {"page <img src=\"/dev/zero\">", "<b>bold</b> &amp; <i>it</i>", "a < b && c > d"};
  for (const QString& text : hostile) {
    const QString tip = plainToolTip(text);
    EXPECT_TRUE(Qt::mightBeRichText(tip)) << "Qt must never guess: " << text.toStdString();
    EXPECT_EQ(shownToolTip(tip), text);

    QLabel label;
    label.setTextFormat(Qt::RichText);
    setPlainText(label, text);
    EXPECT_EQ(label.textFormat(), Qt::PlainText);
    EXPECT_EQ(label.text(), text);
  }
  EXPECT_EQ(shownToolTip(plainToolTip("one\ntwo")), "one two");
  EXPECT_EQ(plainToolTip(""), "") << "no empty tooltip box";
}

// A screen reader reads a widget's tooltip when it has no description: the tooltip's words come as
// plain text, after the widget's place when it has one, and follow each change of either.
TEST(PlainTextTest, ATooltipGivesTheSameWordsAsAPlainDescription) {
  QWidget widget;
  auto description = [&] {
    return QAccessible::queryAccessibleInterface(&widget)->text(QAccessible::Description);
  };
  setPlainToolTip(widget, "Which screen edge\nthe <b>taskbar</b> & its \u202Eedge");
  EXPECT_TRUE(Qt::mightBeRichText(widget.toolTip()));
  EXPECT_EQ(description(), "Which screen edge the <b>taskbar</b> & its edge");
  EXPECT_EQ(shownToolTip(widget.toolTip()), description());

  setAccessiblePlace(widget, "Vibrancy");
  EXPECT_EQ(description(), "Vibrancy: Which screen edge the <b>taskbar</b> & its edge");
  setPlainToolTip(widget, "Use macOS blur");
  EXPECT_EQ(description(), "Vibrancy: Use macOS blur");
  setPlainToolTip(widget, "");
  EXPECT_EQ(widget.toolTip(), "");
  EXPECT_EQ(description(), "Vibrancy");
  setAccessiblePlace(widget, "");
  EXPECT_EQ(description(), "");
}

}  // namespace
}  // namespace pelko
