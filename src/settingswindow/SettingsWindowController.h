#pragma once

#include <QMetaObject>
#include <QPalette>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <optional>
#include <utility>

#include "foundation/Scheduler.h"
#include "shell/SettingsWindowHandle.h"

class QKeyEvent;

namespace pelko {

namespace platform {
class AppShell;
class Screens;
class UserDefaults;
class Workspace;
}  // namespace platform

class SettingsViewController;
class SettingsWindowController;

// The settings window itself: keeps its frame in the user defaults, closes (hides) on Escape, and
// offers every key press to the settings shortcuts first.
class SettingsWindow : public QWidget {
  Q_OBJECT
 public:
  static constexpr const char* kTitle = "Pelko Settings";
  // Window levels, as the window server numbers them.
  static constexpr int kNormalLevel = 0;
  static constexpr int kFloatingLevel = 3;

  explicit SettingsWindow(SettingsWindowController& controller);

  int level() const { return level_; }
  // Above the level of normal windows the window stays on top of them (on X11 the window manager's
  // above state).
  void setLevel(int level);
  // Answers whether the settings shortcuts took the key press.
  bool handleSettingsShortcut(QKeyEvent* event);

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  bool contains(QObject* object) const;

  SettingsWindowController& controller_;
  // Hands the pointer to the window system, which moves the window as with a drag of its title bar;
  // true when the move started. Tests count the starts instead.
  std::function<bool()> startSystemMove_;
  int level_ = kNormalLevel;
  // The key of a press the shortcuts took on its shortcut-override event: Qt delivers the press itself
  // next, and that one must not act a second time.
  std::optional<std::pair<int, Qt::KeyboardModifiers>> takenKeyPress_;
  // The tooltip palette of the rest of the program, given back when a tooltip shows outside this window.
  QPalette otherToolTipPalette_;
  friend struct SettingsWindowTestAccess;
};

// Owns the settings window: makes it with its size limits and remembered frame, brings it forward,
// lets this program's entry in the bar toggle it, keeps the colour panel beside it while a colour is
// edited, and routes the window's shortcuts to the settings content.
class SettingsWindowController : public QObject, public SettingsWindowHandle {
  Q_OBJECT
 public:
  struct Dependencies {
    Scheduler& scheduler;
    platform::UserDefaults& userDefaults;
    platform::Workspace& workspace;
    platform::AppShell& appShell;
    // Visible frames for the remembered frame and the colour panel; without them Qt's screens are used.
    platform::Screens* screens = nullptr;
    // The frames of the program's bars on screen, in screen coordinates: the window opens clear of
    // them. None: there are no bars.
    std::function<std::vector<Rect>()> barFrames = {};
  };

  // Takes the content; the window is made at once.
  SettingsWindowController(Dependencies dependencies, SettingsViewController* content);
  ~SettingsWindowController() override;

  // SettingsWindowHandle
  void showSettings() override;
  void toggleFromTaskbar() override;
  std::vector<AppTracker::OwnWindow> ownWindows() const override;

  SettingsWindow* window() const { return window_; }
  SettingsViewController* content() const { return content_; }
  std::optional<int32_t> lastNonPelkoFrontmostPID() const { return lastNonPelkoFrontmostPID_; }
  bool isObservingColorPanel() const { return static_cast<bool>(colorPanelObserver_); }

  // For the window.
  void presentSettingsWindow();
  // The window counts as in front (key) while it is active and has not been sent back since: on X11 a
  // window sent back stays active, as nothing of this program takes the focus from it.
  bool isKeyWindow() const;
  // The user brought the window forward or worked in it.
  void windowDidBecomeKey();
  void windowWillClose();
  void windowDidResignKey();
  void windowDidChangeScreen();
  // The window moved or was resized (by the user, the window system or the program).
  void windowFrameChanged();
  void saveFrame();
  void placeColorPanel(QWidget* panel);

 private:
  void startColorPanelObserver();
  void stopColorPanelObserver();
  // Puts the window where the remembered frame (or, without one, the middle of the main screen) and the
  // room on the screens allow.
  void placeWindow();
  // The room for the window on each screen: its visible frame clear of the bars, less the decoration.
  std::vector<Rect> placementAreas() const;
  // The window's minimum size on the screen of `frame` among `areas` (the placement areas): lowered
  // where that screen has less room.
  void updateMinimumSize(const Rect& frame, const std::vector<Rect>& areas);
  // How much wider and taller the window system's frame is than the content; nothing until the window
  // system has put its frame around the window.
  Size decorationSize() const;
  // The visible frames in screen coordinates, the main screen first, and the main screen's height.
  std::vector<Rect> visibleFrames() const;
  double mainScreenHeight() const;

  Dependencies deps_;
  QPointer<SettingsWindow> window_;
  QPointer<SettingsViewController> content_;
  QMetaObject::Connection colorPanelObserver_;
  std::optional<int32_t> lastNonPelkoFrontmostPID_;
  // The remembered frame the window opened with.
  std::optional<Rect> savedFrame_;
  // The window system puts its frame (a title bar) around the window only once it shows: the window is
  // placed again, once, when that frame is known.
  bool awaitingDecoration_ = true;
  // Where the window was put last (its outer frame's corner, its content's size): what moved it since,
  // the user or the program, is left alone.
  QRect placed_;
  bool restoringFrame_ = true;
  bool sentBack_ = false;
  friend class SettingsWindow;
};

}  // namespace pelko
