// What a bar costs on the main thread: bringing 200 buttons in line with a list that changed in one
// entry (the pure diff, and the whole update with its fades), and laying 200 buttons out again.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <memory>
#include <string>
#include <vector>

#include "support/SimulatedSystem.h"
#include "taskbar/ItemListDiff.h"
#include "taskbar/TaskbarContainerView.h"
#include "taskbar/TaskbarViewController.h"
#include "tracking/TrackedApp.h"

namespace {

using namespace pelko;

constexpr int kButtons = 200;

// One bar over the simulated Mac, externally managed, 1920 points long.
struct BarWorld : test::SimulatedSystem {
  std::unique_ptr<TaskbarViewController> bar;

  explicit BarWorld(TaskbarStyle style) {
    settings->style = style;
    bar = std::make_unique<TaskbarViewController>(
        tracker, windowManager, settings, true,
        TaskbarViewController::Environment{scheduler, mac.workspace(), appearance, accessibilityHelper});
    bar->view()->resize(1920, 34);
    bar->view()->show();
  }
};

std::vector<TrackedAppPtr> makeEntries(int count, int firstPID) {
  std::vector<TrackedAppPtr> apps;
  for (int i = 0; i < count; ++i) {
    std::string name = "App " + std::to_string(i);
    apps.push_back(std::make_shared<TrackedApp>("com.example.app" + std::to_string(i), name, AppImage{},
                                                firstPID + i, false, false, false, std::nullopt,
                                                std::nullopt));
  }
  return apps;
}

void BM_DiffItemList_200_OneChanged(benchmark::State& state) {
  std::vector<ExistingItem> existing;
  std::vector<IncomingEntry> entries;
  for (int i = 0; i < kButtons; ++i) {
    std::string id = "com.example.app" + std::to_string(i) + "-" + std::to_string(1000 + i);
    existing.push_back({id, 1000 + i});
    entries.push_back({id, 1000 + i});
  }
  entries[kButtons / 2] = {"com.example.new-9999", 9999};  // one application quit, another launched
  for (auto _ : state) benchmark::DoNotOptimize(diffItemList(existing, entries));
}
BENCHMARK(BM_DiffItemList_200_OneChanged);

// The whole update: one button fades out, one new button is made and fades in; the other 199 stay.
void BM_UpdateFilteredApps_200_OneChanged(benchmark::State& state) {
  BarWorld world(TaskbarStyle::iconsOnly);
  auto listA = makeEntries(kButtons, 1000);
  auto listB = listA;
  listB[kButtons / 2] = makeEntries(1, 9999).front();
  world.bar->updateFilteredApps(listA);
  world.scheduler.advance(1);
  bool toB = true;
  for (auto _ : state) {
    world.bar->updateFilteredApps(toB ? listB : listA);
    toB = !toB;
    state.PauseTiming();
    world.scheduler.advance(0.2);  // let the fades end, so every round starts from a settled bar
    state.ResumeTiming();
  }
}
BENCHMARK(BM_UpdateFilteredApps_200_OneChanged)->Unit(benchmark::kMicrosecond);

// A layout pass over 200 text buttons after the bar's length changed.
void BM_LayoutPass_200Buttons(benchmark::State& state) {
  BarWorld world(TaskbarStyle::iconsTextRight);
  world.bar->updateFilteredApps(makeEntries(kButtons, 1000));
  world.scheduler.advance(1);
  bool wide = false;
  for (auto _ : state) {
    world.bar->view()->resize(wide ? 1920 : 1600, 34);
    world.bar->layoutSubviews();
    wide = !wide;
  }
}
BENCHMARK(BM_LayoutPass_200Buttons)->Unit(benchmark::kMicrosecond);

// Rebuilding the bar (a position or layout setting changed): 200 new buttons bound and laid out.
void BM_RebuildBar_200Buttons(benchmark::State& state) {
  BarWorld world(TaskbarStyle::iconsTextRight);
  world.bar->updateFilteredApps(makeEntries(kButtons, 1000));
  for (auto _ : state) {
    world.bar->updateLayout(TaskbarPosition::bottom);
    state.PauseTiming();
    world.scheduler.advance(1);
    // The replaced buttons are deleted on a later pass of the event loop; pay for that here too.
    state.ResumeTiming();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}
BENCHMARK(BM_RebuildBar_200Buttons)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
