#include "platform/real/FreedesktopTrash.h"

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace pelko::real {

namespace {

// The home trash with its two folders; false when they cannot be made.
bool prepareHomeTrash(const QString& trash) {
  const bool existed = QFileInfo(trash).isDir();
  if (!QDir().mkpath(trash + "/files") || !QDir().mkpath(trash + "/info")) return false;
  // A new trash is the user's alone, as other desktop programs create it.
  if (!existed)
    QFile::setPermissions(trash, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  return true;
}

QString canonicalOrAbsolute(const QString& path) {
  const QFileInfo info(path);
  const QString canonical = info.canonicalFilePath();
  return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

// Whether `trashed` lies directly in the "files" folder of the home trash or of a volume's trash
// (".Trash-<uid>", or "<uid>" inside a shared ".Trash").
bool isInsideTrashFolder(const QString& trashed, const QString& homeTrash) {
  QDir files = QFileInfo(trashed).absoluteDir();
  if (files.dirName() != "files") return false;
  QDir trash = files;
  if (!trash.cdUp()) return false;
  if (canonicalOrAbsolute(trash.path()) == canonicalOrAbsolute(homeTrash)) return true;
  const QString uid = QString::number(::getuid());
  if (trash.dirName() == ".Trash-" + uid) return true;
  QDir shared = trash;
  return trash.dirName() == uid && shared.cdUp() && shared.dirName() == ".Trash";
}

}  // namespace

std::string FreedesktopTrash::homeTrashFolder() {
  QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
  if (dataHome.isEmpty() || QDir::isRelativePath(dataHome)) dataHome = QDir::homePath() + "/.local/share";
  return (dataHome + "/Trash").toStdString();
}

std::optional<platform::TrashError> FreedesktopTrash::moveToTrash(const std::string& path) {
  const QString source = QString::fromStdString(path);
  const QString homeTrash = QString::fromStdString(homeTrashFolder());
  if (!QFileInfo(source).exists() && !QFileInfo(source).isSymLink())
    return platform::TrashError{"The file doesn't exist."};
  if (!prepareHomeTrash(homeTrash)) return platform::TrashError{"The Trash folder could not be created."};

  QFile file(source);
  if (!file.moveToTrash()) {
    const QString reason = file.errorString();
    return platform::TrashError{reason.isEmpty() ? "The file could not be moved to the Trash."
                                                 : reason.toStdString()};
  }
  const QString trashed = file.fileName();
  if (isInsideTrashFolder(trashed, homeTrash)) return std::nullopt;

  // It went somewhere that is no trash: put it back and drop the record written beside it.
  const QFileInfo landed(trashed);
  QFile::rename(trashed, source);
  QFile::remove(landed.absoluteDir().absoluteFilePath("../info/" + landed.fileName() + ".trashinfo"));
  return platform::TrashError{"The file could not be moved to a Trash folder."};
}

std::string FreedesktopTrash::filesFolder() {
  const QString homeTrash = QString::fromStdString(homeTrashFolder());
  prepareHomeTrash(homeTrash);
  return (homeTrash + "/files").toStdString();
}

}  // namespace pelko::real
