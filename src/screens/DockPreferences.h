#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/ChildProcess.h"

namespace pelko {

// The Dock's preference domain ("com.apple.dock") as the command-line tools see it: one `defaults`
// run per read or change, `killall Dock` to make the Dock reread its preferences. Every run is bounded
// by the time-out. Callable from any thread.
class DockPreferences {
 public:
  enum class ReadStatus {
    value,    // the tool printed the preference
    missing,  // the tool ran and reported that the preference does not exist
    failed,   // the tool could not be run, failed otherwise or was terminated at the time-out
  };
  struct Read {
    ReadStatus status = ReadStatus::failed;
    std::string text;  // the value, without leading and trailing white space; empty unless `value`
    bool hasValue() const { return status == ReadStatus::value; }
    bool is(const std::string& expected) const { return hasValue() && text == expected; }
  };

  DockPreferences(platform::ChildProcess& childProcess, std::string defaultsPath, std::string killallPath,
                  double timeoutSeconds);

  Read read(const std::string& key) const;
  // The value, or nothing when there is none or it could not be read.
  std::optional<std::string> readDefaultsString(const std::string& key) const;
  // `defaults write com.apple.dock KEY TYPE VALUE`; true when it succeeded.
  bool write(const std::string& key, const std::string& typeArgument, const std::string& value) const;
  // `defaults delete com.apple.dock KEY`; true when the preference is gone afterwards, also when there
  // was none to delete.
  bool remove(const std::string& key) const;
  // `killall Dock`; true when it succeeded.
  bool restartDock() const;

  // Runs one tool to its end or to the time-out; failures are logged.
  platform::ChildProcessResult runProcessWithTimeout(const std::string& path,
                                                     const std::vector<std::string>& arguments) const;

 private:
  platform::ChildProcess& childProcess_;
  std::string defaultsPath_;
  std::string killallPath_;
  double timeoutSeconds_;
};

// The number `text` spells as a whole; nothing when any of it is not part of a floating-point number.
std::optional<double> parseWholeDouble(const std::string& text);

}  // namespace pelko
