#pragma once

#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <optional>
#include <string>

#include "foundation/Geometry.h"
#include "foundation/Scheduler.h"
#include "platform/OwnWindows.h"
#include "platform/Screens.h"
#include "settings/SettingEnumerations.h"

namespace pelko {

// Whether other processes may capture a window's contents.
enum class WindowSharingType { none = 0, readOnly = 1, readWrite = 2 };

// Window collection behaviour flags: how a window takes part in Spaces and window cycling.
namespace collection_behavior {
inline constexpr uint32_t kCanJoinAllSpaces = 1;
inline constexpr uint32_t kMoveToActiveSpace = 2;
inline constexpr uint32_t kManaged = 4;
inline constexpr uint32_t kTransient = 8;
inline constexpr uint32_t kStationary = 16;
inline constexpr uint32_t kParticipatesInCycle = 32;
inline constexpr uint32_t kIgnoresCycle = 64;
// A shown bar: on every Space, left alone by Exposé-style rearranging, skipped by window cycling (81).
inline constexpr uint32_t kTaskbar = kCanJoinAllSpaces | kStationary | kIgnoresCycle;
}  // namespace collection_behavior

// What moves when a bar slides, fades or shrinks in and out: the content container inside the panel,
// as a compositing layer would keep it. The translation is in points (screen axes, y up), the scale is
// about the anchor point (unit coordinates of the container, origin bottom left), so scaling toward an
// edge leaves that edge in place. The panel clips whatever moves outside it.
struct PanelLayer {
  double translationX = 0;
  double translationY = 0;
  double scaleX = 1;
  double scaleY = 1;
  double anchorX = 0.5;
  double anchorY = 0.5;
  double opacity = 1;

  bool hasIdentityTransform() const {
    return translationX == 0 && translationY == 0 && scaleX == 1 && scaleY == 1;
  }
  bool operator==(const PanelLayer&) const = default;
};

// The window of one bar: a borderless panel above the menu bar's level on every Space that never takes
// focus from other applications. Its frame is kept in screen coordinates (origin bottom left, y up) and
// converted to Qt's global coordinates in one place. What Qt has no notion of (window level, collection
// behaviour, sharing type) is kept as state. With an OwnWindows port the window server lists the panel
// as one of this process's windows while it is ordered in. On X11 the window is a dock, so window
// managers keep it undecorated and above normal windows; with a Scheduler it is shown again when a
// window manager starting at the same moment swallowed the request to map it.
class TaskbarPanel : public QWidget {
  Q_OBJECT
 public:
  // One above the main menu's window level.
  static int taskbarLevel();

  // Where a bar of `thickness` sits on `screen` for each edge: the bottom bar on the screen's very
  // bottom edge (where the system Dock would be), the others inside the visible frame; margins move the
  // bar off its edge and shorten it at both ends, never below its thickness.
  static Rect frameForPosition(TaskbarPosition position, double thickness, const platform::ScreenInfo& screen,
                               double marginH, double marginV);

  TaskbarPanel(const Rect& contentRect, platform::Screens& screens,
               platform::OwnWindows* ownWindows = nullptr, Scheduler* scheduler = nullptr);
  ~TaskbarPanel() override;
  TaskbarPanel(const TaskbarPanel&) = delete;
  TaskbarPanel& operator=(const TaskbarPanel&) = delete;

  // Moves the panel to frameForPosition(...), unless that has no area (a thickness of 0 or less); then
  // the panel stays where it is.
  void updatePosition(TaskbarPosition position, double thickness, const platform::ScreenInfo& screen,
                      double marginH, double marginV);
  // Gives the content view the panel's size, when the frame's size changed since the last call.
  void syncContentViewFrame();

  Rect frame() const { return frame_; }
  void setFrame(const Rect& frame);

  // The bar's root view; the panel owns it from then on. Not resized until syncContentViewFrame().
  void setContentView(QWidget* view);
  QWidget* contentView() const { return contentView_; }
  // The container that holds the content view and covers the panel; its layer is what animates.
  QWidget* contentContainer() const { return container_; }
  const PanelLayer& layer() const { return layer_; }
  void setLayer(const PanelLayer& layer);
  // The whole window's opacity, 0 to 1.
  double alphaValue() const { return windowOpacity(); }
  void setAlphaValue(double alpha);
  Size lastSyncedSize() const { return lastSyncedSize_; }

  // Shows the panel without activating anything, in front of other windows of its level.
  void orderFront();
  void orderOut();
  bool isOrderedIn() const { return orderedIn_; }
  // While ordered in with an OwnWindows port: the panel's number in the window server's list.
  std::optional<platform::WindowID> windowNumber() const { return windowNumber_; }

  int level() const { return level_; }
  void setLevel(int level) { level_ = level; }
  uint32_t collectionBehavior() const { return collectionBehavior_; }
  void setCollectionBehavior(uint32_t behavior) { collectionBehavior_ = behavior; }
  WindowSharingType sharingType() const { return sharingType_; }
  void setSharingType(WindowSharingType type) { sharingType_ = type; }
  bool hasShadow() const { return hasShadow_; }
  void setHasShadow(bool shadow) { hasShadow_ = shadow; }
  bool isOpaque() const { return false; }
  bool isMovableByWindowBackground() const { return false; }
  bool hidesOnDeactivate() const { return false; }
  bool becomesKeyOnlyIfNeeded() const { return true; }
  bool canBecomeKey() const { return true; }
  bool canBecomeMain() const { return false; }

 private:
  double mainScreenHeight() const;
  void applyFrameToWindow();
  void checkOnScreenLater(int attemptsLeft);

  platform::Screens& screens_;
  platform::OwnWindows* ownWindows_;
  Scheduler* scheduler_;
  WorkItemPtr onScreenCheck_;
  Size lastSyncedSize_;
  Rect frame_;
  QPointer<QWidget> contentView_;
  QWidget* container_ = nullptr;
  PanelLayer layer_;
  int level_;
  uint32_t collectionBehavior_ = collection_behavior::kTaskbar;
  WindowSharingType sharingType_ = WindowSharingType::none;
  bool hasShadow_ = false;
  bool orderedIn_ = false;
  bool onX11_ = false;
  std::optional<platform::WindowID> windowNumber_;
};

// A rectangle as the diagnostic lines print it: "(x, y, width, height)".
std::string describeRect(const Rect& rect);

}  // namespace pelko
