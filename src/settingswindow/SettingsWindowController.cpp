#include "settingswindow/SettingsWindowController.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QToolTip>
#include <QVBoxLayout>
#include <QWindow>
#include <cmath>

#include "platform/AppShell.h"
#include "platform/RunningApplication.h"
#include "platform/Screens.h"
#include "platform/UserDefaults.h"
#include "platform/Workspace.h"
#include "settingswindow/ColorPanelPlacement.h"
#include "settingswindow/SettingsShortcuts.h"
#include "settingswindow/SettingsViewController.h"
#include "settingswindow/SettingsWindowFrame.h"
#include "shell/ShellWindowStyle.h"
#include "ui/ColorPanel.h"
#include "ui/ScreenCoordinates.h"
#include "ui/SemanticColors.h"
#include "ui/ShortcutModifiers.h"
#include "ui/X11ActiveWindow.h"

namespace pelko {

namespace {

// The typed characters ignoring modifiers: with Control held Qt reports a control code as the text, so
// the key itself names the character.
std::string charactersOf(const QKeyEvent& event) {
  const int key = event.key();
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return std::string(1, static_cast<char>('a' + (key - Qt::Key_A)));
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return std::string(1, static_cast<char>('0' + (key - Qt::Key_0)));
  const QString text = event.text();
  if (text.size() == 1 && text[0].isPrint()) return text.toLower().toStdString();
  return {};
}

}  // namespace

// ---- SettingsWindow ----

SettingsWindow::SettingsWindow(SettingsWindowController& controller)
    : QWidget(nullptr),
      controller_(controller),
      startSystemMove_([this] { return windowHandle() && windowHandle()->startSystemMove(); }),
      otherToolTipPalette_(QToolTip::palette()) {
  setWindowTitle(kTitle);
  setPalette(semanticPalette());
  setMinimumSize(static_cast<int>(SettingsWindowFrame::kMinimumSize.width),
                 static_cast<int>(SettingsWindowFrame::kMinimumSize.height));
  setMaximumSize(static_cast<int>(SettingsWindowFrame::kMaximumSize.width),
                 static_cast<int>(SettingsWindowFrame::kMaximumSize.height));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  // Key presses reach the focused control before this window, and tooltips are windows of their own:
  // both are looked at on their way in.
  qApp->installEventFilter(this);
}

void SettingsWindow::setLevel(int level) {
  level_ = level;
  const bool floats = level > kNormalLevel;
  if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) == floats) return;
  // Told to the window system as it is: changing a shown window's flags the usual way would hide it.
  const Qt::WindowFlags flags = windowFlags().setFlag(Qt::WindowStaysOnTopHint, floats);
  overrideWindowFlags(flags);
  if (QWindow* handle = windowHandle()) handle->setFlags(flags);
}

bool SettingsWindow::handleSettingsShortcut(QKeyEvent* event) {
  SettingsViewController* content = controller_.content();
  const SettingsShortcut shortcut =
      settingsShortcut(shortcutModifierFlags(event->modifiers()), charactersOf(*event),
                       content ? content->pageCount() : 0, content != nullptr);
  switch (shortcut.action) {
    case SettingsShortcut::Action::none:
      return false;
    case SettingsShortcut::Action::closeWindow:
      close();
      return true;
    case SettingsShortcut::Action::focusSearch:
      content->focusSearchField();
      return true;
    case SettingsShortcut::Action::selectPage:
      content->selectTab(shortcut.pageIndex);
      return true;
    case SettingsShortcut::Action::copyDiagnostics:
      if (content) content->copyDiagnostics();
      return true;
  }
  return false;
}

bool SettingsWindow::contains(QObject* object) const {
  auto* widget = qobject_cast<QWidget*>(object);
  return widget && widget->window() == this;
}

bool SettingsWindow::event(QEvent* event) {
  // The key-equivalent path: a shortcut wins over whatever control has the focus.
  if (event->type() == QEvent::ShortcutOverride) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (handleSettingsShortcut(key)) {
      takenKeyPress_ = std::pair(key->key(), key->modifiers());
      key->accept();
      return true;
    }
  }
  if (event->type() == QEvent::WindowActivate) controller_.windowDidBecomeKey();
  if (event->type() == QEvent::WindowDeactivate) controller_.windowDidResignKey();
  return QWidget::event(event);
}

bool SettingsWindow::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
      if (takenKeyPress_) {
        // The press of a pair whose override acted; wherever it goes now (a closing shortcut moves the
        // focus away), it has had its action.
        auto* key = static_cast<QKeyEvent*>(event);
        const bool pairsWithOverride =
            takenKeyPress_->first == key->key() && takenKeyPress_->second == key->modifiers();
        takenKeyPress_.reset();
        if (pairsWithOverride) return true;
      }
      break;
    case QEvent::MouseButtonPress:
      if (contains(watched)) controller_.windowDidBecomeKey();
      break;
    case QEvent::ToolTip:
      QToolTip::setPalette(contains(watched) ? palette() : otherToolTipPalette_);
      break;
    default:
      break;
  }
  return QWidget::eventFilter(watched, event);
}

