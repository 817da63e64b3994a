#include "platform/real/DesktopUrlWorkspace.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>

namespace pelko::real {

bool DesktopUrlWorkspace::openURL(const std::string& text) {
  const QString given = QString::fromStdString(text);
  const QUrl url = given.startsWith('/') ? QUrl::fromLocalFile(given) : QUrl(given, QUrl::StrictMode);
  // A relative reference has no handler to go to.
  if (!url.isValid() || url.scheme().isEmpty()) return false;
  return QDesktopServices::openUrl(url);
}

}  // namespace pelko::real
