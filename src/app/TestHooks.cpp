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

constexpr double kPollInterval = 0.01;

}  // namespace

void installTestHooks(Scheduler& scheduler, const std::shared_ptr<AppDelegate>& delegate) {
  bool throwAfterStart = hookEnabled("PELKO_TEST_HOOK_THROW");
  bool quitAfterHide = hookEnabled("PELKO_TEST_HOOK_QUIT");
  if (!delegate || (!throwAfterStart && !quitAfterHide)) return;

  // Start-up may still wait for the single-instance lock; the hooks act once it has run to its end.
  auto timer = std::make_shared<RepeatingTimerPtr>();
  std::weak_ptr<AppDelegate> weak = delegate;
  *timer = scheduler.scheduleRepeating(kPollInterval, 0, [&scheduler, weak, timer, throwAfterStart] {
    auto self = weak.lock();
    if (!self || !*timer || !self->hasFinishedLaunching()) return;
    if (throwAfterStart) {
      (*timer)->invalidate();
      timer->reset();
      scheduler.mainAsync([] { throw std::runtime_error("exception thrown by the test hook"); });
      return;
    }
    if (self->dockManager() && self->dockManager()->isHideRunning()) return;
    (*timer)->invalidate();
    timer->reset();
    self->terminate();
  });
}

}  // namespace pelko
