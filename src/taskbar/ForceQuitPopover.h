#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>

#include "settings/SettingEnumerations.h"

class QLabel;
class QPushButton;

namespace pelko {

// The confirmation that guards force-quitting an application: a small transient panel beside the item
// (it closes when the user clicks elsewhere) with a title naming the application, a warning, and the
// buttons "Cancel" (Escape) and "Force Quit" (Return).
class ForceQuitPopover : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kWidth = 280;
  // The gap between the item and the popover.
  static constexpr int kGap = 6;

  explicit ForceQuitPopover(const std::string& appName, QWidget* parent = nullptr);

  std::function<void()> onConfirm;
  std::function<void()> onCancel;

  QString titleText() const;
  QString messageText() const;
  QPushButton* cancelButton() const { return cancelButton_; }
  QPushButton* forceQuitButton() const { return forceQuitButton_; }

  // The popover's top-left corner for an item at `anchor` (global coordinates), on the item's side away
  // from the screen edge that carries the bar: above for a bottom bar (and without a position), below
  // for a top bar, to the right for a left bar, to the left for a right bar; centred on the item across.
  static QPoint placement(const QRect& anchor, const QSize& size, std::optional<TaskbarPosition> barPosition);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  QLabel* title_ = nullptr;
  QLabel* message_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
  QPushButton* forceQuitButton_ = nullptr;
};

}  // namespace pelko
