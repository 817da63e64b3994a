#pragma once

#include <QFont>
#include <QPixmap>
#include <QRgba64>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/Cancellable.h"
#include "foundation/Color.h"
#include "foundation/Scheduler.h"
#include "settings/SettingEnumerations.h"
#include "taskbar/AppItemEnvironment.h"
#include "taskbar/AppItemLayout.h"
#include "ui/Animator.h"

class QDrag;
class QLabel;
class QMenu;
class QPainter;

namespace pelko {

class AppItemDragHover;
class AppItemForceQuit;
class AppItemReorderDrag;
class AppItemThumbnails;
class AppTracker;
class BadgeView;
class ForceQuitPopover;
class SettingsManager;
class ThumbnailPanel;
class TrackedApp;
class WindowManager;

// The button of one taskbar entry: the entry's icon, in text mode its title, and the active indicator.
// It lays itself out in one of three modes, tints on hover and shows the active look when pressed and
// clicked; clicks and scrolls it reports to its owner, which decides what they do.
//
// Layout and the routing of the toolkit's events are in AppItemView.cpp, the painting in
// AppItemViewPainting.cpp, the window counts in AppItemViewCounts.cpp, the context menu in
// AppItemViewContextMenu.cpp. What has state of its own is a
// collaborator the button owns: AppItemThumbnails (the panel of the entry's windows), AppItemReorderDrag (the
// button as the source of a reorder drag), AppItemDragHover (files dragged over it) and AppItemForceQuit (the
// confirmation before force-quitting). Cycling through windows with the scroll wheel is the bar's
// (TaskbarViewController with one AppItemScrollCycling per button).
class AppItemView : public QWidget {
  Q_OBJECT

 public:
  static constexpr double kHoverInDuration = 0.05;
  static constexpr double kHoverOutDuration = 0.06;
  static constexpr double kDeactivationDelay = 0.08;
  // Releases closer together than this on the media clock count as one click.
  static constexpr double kClickDebounce = 0.05;
  static constexpr double kCornerRadius = 3;

  explicit AppItemView(const AppItemEnvironment& environment, QWidget* parent = nullptr);
  ~AppItemView() override;
  AppItemView(const AppItemView&) = delete;
  AppItemView& operator=(const AppItemView&) = delete;

  // Collaborators, set by the bar's view controller after creation. Held weakly: a button never keeps
  // them alive and does the reduced work its operations describe once one is gone.
  std::weak_ptr<SettingsManager> settingsManager;
  std::weak_ptr<AppTracker> appTracker;
  std::weak_ptr<WindowManager> windowManager;

  // Callbacks of the owner; setting one replaces the earlier one.
  std::function<void()> onClick;
  // The wheel scrolled over the button by a delta in points (positive: up); answers whether the owner
  // took it. Unset, or answering false, the scroll travels on to the bar.
  std::function<bool(double deltaY)> onScroll;
  std::function<void()> onSettingsRequested;
  std::function<void()> onThumbnailWillShow;

  // ---- Reorder drag source (AppItemReorderDrag) and drag hover (AppItemDragHover) ----
  // The drag data type of a reorder drag; its content is the entry's bundle identifier.
  static constexpr const char* kReorderPasteboardType = "com.pelko.reorder";
  // When this button's reorder drag has ended, however it ended.
  std::function<void(AppItemView*)> onReorderDragEnded;
  // Runs a started drag until it ends (the toolkit's drag loop unless replaced, as tests do).
  std::function<Qt::DropAction(QDrag&)> runReorderDrag;
  // The pointer moved while pressed, in the button's coordinates. Answers false when the move is not
  // this button's (no Command press or no entry), for the toolkit's default handling.
  bool mouseDragged(const QPointF& position);
  // A button removed while its drag runs is hidden and taken off its parent, and deletes itself once the
  // drag is over; answers whether it did so (false: not dragging, the caller may delete it).
  bool detachIfDragging();
  // Files, links, text or images dragged over the button.
  void dragHoverEntered();
  void dragHoverExited();
  void dragHoverEnded();

  // ---- Context menu and force quit (AppItemForceQuit) ----
  // A new menu for the entry (deleted when it closes); null without an entry or window manager.
  QMenu* makeContextMenu();
  void rightMouseDown(const QPoint& globalPosition);
  void menuActivate();
  void menuToggleMinimize();
  void menuToggleHide();
  void menuNewWindow();
  void menuCloseWindow();
  void menuQuit();
  void menuForceQuit();
  void menuShowInFinder();
  void menuBlacklist();
  void menuOpenSettings();
  void confirmForceQuitPopover();
  void cancelForceQuitPopover();
  ForceQuitPopover* forceQuitPopover() const;

  const std::shared_ptr<TrackedApp>& trackedApp() const { return trackedApp_; }

  // Binds the button to `app` (or re-binds the same entry with another title choice) and follows its
  // active flag and title from then on.
  void configure(const std::shared_ptr<TrackedApp>& app, bool showWindowTitle);

