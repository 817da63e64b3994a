#include "taskbar/TaskbarPanel.h"

#include <QGraphicsEffect>
#include <QPainter>
#include <QWindow>
#include <algorithm>
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

// Paints the content container (and everything in it) moved, scaled about its anchor and faded, the
// way a compositor would draw a transformed layer. Installed only while the layer is not at rest, so a
// bar at rest paints straight into its window.
class PanelLayerEffect final : public QGraphicsEffect {
 public:
  explicit PanelLayerEffect(QObject* parent) : QGraphicsEffect(parent) {}

  void setLayer(const PanelLayer& layer) {
    layer_ = layer;
    updateBoundingRect();
    update();
  }

 protected:
  QTransform transformFor(const QRectF& bounds) const {
    // Qt's y axis points down: the layer's y translation and anchor flip.
    const double anchorX = bounds.left() + bounds.width() * layer_.anchorX;
    const double anchorY = bounds.top() + bounds.height() * (1 - layer_.anchorY);
    QTransform transform;
    transform.translate(layer_.translationX, -layer_.translationY);
    transform.translate(anchorX, anchorY);
    transform.scale(layer_.scaleX, layer_.scaleY);
    transform.translate(-anchorX, -anchorY);
    return transform;
  }

  QRectF boundingRectFor(const QRectF& rect) const override { return transformFor(rect).mapRect(rect); }

  void draw(QPainter* painter) override {
    QPoint offset;
    const QPixmap pixmap = sourcePixmap(Qt::LogicalCoordinates, &offset, QGraphicsEffect::NoPad);
    if (pixmap.isNull()) return;
    const QRectF bounds = sourceBoundingRect(Qt::LogicalCoordinates);
    painter->save();
    painter->setOpacity(painter->opacity() * std::clamp(layer_.opacity, 0.0, 1.0));
    painter->setTransform(transformFor(bounds), true);
    painter->drawPixmap(offset, pixmap);
    painter->restore();
  }

 private:
  PanelLayer layer_;
};

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
  container_ = new QWidget(this);
  container_->setMouseTracking(true);
  setFrame(contentRect);
  // A window manager reads the type when the window is first mapped: before it is ever shown.
  onX11_ = markAsDockWindow(*this);
  keepOutOfTaskbars(*this);
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
  container_->setGeometry(QRect(QPoint(0, 0), size()));
  if (contentView_) contentView_->setGeometry(QRect(QPoint(0, 0), size()));
}

void TaskbarPanel::setContentView(QWidget* view) {
  if (contentView_ == view) return;
  if (contentView_) contentView_->deleteLater();
  contentView_ = view;
  if (view) {
    view->setParent(container_);
    view->show();
  }
}

void TaskbarPanel::setLayer(const PanelLayer& layer) {
  layer_ = layer;
  auto* effect = static_cast<PanelLayerEffect*>(container_->graphicsEffect());
  const bool atRest = layer.hasIdentityTransform() && layer.opacity >= 1;
  if (atRest) {
    if (effect) container_->setGraphicsEffect(nullptr);  // deletes it
    return;
  }
  if (!effect) {
    effect = new PanelLayerEffect(container_);
    container_->setGraphicsEffect(effect);
  }
  effect->setLayer(layer);
}

void TaskbarPanel::setAlphaValue(double alpha) {
  setWindowOpacity(std::isnan(alpha) ? 1 : std::clamp(alpha, 0.0, 1.0));
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
