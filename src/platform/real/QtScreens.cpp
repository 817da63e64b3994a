#include "platform/real/QtScreens.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <algorithm>

namespace pelko::real {

namespace {

Rect toRect(const QRect& rect) {
  return Rect(rect.x(), rect.y(), rect.width(), rect.height());
}

// The primary screen first, then the others in Qt's order.
QList<QScreen*> orderedScreens() {
  QList<QScreen*> all = QGuiApplication::screens();
  QScreen* primary = QGuiApplication::primaryScreen();
  if (primary && all.contains(primary)) {
    all.removeOne(primary);
    all.prepend(primary);
  }
  return all;
}

}  // namespace

QtScreens::QtScreens(Scheduler& scheduler) : scheduler_(scheduler) {
  auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
  if (!app) return;
  appConnections_.push_back(QObject::connect(app, &QGuiApplication::screenAdded, [this](QScreen* screen) {
    displayIDFor(screen);
    scheduleChange();
  }));
  appConnections_.push_back(QObject::connect(app, &QGuiApplication::screenRemoved, [this](QScreen* screen) {
    forget(screen);
    scheduleChange();
  }));
  appConnections_.push_back(
      QObject::connect(app, &QGuiApplication::primaryScreenChanged, [this](QScreen*) { scheduleChange(); }));
  // Number the screens present now in a stable order, so the primary one gets the first number.
  for (QScreen* screen : orderedScreens()) displayIDFor(screen);
}

QtScreens::~QtScreens() {
  for (auto& connection : appConnections_) QObject::disconnect(connection);
  for (auto& known : known_)
    for (auto& connection : known.connections) QObject::disconnect(connection);
}

std::string QtScreens::identityOf(const QScreen& screen) {
  return (screen.name() + QChar(0x1f) + screen.manufacturer() + QChar(0x1f) + screen.model() + QChar(0x1f) +
          screen.serialNumber())
      .toStdString();
}

platform::DisplayID QtScreens::displayIDFor(QScreen* screen) {
  auto it =
      std::find_if(known_.begin(), known_.end(), [screen](const Known& k) { return k.screen == screen; });
  if (it != known_.end()) return it->id;

  Known known;
  known.screen = screen;
  known.identity = identityOf(*screen);
  auto released = released_.find(known.identity);
  if (released != released_.end()) {
    known.id = released->second;
    released_.erase(released);
  } else {
    known.id = nextID_++;
  }
  auto changed = [this] { scheduleChange(); };
  known.connections.push_back(QObject::connect(screen, &QScreen::geometryChanged, changed));
  known.connections.push_back(QObject::connect(screen, &QScreen::availableGeometryChanged, changed));
  // A change of resolution (backing scale) comes with a change of the logical dots per inch.
  known.connections.push_back(QObject::connect(screen, &QScreen::logicalDotsPerInchChanged, changed));
  known.connections.push_back(QObject::connect(screen, &QScreen::physicalDotsPerInchChanged, changed));
  known_.push_back(std::move(known));
  return known_.back().id;
}

void QtScreens::forget(QScreen* screen) {
  auto it =
      std::find_if(known_.begin(), known_.end(), [screen](const Known& k) { return k.screen == screen; });
  if (it == known_.end()) return;
  for (auto& connection : it->connections) QObject::disconnect(connection);
  released_.emplace(it->identity, it->id);
  known_.erase(it);
}

platform::ScreenInfo QtScreens::describe(QScreen& screen, double mainHeight) {
  platform::ScreenInfo info;
  info.displayID = displayIDFor(&screen);
  info.frame = flipRect(toRect(screen.geometry()), mainHeight);
  info.visibleFrame = flipRect(toRect(screen.availableGeometry()), mainHeight);
  info.backingScaleFactor = screen.devicePixelRatio();
  info.localizedName = screen.name().toStdString();
  return info;
}

std::vector<platform::ScreenInfo> QtScreens::screens() {
  std::vector<platform::ScreenInfo> result;
  QList<QScreen*> all = orderedScreens();
  if (all.isEmpty()) return result;
  const double mainHeight = all.front()->geometry().height();
  for (QScreen* screen : all) result.push_back(describe(*screen, mainHeight));
  return result;
}

std::optional<platform::ScreenInfo> QtScreens::mainScreen() {
  auto all = screens();
  if (all.empty()) return std::nullopt;
  return all.front();
}

void QtScreens::scheduleChange() {
  if (changePending_) return;
  changePending_ = true;
  scheduler_.mainAsync(lifetime_.guard([this] {
    changePending_ = false;
    changes_.send({});
  }));
}

}  // namespace pelko::real
