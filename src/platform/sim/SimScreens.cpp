#include "platform/sim/SimScreens.h"

namespace pelko::sim {

std::vector<platform::ScreenInfo> SimScreens::screens() {
  std::vector<SimDisplay> displays = mac_.displays();
  std::vector<platform::ScreenInfo> result;
  if (displays.empty()) return result;
  const double mainHeight = displays.front().bounds.height();
  for (const auto& display : displays) {
    platform::ScreenInfo screen;
    screen.displayID = display.id;
    screen.frame = flipRect(display.bounds, mainHeight);
    screen.visibleFrame = screen.frame;
    screen.visibleFrame.size.height = std::max(0.0, screen.frame.height() - kMenuBarHeight);
    screen.backingScaleFactor = display.scale;
    screen.localizedName = display.name;
    result.push_back(screen);
  }
  return result;
}

std::optional<platform::ScreenInfo> SimScreens::mainScreen() {
  auto all = screens();
  if (all.empty()) return std::nullopt;
  return all.front();
}

}  // namespace pelko::sim
