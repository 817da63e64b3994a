// What thumbnails cost: serving a 1440 x 900 point window at scale 2 from the cache against capturing it
// afresh; the bytes the cache keeps after twelve such windows were hovered, against keeping the captures
// at full resolution; and showing a group of six on the main thread against the background job that
// captures them.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "BenchmarkSupport.h"
#include "platform/sim/SimEventMonitors.h"
#include "platform/sim/SimMemoryPressure.h"
#include "support/SimulatedSystem.h"
#include "taskbar/ThumbnailCaptureJob.h"
#include "taskbar/ThumbnailPanel.h"
#include "taskbar/ThumbnailServices.h"

namespace {

using namespace pelko;

struct ThumbnailWorld : test::SimulatedSystem {
  sim::SimEventMonitors eventMonitors;
  sim::SimMemoryPressure memoryPressure{scheduler};
  ThumbnailServices services{scheduler, mac.windowServer(), mac.screens(), eventMonitors, memoryPressure};
  thumbnail_capture::Sources sources{mac.windowServer(), accessibilityHelper, services.cache};
  int32_t pid = mac.launchApp("com.example.Editor", "Editor");

  // Windows of 1440 x 900 points on the 2x main display: 2880 x 1800 pixels each.
  std::vector<int64_t> openWindows(int count) {
    std::vector<int64_t> windows;
    for (int i = 0; i < count; ++i)
      windows.push_back(
          mac.openWindow(pid, {.title = "Window " + std::to_string(i), .bounds = {0, 0, 1440, 900}}));
    return windows;
  }
};

void BM_CaptureFresh(benchmark::State& state) {
  ThumbnailWorld world;
  const int64_t window = world.openWindows(1).front();
  for (auto _ : state) {
    world.services.cache.clear();
    benchmark::DoNotOptimize(
        thumbnail_capture::captureWindowOffMain(world.sources, window, std::nullopt, 2.0));
  }
}
BENCHMARK(BM_CaptureFresh)->Unit(benchmark::kMicrosecond);

void BM_CaptureCacheHit(benchmark::State& state) {
  ThumbnailWorld world;
  const int64_t window = world.openWindows(1).front();
  thumbnail_capture::captureWindowOffMain(world.sources, window, std::nullopt, 2.0);
  for (auto _ : state)
    benchmark::DoNotOptimize(
        thumbnail_capture::captureWindowOffMain(world.sources, window, std::nullopt, 2.0));
  state.counters["captures"] = world.mac.windowCaptureCount();
}
BENCHMARK(BM_CaptureCacheHit)->Unit(benchmark::kMicrosecond);

// Hovering twelve windows one after another, 0.5 s apart: the bytes the cache holds at the end, and what
// the same captures would hold at full resolution.
void BM_CacheBytesAfterTwelveWindows(benchmark::State& state) {
  ThumbnailWorld world;
  const auto windows = world.openWindows(12);
  for (auto _ : state) {
    world.services.cache.clear();
    for (int64_t window : windows) {
      thumbnail_capture::captureWindowOffMain(world.sources, window, std::nullopt, 2.0);
      world.scheduler.advance(0.5);
    }
  }
  const double kept = static_cast<double>(world.services.cache.byteCount());
  const double full = 12.0 * 2880 * 1800 * 4;
  state.counters["bytes_kept"] = kept;
  state.counters["bytes_full_resolution"] = full;
  state.counters["kept_per_full"] = kept / full;
}
BENCHMARK(BM_CacheBytesAfterTwelveWindows)->Unit(benchmark::kMillisecond);

// The background job of a group of six: the window list for the titles and six fresh captures.
void BM_GroupOfSixBackgroundJob(benchmark::State& state) {
  ThumbnailWorld world;
  const auto windows = world.openWindows(6);
  for (auto _ : state) {
    world.services.cache.clear();
    benchmark::DoNotOptimize(
        thumbnail_capture::captureGroupOffMain(world.sources, windows, "Editor", std::nullopt, 2.0));
  }
}
BENCHMARK(BM_GroupOfSixBackgroundJob)->Unit(benchmark::kMicrosecond);

// Showing a group of six whose pictures are cached: the main thread's share (starting the job, building
// and placing six cards, ordering the panel in) plus a background job reduced to six cache look-ups.
void BM_GroupOfSixMainThread(benchmark::State& state) {
  ThumbnailWorld world;
  world.mac.setReduceMotion(true);
  const auto windows = world.openWindows(6);
  ThumbnailPanel panel({world.scheduler, world.mac.workspace(), world.accessibilityHelper, world.services});
  for (auto _ : state) {
    panel.showGrouped(windows, "Editor", {500, 0, 40, 34}, TaskbarPosition::bottom);
    world.scheduler.runUntilIdle();
    state.PauseTiming();
    panel.dismiss();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    state.ResumeTiming();
  }
  state.counters["captures"] = world.mac.windowCaptureCount();
}
BENCHMARK(BM_GroupOfSixMainThread)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  return pelko::bench::runWithApplication(argc, argv);
}
