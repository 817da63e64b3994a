// What reordering by drag costs on the main thread, on a bar of 200 buttons: one live move of the dragged
// button (half-way along the bar and back), a pointer move that changes no index, and for comparison a
// full re-layout of the same bar.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "BarWorld.h"
#include "BenchmarkSupport.h"
#include "taskbar/AppItemView.h"
#include "tracking/TrackedApp.h"

namespace {

using namespace pelko;

constexpr int kButtons = 200;

// One icons-only bar of 200 buttons.
struct ReorderWorld : bench::BarWorld {
  int session = 0;

  ReorderWorld() : BarWorld(TaskbarStyle::iconsOnly) {
    std::vector<TrackedAppPtr> apps;
    for (int i = 0; i < kButtons; ++i)
      apps.push_back(std::make_shared<TrackedApp>("com.example.app" + std::to_string(i), "App", AppImage{},
                                                  1000 + i, false, false, false, std::nullopt, std::nullopt));
    bar->updateFilteredApps(apps);
    scheduler.advance(1);
  }

  ReorderDrag drag(AppItemView* source, QPointF at) {
    return ReorderDrag{source, &session, std::string("com.example.app0"), at};
  }
  // A point on the button at `index`, at `fraction` of its width, in the bar's coordinates.
  QPointF on(int index, double fraction) {
    AppItemView* item = bar->arrangedItems()[static_cast<size_t>(index)];
    return item->mapTo(bar->view(), QPoint(static_cast<int>(item->width() * fraction), item->height() / 2));
  }
};

void BM_LiveMove_200Buttons(benchmark::State& state) {
  ReorderWorld world;
  AppItemView* dragged = world.bar->arrangedItems().front();
  world.bar->reorderDragEntered(world.drag(dragged, world.on(0, 0.5)));
  const QPointF middle = world.on(100, 0.7), start = world.on(0, 0.2);
  bool out = true;
  for (auto _ : state) {
    // Half-way along the bar, then back to the start: every iteration moves the button.
    world.bar->reorderDragUpdated(world.drag(dragged, out ? middle : start));
    out = !out;
  }
  if (!out) world.bar->reorderDragUpdated(world.drag(dragged, start));
  world.bar->reorderDragUpdated(world.drag(dragged, middle));
  if (world.bar->arrangedItems().front() == dragged) state.SkipWithError("the button never moved");
}
BENCHMARK(BM_LiveMove_200Buttons)->Unit(benchmark::kMicrosecond);

void BM_MoveChangingNoIndex_200Buttons(benchmark::State& state) {
  ReorderWorld world;
  AppItemView* dragged = world.bar->arrangedItems()[100];
  world.bar->reorderDragEntered(world.drag(dragged, world.on(100, 0.5)));
  const QPointF a = world.on(100, 0.3), b = world.on(101, 0.4);
  bool first = true;
  for (auto _ : state) {
    world.bar->reorderDragUpdated(world.drag(dragged, first ? a : b));
    first = !first;
  }
  if (world.bar->arrangedItems()[100] != dragged) state.SkipWithError("the button moved");
}
BENCHMARK(BM_MoveChangingNoIndex_200Buttons)->Unit(benchmark::kMicrosecond);

// The whole bar laid out again for another length.
void BM_FullRelayout_200Buttons(benchmark::State& state) {
  ReorderWorld world;
  bool wide = false;
  for (auto _ : state) {
    world.bar->view()->resize(wide ? 1920 : 1600, 34);
    world.bar->layoutSubviews();
    wide = !wide;
  }
}
BENCHMARK(BM_FullRelayout_200Buttons)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  return pelko::bench::runWithApplication(argc, argv);
}
