// What the settings search costs on the whole window (every setting that shows a row showing it): one
// search update for "auto hide delay" against opening the window, and typing that query one key per
// 0.1 s of virtual time (one update, at the end) against one key per 0.3 s (an update per key).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <memory>

#include "BenchmarkSupport.h"
#include "platform/sim/SimAlerts.h"
#include "settings/SettingsManager.h"
#include "settingswindow/SettingsSectionBox.h"
#include "settingswindow/SettingsViewController.h"
#include "settingswindow/SettingsWindowController.h"
#include "support/SimulatedSystem.h"

namespace pelko {
namespace {

constexpr const char* kQuery = "auto hide delay";

// Counts the results panels the search builds: each update of a non-empty query builds one.
class PanelCounter : public QObject {
 public:
  int panels = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::ChildAdded &&
        qobject_cast<SettingsSectionBox*>(static_cast<QChildEvent*>(event)->child()))
      ++panels;
    return false;
  }
};

struct SearchWorld : test::SimulatedSystem {
  sim::SimAlerts alerts;
  std::unique_ptr<SettingsWindowController> controller;
  SettingsViewController* view = nullptr;

  SearchWorld() {
    // Every rebuildable section at its fullest.
    settings->showSystemTray = true;
    settings->showTime = true;
    settings->showBattery = true;
    settings->showBatteryIcon = true;
    settings->groupWindows = true;
    settings->showWindowCount = true;
    settings->showActiveIndicator = true;
    settings->showThumbnails = true;
    settings->autoHide = true;
    settings->autoHideDodgeWindows = true;
    settings->borderBottom = true;
    scheduler.runUntilIdle();
  }

  void open() {
    view = new SettingsViewController(
        settings,
        {scheduler, defaults, alerts, mac.appShell(), &mac.screens(), [] { return std::nullopt; }, {}, {}});
    controller = std::make_unique<SettingsWindowController>(
        SettingsWindowController::Dependencies{scheduler, defaults, mac.workspace(), mac.appShell(),
                                               &mac.screens()},
        view);
    controller->showSettings();
    scheduler.runUntilIdle();
  }
};

void BM_OpenWindow(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto world = std::make_unique<SearchWorld>();
    state.ResumeTiming();
    world->open();
    benchmark::DoNotOptimize(world->view->pageCount());
    state.PauseTiming();
    world.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_OpenWindow)->Unit(benchmark::kMillisecond);

void BM_OneSearchUpdate(benchmark::State& state) {
  SearchWorld world;
  world.open();
  world.view->searchField()->setText(kQuery);
  for (auto _ : state) {
    world.view->updateSearchResults();
    benchmark::DoNotOptimize(world.view->currentSearchResults().size());
  }
  state.counters["results"] = static_cast<double>(world.view->currentSearchResults().size());
}
BENCHMARK(BM_OneSearchUpdate)->Unit(benchmark::kMillisecond);

// A pasted query of 10,000 characters: some 1,700 different words, none on any row.
void BM_LongQueryUpdate(benchmark::State& state) {
  SearchWorld world;
  world.open();
  QString query;
  for (int word = 0; query.size() < 10000; ++word) query += QString("w%1x ").arg(word, 3, 10, QChar('0'));
  world.view->searchField()->setText(query.left(10000));
  for (auto _ : state) {
    world.view->updateSearchResults();
    benchmark::DoNotOptimize(world.view->currentSearchResults().size());
  }
}
BENCHMARK(BM_LongQueryUpdate)->Unit(benchmark::kMillisecond);

// Types the query a key every `state.range(0)` milliseconds of virtual time, then waits out the pause.
void BM_TypeQuery(benchmark::State& state) {
  SearchWorld world;
  world.open();
  PanelCounter counter;
  world.view->searchResultsHostView()->installEventFilter(&counter);
  const double interval = static_cast<double>(state.range(0)) / 1000.0;
  const QString query(kQuery);
  int updates = 0;
  for (auto _ : state) {
    state.PauseTiming();
    world.view->searchField()->clear();
    world.view->updateSearchResults();
    counter.panels = 0;
    state.ResumeTiming();
    for (QChar c : query) {
      QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
      QApplication::sendEvent(world.view->searchField(), &press);
      world.scheduler.advance(interval);
    }
    world.scheduler.advance(0.3);
    updates = counter.panels;
  }
  state.counters["keys"] = static_cast<double>(query.size());
  state.counters["updates"] = updates;
}
BENCHMARK(BM_TypeQuery)->Arg(100)->Arg(300)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace pelko

int main(int argc, char** argv) {
  return pelko::bench::runWithApplication(argc, argv);
}
