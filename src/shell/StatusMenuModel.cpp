#include "shell/StatusMenuModel.h"

namespace pelko {

namespace {

MenuRow separator() {
  return MenuRow{"", "", "", true};
}

}  // namespace

const std::vector<MenuRow>& StatusMenuModel::statusMenu() {
  // Three full stops, never an ellipsis character: the titles are matched as typed.
  static const std::vector<MenuRow> rows = {
      {"About Pelko", "statusMenuAbout", ""},
      {"Check for Updates...", "statusMenuCheckForUpdates", ""},
      {"Feedback & Support...", "statusMenuFeedback", ""},
      separator(),
      {"Settings...", "statusMenuOpenSettings", ","},
      {"Run Onboarding...", "statusMenuOpenOnboarding", ""},
      {"Restart Pelko", "statusMenuRestart", "r"},
      {"Copy Diagnostics", "statusMenuCopyDiagnostics", "d"},
      separator(),
      {"Restore Dock & Quit", "statusMenuQuit", "q"},
  };
  return rows;
}

const std::vector<MenuRow>& StatusMenuModel::editMenu() {
  static const std::vector<MenuRow> rows = {
      {"Undo", "undo:", "z"},
      {"Redo", "redo:", "Z"},
      {"", "", "", true},
      {"Cut", "cut:", "x"},
      {"Copy", "copy:", "c"},
      {"Paste", "paste:", "v"},
      {"Select All", "selectAll:", "a"},
  };
  return rows;
}

platform::StatusItemImage StatusMenuModel::createMenuBarIcon() {
  platform::StatusItemImage image;
  image.shapes = {
      {Rect(2, 1, 14, 9), 2.5, 1.4},    // the screen's outline
      {Rect(4.5, 3, 9, 1.2), 0.6, 0},   // a bar inside the screen
      {Rect(7.5, 10, 3, 2.5), 1.2, 0},  // the stand
      {Rect(3, 13, 12, 3.5), 1.75, 0},  // the base
  };
  image.isTemplate = true;
  return image;
}

}  // namespace pelko