void SettingsWindow::keyPressEvent(QKeyEvent* event) {
  if (handleSettingsShortcut(event)) return;
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

void SettingsWindow::mousePressEvent(QMouseEvent* event) {
  // A press that no control took landed on the background (the window's, a surface's, a label's), which
  // moves the window.
  if (event->button() == Qt::LeftButton && startSystemMove_()) {
    event->accept();
    return;
  }
  QWidget::mousePressEvent(event);
}

void SettingsWindow::closeEvent(QCloseEvent* event) {
  controller_.windowWillClose();
  QWidget::closeEvent(event);  // hides; the window is kept for the next showing
}

void SettingsWindow::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  controller_.windowFrameChanged();
}

void SettingsWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  controller_.windowFrameChanged();
}

void SettingsWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (QWindow* handle = windowHandle()) {
    connect(handle, &QWindow::screenChanged, &controller_, &SettingsWindowController::windowDidChangeScreen,
            Qt::UniqueConnection);
  }
  if (auto* content = controller_.content()) content->viewDidAppear();
}

// ---- SettingsWindowController ----

SettingsWindowController::SettingsWindowController(Dependencies dependencies, SettingsViewController* content)
    : deps_(dependencies), content_(content) {
  window_ = new SettingsWindow(*this);
  window_->setWindowIcon(ownApplicationWindowIcon(deps_.appShell));
  if (content) {
    window_->layout()->addWidget(content);
    content->loadViewIfNeeded();
  }

  if (auto text = deps_.userDefaults.stringForKey(SettingsWindowFrame::kAutosaveName))
    savedFrame_ = SettingsWindowFrame::parse(*text);
  placeWindow();
}

SettingsWindowController::~SettingsWindowController() {
  stopColorPanelObserver();
  delete window_.data();
}

void SettingsWindowController::placeWindow() {
  restoringFrame_ = true;
  const std::vector<Rect> areas = placementAreas();
  const Rect frame = SettingsWindowFrame::restored(savedFrame_, areas);
  updateMinimumSize(frame, areas);
  // Placed by its outer frame, so that the window manager's title bar, not the content, goes where the
  // top edge was kept.
  placed_ = toQtGlobal(frame, mainScreenHeight());
  window_->resize(placed_.size());
  window_->move(placed_.topLeft());
  restoringFrame_ = false;
}

void SettingsWindowController::updateMinimumSize(const Rect& frame, const std::vector<Rect>& areas) {
  Size minimum = SettingsWindowFrame::kMinimumSize;
  if (auto own = SettingsWindowFrame::screenHolding(frame, areas))
    minimum = SettingsWindowFrame::minimumSizeIn(areas[*own]);
  window_->setMinimumSize(static_cast<int>(std::floor(minimum.width)),
                          static_cast<int>(std::floor(minimum.height)));
  if (content_) content_->fitIntoHeight(window_->minimumHeight());
}

std::vector<Rect> SettingsWindowController::placementAreas() const {
  const std::vector<Rect> bars = deps_.barFrames ? deps_.barFrames() : std::vector<Rect>{};
  const Size decoration = decorationSize();
  std::vector<Rect> areas;
  for (const Rect& visible : visibleFrames())
    areas.push_back(
        SettingsWindowFrame::roomForContent(SettingsWindowFrame::clearOfBars(visible, bars), decoration));
  return areas;
}

Size SettingsWindowController::decorationSize() const {
  if (!window_) return {0, 0};
  const QSize outer = window_->frameGeometry().size(), inner = window_->geometry().size();
  return {static_cast<double>(std::max(0, outer.width() - inner.width())),
          static_cast<double>(std::max(0, outer.height() - inner.height()))};
}

void SettingsWindowController::windowFrameChanged() {
  if (awaitingDecoration_ && !restoringFrame_ && decorationSize() != Size{0, 0}) {
    awaitingDecoration_ = false;
    if (QRect(window_->frameGeometry().topLeft(), window_->geometry().size()) == placed_) placeWindow();
  }
  saveFrame();
}

std::vector<Rect> SettingsWindowController::visibleFrames() const {
  std::vector<Rect> frames;
  if (deps_.screens) {
    for (const auto& screen : deps_.screens->screens()) frames.push_back(screen.visibleFrame);
    return frames;
  }
  const double height = mainScreenHeight();
  for (QScreen* screen : QGuiApplication::screens()) {
    Rect visible = fromQtGlobal(screen->availableGeometry(), height);
    if (screen == QGuiApplication::primaryScreen()) {
      frames.insert(frames.begin(), visible);
    } else {
      frames.push_back(visible);
    }
  }
  return frames;
}

double SettingsWindowController::mainScreenHeight() const {
  if (deps_.screens) {
    const auto screens = deps_.screens->screens();
    return screens.empty() ? 0 : screens.front().frame.height();
  }
  QScreen* primary = QGuiApplication::primaryScreen();
  return primary ? primary->geometry().height() : 0;
}

