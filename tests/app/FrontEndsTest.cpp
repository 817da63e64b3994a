#include "app/FrontEnds.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pelko {
namespace {

// Where no box can show an alert, the end-to-end runs and the user read it on standard error: both
// texts, then every button in order (no line of them for an alert without buttons).
TEST(FrontEndsTest, AnAlertIsPrintedWithItsTextsAndEveryButton) {
  struct Row {
    std::vector<std::string> buttons;
    std::string printed;
  };
  const std::vector<Row> rows = {
      {{}, "Pelko alert: Quit Pelko?\n  The Dock comes back.\n"},
      {{"OK"}, "Pelko alert: Quit Pelko?\n  The Dock comes back.\n  [OK]\n"},
      {{"Quit", "Cancel"}, "Pelko alert: Quit Pelko?\n  The Dock comes back.\n  [Quit] [Cancel]\n"},
      {{"Restore", "Keep", "Cancel"},
       "Pelko alert: Quit Pelko?\n  The Dock comes back.\n  [Restore] [Keep] [Cancel]\n"},
  };
  for (const Row& row : rows) {
    platform::AlertContent alert;
    alert.messageText = "Quit Pelko?";
    alert.informativeText = "The Dock comes back.";
    alert.buttons = row.buttons;
    EXPECT_EQ(FrontEnds::printedAlert(alert), row.printed);
  }
}

// An alert's texts may hold a path or a text from a file: printed, they stay on their lines and tell the
// terminal nothing.
TEST(FrontEndsTest, AnAlertIsPrintedWithItsControlCharactersHidden) {
  platform::AlertContent alert;
  alert.messageText = "Title\x1B]0;x\x07";
  alert.informativeText =
      "Kept as /a\nb\xE2\x80\xA8"
      "c";
  alert.buttons = {"O\x1BK"};
  EXPECT_EQ(FrontEnds::printedAlert(alert), "Pelko alert: Title?]0;x?\n  Kept as /a?b?c\n  [O?K]\n");
}

}  // namespace
}  // namespace pelko
