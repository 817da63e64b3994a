// The Mac's modifier flags for the keys Linux reports: Control is Command or Control as the shortcut is
// written, Alt is Option, and Super is no Mac key at all.

#include <gtest/gtest.h>

#include "platform/real/QtKeyModifiers.h"

namespace pelko::real {
namespace {

TEST(QtKeyModifiersTest, ControlStandsForTheShortcutsModifierAndSuperForNone) {
  struct Row {
    const char* keys;
    Qt::KeyboardModifiers modifiers;
    uint64_t asCommand;  // flags where Control stands for Command
    uint64_t asControl;  // flags where Control stands for Control
  };
  const uint64_t shift = 0x20000, control = 0x40000, option = 0x80000, command = 0x100000;
  const Row rows[] = {
      {"none", Qt::NoModifier, 0, 0},
      {"Control", Qt::ControlModifier, command, control},
      {"Super", Qt::MetaModifier, 0, 0},
      {"Control-Super", Qt::ControlModifier | Qt::MetaModifier, command, control},
      {"Alt-Super", Qt::AltModifier | Qt::MetaModifier, option, option},
      {"Shift-Control-Alt", Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier,
       shift | command | option, shift | control | option},
      {"Keypad", Qt::KeypadModifier, 0, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.keys);
    EXPECT_EQ(macModifierFlags(row.modifiers, ControlKeyRole::command), row.asCommand);
    EXPECT_EQ(macModifierFlags(row.modifiers, ControlKeyRole::control), row.asControl);
  }
}

}  // namespace
}  // namespace pelko::real
