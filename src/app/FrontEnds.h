#pragma once

#include <memory>
#include <string>

#include "app/ApplicationWindowIcon.h"
#include "foundation/Scheduler.h"

namespace pelko::platform {
class Updater;
}  // namespace pelko::platform

namespace pelko::real {
class QtClipboard;
}  // namespace pelko::real

namespace pelko::sim {
class SimAppShell;
}  // namespace pelko::sim

namespace pelko {

class LocalSocketUrlDelivery;
class QtStatusItem;

// The program's front ends: its alerts, the status item, URLs from later starts, the clipboard and the
// (offline) updater, with the icon every window of the program carries. Without a display to show a
// box on (offscreen, as the end-to-end runs use), an alert goes to standard error and takes its first
// button, so nothing ever waits for a click that cannot come; a restore-only run has no status item and
// no clipboard. The entry point tears the parts down one by one, in the order the program's teardown
// needs.
struct FrontEnds {
  FrontEnds(Scheduler& scheduler, sim::SimAppShell& shell, const std::string& configFolder, bool restoreOnly);
  ~FrontEnds();
  FrontEnds(const FrontEnds&) = delete;
  FrontEnds& operator=(const FrontEnds&) = delete;

  // An alert as it is printed where no box can show it.
  static std::string printedAlert(const platform::AlertContent& alert);

  // Every window of the program, alerts and the update window among them, carries its icon: the bars'
  // from their first frame on, an alert's from the start.
  ApplicationWindowIcon windowIcon;
  std::unique_ptr<platform::Alerts> alerts;
  std::unique_ptr<LocalSocketUrlDelivery> urlDelivery;
  std::unique_ptr<platform::Updater> updater;
  std::unique_ptr<QtStatusItem> statusItem;
  std::unique_ptr<real::QtClipboard> clipboard;
};

}  // namespace pelko
