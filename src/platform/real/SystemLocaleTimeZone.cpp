#include "platform/real/SystemLocaleTimeZone.h"

#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>

namespace pelko::real {

namespace {

// "de_DE.UTF-8@euro" is "de_DE"; "C" and "POSIX" are the fixed English locale.
std::string localeFromEnvironment() {
  for (const char* name : {"LC_ALL", "LC_TIME", "LANG"}) {
    QString value = qEnvironmentVariable(name);
    if (value.isEmpty()) continue;
    value = value.section('.', 0, 0).section('@', 0, 0);
    if (value == "C" || value == "POSIX") return "en_US_POSIX";
    return value.toStdString();
  }
  return "en_US_POSIX";
}

// The zone name at the end of a path into a zone database ("/usr/share/zoneinfo/Europe/Berlin").
QString zoneFromPath(const QString& path) {
  const int at = path.indexOf("zoneinfo/");
  return at < 0 ? QString() : path.mid(at + 9);
}

}  // namespace

SystemLocaleTimeZone::SystemLocaleTimeZone(std::string configurationFolder)
    : folder_(std::move(configurationFolder)), watcher_(std::make_unique<QFileSystemWatcher>()) {
  lastTimeZone_ = systemTimeZoneIdentifier();
  // The folder too: the link is replaced rather than changed, which ends a watch on the file itself.
  watcher_->addPath(QString::fromStdString(folder_));
  watchFiles();
  QObject::connect(watcher_.get(), &QFileSystemWatcher::directoryChanged, watcher_.get(),
                   [this] { configurationChanged(); });
  QObject::connect(watcher_.get(), &QFileSystemWatcher::fileChanged, watcher_.get(),
                   [this] { configurationChanged(); });
}

SystemLocaleTimeZone::~SystemLocaleTimeZone() = default;

void SystemLocaleTimeZone::watchFiles() {
  for (const char* name : {"/localtime", "/timezone"}) {
    const QString path = QString::fromStdString(folder_) + name;
    if (QFileInfo::exists(path) && !watcher_->files().contains(path)) watcher_->addPath(path);
  }
}

void SystemLocaleTimeZone::configurationChanged() {
  watchFiles();
  std::string zone = systemTimeZoneIdentifier();
  if (zone == lastTimeZone_) return;
  lastTimeZone_ = std::move(zone);
  timeZoneChanged_.send(std::monostate{});
}

std::string SystemLocaleTimeZone::currentLocaleIdentifier() {
  return localeFromEnvironment();
}

std::string SystemLocaleTimeZone::systemTimeZoneIdentifier() {
  QString tz = qEnvironmentVariable("TZ");
  if (tz.startsWith(':')) tz.remove(0, 1);
  if (!tz.isEmpty()) {
    const QString fromPath = zoneFromPath(tz);
    return (fromPath.isEmpty() ? tz : fromPath).toStdString();
  }
  const QString folder = QString::fromStdString(folder_);
  const QString link = QFileInfo(folder + "/localtime").symLinkTarget();
  if (const QString zone = zoneFromPath(link); !zone.isEmpty()) return zone.toStdString();
  QFile file(folder + "/timezone");
  if (file.open(QIODevice::ReadOnly)) {
    const QString zone = QString::fromUtf8(file.readLine()).trimmed();
    if (!zone.isEmpty()) return zone.toStdString();
  }
  return "UTC";
}

}  // namespace pelko::real
