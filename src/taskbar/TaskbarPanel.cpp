#include "taskbar/TaskbarPanel.h"

#include <QWindow>
#include <cmath>
#include <sstream>

#include "foundation/DebugLog.h"
#include "ui/ScreenCoordinates.h"
#include "ui/X11WindowType.h"

namespace pelko {

namespace {

// max() that answers its first argument on a tie, as the placement rule is written.
double maxPreferringFirst(double a, double b) {
  return a >= b ? a : b;
}

// How long a window manager gets to map the bar before it is shown again, and how often.
constexpr double kOnScreenCheckDelay = 0.5;
constexpr int kOnScreenCheckAttempts = 10;

std::string describeNumber(double value) {
  std::ostringstream out;
  out.precision(15);
  out << value;
  std::string text = out.str();
  if (std::isfinite(value) && text.find_first_of(".e") == std::string::npos) text += ".0";
  return text;
}

}  // namespace

std::string describeRect(const Rect& rect) {
  return "(" + describeNumber(rect.origin.x) + ", " + describeNumber(rect.origin.y) + ", " +
         describeNumber(rect.size.width) + ", " + describeNumber(rect.size.height) + ")";
}

int TaskbarPanel::taskbarLevel() {
  static const int level = platform::window_layer::kMainMenu + 1;
  return level;
}

Rect TaskbarPanel::frameForPosition(TaskbarPosition position, double thickness,
                                    const platform::ScreenInfo& screen, double marginH, double marginV) {
  const double t = thickness, mH = marginH, mV = marginV;
  const Rect& f = screen.frame;
  const Rect& v = screen.visibleFrame;
  switch (position) {
    case TaskbarPosition::bottom:
      return Rect(f.minX() + mH, f.minY() + mV, maxPreferringFirst(t, f.width() - 2 * mH), t);
    case TaskbarPosition::top:
      return Rect(v.minX() + mH, v.maxY() - t - mV, maxPreferringFirst(t, v.width() - 2 * mH), t);
    case TaskbarPosition::left:
      return Rect(v.minX() + mH, v.minY() + mV, t, maxPreferringFirst(t, v.height() - 2 * mV));
    case TaskbarPosition::right:
      return Rect(v.maxX() - t - mH, v.minY() + mV, t, maxPreferringFirst(t, v.height() - 2 * mV));
  }
  return Rect();
}

TaskbarPanel::TaskbarPanel(const Rect& contentRect, platform::Screens& screens,
                           platform::OwnWindows* ownWindows, Scheduler* scheduler)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus |
                           Qt::WindowStaysOnTopHint | Qt::NoDropShadowWindowHint),
      screens_(screens),
      ownWindows_(ownWindows),
      scheduler_(scheduler),
      level_(taskbarLevel()) {
  setAttribute(Qt::WA_ShowWithoutActivating);
  setAttribute(Qt::WA_TranslucentBackground);  // not opaque; the root view paints the bar
  setAttribute(Qt::WA_MacAlwaysShowToolWindow);
  // The bar is never the active window, and its buttons' tooltips show on hover all the same.
  setAttribute(Qt::WA_AlwaysShowToolTips);
  setFocusPolicy(Qt::NoFocus);
  setMouseTracking(true);
  setFrame(contentRect);
  // A window manager reads the type when the window is first mapped: before it is ever shown.
  onX11_ = markAsDockWindow(*this);
}

TaskbarPanel::~TaskbarPanel() {
  if (onScreenCheck_) onScreenCheck_->cancel();
  if (ownWindows_ && windowNumber_) ownWindows_->orderOut(*windowNumber_);
}

void TaskbarPanel::checkOnScreenLater(int attemptsLeft) {
  if (onScreenCheck_) onScreenCheck_->cancel();
  onScreenCheck_.reset();
  // Only an X11 window manager takes over mapping; elsewhere a shown window is on screen.
  if (!scheduler_ || !onX11_ || attemptsLeft <= 0) return;
  QPointer<TaskbarPanel> weak(this);
  onScreenCheck_ = scheduler_->mainAfter(kOnScreenCheckDelay, [weak, attemptsLeft] {
    if (!weak || !weak->orderedIn_) return;
    QWindow* window = weak->windowHandle();
    if (!window || window->isExposed()) return;
    debugLog("TaskbarPanel: window not on screen after ordering in, showing it again");
    weak->hide();
    weak->show();
    weak->raise();
    weak->checkOnScreenLater(attemptsLeft - 1);
  });
}

double TaskbarPanel::mainScreenHeight() const {
  auto all = screens_.screens();
  return all.empty() ? 0 : all.front().frame.height();
}

void TaskbarPanel::setFrame(const Rect& frame) {
  frame_ = frame.standardized();
  applyFrameToWindow();
}

void TaskbarPanel::applyFrameToWindow() {
  double mainHeight = mainScreenHeight();
  setGeometry(toQtGlobal(frame_, mainHeight));
  // Screen and window-server coordinates flip against the same main-screen height.
  if (ownWindows_ && windowNumber_) ownWindows_->setBounds(*windowNumber_, flipRect(frame_, mainHeight));
}

void TaskbarPanel::updatePosition(TaskbarPosition position, double thickness,
                                  const platform::ScreenInfo& screen, double marginH, double marginV) {
  Rect frame = frameForPosition(position, thickness, screen, marginH, marginV);
  // Written so that a NaN size is refused as well.
  if (!(frame.size.width > 0) || !(frame.size.height > 0)) {
    debugLog("TaskbarPanel: refusing to set zero/negative frame: " + describeRect(frame));
    return;
  }
  setFrame(frame);
}

void TaskbarPanel::syncContentViewFrame() {
  if (frame_.size == lastSyncedSize_) return;
  lastSyncedSize_ = frame_.size;
  if (contentView_) contentView_->setGeometry(QRect(QPoint(0, 0), size()));
}

void TaskbarPanel::setContentView(QWidget* view) {
  if (contentView_ == view) return;
  if (contentView_) contentView_->deleteLater();
  contentView_ = view;
  if (view) {
    view->setParent(this);
    view->show();
  }
}

void TaskbarPanel::orderFront() {
  if (!orderedIn_) {
    orderedIn_ = true;
    if (ownWindows_) windowNumber_ = ownWindows_->orderIn({"", flipRect(frame_, mainScreenHeight()), level_});
  }
  show();
  raise();
  checkOnScreenLater(kOnScreenCheckAttempts);
}

void TaskbarPanel::orderOut() {
  if (orderedIn_ && ownWindows_ && windowNumber_) ownWindows_->orderOut(*windowNumber_);
  windowNumber_.reset();
  orderedIn_ = false;
  if (onScreenCheck_) onScreenCheck_->cancel();
  onScreenCheck_.reset();
  hide();
}

}  // namespace pelko
