#include "app/FrontEnds.h"

#include <QApplication>
#include <cstdio>

#include "foundation/ControlCharacters.h"
#include "platform/real/QtClipboard.h"
#include "platform/sim/SimAlerts.h"
#include "platform/sim/SimAppShell.h"
#include "platform/sim/SimUpdater.h"
#include "shell/LocalSocketUrlDelivery.h"
#include "shell/ShellWindowStyle.h"
#include "shell/SingleInstanceLock.h"
#include "ui/QtAlerts.h"
#include "ui/QtOfflineUpdater.h"
#include "ui/QtStatusItem.h"

namespace pelko {

namespace {

bool hasDisplay() {
  const QString platform = QGuiApplication::platformName();
  return platform != "offscreen" && platform != "minimal";
}

}  // namespace

FrontEnds::FrontEnds(Scheduler& scheduler, sim::SimAppShell& shell, const std::string& configFolder,
                     bool restoreOnly)
    : windowIcon([&shell] { QApplication::setWindowIcon(ownApplicationWindowIcon(shell)); }) {
  if (!restoreOnly && hasDisplay()) {
    alerts = std::make_unique<AlertsWithWindowIcon>(std::make_unique<QtAlerts>(), windowIcon);
  } else {
    auto printed = std::make_unique<sim::SimAlerts>();
    printed->onShow = [](const platform::AlertContent& alert) {
      std::fputs(printedAlert(alert).c_str(), stderr);
      std::fflush(stderr);
    };
    alerts = std::move(printed);
  }
  urlDelivery =
      std::make_unique<LocalSocketUrlDelivery>(scheduler, SingleInstanceLock::defaultPath(configFolder));
  // The update framework has no feed to reach: a check says so in its own window (a program without a
  // display has none to show, and only logs it).
  if (!restoreOnly && hasDisplay()) {
    auto offline = std::make_unique<QtOfflineUpdater>();
    shell.moreWindows = [window = offline.get()] { return window->windows(); };
    updater = std::move(offline);
  } else {
    updater = std::make_unique<sim::SimUpdater>(scheduler, shell);
  }
  if (!restoreOnly) {
    statusItem = std::make_unique<QtStatusItem>();
    clipboard = std::make_unique<real::QtClipboard>();
  }
}

FrontEnds::~FrontEnds() = default;

// An alert's texts may hold a path or a text from a file: on a terminal they stay on their lines and
// tell it nothing.
std::string FrontEnds::printedAlert(const platform::AlertContent& alert) {
  std::string printed = "Pelko alert: " + withControlCharactersHidden(alert.messageText) + "\n  " +
                        withControlCharactersHidden(alert.informativeText) + "\n";
  if (alert.buttons.empty()) return printed;
  std::string buttons;
  for (const auto& button : alert.buttons)
    buttons += (buttons.empty() ? "[" : "] [") + withControlCharactersHidden(button);
  return printed + "  " + buttons + "]\n";
}

}  // namespace pelko
