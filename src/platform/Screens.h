#pragma once

#include <optional>
#include <string>
#include <vector>

#include "foundation/Geometry.h"
#include "foundation/Publisher.h"
#include "platform/WindowServer.h"

namespace pelko::platform {

// One screen as the user interface sees it, in screen coordinates (origin at the bottom left of the
// main display, y up).
struct ScreenInfo {
  DisplayID displayID = 0;
  Rect frame;
  Rect visibleFrame;  // the frame less the menu bar (and the Dock when it shows)
  double backingScaleFactor = 1.0;
  std::string localizedName;
  bool operator==(const ScreenInfo&) const = default;
};

// Emitted after the screen configuration changed (a display added, removed, moved or rescaled).
struct ScreenParametersChange {
  bool operator==(const ScreenParametersChange&) const = default;
};

// The screens. Main thread only.
class Screens {
 public:
  virtual ~Screens() = default;
  // The first screen is the one with the menu bar.
  virtual std::vector<ScreenInfo> screens() = 0;
  // The screen holding the key window (the first screen when no window is key); nothing without screens.
  virtual std::optional<ScreenInfo> mainScreen() = 0;
  // Delivered on the main queue.
  virtual Publisher<ScreenParametersChange> screenParametersChanged() = 0;
};

}  // namespace pelko::platform
