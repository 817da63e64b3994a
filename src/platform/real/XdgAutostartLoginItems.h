#pragma once

#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/LoginItems.h"

namespace pelko::real {

// The login item as a desktop environment starts it: an XDG autostart entry for the running program.
// Registering writes the entry in one step, unregistering removes it, and the status is read back from
// the file on every call, so a change made by hand or by the desktop's own settings is seen. The entry is
// the only way: a desktop reads no launch agent files.
class XdgAutostartLoginItems final : public platform::LoginItems {
 public:
  // `entryPath` is the entry's file, `executablePath` the absolute path its command line starts.
  XdgAutostartLoginItems(platform::FileSystem& fileSystem, std::string entryPath, std::string executablePath);

  // `$XDG_CONFIG_HOME/autostart/<name>.desktop`, `~/.config/autostart/...` when that variable does not
  // name an absolute folder.
  static std::string defaultEntryPath(const std::string& name);
  // The desktop entry that starts `executablePath` with no arguments.
  static std::string entryText(const std::string& executablePath);
  // `path` as one argument of an Exec line: quoted, with the escapes the line's value needs.
  static std::string quotedExecArgument(const std::string& path);

  // Enabled while the entry exists and is not marked hidden (the desktop's way of switching it off).
  platform::LoginItemStatus status() const override;
  bool registerMainApp(std::string& error) override;
  // Succeeds also when there was no entry.
  bool unregisterMainApp(std::string& error) override;
  bool startsLaunchAgents() const override { return false; }
  // The autostart folder, where the desktop's file manager shows the entry; while that folder does not
  // exist (or is no folder), the nearest folder above it that does.
  std::vector<std::string> settingsLocations() const override;

  const std::string& entryPath() const { return entryPath_; }

 private:
  platform::FileSystem& fileSystem_;
  std::string entryPath_;
  std::string executablePath_;
};

}  // namespace pelko::real
