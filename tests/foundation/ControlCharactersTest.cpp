#include "foundation/ControlCharacters.h"

#include <gtest/gtest.h>

#include <string>

namespace pelko {
namespace {

// Each control character becomes one '?', whatever its length in bytes; everything else, the bytes
// around a control character included, comes through as it was.
TEST(ControlCharactersTest, EachControlCharacterBecomesOneMarkAndNothingElseChanges) {
  struct Case {
    const char* name;
    std::string text;
    std::string shown;
  };
  const Case cases[] = {
      {"plain", "/home/u/.config/pelko", "/home/u/.config/pelko"},
      {"escape sequence", "a\x1B[31mb", "a?[31mb"},
      {"bell", "ring\x07", "ring?"},
      {"line feed", "one\ntwo", "one?two"},
      {"carriage return and tab", "\r\t", "??"},
      {"delete", "x\x7Fy", "x?y"},
      {"C1 next line", "a\xC2\x85z", "a?z"},
      {"C1 control sequence introducer",
       "\xC2\x9B"
       "2J",
       "?2J"},
      {"line separator", "a\xE2\x80\xA8z", "a?z"},
      {"paragraph separator", "\xE2\x80\xA9\xE2\x80\xA9", "??"},
      {"accented letter", "caf\xC3\xA9", "caf\xC3\xA9"},
      {"no-break space", "a\xC2\xA0z", "a\xC2\xA0z"},
      {"hyphenation point beside the separators", "\xE2\x80\xA7", "\xE2\x80\xA7"},
      {"a separator cut short", "a\xE2\x80", "a\xE2\x80"},
      {"a lead byte alone at the end", "a\xC2", "a\xC2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(withControlCharactersHidden(c.text), c.shown);
    EXPECT_EQ(holdsControlCharacter(c.text), c.shown != c.text);
  }
}

}  // namespace
}  // namespace pelko