  // The three layout modes. Calling one again with unchanged inputs changes nothing.
  void configureIconsOnly(double barThickness, bool useEqualWidth, double iconSizePercent = 100);
  void configureIconsTextRight(double barThickness, bool useEqualWidth, double iconSizePercent = 100);
  // The position does not change the layout; the indicator's edge comes from its own setting.
  void configureVertical(double barThickness, TaskbarPosition position, double iconSizePercent = 100);

  // Shows or clears the active look at once (the bar clears the other buttons when one is clicked).
  void setActiveImmediate(bool active);
  // Re-reads the indicator colour and whether it is shown.
  void updateActiveIndicatorAppearance();
  // Recomputes label and overlay colours from the bar's background colour.
  void updateTextColor();
  // Re-applies the dimming of a minimized or hidden entry after its settings changed.
  void refreshDimming();
  // Shows or hides the window count of a grouped application in the style the settings name; counts
  // below 2 and window entries show none.
  void updateWindowCount(int64_t count);

  // Black on light backgrounds, white on dark ones (and when there is no colour).
  static Color contrastingTextColor(const std::optional<Color>& background);

  // A scroll delta in points from a wheel event: the pixel delta when the device reports one, else
  // the angle delta in degrees (15 per wheel notch). Positive when scrolling up.
  static double scrollingDeltaY(double pixelDeltaY, double angleDeltaEighthsY);

  // The background the button has (clear is alpha 0); a running animation is heading for it.
  Color backgroundColor() const { return background_; }
  // The pixmap the icon is drawn from.
  const QPixmap& iconPixmap() const { return iconPixmap_; }

  // ---- Thumbnails (AppItemThumbnails) ----
  // Ends everything of this button's thumbnail: the pending show, the monitors, the shown panel and
  // what a drag resting on the button would do.
  void cancelThumbnail();
  // Shows this button's thumbnail panel now (a drag resting on the button asks for it).
  void showThumbnailsForDragHover();
  // The panel shown for this button, if any.
  ThumbnailPanel* activeThumbnailPanel() const;

