#pragma once

#include "platform/Trash.h"

namespace pelko::real {

// The freedesktop.org trash of the user: "Trash" under $XDG_DATA_HOME (~/.local/share when unset), or
// a trash folder at the top of the file's own volume. Qt does the move; its trash folders are created
// first, and a move that did not end inside a trash folder is undone and reported as a failure (Qt
// moves a file into a "files" folder beside the working directory when the home trash is missing).
class FreedesktopTrash final : public platform::Trash {
 public:
  std::optional<platform::TrashError> moveToTrash(const std::string& path) override;
  std::string filesFolder() override;

  // The home trash folder as the environment names it now.
  static std::string homeTrashFolder();
};

}  // namespace pelko::real
