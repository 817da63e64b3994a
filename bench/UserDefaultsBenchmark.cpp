// The cost of changing settings when they are kept in the real property-list file: what the main thread
// pays for 1,000 assignments, and the same followed by the one synchronous write that makes them durable.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "foundation/VirtualScheduler.h"
#include "platform/real/PlistFileUserDefaults.h"
#include "platform/real/PosixFileSystem.h"
#include "platform/sim/SimAppShell.h"
#include "platform/sim/SimAppearance.h"
#include "platform/sim/SimLoginItems.h"
#include "platform/sim/SimPermissions.h"
#include "settings/LaunchAtLoginHelper.h"
#include "settings/SettingsManager.h"
#include "support/TempFolder.h"

namespace {

using pelko::real::PlistFileUserDefaults;

constexpr int kAssignments = 1000;

// A property-list store of its own in a fresh folder, on a virtual clock.
struct ScratchStore {
  pelko::testing::TempFolder folder;
  pelko::VirtualScheduler scheduler;
  PlistFileUserDefaults defaults{scheduler, folder.path(), "com.pelko.bench"};
  ScratchStore() { defaults.read(); }
};

// A store holding about as many keys as the settings do, so each write serialises a realistic file.
void fill(PlistFileUserDefaults& defaults) {
  for (int i = 0; i < 80; ++i) defaults.setDouble("PelkoSetting" + std::to_string(i), i);
  defaults.synchronize();
}

// Ends a round: runs the store's delayed write, and whatever else falls due, outside the measured time.
void flushUntimed(benchmark::State& state, pelko::VirtualScheduler& scheduler, double seconds) {
  state.PauseTiming();
  scheduler.advance(seconds);
  state.ResumeTiming();
}

void reportAssignments(benchmark::State& state, const PlistFileUserDefaults& defaults) {
  state.counters["fileWrites"] =
      benchmark::Counter(defaults.fileWriteCount(), benchmark::Counter::kAvgIterations);
  state.SetItemsProcessed(state.iterations() * kAssignments);
}

void BM_StoreAssignments(benchmark::State& state) {
  ScratchStore store;
  fill(store.defaults);
  std::vector<std::string> keys;
  for (int i = 0; i < 80; ++i) keys.push_back("PelkoSetting" + std::to_string(i));
  int64_t round = 0;
  for (auto _ : state) {
    for (int i = 0; i < kAssignments; ++i)
      store.defaults.setDouble(keys[i % keys.size()], double(round * kAssignments + i));
    flushUntimed(state, store.scheduler, PlistFileUserDefaults::kFlushDelay);
    ++round;
  }
  reportAssignments(state, store.defaults);
}
BENCHMARK(BM_StoreAssignments)->Unit(benchmark::kMicrosecond);

void BM_StoreAssignmentsThenSynchronize(benchmark::State& state) {
  ScratchStore store;
  fill(store.defaults);
  int64_t round = 0;
  for (auto _ : state) {
    for (int i = 0; i < kAssignments; ++i)
      store.defaults.setDouble("PelkoSetting" + std::to_string(i % 80), double(round * kAssignments + i));
    if (!store.defaults.synchronize()) state.SkipWithError("synchronize failed");
    ++round;
  }
  state.SetItemsProcessed(state.iterations() * kAssignments);
}
BENCHMARK(BM_StoreAssignmentsThenSynchronize)->Unit(benchmark::kMicrosecond);

// The same through the settings themselves: publishing, change rules and the store.
void BM_SettingsManagerAssignments(benchmark::State& state) {
  ScratchStore store;
  pelko::sim::SimPermissions permissions;
  pelko::sim::SimAppearance appearance;
  pelko::sim::SimLoginItems loginItems;
  pelko::sim::SimAppShell appShell;
  pelko::real::PosixFileSystem files;
  pelko::LaunchAtLoginHelper launchAtLogin(loginItems, files, appShell);
  pelko::SettingsManager settings({store.defaults, permissions, appearance, launchAtLogin, store.scheduler});
  store.scheduler.runAll();
  int64_t round = 0;
  for (auto _ : state) {
    for (int i = 0; i < kAssignments; ++i) {
      switch (i % 4) {
        case 0:
          settings.taskbarSize = double(50 + (round + i) % 100);
          break;
        case 1:
          settings.showBattery = ((round + i) / 4) % 2 == 0;
          break;
        case 2:
          settings.backgroundOpacity = double((round + i) % 101);
          break;
        case 3:
          settings.activeIndicatorPosition = ((round + i) / 4) % 2 ? "top" : "bottom";
          break;
      }
    }
    flushUntimed(state, store.scheduler, 1);
    ++round;
  }
  reportAssignments(state, store.defaults);
}
BENCHMARK(BM_SettingsManagerAssignments)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
