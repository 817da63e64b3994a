#pragma once

#include <QObject>
#include <QPointer>
#include <memory>

#include "foundation/Scheduler.h"
#include "taskbar/TaskbarShellActions.h"

class QAction;
class QMenu;
class QPoint;

namespace pelko {

class AppTracker;
class SettingsManager;

// The bar's own menu (outside its buttons): the item style and bar position with check marks for the
// current ones, resetting the custom button order (shown only while there is one), the settings window,
// and restoring the Dock and quitting. Refreshed each time it is about to open, so it follows changes
// made elsewhere. Main thread only.
class TaskbarContextMenu : public QObject {
  Q_OBJECT
 public:
  static constexpr const char* kResetCustomOrderTitle = "Reset Custom Order";

  TaskbarContextMenu(Scheduler& scheduler, std::shared_ptr<SettingsManager> settings,
                     std::weak_ptr<AppTracker> tracker, TaskbarShellActions shell);
  ~TaskbarContextMenu() override;

  QMenu* menu() const { return menu_; }
  // Opens the menu at a global point, without waiting for it to close.
  void popup(const QPoint& globalPosition);

  // Runs before each opening: the reset entry's visibility and the check marks.
  void menuNeedsUpdate();

  void changeStyle(QAction* item);
  void changePosition(QAction* item);
  void resetCustomOrder();
  void openSettings();
  void quitApp();

 private:
  Scheduler& scheduler_;
  std::shared_ptr<SettingsManager> settings_;
  std::weak_ptr<AppTracker> tracker_;
  TaskbarShellActions shell_;
  QMenu* menu_ = nullptr;
  QPointer<QAction> resetCustomOrderMenuItem_;
};

}  // namespace pelko
