#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "support/AppTrackerTestAccess.h"
#include "support/SimulatedSystem.h"

// Counts every allocation of the process, so a benchmark can report how many one operation makes.
namespace {
std::atomic<long> gAllocations{0};

// The page faults of the process so far: memory the allocator had to take fresh from the system, which
// costs far more than the instructions that touch it.
long pageFaults() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_minflt + usage.ru_majflt;
}
}  // namespace

void* operator new(std::size_t size) {
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
// The library's own nothrow allocations (a stable sort's buffer) are freed through the plain delete
// above, so they must come from malloc too.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  return std::malloc(size == 0 ? 1 : size);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}

namespace pelko {

namespace {

// A simulated Mac with ten applications sharing `windowCount` windows, and a tracker over it.
struct World : test::SimulatedSystem {
  World(int windowCount, bool grouped) {
    settings->groupWindows = grouped;
    tracker->settingsManager = settings.get();
    constexpr int kApps = 10;
    std::vector<int32_t> pids;
    for (int i = 0; i < kApps; ++i)
      pids.push_back(mac.launchApp("com.example.app" + std::to_string(i), "App " + std::to_string(i)));
    for (int w = 0; w < windowCount; ++w) {
      sim::SimWindowSetup setup;
      setup.title = "Document " + std::to_string(w);
      setup.bounds = Rect(20.0 * (w % 40), 20.0 * (w % 25), 800, 600);
      mac.openWindow(pids[w % kApps], setup);
    }
    scheduler.runUntilIdle();
    pass();  // the entries exist before measuring
  }
  void pass() {
    tracker->forceRefresh();
    scheduler.runUntilIdle();
  }
};

void refreshPass(benchmark::State& state, bool grouped) {
  World world(static_cast<int>(state.range(0)), grouped);
  long allocations = 0;
  for (auto _ : state) {
    long before = gAllocations.load();
    world.pass();
    allocations += gAllocations.load() - before;
  }
  state.counters["entries"] = static_cast<double>(world.tracker->apps.get().size());
  state.counters["allocs_per_pass"] =
      benchmark::Counter(static_cast<double>(allocations) / static_cast<double>(state.iterations()));
}

void BM_RefreshPassUngrouped(benchmark::State& state) {
  refreshPass(state, false);
}
void BM_RefreshPassGrouped(benchmark::State& state) {
  refreshPass(state, true);
}
BENCHMARK(BM_RefreshPassUngrouped)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RefreshPassGrouped)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

// For reading the pass numbers: what the simulated Mac alone spends answering the questions an
// ungrouped pass asks (the window list, every application's Accessibility windows and, per window, its
// subrole, number and minimized state).
void BM_SimulatedMacAnswers(benchmark::State& state) {
  World world(static_cast<int>(state.range(0)), false);
  auto& mac = world.mac;
  auto& accessibility = mac.accessibility();
  auto pids = mac.runningPIDs();
  long allocations = 0;
  for (auto _ : state) {
    long before = gAllocations.load();
    auto list = mac.windowServer().copyWindowInfo(
        platform::kWindowListOptionOnScreenOnly | platform::kWindowListExcludeDesktopElements, 0);
    benchmark::DoNotOptimize(list);
    for (int32_t pid : pids) {
      auto windows =
          accessibility.copyAttributeValue(accessibility.createApplicationElement(pid), "AXWindows");
      if (!windows.value || !windows.value->asElements()) continue;
      for (const auto& window : *windows.value->asElements()) {
        benchmark::DoNotOptimize(accessibility.copyAttributeValue(window, "AXSubrole"));
        benchmark::DoNotOptimize(accessibility.windowNumber(window));
        benchmark::DoNotOptimize(accessibility.copyAttributeValue(window, "AXMinimized"));
      }
    }
    allocations += gAllocations.load() - before;
  }
  state.counters["allocs_per_pass"] =
      benchmark::Counter(static_cast<double>(allocations) / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_SimulatedMacAnswers)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

// The timed part of a burst, a function of its own so that a profiler (callgrind's --toggle-collect)
// can count it apart from the untimed setup around it.
[[gnu::noinline]] void runBurst(test::SimulatedSystem& world) {
  world.scheduler.advance(0.1);  // the launches, their pass and the throttled one after them
  benchmark::ClobberMemory();    // not a tail call, so the function stays on the stack of a sample
}

// A burst of launches: `apps` applications, each with `windowsPerApp` windows, launched together
// while the tracker runs (the windows are there when the first notification is handled), as at login.
// Each launch asks for a pass; the burst should cost about what one pass over all the windows costs,
// so 100 launches cost about ten times what 10 launches with the same windows per application cost (as
// far as one pass itself grows linearly with the windows). Every burst meets a tracker of its own that
// has just started, untimed, so no burst runs on a heap the previous one's thousands of windows left
// fragmented.
void BM_LaunchBurst(benchmark::State& state) {
  const int appCount = static_cast<int>(state.range(0));
  const int windowsPerApp = static_cast<int>(state.range(1));
  size_t entries = 0;
  long allocations = 0;
  long faults = 0;
  for (auto _ : state) {
    state.PauseTiming();
    {
      test::SimulatedSystem world;
      world.connectTracker();
      world.tracker->start();
      world.scheduler.advance(5);  // past the start-up refreshes
      for (int a = 0; a < appCount; ++a) {
        const std::string name = std::to_string(a);
        int32_t pid = world.mac.launchApp("com.example.app" + name, "App " + name);
        for (int w = 0; w < windowsPerApp; ++w) {
          sim::SimWindowSetup setup;
          setup.title = "Document " + std::to_string(w);
          setup.bounds = Rect(20.0 * (w % 40), 20.0 * (w % 25), 800, 600);
          world.mac.openWindow(pid, setup);
        }
      }
      long before = gAllocations.load();
      long faultsBefore = pageFaults();
      state.ResumeTiming();
      runBurst(world);
      state.PauseTiming();
      faults += pageFaults() - faultsBefore;
      allocations += gAllocations.load() - before;
      entries = world.tracker->apps.get().size();
    }
    state.ResumeTiming();
  }
  state.counters["entries"] = static_cast<double>(entries);
  state.counters["allocs_per_window"] =
      benchmark::Counter(static_cast<double>(allocations) /
                         (static_cast<double>(state.iterations()) * appCount * windowsPerApp));
  state.counters["faults_per_burst"] =
      benchmark::Counter(static_cast<double>(faults) / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_LaunchBurst)
    ->Args({10, 10})
    ->Args({100, 10})
    ->Args({10, 20})
    ->Args({100, 20})
    ->Args({10, 40})
    ->Args({100, 40})
    ->Unit(benchmark::kMillisecond);

// An update that changes nothing: no publication, no notification and no allocation per entry.
void BM_ApplyUpdateUnchanged(benchmark::State& state) {
  test::SimulatedSystem world;
  auto& tracker = world.tracker;
  const int count = static_cast<int>(state.range(0));
  AppTrackerTestAccess::EntryList entries;
  for (int i = 0; i < count; ++i) {
    const std::string bundleID = "com.example.app" + std::to_string(i % 30);
    const int64_t window = 1000 + i;
    entries.push_back(AppTrackerTestAccess::entry(bundleID, 500 + i % 30, window,
                                                  "Window " + std::to_string(window), 1, bundleID));
  }
  AppTrackerTestAccess::applyUpdate(*tracker, entries);
  long allocations = 0;
  for (auto _ : state) {
    long before = gAllocations.load();
    AppTrackerTestAccess::applyUpdate(*tracker, entries);
    allocations += gAllocations.load() - before;
  }
  state.counters["allocs_per_update"] =
      benchmark::Counter(static_cast<double>(allocations) / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_ApplyUpdateUnchanged)->Arg(300)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace pelko

BENCHMARK_MAIN();
