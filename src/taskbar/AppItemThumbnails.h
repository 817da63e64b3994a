#pragma once

#include <QPointer>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

#include "foundation/Geometry.h"
#include "foundation/Scheduler.h"
#include "platform/EventMonitors.h"
#include "settings/SettingEnumerations.h"
#include "taskbar/AppItemEnvironment.h"

namespace pelko {

class AppItemView;
class ThumbnailPanel;

// The thumbnails of one item button. Hovered for the delay the settings give (at once for a single
// window shown in the last 3 s), the button shows the panel of its entry's windows; the panel stays
// while the pointer travels to it and goes once the pointer leaves both, on a scroll in our windows,
// and when the button ends it. A card's click, close control and resting drag act on its window.
// Owned by its button and never outlives it; main thread only.
class AppItemThumbnails : public std::enable_shared_from_this<AppItemThumbnails> {
 public:
  AppItemThumbnails(AppItemView& button, const AppItemEnvironment& environment);
  ~AppItemThumbnails();
  AppItemThumbnails(const AppItemThumbnails&) = delete;
  AppItemThumbnails& operator=(const AppItemThumbnails&) = delete;

  // The pointer entered or left the button.
  void pointerEntered();
  void pointerExited();
  // Shows the panel now, replacing a shown one.
  void show();
  // Ends the pending show, the monitors and the shown panel.
  void cancel();
  // Drops a pending show and nothing else.
  void dropPendingShow();
  // Whether the panel goes once the pointer has left it and the button: not while a drag rests on the
  // button, again once it moves on.
  void watchPointer();
  void stopWatchingPointer();
  // The panel shown, if any.
  ThumbnailPanel* activePanel() const;

  // The window numbers whose single-window panel is shown without delay (seen in the last 3 s), pruned.
  static void pruneCaptureTimestamps(std::unordered_map<int64_t, double>& timestamps, double now);

 private:
  friend struct AppItemViewTestAccess;

  void schedule();
  bool isScheduled() const { return showWorkItem_ != nullptr; }
  void checkPointer();
  void searchWindowsAndShow(ThumbnailPanel* panel, const std::string& appName, const Rect& itemRect,
                            TaskbarPosition position);
  // The button's bounds in screen coordinates.
  Rect buttonScreenRect() const;
  void cardClicked(int64_t windowNumber);
  void cardClosed(int64_t windowNumber);
  void cardDragHovered(int64_t windowNumber);
  // Hides the button's tooltip, shown before its panel came, which would cover the panel's first card.
  void hideButtonToolTip();
  // After a card action the tracker is asked for a full pass once the window had time to react.
  void refreshTrackerSoon();

  AppItemView& button_;
  const AppItemEnvironment env_;
  WorkItemPtr showWorkItem_;
  QPointer<ThumbnailPanel> activePanel_;
  std::optional<platform::MonitorToken> scrollMonitor_;
  std::optional<platform::MonitorToken> hoverLocalMonitor_;
  std::optional<platform::MonitorToken> hoverGlobalMonitor_;
  // Raised by every end, so a show or a window search started before it does nothing.
  int64_t generation_ = 0;
};

}  // namespace pelko
