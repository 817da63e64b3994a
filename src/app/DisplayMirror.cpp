#include "app/DisplayMirror.h"

#include <algorithm>

#include "platform/sim/SimulatedMac.h"

namespace pelko {

DisplayMirror::DisplayMirror(platform::Screens& screens, sim::SimulatedMac& mac)
    : screens_(screens), mac_(mac) {
  subscription_ =
      screens_.screenParametersChanged().sink([this](const platform::ScreenParametersChange&) { sync(); });
}

void DisplayMirror::sync() {
  const auto screens = screens_.screens();
  if (screens.empty()) return;  // keep what there is rather than a world without displays

  // Screen coordinates (y up from the main screen's bottom) to the window server's (y down from its top).
  const double mainHeight = screens.front().frame.height();
  std::vector<sim::SimDisplay> wanted;
  for (const auto& screen : screens) {
    const Rect& f = screen.frame;
    wanted.push_back({screen.displayID, Rect(f.minX(), mainHeight - f.maxY(), f.width(), f.height()),
                      screen.backingScaleFactor, screen.localizedName});
  }
  const auto current = mac_.displays();
  if (current == wanted) return;

  // The world always needs a main display: a stand-in holds the windows while the displays are replaced,
  // and leaves last, handing them to the new main display.
  platform::DisplayID standIn = 1;
  for (const auto& display : current) standIn = std::max(standIn, display.id + 1);
  for (const auto& display : wanted) standIn = std::max(standIn, display.id + 1);
  mac_.addDisplay({standIn, Rect(1e6, 0, wanted.front().bounds.width(), wanted.front().bounds.height()), 1.0,
                   "Stand-in"});
  for (const auto& display : current) mac_.removeDisplay(display.id);
  for (const auto& display : wanted)
    mac_.addDisplay({display.id, display.bounds, display.scale, display.name});
  mac_.removeDisplay(standIn);
}

}  // namespace pelko
