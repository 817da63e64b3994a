#pragma once

#include <optional>
#include <string>

#include "platform/Clipboard.h"

namespace pelko::sim {

// The clipboard as a string. `failingWrites` makes that many of the next writes fail (another
// application owning the clipboard at that moment); a failed write changes nothing.
class SimClipboard final : public platform::Clipboard {
 public:
  bool writeText(const std::string& text) override {
    ++writeCount;
    if (failingWrites > 0) {
      --failingWrites;
      return false;
    }
    contents = text;
    return true;
  }
  std::optional<std::string> readText() const override { return contents; }

  std::optional<std::string> contents;
  int failingWrites = 0;
  int writeCount = 0;
};

}  // namespace pelko::sim
