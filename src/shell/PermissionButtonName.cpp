#include "shell/PermissionButtonName.h"

namespace pelko {

QString permissionButtonName(PermissionKind kind, const QString& title) {
  return (kind == PermissionKind::accessibility ? QStringLiteral("Accessibility: ")
                                                : QStringLiteral("Screen Recording: ")) +
         title;
}

}  // namespace pelko
