// What building a settings page costs: a page of 40 rows against one of 80 (the cost should grow with the
// rows, not faster), and the layout pass that any number of requests in one turn share.

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QLabel>
#include <QLayout>
#include <memory>

#include "BenchmarkSupport.h"
#include "platform/sim/SimAlerts.h"
#include "settings/SettingsManager.h"
#include "settingswindow/SettingsRowView.h"
#include "settingswindow/SettingsSectionLayout.h"
#include "settingswindow/SettingsViewController.h"
#include "support/SimulatedSystem.h"
#include "ui/Stepper.h"
#include "ui/Switch.h"

namespace pelko {
namespace {

// The settings content inside `window`, built at once.
SettingsViewController* openSettingsView(test::SimulatedSystem& system, sim::SimAlerts& alerts,
                                         QWidget& window) {
  auto* view = new SettingsViewController(system.settings,
                                          {system.scheduler,
                                           system.defaults,
                                           alerts,
                                           system.mac.appShell(),
                                           &system.mac.screens(),
                                           [] { return std::nullopt; },
                                           {},
                                           {}},
                                          &window);
  view->loadViewIfNeeded();
  return view;
}

struct SettingsWorld : test::SimulatedSystem {
  sim::SimAlerts alerts;
  QWidget window;
  SettingsViewController* view = nullptr;

  SettingsWorld() {
    view = openSettingsView(*this, alerts, window);
    window.resize(980, 760);
    view->resize(980, 760);
    // The window's own widgets get their polish and layout requests now, not in a measured iteration.
    QCoreApplication::sendPostedEvents();
  }
};

// Sections of eight rows, alternating switches and steppers with their value labels, under a jump strip;
// then one layout pass over the finished page. A function of its own so that a profiler (callgrind's
// --toggle-collect) can count one build apart from the window around it.
[[gnu::noinline]] void buildPage(SettingsWorld& world, int rows) {
  std::vector<SettingsViewController::SectionDescription> sections;
  std::vector<SettingsViewController::JumpItem> jumps;
  for (int first = 0; first < rows; first += 8) {
    std::vector<SettingsViewController::RowDescription> described;
    std::vector<QWidget*> custom;
    for (int row = first; row < std::min(rows, first + 8); ++row) {
      if (row % 2 == 0) {
        described.push_back(
            {QString("Switch %1").arg(row), new Switch(), QString("Help for row %1").arg(row)});
      } else {
        auto* stepper = new Stepper();
        stepper->setRange(0, 100, 5);
        custom.push_back(world.view->makeStepperRow(QString("Stepper %1").arg(row), stepper,
                                                    new QLabel("50%"), std::nullopt));
      }
    }
    auto box =
        world.view->makeSectionBox(described, custom, QString("Section %1").arg(first / 8), std::nullopt);
    sections.push_back({QString("Section %1").arg(first / 8), QString("Subtitle"), box.box});
    jumps.push_back({QString("Section %1").arg(first / 8), box.box});
  }
  QWidget* page = world.view->makePageLayout(nullptr, world.view->makeSectionJumpStrip(jumps),
                                             world.view->makeTabContent(sections));
  page->setParent(&world.window);
  page->resize(700, page->sizeHint().height());
  page->layout()->activate();
  benchmark::DoNotOptimize(page->sizeHint());
  // Every widget made posts itself a polish request, and every layout a layout request, which the
  // window's event loop delivers before a page could ever go away. Deleting the page with them still
  // queued would cost each widget a search of the whole queue for its own events: work that grows with
  // the square of the rows and that the window never does.
  QCoreApplication::sendPostedEvents();
  delete page;
}

void BM_BuildPage(benchmark::State& state) {
  SettingsWorld world;
  const int rows = static_cast<int>(state.range(0));
  for (auto _ : state) buildPage(world, rows);
  state.counters["rows"] = rows;
}
BENCHMARK(BM_BuildPage)->Arg(40)->Arg(80)->Unit(benchmark::kMillisecond);

// Ten requests in one turn of the main queue, then the turn: one layout pass per iteration.
void BM_TenLayoutRequests(benchmark::State& state) {
  SettingsWorld world;
  world.window.show();
  world.scheduler.runUntilIdle();
  const int before = world.view->layoutPassCount();
  for (auto _ : state) {
    for (int i = 0; i < 10; ++i) world.view->resizeWindowToFit();
    world.scheduler.runUntilIdle();
  }
  state.counters["passesPerIteration"] =
      static_cast<double>(world.view->layoutPassCount() - before) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_TenLayoutRequests)->Unit(benchmark::kMicrosecond);

// Opening the settings window: every control, row and page built, then the first pass of the bindings
// (79 deliveries) on the main queue.
void BM_OpenWindow(benchmark::State& state) {
  test::SimulatedSystem system;
  sim::SimAlerts alerts;
  for (auto _ : state) {
    QWidget window;
    SettingsViewController* view = openSettingsView(system, alerts, window);
    system.scheduler.runUntilIdle();
    benchmark::DoNotOptimize(view->sectionRebuildCount());
  }
}
BENCHMARK(BM_OpenWindow)->Unit(benchmark::kMillisecond);

// Two presets applied in turn, each batch run to its end; with the window open (argument 1) its bindings
// follow every assignment. The rebuild counters show that a section is refilled only when its signature
// changed: `sectionRebuilds` equals `signatureChanges`.
void BM_ApplyPreset(benchmark::State& state) {
  test::SimulatedSystem system;
  sim::SimAlerts alerts;
  QWidget window;
  SettingsViewController* view = nullptr;
  if (state.range(0) == 1) view = openSettingsView(system, alerts, window);
  system.scheduler.runUntilIdle();
  const TaskbarPresetID presets[] = {TaskbarPresetID::windows11, TaskbarPresetID::minimal};
  int64_t signatureChanges = 0;
  const int rebuildsBefore = view ? view->sectionRebuildCount() : 0;
  int turn = 0;
  const RebuildableSectionID sections[] = {
      RebuildableSectionID::appearanceContent, RebuildableSectionID::appearanceBorders,
      RebuildableSectionID::grouping,          RebuildableSectionID::itemsDisplay,
      RebuildableSectionID::thumbnails,        RebuildableSectionID::systemTray,
      RebuildableSectionID::autoHide};
  for (auto _ : state) {
    const SettingsSnapshot before = settingsSnapshot(*system.settings, true);
    system.settings->applyPreset(presets[turn++ % 2]);
    system.scheduler.advance(1);
    system.scheduler.runUntilIdle();
    const SettingsSnapshot after = settingsSnapshot(*system.settings, true);
    for (RebuildableSectionID section : sections)
      signatureChanges +=
          sectionContent(section, before).signature != sectionContent(section, after).signature;
  }
  if (view) {
    state.counters["sectionRebuilds"] = view->sectionRebuildCount() - rebuildsBefore;
    state.counters["signatureChanges"] = static_cast<double>(signatureChanges);
  }
}
BENCHMARK(BM_ApplyPreset)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace pelko

int main(int argc, char** argv) {
  return pelko::bench::runWithApplication(argc, argv);
}
