#include "app/SimulatedWorld.h"

#include <QString>
#include <QSysInfo>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "app/DisplayMirror.h"
#include "app/ScenarioLoader.h"
#include "foundation/ControlCharacters.h"
#include "platform/sim/SimAppearance.h"
#include "platform/sim/SimMemoryPressure.h"
#include "platform/sim/SimOwnWindows.h"
#include "platform/sim/SimulatedMac.h"

namespace pelko {

namespace {

// The processor family as the About window and the diagnostics name it.
std::string processorFamily() {
  const QString architecture = QSysInfo::currentCpuArchitecture();
  return architecture.startsWith("arm") ? "Apple Silicon" : "Intel";
}

std::string homeFolder() {
  const char* home = std::getenv("HOME");
  return home && *home ? home : "/";
}

}  // namespace

SimulatedWorld::SimulatedWorld(Scheduler& scheduler, platform::Screens* screens, const std::string& version,
                               const std::string& build) {
  mac = std::make_unique<sim::SimulatedMac>(scheduler, true);
  sim::SimAppShell& own = mac->appShell();
  own.home = homeFolder();
  own.version = version;
  own.build = build;
  own.processor = processorFamily();
  appearance = std::make_unique<sim::SimAppearance>();
  if (screens) {
    displayMirror = std::make_unique<DisplayMirror>(*screens, *mac);
    displayMirror->sync();
  }
  ownWindows = std::make_unique<sim::SimOwnWindows>(*mac);
  memoryPressure = std::make_unique<sim::SimMemoryPressure>(scheduler);
}

SimulatedWorld::~SimulatedWorld() = default;

bool SimulatedWorld::startScenario() {
  std::optional<Scenario> scenario;
  if (const char* path = std::getenv("PELKO_SCENARIO"); path && *path) {
    std::string error;
    scenario = ScenarioLoader::load(path, error);
    if (!scenario) {
      // The path and the file's own text, said on one line that tells a terminal nothing.
      std::fprintf(stderr, "Pelko: cannot use the scenario %s: %s\n",
                   withControlCharactersHidden(path).c_str(), withControlCharactersHidden(error).c_str());
      return false;
    }
  } else {
    scenario = ScenarioLoader::builtIn();
  }
  // The Dock runs on every Mac; Mission Control is seen through it.
  mac->launchDock();
  ScenarioLoader::apply(*scenario, *mac);
  return true;
}

sim::SimAppShell& SimulatedWorld::shell() const {
  return mac->appShell();
}

}  // namespace pelko
