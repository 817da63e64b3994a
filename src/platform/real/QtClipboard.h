#pragma once

#include "platform/Clipboard.h"

namespace pelko::real {

// The display's clipboard (on X11 the CLIPBOARD selection, served by this process while it owns it). A
// write counts once the clipboard reads back the same text; when it does not, what was there before is
// put back. Needs a QGuiApplication.
class QtClipboard final : public platform::Clipboard {
 public:
  bool writeText(const std::string& text) override;
  std::optional<std::string> readText() const override;
};

}  // namespace pelko::real
