#pragma once

#include <QWidget>
#include <optional>

#include "foundation/Color.h"
#include "foundation/Scheduler.h"

class QMimeData;

namespace pelko {

namespace platform {
class Alerts;
class Trash;
class Workspace;
}  // namespace platform

// The platform services the trash button uses. They outlive the button.
struct TrashIconEnvironment {
  Scheduler& scheduler;
  platform::Workspace& workspace;  // opens the trash's folder
  platform::Trash& trash;
  platform::Alerts& alerts;
};

// The trash button near the far end of a bar: a click opens the trash in the file manager, files
// dropped on it go to the trash. The symbol never shows whether the trash holds anything; it turns red
// and filled only while files are dragged over it.
class TrashIconView : public QWidget {
  Q_OBJECT
 public:
  // The secondary label colour and, faintly, the label colour, each light on a dark bar and dark on a
  // light one (the tray's contrast rule).
  static constexpr Color kSymbolColor = Color::fromWhite(1, 0.55);
  static constexpr Color kHoverColor = Color::fromWhite(1, 0.08);
  static constexpr Color kSymbolColorOnLight = Color::fromWhite(0, 0.55);
  static constexpr Color kHoverColorOnLight = Color::fromWhite(0, 0.08);
  static constexpr Color kDragTargetColor{1.0, 0.231, 0.188, 0.15};
  static constexpr Color kDragSymbolColor{1.0, 0.231, 0.188, 1};

  // `size`: the side of the square button the bar makes; it sets the symbol's inset only.
  TrashIconView(const TrashIconEnvironment& environment, double size, QWidget* parent = nullptr);

  // The symbol's distance from every edge for a button `size` points wide.
  static double symbolInset(double size);

  bool isDragTarget() const { return isDragTarget_; }
  // The background as drawn (clear is alpha 0), the symbol's colour and whether it is the filled one.
  Color backgroundColor() const { return background_; }
  Color symbolColor() const {
    return isDragTarget_ ? kDragSymbolColor : lightContent_ ? kSymbolColor : kSymbolColorOnLight;
  }
  // Follows the bar's background colour: light symbol and hover on a dark bar, dark ones on a light bar.
  void updateColors(const Color& barBackground);
  bool showsFilledSymbol() const { return isDragTarget_; }

  // The reactions, callable without a window system (the Qt events forward here).
  void mouseEntered();
  void mouseExited();
  // Whether a drag carrying `data` is taken; it then shows the drag-target look.
  bool draggingEntered(const QMimeData& data);
  void draggingExited();
  // Moves the dropped files to the trash, one by one, and answers once all were tried: a move when
  // all went, a copy when some stayed (the source keeps those), nothing (refused) when none went.
  std::optional<Qt::DropAction> performDrop(const QMimeData& data);
  void openTrash();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dragLeaveEvent(QDragLeaveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void setBackground(Color color);
  void resetDragLook();
  void reportFailure(const std::string& path, const std::string& reason);

  TrashIconEnvironment env_;
  double inset_;
  bool isDragTarget_ = false;
  bool lightContent_ = true;
  Color background_ = Color::black().withAlpha(0);
};

}  // namespace pelko
