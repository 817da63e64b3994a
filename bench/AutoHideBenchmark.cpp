// What auto-hide costs per pointer movement: 10,000 moves across four monitors, each reaching every
// bar's auto-hide manager, which restarts the hide timer of the bar under the pointer. Against the same
// moves with auto-hide off (no monitors at all). Counters: live scheduler entries and hide timers at the
// end, which must stay at one hide timer per bar however many moves came before.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <memory>

#include "BenchmarkSupport.h"
#include "platform/sim/SimEventMonitors.h"
#include "screens/MonitorManager.h"
#include "settings/SettingsManager.h"
#include "support/SimulatedSystem.h"
#include "taskbar/TaskbarAccessoryServices.h"

namespace pelko {
namespace {

constexpr int kMoves = 10'000;

struct FourMonitors : test::SimulatedSystem {
  sim::SimEventMonitors monitors;
  test::TaskbarAccessoryServices accessories{scheduler, mac.workspace()};
  std::unique_ptr<MonitorManager> manager;

  explicit FourMonitors(bool autoHide) {
    for (int i = 1; i < 4; ++i)
      mac.addDisplay({.bounds = Rect(1920.0 * i, 0, 1920, 1080), .scale = 1.0, .name = "Display"});
    settings->autoHide = autoHide;
    settings->autoHideDelay = 30;
    scheduler.runUntilIdle();
    monitors.movePointer({960, 600});
    manager = std::make_unique<MonitorManager>(
        tracker, windowManager, accessories.systemTrayManager, settings,
        MonitorManager::Dependencies{scheduler, mac.screens(), mac.windowServer(), mac.workspace(),
                                     appearance, accessibilityHelper, accessories.trash, accessories.alerts});
    manager->setEventMonitors(&monitors);
    manager->start();
    scheduler.runUntilIdle();
    // Past the first hide, then every bar shown again: the state in which moves restart hide timers.
    scheduler.advance(1);
    for (auto display : manager->displayIDs())
      if (auto* autoHideManager = manager->autoHideManager(display)) autoHideManager->showTaskbar(false);
  }
  ~FourMonitors() { manager.reset(); }
};

void movePointer(benchmark::State& state, bool autoHide) {
  FourMonitors world(autoHide);
  size_t hideTimers = 0;
  for (auto _ : state) {
    for (int i = 0; i < kMoves; ++i)
      world.monitors.movePointer({static_cast<double>((i * 37) % 7680), 200.0 + (i % 500)});
  }
  for (auto display : world.manager->displayIDs())
    if (auto* autoHideManager = world.manager->autoHideManager(display);
        autoHideManager && autoHideManager->hideTimer())
      ++hideTimers;
  state.SetItemsProcessed(state.iterations() * kMoves);
  state.counters["scheduler_entries"] = static_cast<double>(world.scheduler.pendingCount());
  state.counters["hide_timers"] = static_cast<double>(hideTimers);
  state.counters["bars"] = static_cast<double>(world.manager->displayIDs().size());
}

void BM_PointerMoves_AutoHideOn(benchmark::State& state) {
  movePointer(state, true);
}
void BM_PointerMoves_AutoHideOff(benchmark::State& state) {
  movePointer(state, false);
}
BENCHMARK(BM_PointerMoves_AutoHideOn)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PointerMoves_AutoHideOff)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace pelko

int main(int argc, char** argv) {
  return pelko::bench::runWithApplication(argc, argv);
}
