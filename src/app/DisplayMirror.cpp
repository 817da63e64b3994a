#include "app/DisplayMirror.h"

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
  // One reconfiguration, so that windows stay on the displays that remain.
  if (mac_.displays() != wanted) mac_.setDisplays(wanted);
}

}  // namespace pelko
