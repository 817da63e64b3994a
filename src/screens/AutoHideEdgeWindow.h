#pragma once

#include <QColor>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>

#include "foundation/Geometry.h"
#include "taskbar/TaskbarPanel.h"

namespace pelko {

class X11InputOnlyWindow;

// A thin window on a screen edge that stands in for a hidden bar: the trigger zone, a clear window the
// pointer reveals the bar by entering, or the peek strip, a tinted line that marks where the bar is and
// lets every click through. Borderless, never focused, above the bar's level; what Qt cannot express
// (level, style, collection behaviour, sharing) is kept as state. Placed in screen coordinates. On X11
// without a compositor a clear window would show black, so the clear one is an input-only window there.
class AutoHideEdgeWindow final : public QWidget {
 public:
  // The style of a panel that never activates its application.
  static constexpr uint32_t kNonactivatingPanelStyle = 128;
  // The screen saver's window level; the peek strip sits one below.
  static constexpr int kTriggerZoneLevel = 1000;
  static constexpr int kPeekStripLevel = 999;

  struct Description {
    Rect frame;
    int level = kTriggerZoneLevel;
    // A transparent window when nothing.
    std::optional<QColor> background;
    bool ignoresMouseEvents = false;
  };

  // `mainScreenHeight` converts the frame to Qt's coordinates.
  AutoHideEdgeWindow(const Description& description, double mainScreenHeight);
  ~AutoHideEdgeWindow() override;

  // Called as the pointer crosses into and out of the window (never for one that ignores the mouse).
  std::function<void()> onMouseEntered;
  std::function<void()> onMouseExited;

  // Shows the window in front of its level without activating anything.
  void orderFront();
  void orderOut();
  bool isOrderedIn() const { return orderedIn_; }

  Rect frame() const { return description_.frame; }
  int level() const { return description_.level; }
  uint32_t styleMask() const { return kNonactivatingPanelStyle; }
  uint32_t collectionBehavior() const { return collection_behavior::kTaskbar; }
  WindowSharingType sharingType() const { return WindowSharingType::none; }
  bool ignoresMouseEvents() const { return description_.ignoresMouseEvents; }
  bool acceptsMouseMovedEvents() const { return !description_.ignoresMouseEvents; }
  bool hasShadow() const { return false; }
  bool isOpaque() const { return false; }
  std::optional<QColor> backgroundColor() const { return description_.background; }

 protected:
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  Description description_;
  bool orderedIn_ = false;
  std::unique_ptr<X11InputOnlyWindow> inputOnly_;
};

}  // namespace pelko
