#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "foundation/Geometry.h"
#include "platform/RunningApplication.h"

namespace pelko::sim {
class SimulatedMac;
}  // namespace pelko::sim

namespace pelko {

// The applications and windows the simulated Mac starts with: a built-in set, or a JSON file (its format
// is described in README.md, "Scenario files").
struct Scenario {
  struct Window {
    std::string title;
    // Relative to the top left of its display, y down; nothing lets the window cascade.
    std::optional<Rect> frame;
    // Index into the displays, the main one being 0; a display that is not there means the main one.
    size_t display = 0;
    bool minimized = false;
    bool fullScreen = false;
    bool operator==(const Window&) const = default;
  };
  struct Application {
    std::string bundleID;
    std::string name;
    platform::AppIcon icon;
    platform::ActivationPolicy policy = platform::ActivationPolicy::regular;
    bool hidden = false;
    std::vector<Window> windows;
    // Puts its windows' frames back after every move or resize it is asked for.
    bool restoresFrame = false;
    bool operator==(const Application&) const = default;
  };

  std::vector<Application> applications;
  // The bundle identifier of the application in front; the last one listed when absent.
  std::optional<std::string> frontmost;
  bool accessibilityTrusted = true;
  bool screenRecordingGranted = true;
  bool operator==(const Scenario&) const = default;
};

class ScenarioLoader {
 public:
  // The scenario a JSON text describes; nothing, with a message naming the offending field, when the
  // text is not a valid scenario.
  static std::optional<Scenario> parse(const std::string& json, std::string& error);
  // The same for a file.
  static std::optional<Scenario> load(const std::string& path, std::string& error);
  // The largest scenario file read: only a regular file of at most this many bytes is.
  static constexpr long long kMaximumFileSize = 16LL * 1024 * 1024;
  // Several applications with windows, for running without a scenario file.
  static Scenario builtIn();
  static const char* builtInJson();

  // Launches the applications and opens their windows on the simulated Mac, leaving the scenario's
  // frontmost application in front.
  static void apply(const Scenario& scenario, sim::SimulatedMac& mac);
};

}  // namespace pelko
