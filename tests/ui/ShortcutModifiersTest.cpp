// The Mac's modifier flags for a window's key equivalents from the keys Linux reports: Control is
// Command, Alt is Option, and Super is no Mac key at all.

#include <gtest/gtest.h>

#include "ui/ShortcutModifiers.h"

namespace pelko {
namespace {

TEST(ShortcutModifiersTest, ControlStandsForCommandAndSuperForNone) {
  struct Row {
    const char* keys;
    Qt::KeyboardModifiers modifiers;
    uint64_t flags;
  };
  const uint64_t shift = 0x20000, option = 0x80000, command = 0x100000;
  const Row rows[] = {
      {"none", Qt::NoModifier, 0},
      {"Control", Qt::ControlModifier, command},
      {"Super", Qt::MetaModifier, 0},
      {"Control-Super", Qt::ControlModifier | Qt::MetaModifier, command},
      {"Alt-Super", Qt::AltModifier | Qt::MetaModifier, option},
      {"Shift-Control-Alt", Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier,
       shift | command | option},
      {"Keypad", Qt::KeypadModifier, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.keys);
    EXPECT_EQ(shortcutModifierFlags(row.modifiers), row.flags);
  }
}

}  // namespace
}  // namespace pelko
