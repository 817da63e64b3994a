#pragma once

#include <QImage>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "foundation/Geometry.h"
#include "foundation/Scheduler.h"
#include "platform/Screens.h"
#include "platform/WindowServer.h"
#include "settings/SettingEnumerations.h"
#include "taskbar/TaskbarPanel.h"
#include "ui/Animator.h"

namespace pelko {

class AccessibilityHelper;
class ThumbnailCard;
struct ThumbnailServices;

namespace platform {
class Workspace;
}

// The small floating window next to a taskbar item that shows live pictures of the item's windows: one
// card for a window entry, up to six for an application. The pictures are captured off the main thread
// (through the shared cache); a capture that arrives after a newer showing or a dismissal is dropped.
// The creator makes one panel per showing and drops it when done; a dropped panel deletes itself once
// its fade-out ends. Main thread only.
class ThumbnailPanel : public QWidget {
  Q_OBJECT
 public:
  struct Environment {
    Scheduler& scheduler;
    platform::Workspace& workspace;  // reduce motion
    AccessibilityHelper& accessibilityHelper;
    ThumbnailServices& services;
  };
  using WindowCallback = std::function<void(int64_t)>;

  // One above the floating window level, below the bar's.
  static constexpr int kLevel = 4;
  static constexpr int kContainerInset = 8;
  static constexpr int kCardSpacing = 6;
  static constexpr double kCornerRadius = 8;
  static constexpr double kFadeInDuration = 0.12;
  static constexpr double kFadeOutDuration = 0.08;

  explicit ThumbnailPanel(const Environment& environment);
  ~ThumbnailPanel() override;
  ThumbnailPanel(const ThumbnailPanel&) = delete;
  ThumbnailPanel& operator=(const ThumbnailPanel&) = delete;

  // Each card calls the callback set here at the moment it fires, so they may be set before or after a show.
  WindowCallback onWindowClicked;
  WindowCallback onWindowClosed;
  WindowCallback onDragHovered;
  // What a window without a picture shows (the application's icon); not cached.
  std::optional<QImage> fallbackIcon;

  // One card for `windowNumber`, titled with the application name, beside `itemRect` (screen
  // coordinates) for a bar at `position`.
  void show(int64_t windowNumber, const std::string& appName, const Rect& itemRect, TaskbarPosition position);
  // Cards for the first six of `windowNumbers`, titled with the windows' own titles.
  void showGrouped(const std::vector<int64_t>& windowNumbers, const std::string& appName,
                   const Rect& itemRect, TaskbarPosition position);
  // Fades the panel out, orders it out and empties it; nothing while it is not visible.
  void dismiss();
  // Orders the panel out at once and drops it.
  void closePanel();
  // The creator is done with the panel: it deletes itself (later) once no fade-out is running.
  void drop();

  bool isPanelVisible() const { return orderedIn_; }
  Rect frame() const { return frame_; }
  double alpha() const { return alpha_; }
  int64_t showGeneration() const { return showGeneration_; }
  int level() const { return kLevel; }
  uint32_t collectionBehavior() const { return collection_behavior::kTaskbar; }
  WindowSharingType sharingType() const { return sharingType_; }
  void setSharingType(WindowSharingType type) { sharingType_ = type; }
  // While ordered in with an OwnWindows port: the panel's number in the window server's list.
  std::optional<platform::WindowID> windowNumber() const { return listedNumber_; }
  std::vector<ThumbnailCard*> cards() const;
  // Whether the cards run along a horizontal bar (side by side) or a vertical one (stacked).
  bool hasHorizontalCards() const { return horizontal_; }

  // Where a panel of `size` goes beside `itemRect` for a bar at `position`: 4 points off the item's
  // edge facing the screen, centred on it.
  static Point calculateOrigin(Size size, const Rect& itemRect, TaskbarPosition position);
  // `origin` moved inside the visible frame of the screen holding the item's centre (else the main
  // screen): the right and top edges first, then the left and bottom ones.
  static Point clampToScreen(Point origin, Size size, const Rect& itemRect,
                             const std::vector<platform::ScreenInfo>& screens,
                             const std::optional<platform::ScreenInfo>& mainScreen);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  double captureScale() const;
  void present(const std::vector<std::pair<int64_t, std::optional<QImage>>>& captures,
               const std::vector<QString>& titles, bool horizontal, const Rect& itemRect,
               TaskbarPosition position);
  ThumbnailCard* makeCard(int64_t windowNumber, const std::optional<QImage>& picture, const QString& title);
  void animateShow();
  void orderFront();
  void orderOut();
  void clearContent();
  void setAlpha(double alpha);
  double mainScreenHeight() const;

  Environment env_;
  Animator animator_;
  AnimationHandle fade_;
  int64_t showGeneration_ = 0;
  Rect frame_;
  double alpha_ = 0;
  bool orderedIn_ = false;
  bool horizontal_ = true;
  bool dropped_ = false;
  WindowSharingType sharingType_ = WindowSharingType::none;
  std::optional<platform::WindowID> listedNumber_;
  std::vector<QPointer<ThumbnailCard>> cards_;
};

}  // namespace pelko
