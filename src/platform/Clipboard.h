#pragma once

#include <optional>
#include <string>

namespace pelko::platform {

// The general pasteboard, for plain text. Main thread only.
class Clipboard {
 public:
  virtual ~Clipboard() = default;
  // Replaces the contents with `text`; true when the clipboard holds exactly that text afterwards. A
  // write that fails leaves the previous contents in place.
  virtual bool writeText(const std::string& text) = 0;
  // The plain text on the clipboard; nothing when it holds none.
  virtual std::optional<std::string> readText() const = 0;
};

}  // namespace pelko::platform