  // The natural size, and the size the button keeps while the bar has room for every button at it. A
  // bar short of room squeezes the buttons below it (the title gives way before the icon), so the
  // button sets no minimum size of its own.
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dragLeaveEvent(QDragLeaveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 public:
  // The pointer and wheel reactions, callable without a window system (the Qt events forward here).
  // Each returns nothing; `scrollWheel` answers whether it handled the scroll (false hands it on).
  void mouseEntered();
  void mouseExited();
  void mouseDown(bool commandKey);
  void mouseUp(bool insideBounds);
  bool scrollWheel(double deltaY);
  // What a release inside the button does, and what a screen reader's press does: the active look, then
  // the owner's click (one per debounce interval), and the thumbnail ends.
  void click();

 private:
  std::shared_ptr<SettingsManager> settings() const { return settingsManager.lock(); }

  // Stores the inputs of a layout and answers whether they differ from the last one's.
  bool recordLayout(LayoutMode mode, double barThickness, double iconSizePercent, bool equalWidth,
                    double maxWidth, double textSize, const std::string& indicatorPosition);
  void applyGeometry();
  void applySizing();
  // Fetches or draws the icon when its source or size changed since the last time.
  void refreshIcon();

  void updateLabel(bool showWindowTitle, int64_t inlineCount,
                   std::optional<std::optional<std::string>> titleOverride);
  void updateLabelWithoutCount();
  void updateAccessibility(const std::optional<std::string>& title);
  double dimAlpha(bool minimized, bool hidden) const;
  void applyDimming(double alpha);
  void applyLabelColor();

  // The system font at `size` points of the bar's geometry.
  QFont systemFontOfSize(double size) const;

  // Window counts (AppItemViewCounts.cpp). Dots: one per window up to five, 4 points wide, 3 apart.
  static constexpr int kMaxDots = 5;
  static constexpr double kDotSide = 4;
  static constexpr double kDotSpacing = 3;
  enum class CountPlacement { none, superscript, textTrailing, badgeOnIcon, badgeTrailing, dots, stacked };
  void hideAllCountElements();
  void setupDots(int64_t count);
  void setupSuperscriptCount(int64_t count);
  void setupTrailingCount(int64_t count);
  // The count label beside the title (or over the icon), in the given font.
  void showCountLabel(const QFont& font, int64_t count, CountPlacement placement);
  void updateBadge(int64_t count);
  void updateDotsColor(bool active);
  void placeCountDecoration(const QRect& icon);
  // The room a trailing count takes at the end of a text-mode button (with its gap to the title).
  double trailingCountRoom() const;
  Color secondaryLabelColor() const;
  void handleActiveChange(bool active);
  // Every change of the active look goes through here, which keeps the accessible state in step.
  void setCurrentlyActive(bool active);
  void setBackground(bool active);
  void animateBackgroundColor(const Color& target, double duration);
  void removeBackgroundAnimation();
  void setIndicatorAlpha(double alpha);
  bool showsActiveIndicatorSetting() const;
  Color accentColor() const;

  // The bundle, else the executable, of the entry's running application.
  std::optional<std::string> applicationLocation() const;

  friend struct AppItemViewTestAccess;

  // Everything the picture of the button's contents (all but the background) is drawn from.
  struct ContentKey {
    QSize size;
    qreal pixelRatio = 1;
    bool hasLayout = false;
    LayoutMode mode = LayoutMode::iconsOnly;
    std::string indicatorPosition;
    double iconSide = 0;
    qint64 icon = 0;
    int shadows = 0;
    double dimmedAlpha = 1;
    int dots = 0;
    Color dotColor;
    double indicatorAlpha = 0;
    Color indicatorColor;
    QString title;
    QRect titleFrame;
    QFont titleFont;
    QRgba64 titleColor{};
    QRect badgeFrame;
    int64_t badgeCount = 0;
    Color badgeColor;
    Color badgeTextColor;
    double badgeOpacity = 1;
    bool operator==(const ContentKey&) const = default;
  };
  ContentKey contentKey() const;
  // The title's label: it draws nothing itself, the button draws it into the picture of its contents.
  QLabel* makeTitleLabel();
  QPixmap paintContent();
  // The rounded background filled with `color` made opaque; painted with the colour's alpha as opacity.
  const QPixmap& backgroundShape(const Color& color);
  void paintIconAndMarks(QPainter& painter);

  // The background as drawn at this moment, mid-animation included.
  Color presentedBackgroundColor() const { return presentedBackground_.value_or(background_); }
  QRect iconFrame() const;
  // The side in device pixels of the icon image drawn in `icon`.
  int iconPixels(const QRect& icon) const;
  QRect indicatorFrame() const;
  QRect dotsFrame() const;
  Color dotColor() const;
  // The initial the icon shows when the entry has no readable icon file.
  QString iconInitial() const;

  AppItemEnvironment env_;
  std::shared_ptr<Animator> animator_;
  // The collaborators with state of their own; each acts on this button, which outlives them.
  const std::shared_ptr<AppItemThumbnails> thumbnails_;
  const std::shared_ptr<AppItemDragHover> dragHover_;
  const std::unique_ptr<AppItemReorderDrag> reorderDrag_;
  const std::unique_ptr<AppItemForceQuit> forceQuit_;

  QLabel* labelView_ = nullptr;
  BadgeView* countBadge_ = nullptr;
  QLabel* trailingCountLabel_ = nullptr;
  QWidget* activeIndicator_ = nullptr;
  QPixmap iconPixmap_;
  // The picture of the contents and what it was drawn from; drawn again when that changes.
  QPixmap content_;
  std::optional<ContentKey> contentKey_;
  int contentRebuildCount_ = 0;
  // The background's shape and what it was drawn for; a fade between two hues draws it again.
  struct ShapeKey {
    QSize size;
    qreal pixelRatio = 1;
    QRgb rgb = 0;
    bool operator==(const ShapeKey&) const = default;
  };
  QPixmap backgroundShape_;
  std::optional<ShapeKey> backgroundShapeKey_;
  int backgroundShapeBuildCount_ = 0;
  // What iconPixmap_ was made from: the file (or, without one, the tile's colour and initial) and the
  // size in device pixels.
  struct IconKey {
    std::string file;
    Color tileColor;
    QString initial;
    int pixels = 0;
    bool operator==(const IconKey&) const = default;
  };
  std::optional<IconKey> iconKey_;

  std::shared_ptr<TrackedApp> trackedApp_;
  std::vector<Cancellable> cancellables_;
  WorkItemPtr deactivateWorkItem_;
  bool showWindowTitle_ = false;
  bool coloursFromSettings_ = false;

  LayoutMode currentLayoutMode_ = LayoutMode::iconsOnly;
  double lastConfigThickness_ = 0;
  double lastConfigIconPct_ = 0;
  bool lastConfigEqualWidth_ = false;
  double lastConfigMaxWidth_ = 0;
  double lastConfigItemTextSize_ = 0;
  std::string lastIndicatorPosition_ = "bottom";
  bool hasLayout_ = false;
  int layoutRebuildCount_ = 0;
  double iconSide_ = 0;
  item_layout::ItemSizing sizing_;

  int64_t windowCount_ = 0;
  int64_t inlineCount_ = 0;
  bool lastCountVisible_ = false;
  std::optional<WindowCountStyle> lastCountStyle_;
  CountPlacement countPlacement_ = CountPlacement::none;
  int dotCount_ = 0;
  bool dotsActive_ = false;
  int shadowCount_ = 0;
  bool indicatorHidden_ = false;
  double lastDimmedAlpha_ = 1.0;

  bool isCurrentlyActive_ = false;
  double indicatorAlpha_ = 0;
  Color indicatorColor_;
  Color background_{0, 0, 0, 0};
  std::optional<Color> presentedBackground_;  // set while an animation runs
  AnimationHandle backgroundAnimation_;
  Color cachedOverlayColor_ = Color::white();
  Color cachedHoverColor_ = Color::white().withAlpha(0.08);
  Color cachedActiveColor_ = Color::white().withAlpha(0.15);

  QPointF lastPressPosition_;
  double lastClickTime_ = 0;
};

}  // namespace pelko
