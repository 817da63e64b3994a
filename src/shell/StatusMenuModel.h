#pragma once

#include <string>
#include <vector>

#include "platform/StatusItem.h"

namespace pelko {

// One row of a menu: its title, the action it sends, and its Command key equivalent (empty: none; an
// upper-case letter adds Shift).
struct MenuRow {
  std::string title;
  std::string action;
  std::string keyEquivalent;
  bool isSeparator = false;
  bool operator==(const MenuRow&) const = default;
};

// The application's fixed menus and the status item's look.
class StatusMenuModel {
 public:
  static constexpr const char* kToolTip = "Pelko - Taskbar for macOS";

  // The status item's menu, top to bottom.
  static const std::vector<MenuRow>& statusMenu();
  // The main menu's one submenu, "Edit"; its items go to whichever text field has focus.
  static const std::vector<MenuRow>& editMenu();
  // A screen on a stand, as a template image.
  static platform::StatusItemImage createMenuBarIcon();
};

}  // namespace pelko
