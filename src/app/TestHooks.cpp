#include "app/TestHooks.h"

#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "shell/AppDelegate.h"

namespace pelko {

namespace {

bool hookEnabled(const char* name) {
  const char* value = std::getenv(name);
  return value && std::strcmp(value, "1") == 0;
}

constexpr double kQuitPollInterval = 0.01;

}  // namespace

void installTestHooks(Scheduler& scheduler, const std::shared_ptr<AppDelegate>& delegate) {
  if (!delegate || !delegate->settingsManager()) return;

  if (hookEnabled("PELKO_TEST_HOOK_THROW")) {
    scheduler.mainAsync([] { throw std::runtime_error("exception thrown by the test hook"); });
  }

  if (hookEnabled("PELKO_TEST_HOOK_QUIT")) {
    auto timer = std::make_shared<RepeatingTimerPtr>();
    std::weak_ptr<AppDelegate> weak = delegate;
    *timer = scheduler.scheduleRepeating(kQuitPollInterval, 0, [weak, timer] {
      auto self = weak.lock();
      if (!self || !*timer) return;
      if (self->dockManager() && self->dockManager()->isHideRunning()) return;
      (*timer)->invalidate();
      timer->reset();
      self->terminate();
    });
  }
}

}  // namespace pelko
