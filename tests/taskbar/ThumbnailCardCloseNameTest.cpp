// A thumbnail card's close control as a screen reader hears it: named for the window it closes, by the
// title the card shows ("Close notes.txt"), so that the cards of one panel are told apart.

#include <gtest/gtest.h>

#include <QAccessible>
#include <string>

#include "foundation/VirtualScheduler.h"
#include "taskbar/ThumbnailCard.h"
#include "ui/Animator.h"

namespace pelko::test {
namespace {

// The title is another program's text, filtered as the card's own name is, cut to 60 units and
// isolated when it reads right to left, as "Quit ..." and "Remove ..." are; a window whose title shows
// nothing keeps the general name.
TEST(ThumbnailCardCloseNameTest, EachCloseControlIsNamedForItsWindow) {
  struct Case {
    const char* what;
    QString title;
    std::string cardName, closeName;
  };
  const Case cases[] = {
      {"a plain title", "notes.txt", "notes.txt", "Close notes.txt"},
      {"no title", "", "", "Close window"},
      {"only white space", " \t ", "   ", "Close window"},
      {"line breaks", "draft\nfinal", "draft final", "Close draft final"},
      {"a direction override", QString(QChar(0x202E)) + "txt.exe", "txt.exe", "Close txt.exe"},
      {"markup and a mnemonic", "<b>A&B</b>", "<b>A&B</b>", "Close <b>A&B</b>"},
      {"invisible marks only", QString(QChar(0x200B)) + QChar(0x200F), "\u200B\u200F", "Close window"},
      {"marks and spaces", QString(" ") + QChar(0x200B) + " " + QChar(0xFEFF), " \u200B \uFEFF",
       "Close window"},
      {"a mark before a letter", QString(QChar(0x200B)) + "a", "\u200Ba", "Close \u200Ba"},
      {"60 letters, whole", QString(60, 'x'), std::string(60, 'x'), "Close " + std::string(60, 'x')},
      {"500 letters, cut", QString(500, 'x'), std::string(500, 'x'),
       "Close " + std::string(59, 'x') + "\u2026"},
      {"a right-to-left title", QString::fromUtf8("\u05E9\u05DC\u05D5\u05DD.txt"),
       "\u05E9\u05DC\u05D5\u05DD.txt", "Close \u2068\u05E9\u05DC\u05D5\u05DD.txt\u2069"},
  };
  VirtualScheduler scheduler;
  Animator animator(scheduler);
  const ThumbnailCard::WindowCallback closeNothing = [](int64_t) {};  // a card with a close control
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ThumbnailCard card(7, std::nullopt, c.title, animator, {}, closeNothing, nullptr);
    QAccessibleInterface* item = QAccessible::queryAccessibleInterface(&card);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(QAccessible::Name).toStdString(), c.cardName);
    ASSERT_EQ(item->childCount(), 1);
    EXPECT_EQ(item->child(0)->text(QAccessible::Name).toStdString(), c.closeName);
  }
}

}  // namespace
}  // namespace pelko::test
