#include "platform/AppShell.h"
#include "platform/Updater.h"
#include "shell/AppDelegate.h"

namespace pelko {

namespace {

// The update framework's windows carry its class prefix.
constexpr const char* kUpdateWindowClassPart = "SUUpdate";
// After a check, the application comes forward again at these moments if the framework shows a window.
constexpr double kReactivationPasses[] = {0.3, 1.0, 2.0};

}  // namespace

void AppDelegate::checkForUpdates() {
  env_.appShell.activateOwnProcess();
  if (env_.updater) env_.updater->checkForUpdates();
  for (double delay : kReactivationPasses) {
    env_.scheduler.mainAfter(delay, [weak = weakSelf()] {
      if (auto self = weak.lock()) self->reactivateForUpdateWindows();
    });
  }
}

void AppDelegate::reactivateForUpdateWindows() {
  const auto windows = env_.appShell.windows();
  for (const auto& window : windows) {
    if (window.isVisible && window.className.find(kUpdateWindowClassPart) != std::string::npos) {
      env_.appShell.activateOwnProcess();
      return;
    }
  }
  for (const auto& window : windows) {
    if (window.isVisible && window.isSheet) {
      env_.appShell.activateOwnProcess();
      return;
    }
  }
}

}  // namespace pelko
