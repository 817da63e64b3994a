#include "taskbar/TaskbarContextMenu.h"

#include <QMenu>

#include "foundation/DebugLog.h"
#include "settings/SettingsManager.h"
#include "tracking/AppTracker.h"
#include "ui/AccessiblePopups.h"

namespace pelko {

namespace {
// Which setting a submenu item stands for: the enumeration's raw value in the action's data.
constexpr const char* kStyleKind = "style";
constexpr const char* kPositionKind = "position";

template <class E>
QMenu* enumerationSubmenu(QMenu& parent, const QString& title, const char* kind,
                          std::function<void(QAction*)> choose) {
  QMenu* submenu = parent.addMenu(title);
  for (E value : allCases<E>()) {
    QAction* item = submenu->addAction(
        QString::fromUtf8(displayName(value).data(), static_cast<qsizetype>(displayName(value).size())));
    item->setCheckable(true);
    item->setData(QString::fromUtf8(rawValue(value).data(), static_cast<qsizetype>(rawValue(value).size())));
    item->setProperty("pelkoSetting", kind);
    QObject::connect(item, &QAction::triggered, submenu, [choose, item] { choose(item); });
  }
  return submenu;
}

template <class E>
std::optional<E> representedValue(const QAction* item, const char* kind) {
  if (!item || item->property("pelkoSetting").toString() != QLatin1String(kind)) return std::nullopt;
  return fromRawValue<E>(item->data().toString().toStdString());
}

template <class E>
void checkCurrent(QMenu* submenu, const char* kind, E current) {
  if (!submenu) return;
  for (QAction* item : submenu->actions())
    if (auto value = representedValue<E>(item, kind)) item->setChecked(*value == current);
}
}  // namespace

TaskbarContextMenu::TaskbarContextMenu(Scheduler& scheduler, std::shared_ptr<SettingsManager> settings,
                                       std::weak_ptr<AppTracker> tracker, TaskbarShellActions shell)
    : scheduler_(scheduler),
      settings_(std::move(settings)),
      tracker_(std::move(tracker)),
      shell_(std::move(shell)) {
  installAccessiblePopups();
  menu_ = new QMenu;
  QPointer<TaskbarContextMenu> weak(this);
  enumerationSubmenu<TaskbarStyle>(*menu_, "Style", kStyleKind, [weak](QAction* item) {
    if (weak) weak->changeStyle(item);
  });
  enumerationSubmenu<TaskbarPosition>(*menu_, "Position", kPositionKind, [weak](QAction* item) {
    if (weak) weak->changePosition(item);
  });
  menu_->addSeparator();
  QAction* reset = menu_->addAction(kResetCustomOrderTitle);
  connect(reset, &QAction::triggered, this, &TaskbarContextMenu::resetCustomOrder);
  resetCustomOrderMenuItem_ = reset;
  menu_->addSeparator();
  if (shell_.openSettings) {
    QAction* settingsItem = menu_->addAction("Pelko Settings...");
    settingsItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    connect(settingsItem, &QAction::triggered, this, &TaskbarContextMenu::openSettings);
    menu_->addSeparator();
  }
  QAction* quit = menu_->addAction(QString("Restore Dock && Quit"));
  quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
  connect(quit, &QAction::triggered, this, &TaskbarContextMenu::quitApp);
  connect(menu_, &QMenu::aboutToShow, this, &TaskbarContextMenu::menuNeedsUpdate);
}

TaskbarContextMenu::~TaskbarContextMenu() {
  // An open menu closes with its bar; deleted later in case it is the one dispatching this.
  menu_->hide();
  menu_->deleteLater();
}

void TaskbarContextMenu::popup(const QPoint& globalPosition) {
  menu_->popup(globalPosition);
}

void TaskbarContextMenu::menuNeedsUpdate() {
  const bool noOrder = settings_->customAppOrder.get().empty();
  if (resetCustomOrderMenuItem_) resetCustomOrderMenuItem_->setVisible(!noOrder);
  const auto items = menu_->actions();
  for (qsizetype i = 0; i < items.size(); ++i) {
    QAction* item = items[i];
    const bool isReset = item == resetCustomOrderMenuItem_.data() || item->text() == kResetCustomOrderTitle;
    if (isReset) {
      item->setVisible(!noOrder);
    } else if (item->isSeparator() && i + 1 < items.size()) {
      QAction* next = items[i + 1];
      if (next == resetCustomOrderMenuItem_.data() || next->text() == kResetCustomOrderTitle)
        item->setVisible(!noOrder);
    }
    if (QMenu* submenu = item->menu()) {
      if (submenu->title() == "Style") checkCurrent(submenu, kStyleKind, settings_->style.get());
      if (submenu->title() == "Position") checkCurrent(submenu, kPositionKind, settings_->position.get());
    }
  }
}

void TaskbarContextMenu::changeStyle(QAction* item) {
  if (auto style = representedValue<TaskbarStyle>(item, kStyleKind)) settings_->style = *style;
}

void TaskbarContextMenu::changePosition(QAction* item) {
  if (auto position = representedValue<TaskbarPosition>(item, kPositionKind)) settings_->position = *position;
}

void TaskbarContextMenu::resetCustomOrder() {
  settings_->customAppOrder = StringList{};
  if (auto tracker = tracker_.lock()) tracker->forceRefresh();
}

void TaskbarContextMenu::openSettings() {
  if (!shell_.openSettings) return;
  // After the menu has closed.
  auto open = shell_.openSettings;
  scheduler_.mainAsync([open] { open(); });
}

void TaskbarContextMenu::quitApp() {
  if (shell_.restoreDockAndQuit) {
    shell_.restoreDockAndQuit();
  } else if (shell_.terminate) {
    shell_.terminate();
  } else {
    debugLog("Quit from the bar's menu: no shell to ask");
  }
}

}  // namespace pelko
