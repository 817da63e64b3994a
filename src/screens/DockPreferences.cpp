#include "screens/DockPreferences.h"

#include <charconv>

#include "foundation/DebugLog.h"
#include "foundation/Utf8.h"

namespace pelko {

namespace {

constexpr const char* kDomain = "com.apple.dock";

std::string trimmed(const std::string& text) {
  const char* space = " \t\r\n\v\f";
  auto first = text.find_first_not_of(space);
  if (first == std::string::npos) return std::string();
  auto last = text.find_last_not_of(space);
  return text.substr(first, last - first + 1);
}

std::string commandLine(const std::string& path, const std::vector<std::string>& arguments) {
  std::string line = path;
  for (const auto& argument : arguments) line += " " + argument;
  return line;
}

std::string firstLine(const std::string& text) {
  std::string t = trimmed(text);
  auto end = t.find('\n');
  return end == std::string::npos ? t : t.substr(0, end);
}

}  // namespace

std::optional<double> parseWholeDouble(const std::string& text) {
  double value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

DockPreferences::DockPreferences(platform::ChildProcess& childProcess, std::string defaultsPath,
                                 std::string killallPath, double timeoutSeconds)
    : childProcess_(childProcess),
      defaultsPath_(std::move(defaultsPath)),
      killallPath_(std::move(killallPath)),
      timeoutSeconds_(timeoutSeconds) {}

platform::ChildProcessResult DockPreferences::runProcessWithTimeout(
    const std::string& path, const std::vector<std::string>& arguments) const {
  auto result = childProcess_.run(path, arguments, timeoutSeconds_);
  if (!result.launched()) {
    debugLog("DockManager: could not launch " + path + " (error " + std::to_string(result.launchError) + ")");
  } else if (result.timedOut) {
    debugLog("DockManager: " + commandLine(path, arguments) + " timed out and was terminated");
  }
  return result;
}

DockPreferences::Read DockPreferences::read(const std::string& key) const {
  auto result = runProcessWithTimeout(defaultsPath_, {"read", kDomain, key});
  Read read;
  if (result.succeeded()) {
    if (!isValidUtf8(result.standardOutput)) return read;
    read.status = ReadStatus::value;
    read.text = trimmed(result.standardOutput);
  } else if (result.exitedWithStatus(1) && result.standardError.find("does not exist") != std::string::npos) {
    read.status = ReadStatus::missing;
  } else if (result.launched() && !result.timedOut) {
    debugLog("DockManager: reading " + key + " failed: " + firstLine(result.standardError));
  }
  return read;
}

std::optional<std::string> DockPreferences::readDefaultsString(const std::string& key) const {
  Read r = read(key);
  if (!r.hasValue()) return std::nullopt;
  return r.text;
}

bool DockPreferences::write(const std::string& key, const std::string& typeArgument,
                            const std::string& value) const {
  auto result = runProcessWithTimeout(defaultsPath_, {"write", kDomain, key, typeArgument, value});
  if (result.launched() && !result.timedOut && !result.succeeded()) {
    debugLog("DockManager: writing " + key + " failed: " + firstLine(result.standardError));
  }
  return result.succeeded();
}

bool DockPreferences::remove(const std::string& key) const {
  auto result = runProcessWithTimeout(defaultsPath_, {"delete", kDomain, key});
  if (result.succeeded()) return true;
  // `defaults delete` fails for a preference that does not exist; that is the state wanted, so make
  // sure that is what happened rather than a tool that failed for another reason.
  if (!result.launched() || result.timedOut) return false;
  return read(key).status == ReadStatus::missing;
}

bool DockPreferences::restartDock() const {
  auto result = runProcessWithTimeout(killallPath_, {"Dock"});
  if (result.launched() && !result.timedOut && !result.succeeded()) {
    debugLog("DockManager: restarting the Dock failed: " + firstLine(result.standardError));
  }
  return result.succeeded();
}

}  // namespace pelko
