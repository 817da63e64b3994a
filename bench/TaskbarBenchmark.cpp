// What a bar costs on the main thread: bringing 200 buttons in line with a list that changed in one
// entry (the pure diff, and the whole update with its fades), laying 200 buttons out again, and
// re-laying out and repainting buttons whose icons are large image files against plain colour tiles; the
// centring pass when nothing changed against one after a button came; and the window-count refresh.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <string>
#include <vector>

#include "BarWorld.h"
#include "BenchmarkSupport.h"
#include "taskbar/ItemListDiff.h"
#include "tracking/TrackedApp.h"

namespace {

using namespace pelko;

constexpr int kButtons = 200;

using bench::BarWorld;

std::vector<TrackedAppPtr> makeEntries(int count, int firstPID, const std::string& iconFile = {}) {
  std::vector<TrackedAppPtr> apps;
  for (int i = 0; i < count; ++i) {
    std::string name = "App " + std::to_string(i);
    AppImage icon;
    icon.source.source = iconFile;
    icon.source.color = Color{0.1 + 0.02 * i, 0.4, 0.8, 1};
    apps.push_back(std::make_shared<TrackedApp>("com.example.app" + std::to_string(i), name, icon,
                                                firstPID + i, false, false, false, std::nullopt,
                                                std::nullopt));
  }
  return apps;
}

// Everything the event loop would have delivered between two frames: the replaced buttons' deletion and
// the layout requests and updates they posted.
void deliverPostedEvents() {
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QCoreApplication::sendPostedEvents();
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
    deliverPostedEvents();
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

// The layout pass of a centred bar of 200 text buttons when nothing changed (the stack stays where it is),
// against the pass after a button was added (the stack moves and is laid out again).
void BM_CentringPass_200_Unchanged(benchmark::State& state) {
  BarWorld world(TaskbarStyle::iconsTextRight);
  world.settings->itemAlignment = ItemAlignment::center;
  world.settings->maxTaskWidth = 40;  // 200 buttons fit: the stack is centred, not squeezed
  world.bar->updateFilteredApps(makeEntries(kButtons, 1000));
  world.scheduler.advance(1);
  for (auto _ : state) {
    world.bar->viewDidLayout();
    world.scheduler.runUntilIdle();
  }
}
BENCHMARK(BM_CentringPass_200_Unchanged)->Unit(benchmark::kMicrosecond);

void BM_CentringPass_200_AfterAdding(benchmark::State& state) {
  BarWorld world(TaskbarStyle::iconsTextRight);
  world.settings->itemAlignment = ItemAlignment::center;
  world.settings->maxTaskWidth = 40;
  auto list = makeEntries(kButtons, 1000);
  auto longer = list;
  longer.push_back(makeEntries(1, 9999).front());
  world.bar->updateFilteredApps(list);
  world.scheduler.advance(1);
  for (auto _ : state) {
    world.bar->updateFilteredApps(longer);
    world.scheduler.runUntilIdle();
    state.PauseTiming();
    world.bar->updateFilteredApps(list);
    world.scheduler.advance(1);
    deliverPostedEvents();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_CentringPass_200_AfterAdding)->Unit(benchmark::kMicrosecond);

// Window counts for every button: 200 buttons over 50 processes against 20 over 5, each process with
// two windows. The tracker is asked once per process; the counter says how often it was asked, from
// the Accessibility requests the simulated processes received.
void BM_RefreshWindowCounts(benchmark::State& state) {
  const int buttons = static_cast<int>(state.range(0));
  const int processes = static_cast<int>(state.range(1));
  BarWorld world(TaskbarStyle::iconsOnly);
  std::vector<int32_t> pids;
  for (int i = 0; i < processes; ++i) {
    pids.push_back(world.mac.launchApp("com.example.p" + std::to_string(i), "P" + std::to_string(i)));
    world.mac.openWindow(pids.back());
    world.mac.openWindow(pids.back());
  }
  world.scheduler.runUntilIdle();
  std::vector<TrackedAppPtr> apps;
  for (int i = 0; i < buttons; ++i)
    apps.push_back(std::make_shared<TrackedApp>("com.example.b" + std::to_string(i), "B" + std::to_string(i),
                                                AppImage{}, pids[static_cast<size_t>(i % processes)], false,
                                                false, false, std::nullopt, std::nullopt));
  world.bar->updateFilteredApps(apps);
  world.scheduler.advance(1);
  auto requests = [&] {
    int total = 0;
    for (int32_t pid : pids) total += world.mac.axRequestCount(pid);
    return total;
  };
  int before = requests();
  for (int32_t pid : pids) world.tracker->windowNumbers(pid);
  const double perCall = static_cast<double>(requests() - before) / processes;
  before = requests();
  for (auto _ : state) world.bar->refreshWindowCounts();
  state.counters["windowNumbersCalls"] =
      static_cast<double>(requests() - before) / perCall / static_cast<double>(state.iterations());
}
BENCHMARK(BM_RefreshWindowCounts)->Args({20, 5})->Args({200, 50})->Unit(benchmark::kMicrosecond);

// Rebuilding the bar (a position or layout setting changed): 200 new buttons bound and laid out.
void BM_RebuildBar_200Buttons(benchmark::State& state) {
  BarWorld world(TaskbarStyle::iconsTextRight);
  world.bar->updateFilteredApps(makeEntries(kButtons, 1000));
  for (auto _ : state) {
    world.bar->updateLayout(TaskbarPosition::bottom);
    state.PauseTiming();
    world.scheduler.advance(1);
    deliverPostedEvents();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_RebuildBar_200Buttons)->Unit(benchmark::kMillisecond);

// The bar's thickness changes back and forth: 40 icon buttons are laid out again for the new size and the
// bar is repainted. Arg 1: every icon is the same 1024-pixel image file; arg 0: colour tiles.
void BM_RelayoutAndRepaint_40Icons(benchmark::State& state) {
  constexpr int kIcons = 40;
  const bool fromFile = state.range(0) == 1;
  QTemporaryDir dir;
  const QString file = dir.filePath("icon.png");
  if (fromFile) {
    QImage image(1024, 1024, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int ring = 0; ring < 16; ++ring) {  // detail, so the file does not compress to nothing
      painter.setBrush(QColor::fromHsv(ring * 22, 200, 230));
      painter.drawEllipse(QPoint(512, 512), 512 - ring * 30, 512 - ring * 30);
    }
    painter.end();
    image.save(file);
  }
  BarWorld world(TaskbarStyle::iconsOnly);
  world.bar->updateFilteredApps(makeEntries(kIcons, 1000, fromFile ? file.toStdString() : std::string()));
  world.scheduler.advance(1);
  QImage frame(1920, 64, QImage::Format_ARGB32_Premultiplied);
  bool thick = false;
  for (auto _ : state) {
    thick = !thick;
    world.settings->taskbarSize = thick ? 150.0 : 100.0;
    const int thickness = static_cast<int>(world.settings->barThickness());
    world.bar->view()->resize(1920, thickness);
    world.bar->reconfigureItemSizes();
    QPainter painter(&frame);
    world.bar->view()->render(&painter);
    painter.end();
    benchmark::DoNotOptimize(frame.bits());
  }
}
BENCHMARK(BM_RelayoutAndRepaint_40Icons)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  return pelko::bench::runWithApplication(argc, argv);
}
