// The item button's context menu and the alert before hiding an application from the taskbar (the
// confirmation before force-quitting is AppItemForceQuit's).

#include <QContextMenuEvent>
#include <QMenu>
#include <QPointer>
#include <QProxyStyle>
#include <QStyleOptionMenuItem>

#include "foundation/DebugLog.h"
#include "platform/Alerts.h"
#include "platform/Workspace.h"
#include "settings/SettingsManager.h"
#include "taskbar/AppItemForceQuit.h"
#include "taskbar/AppItemView.h"
#include "tracking/AppTracker.h"
#include "tracking/TrackedApp.h"
#include "tracking/WindowManager.h"
#include "ui/AccessiblePopups.h"
#include "ui/PlainText.h"

namespace pelko {

namespace {
constexpr const char* kDestructiveProperty = "pelkoDestructive";
// A name in a menu row is cut here, so a hostile one cannot push the row's shortcut off the screen.
constexpr int kMenuNameLimit = 60;
const QColor kSystemRed(255, 59, 48);

// A menu that draws the entries marked destructive in red.
class ItemContextMenu final : public QMenu {
 public:
  using QMenu::QMenu;

 protected:
  void initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const override {
    QMenu::initStyleOption(option, action);
    if (!action || !action->property(kDestructiveProperty).toBool()) return;
    for (auto role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
      option->palette.setColor(role, kSystemRed);
  }
};

}  // namespace

void AppItemView::contextMenuEvent(QContextMenuEvent* event) {
  rightMouseDown(event->globalPos());
  // Handled here even without a menu: the bar's own menu is for the space between the buttons.
  event->accept();
}

void AppItemView::rightMouseDown(const QPoint& globalPosition) {
  QMenu* menu = makeContextMenu();
  if (!menu) return;
  // The panel would stay under the menu, and behind the force-quit popover the menu may lead to.
  cancelThumbnail();
  menu->popup(globalPosition);
}

QMenu* AppItemView::makeContextMenu() {
  if (!trackedApp_ || !windowManager.lock()) return nullptr;
  const TrackedApp& app = *trackedApp_;
  installAccessiblePopups();
  // A window of its own, not the button's child: an open menu is a child of the application before a
  // screen reader, as the bar's and the status item's are. It still closes with its button.
  auto* menu = new ItemContextMenu;
  menu->setAttribute(Qt::WA_DeleteOnClose);
  QObject::connect(this, &QObject::destroyed, menu, &QWidget::close);
  QPointer<AppItemView> self(this);
  auto add = [&](const QString& title, void (AppItemView::*action)(), std::optional<Qt::Key> key = {}) {
    QAction* item = menu->addAction(plainButtonTitle(title));
    if (key) item->setShortcut(QKeySequence(Qt::CTRL | *key));
    QObject::connect(item, &QAction::triggered, this, [self, action] {
      if (self) ((*self).*action)();
    });
    return item;
  };
  const bool window = app.isWindowEntry();
  const bool minimized = app.isMinimized.get();
  if (!app.isActive.get()) add("Show", &AppItemView::menuActivate);
  add(window ? (minimized ? "Unminimize" : "Minimize")
             : (minimized ? "Unminimize All Windows" : "Minimize All Windows"),
      &AppItemView::menuToggleMinimize);
  add(app.isHidden.get() ? "Unhide" : "Hide", &AppItemView::menuToggleHide, Qt::Key_H);
  add("New Window", &AppItemView::menuNewWindow, Qt::Key_N);
  menu->addSeparator();
  add("Close Window", &AppItemView::menuCloseWindow, Qt::Key_W);
  add("Quit " + isolatedName(QString::fromStdString(app.name), kMenuNameLimit), &AppItemView::menuQuit,
      Qt::Key_Q);
  add("Force Quit", &AppItemView::menuForceQuit)->setProperty(kDestructiveProperty, true);
  menu->addSeparator();
  add("Show in Finder", &AppItemView::menuShowInFinder);
  if (settings() && env_.alerts) {
    menu->addSeparator();
    QAction* hide = add("Hide from Taskbar", &AppItemView::menuBlacklist);
    hide->setToolTip(plainToolTip("Blacklist " +
                                  isolatedName(QString::fromStdString(app.name), kMenuNameLimit) +
                                  " so it never appears in the taskbar"));
    menu->setToolTipsVisible(true);
  }
  if (onSettingsRequested) {
    menu->addSeparator();
    add("Pelko Settings...", &AppItemView::menuOpenSettings, Qt::Key_Comma);
  }
  return menu;
}

std::optional<std::string> AppItemView::applicationLocation() const {
  if (!trackedApp_) return std::nullopt;
  auto running = env_.workspace.runningApplication(trackedApp_->pid);
  if (!running) return std::nullopt;
  if (auto bundle = running->bundleURL()) return bundle;
  return running->executableURL();
}

void AppItemView::menuActivate() {
  if (!trackedApp_) return;
  auto manager = windowManager.lock();
  if (manager && env_.workspace.runningApplication(trackedApp_->pid)) manager->activate(trackedApp_->pid);
}

void AppItemView::menuToggleMinimize() {
  if (!trackedApp_) return;
  if (auto manager = windowManager.lock()) manager->toggleMinimize(*trackedApp_);
}

void AppItemView::menuToggleHide() {
  if (!trackedApp_) return;
  auto manager = windowManager.lock();
  if (!manager) return;
  if (trackedApp_->isHidden.get()) {
    manager->unhide(trackedApp_->pid);
  } else {
    manager->hide(trackedApp_->pid);
  }
}

void AppItemView::menuNewWindow() {
  if (auto location = applicationLocation()) env_.workspace.openApplication(*location);
}

void AppItemView::menuCloseWindow() {
  if (!trackedApp_) return;
  auto manager = windowManager.lock();
  if (manager && env_.workspace.runningApplication(trackedApp_->pid))
    manager->closeWindow(trackedApp_->pid, trackedApp_->windowNumber);
}

void AppItemView::menuQuit() {
  if (!trackedApp_) return;
  auto manager = windowManager.lock();
  if (manager && env_.workspace.runningApplication(trackedApp_->pid)) manager->quit(trackedApp_->pid);
}

void AppItemView::menuShowInFinder() {
  if (auto location = applicationLocation()) env_.workspace.activateFileViewerSelecting({*location});
}

void AppItemView::menuOpenSettings() {
  if (!trackedApp_ || !onSettingsRequested) return;
  auto request = onSettingsRequested;
  request();
}

void AppItemView::menuBlacklist() {
  if (!trackedApp_ || !env_.alerts) return;
  // The alert is modal: the bar may be rebuilt while it waits, and this button with it. Everything the
  // answer needs is taken now, and nothing of the button is touched afterwards.
  const std::string name = trackedApp_->name;
  const std::string bundleID = trackedApp_->bundleID;
  std::weak_ptr<SettingsManager> weakSettings = settingsManager;
  std::weak_ptr<AppTracker> weakTracker = appTracker;
  platform::AlertContent alert;
  alert.style = platform::AlertContent::Style::warning;
  alert.messageText =
      "Hide " + isolatedName(QString::fromStdString(name), kMenuNameLimit).toStdString() + " from Taskbar?";
  alert.informativeText =
      "This app will no longer appear in the taskbar. You can restore it from Pelko Settings > Items > "
      "Blacklisted Apps.";
  alert.buttons = {"Hide", "Cancel"};
  alert.cancelButton = 1;
  QPointer<AppItemView> self(this);
  // The application's own alert, above the bar (which stays on top) on the screen the user clicked on;
  // the bar may be rebuilt while it waits, so it does not own it.
  const int answer = env_.alerts->runModal(alert, {});
  if (!self) debugLog("The button of " + name + " went while its alert was open");
  if (answer != 0) return;
  if (auto s = weakSettings.lock()) s->addToBlacklist(bundleID);
  if (auto tracker = weakTracker.lock()) tracker->forceRefresh();
}

void AppItemView::menuForceQuit() {
  if (!trackedApp_) return;
  cancelThumbnail();
  forceQuit_->open();
}

void AppItemView::cancelForceQuitPopover() {
  forceQuit_->cancel();
}

void AppItemView::confirmForceQuitPopover() {
  forceQuit_->confirm();
}

ForceQuitPopover* AppItemView::forceQuitPopover() const {
  return forceQuit_->popover();
}

}  // namespace pelko
