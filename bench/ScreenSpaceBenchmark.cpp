#include <benchmark/benchmark.h>

#include <memory>

#include "BenchmarkSupport.h"
#include "CountingAccessibility.h"
#include "platform/sim/SimOwnWindows.h"
#include "screens/ScreenSpaceManager.h"
#include "support/SimulatedSystem.h"

namespace pelko {
namespace {

constexpr int kApplications = 50;

// One scan of every on-screen window, in its steady state: every window overlaps the bottom bar and
// cannot be made any smaller (its minimum size is its size), so each scan looks at each of them through
// Accessibility and finds it where the last resize left it.
void BM_FallbackTick(benchmark::State& state) {
  const int windows = static_cast<int>(state.range(0));
  test::SimulatedSystem sys;
  test::CountingAccessibility counting(sys.mac.accessibility());
  AccessibilityHelper helper{sys.scheduler, sys.mac.permissions(), counting, sys.mac.workspace(),
                             sys.mac.appShell()};
  sim::SimOwnWindows ownWindows(sys.mac);
  TaskbarPanel panel(Rect(0, 0, 1920, 48), sys.mac.screens(), &ownWindows, &sys.scheduler);
  panel.setFrame(Rect(0, 0, 1920, 48));
  panel.orderFront();

  std::vector<int32_t> pids;
  for (int a = 0; a < kApplications; ++a)
    pids.push_back(sys.mac.launchApp({.bundleID = "com.example.app" + std::to_string(a),
                                      .name = "App " + std::to_string(a),
                                      .activate = false}));
  for (int w = 0; w < windows; ++w) {
    const Rect bounds(10 + (w % 300) * 4, 100 + (w % 7) * 10, 400, 1000);
    sys.mac.openWindow(pids[w % kApplications],
                       {.title = "w" + std::to_string(w), .bounds = bounds, .minimumSize = bounds.size});
  }
  sys.scheduler.runUntilIdle();

  ScreenSpaceSharedState shared;
  ScreenSpaceManager manager(&panel, sys.settings, sys.windowManager, sys.mac.screens().screens().front(),
                             shared,
                             {sys.scheduler, sys.mac.workspace(), sys.mac.windowServer(), sys.mac.screens(),
                              helper, &sys.mac.distributedNotifications(), &sys.mac.processExistence()});
  manager.fallbackCheck();  // the first scan tries each window once
  sys.scheduler.runUntilIdle();

  counting.calls.clear();
  int ticks = 0;
  for (auto _ : state) {
    manager.fallbackCheck();
    ++ticks;
  }
  const double perTick = 1.0 / ticks;
  const int listReads = counting.calls["AXWindows"], numberReads = counting.calls["windowNumber"];
  const int boundsReads = counting.calls["AXPosition"] + counting.calls["AXSize"];
  state.counters["ax_calls"] = counting.total() * perTick;
  state.counters["ax_window_lists"] = listReads * perTick;
  state.counters["ax_window_numbers"] = numberReads * perTick;
  state.counters["ax_bounds_reads"] = boundsReads * perTick;
  // Reading the windows once per owner: one list per application and one number per listed window.
  if ((listReads + numberReads) * perTick > kApplications + windows)
    state.SkipWithError("more window-list and number reads than applications plus windows");
  if (counting.total() - listReads - numberReads - boundsReads != 0)
    state.SkipWithError("a steady scan made Accessibility calls other than reads");
}
BENCHMARK(BM_FallbackTick)->Arg(100)->Arg(1000)->Arg(2000)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace pelko

int main(int argc, char** argv) {
  return pelko::bench::runWithApplication(argc, argv);
}
