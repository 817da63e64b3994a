#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/StatusItem.h"

namespace pelko::sim {

// The status area as state: what was installed, whether a status area shows it (one may appear after the
// item was installed), and a person choosing a row of its menu.
class SimStatusItem final : public platform::StatusItem {
 public:
  bool install(const platform::StatusItemImage& image, const std::string& tip,
               std::vector<platform::StatusMenuItem> items) override {
    ++installCount;
    installedImage = image;
    toolTip = tip;
    menu = std::move(items);
    return hasStatusArea;
  }
  void remove() override {
    installedImage.reset();
    menu.clear();
  }

  bool isInstalled() const { return installedImage.has_value(); }
  // Whether a person sees it: installed, in a status area.
  bool isShown() const { return isInstalled() && hasStatusArea; }
  // Runs the action of the row titled `title`; false when there is no such row.
  bool choose(const std::string& title) {
    for (const auto& item : menu) {
      if (!item.isSeparator && item.title == title && item.action) {
        item.action();
        return true;
      }
    }
    return false;
  }

  bool hasStatusArea = true;
  int installCount = 0;
  std::optional<platform::StatusItemImage> installedImage;
  std::string toolTip;
  std::vector<platform::StatusMenuItem> menu;
};

}  // namespace pelko::sim
