#include "app/TestHooks.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <stdexcept>

#include "platform/sim/SimulatedMac.h"
#include "shell/AppDelegate.h"

namespace pelko {

namespace {

bool hookEnabled(const char* name) {
  const char* value = std::getenv(name);
  return value && std::strcmp(value, "1") == 0;
}

constexpr double kPollInterval = 0.01;
constexpr double kFramesInterval = 0.1;

// Runs until the delegate goes (the timer keeps itself, as the other hooks' timer does).
void printChangedFrames(Scheduler& scheduler, const std::shared_ptr<AppDelegate>& delegate,
                        sim::SimulatedMac& world) {
  auto printed = std::make_shared<std::map<platform::WindowID, Rect>>();
  auto printedFrontmost = std::make_shared<std::optional<int32_t>>();
  auto timer = std::make_shared<RepeatingTimerPtr>();
  std::weak_ptr<AppDelegate> weak = delegate;
  *timer = scheduler.scheduleRepeating(kFramesInterval, 0, [&world, printed, printedFrontmost, timer, weak] {
    if (!weak.lock()) {
      if (*timer) (*timer)->invalidate();
      timer->reset();
      return;
    }
    for (platform::WindowID number : world.windowOrder()) {
      auto window = world.window(number);
      if (!window) continue;
      auto [it, added] = printed->try_emplace(number, window->bounds);
      if (!added && it->second == window->bounds) continue;
      it->second = window->bounds;
      const Rect& b = window->bounds;
      std::fprintf(stderr, "PELKO_FRAME wn=%u pid=%d %g %g %g %g\n", number, window->owner, b.origin.x,
                   b.origin.y, b.size.width, b.size.height);
    }
    if (const auto frontmost = world.frontmostPID(); frontmost && frontmost != *printedFrontmost) {
      *printedFrontmost = frontmost;
      std::fprintf(stderr, "PELKO_FRONTMOST pid=%d\n", *frontmost);
    }
    std::fflush(stderr);
  });
}

}  // namespace

void installTestHooks(Scheduler& scheduler, const std::shared_ptr<AppDelegate>& delegate,
                      sim::SimulatedMac* world) {
  if (world && delegate && hookEnabled("PELKO_TEST_HOOK_FRAMES"))
    printChangedFrames(scheduler, delegate, *world);
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
