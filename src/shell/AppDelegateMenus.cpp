#include <map>

#include "foundation/DebugLog.h"
#include "platform/Alerts.h"
#include "platform/StatusItem.h"
#include "platform/Updater.h"
#include "platform/UserDefaults.h"
#include "shell/AppDelegate.h"
#include "shell/DiagnosticsCopyAlert.h"

namespace pelko {

void AppDelegate::scheduleFirstRunOnboarding() {
  env_.scheduler.mainAfter(kOnboardingDelay, [weak = weakSelf()] {
    if (auto self = weak.lock()) self->openOnboarding();
  });
}

void AppDelegate::startFrontEnds() {
  // The main menu: on this system the text fields route these keys themselves; the rows stay as the
  // menu the application declares.
  mainMenu_ = StatusMenuModel::editMenu();
  // Asking whether a status area exists may hold the main thread up (without a session bus the toolkit
  // starts the bus's launcher for the answer): the status item, and the updater after it, wait until
  // the bars stand on screen.
  auto installThenStartUpdater = [weak = weakSelf()] {
    auto self = weak.lock();
    if (!self || self->quitHasBegun_) return;
    self->installStatusItem();
    if (self->env_.updater) self->env_.updater->start();
  };
  if (taskbars_) {
    taskbars_->whenOnScreen(installThenStartUpdater);
  } else {
    installThenStartUpdater();
  }
  receiveURLs();
}

void AppDelegate::installStatusItem() {
  if (!env_.statusItem) return;
  using Action = void (AppDelegate::*)();
  static const std::map<std::string, Action> kActions = {
      {"statusMenuAbout", &AppDelegate::statusMenuAbout},
      {"statusMenuCheckForUpdates", &AppDelegate::statusMenuCheckForUpdates},
      {"statusMenuFeedback", &AppDelegate::statusMenuFeedback},
      {"statusMenuOpenSettings", &AppDelegate::statusMenuOpenSettings},
      {"statusMenuOpenOnboarding", &AppDelegate::statusMenuOpenOnboarding},
      {"statusMenuRestart", &AppDelegate::statusMenuRestart},
      {"statusMenuCopyDiagnostics", &AppDelegate::statusMenuCopyDiagnostics},
      {"statusMenuQuit", &AppDelegate::statusMenuQuit},
  };
  std::vector<platform::StatusMenuItem> items;
  for (const MenuRow& row : StatusMenuModel::statusMenu()) {
    platform::StatusMenuItem item{row.title, row.keyEquivalent, row.isSeparator, nullptr};
    if (auto found = kActions.find(row.action); found != kActions.end()) {
      item.action = [weak = weakSelf(), action = found->second] {
        if (auto self = weak.lock()) ((*self).*action)();
      };
    }
    items.push_back(std::move(item));
  }
  hasStatusItem_ = env_.statusItem->install(StatusMenuModel::createMenuBarIcon(), StatusMenuModel::kToolTip,
                                            std::move(items));
  if (!hasStatusItem_) {
    debugLog("AppDelegate: no status area yet; the status item shows once one appears");
  }
}

void AppDelegate::statusMenuAbout() {
  if (!aboutWindowController_ && env_.makeAboutWindow) aboutWindowController_ = env_.makeAboutWindow();
  if (!aboutWindowController_) {
    debugLog("AppDelegate: no About window in this build");
    return;
  }
  aboutWindowController_->showAbout();
}

void AppDelegate::statusMenuCheckForUpdates() {
  checkForUpdates();
}

void AppDelegate::statusMenuFeedback() {
  if (env_.openFeedbackPage) {
    env_.openFeedbackPage();
  } else {
    debugLog("AppDelegate: no feedback page in this build");
  }
}

void AppDelegate::statusMenuOpenSettings() {
  env_.scheduler.mainAsync([weak = weakSelf()] {
    if (auto self = weak.lock()) self->openSettings();
  });
}

void AppDelegate::statusMenuOpenOnboarding() {
  openOnboarding();
}

void AppDelegate::statusMenuRestart() {
  restartPelko();
}

void AppDelegate::statusMenuCopyDiagnostics() {
  const platform::AlertContent alert = diagnosticsCopyResultAlert(copyDiagnosticsToPasteboard(), {});
  // The application's own alert: it comes above every window of ours, About among them.
  env_.alerts.runModal(alert, {});
}

void AppDelegate::statusMenuQuit() {
  restoreDockAndQuit();
}

}  // namespace pelko
