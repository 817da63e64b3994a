#pragma once

#include <QString>

#include "shell/PermissionKind.h"

namespace pelko {

// What a screen reader calls a button of a permission's row ("Accessibility: Open macOS Settings"):
// both rows have an "Open macOS Settings" and may both have a "Remind Me Again", so each button is heard
// with the permission it is for, in the first-run guide and in the settings window alike.
QString permissionButtonName(PermissionKind kind, const QString& title);

}  // namespace pelko