void SettingsWindowController::saveFrame() {
  if (restoringFrame_ || !window_) return;
  const Rect frame =
      fromQtGlobal(QRect(window_->frameGeometry().topLeft(), window_->geometry().size()), mainScreenHeight());
  deps_.userDefaults.setObject(SettingsWindowFrame::kAutosaveName, SettingsWindowFrame::format(frame));
}

void SettingsWindowController::showSettings() {
  if (!window_) return;
  window_->setLevel(SettingsWindow::kFloatingLevel);
  if (!colorPanelObserver_) startColorPanelObserver();
  if (auto front = deps_.workspace.frontmostApplication();
      front && front->processIdentifier() != deps_.appShell.processIdentifier())
    lastNonPelkoFrontmostPID_ = front->processIdentifier();
  QPointer<SettingsWindowController> weakSelf(this);
  deps_.scheduler.mainAsync([weakSelf] {
    if (weakSelf) weakSelf->presentSettingsWindow();
  });
}

void SettingsWindowController::presentSettingsWindow() {
  if (!window_) return;
  sentBack_ = false;
  deps_.appShell.activateOwnProcess();
  if (window_->isMinimized()) window_->setWindowState(window_->windowState() & ~Qt::WindowMinimized);
  window_->show();
  window_->raise();
  window_->activateWindow();
  if (content_) content_->updateDisplayRenderingMode();
  QPointer<SettingsWindow> weakWindow(window_);
  deps_.scheduler.mainAsync([weakWindow] {
    if (weakWindow && weakWindow->isVisible() && !weakWindow->isActiveWindow()) {
      weakWindow->raise();
      weakWindow->activateWindow();
    }
  });
}

void SettingsWindowController::toggleFromTaskbar() {
  if (!window_) return;
  if (window_->isMinimized() || !window_->isVisible() || !isKeyWindow()) {
    showSettings();
    return;
  }
  // Back among the normal windows first, so that it goes behind them, then the keyboard to the window
  // now in front.
  window_->setLevel(SettingsWindow::kNormalLevel);
  window_->lower();
  sentBack_ = true;
  activateWindowInFrontOf(*window_);
  if (!lastNonPelkoFrontmostPID_) return;
  if (auto app = deps_.workspace.runningApplication(*lastNonPelkoFrontmostPID_); app && !app->isTerminated())
    app->activate(platform::activateNone);
}

std::vector<AppTracker::OwnWindow> SettingsWindowController::ownWindows() const {
  if (!window_) return {};
  return {{window_->windowTitle().toStdString(), window_->isMinimized(),
           window_->isVisible() && !window_->isMinimized()}};
}

void SettingsWindowController::startColorPanelObserver() {
  QPointer<SettingsWindowController> weakSelf(this);
  colorPanelObserver_ = connect(&ColorPanelEvents::instance(), &ColorPanelEvents::panelBecameKey, this,
                                [weakSelf](ColorPanel* panel) {
                                  if (weakSelf && weakSelf->window_) weakSelf->placeColorPanel(panel);
                                });
}

void SettingsWindowController::stopColorPanelObserver() {
  if (colorPanelObserver_) disconnect(colorPanelObserver_);
  colorPanelObserver_ = {};
}

void SettingsWindowController::placeColorPanel(QWidget* panel) {
  if (!panel || !window_) return;
  if (auto* colorPanel = qobject_cast<ColorPanel*>(panel)) colorPanel->setLevel(window_->level() + 1);
  const double height = mainScreenHeight();
  const Rect windowFrame = fromQtGlobal(window_->frameGeometry(), height);
  const std::vector<Rect> frames = visibleFrames();
  Rect visible;
  if (auto own = SettingsWindowFrame::screenHolding(windowFrame, frames)) {
    visible = frames[*own];
  } else if (!frames.empty()) {
    visible = frames.front();
  }
  const QSize size = panel->frameGeometry().size();
  const Point origin = colorPanelOrigin(
      windowFrame, {static_cast<double>(size.width()), static_cast<double>(size.height())}, visible);
  const QRect placed = toQtGlobal(Rect(origin.x, origin.y, size.width(), size.height()), height);
  panel->move(placed.topLeft());
}

void SettingsWindowController::windowWillClose() {
  if (content_) content_->viewWillDisappear();
  stopColorPanelObserver();
  if (ColorPanel* panel = ColorPanel::sharedIfExists()) panel->close();
}

bool SettingsWindowController::isKeyWindow() const {
  return window_ && window_->isActiveWindow() && !sentBack_;
}

void SettingsWindowController::windowDidBecomeKey() {
  sentBack_ = false;
}

void SettingsWindowController::windowDidResignKey() {
  if (window_) window_->setLevel(SettingsWindow::kNormalLevel);
}

void SettingsWindowController::windowDidChangeScreen() {
  if (content_) content_->updateDisplayRenderingMode();
  // The minimum size the new screen allows.
  if (window_) {
    const QRect outer(window_->frameGeometry().topLeft(), window_->geometry().size());
    updateMinimumSize(fromQtGlobal(outer, mainScreenHeight()), placementAreas());
  }
}

}  // namespace pelko
