#include "platform/real/XdgAutostartLoginItems.h"

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "platform/real/PosixFileSystem.h"

namespace pelko::real {

namespace {

std::string trimmed(const std::string& text) {
  size_t begin = text.find_first_not_of(" \t\r");
  if (begin == std::string::npos) return "";
  size_t end = text.find_last_not_of(" \t\r");
  return text.substr(begin, end - begin + 1);
}

// Whether the entry's main group says Hidden=true.
bool isMarkedHidden(const std::string& contents) {
  std::istringstream lines(contents);
  bool inMainGroup = false;
  for (std::string line; std::getline(lines, line);) {
    line = trimmed(line);
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == '[') {
      inMainGroup = line == "[Desktop Entry]";
      continue;
    }
    auto equals = line.find('=');
    if (!inMainGroup || equals == std::string::npos) continue;
    if (trimmed(line.substr(0, equals)) == "Hidden" && trimmed(line.substr(equals + 1)) == "true")
      return true;
  }
  return false;
}

}  // namespace

XdgAutostartLoginItems::XdgAutostartLoginItems(platform::FileSystem& fileSystem, std::string entryPath,
                                               std::string executablePath)
    : fileSystem_(fileSystem), entryPath_(std::move(entryPath)), executablePath_(std::move(executablePath)) {}

std::string XdgAutostartLoginItems::defaultEntryPath(const std::string& name) {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::string folder;
  if (config && config[0] == '/') {
    folder = config;
  } else {
    const char* home = std::getenv("HOME");
    folder = std::string(home && home[0] ? home : "") + "/.config";
  }
  return folder + "/autostart/" + name + ".desktop";
}

std::string XdgAutostartLoginItems::quotedExecArgument(const std::string& path) {
  // First the argument's quoting, then the escapes of a string value, which a reader undoes first.
  std::string quoted = "\"";
  for (char c : path) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    quoted += c;
    if (c == '%') quoted += '%';  // a lone '%' would start a field code
  }
  quoted += '"';
  std::string value;
  for (char c : quoted) {
    switch (c) {
      case '\\':
        value += "\\\\";
        break;
      case '\n':
        value += "\\n";
        break;
      case '\t':
        value += "\\t";
        break;
      case '\r':
        value += "\\r";
        break;
      default:
        value += c;
    }
  }
  return value;
}

std::string XdgAutostartLoginItems::entryText(const std::string& executablePath) {
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Pelko\n"
         "Comment=Starts Pelko when you log in\n"
         "Exec=" +
         quotedExecArgument(executablePath) +
         "\n"
         "Terminal=false\n";
}

platform::LoginItemStatus XdgAutostartLoginItems::status() const {
  auto contents = fileSystem_.readFile(entryPath_);
  if (!contents || isMarkedHidden(*contents)) return platform::LoginItemStatus::notRegistered;
  return platform::LoginItemStatus::enabled;
}

bool XdgAutostartLoginItems::registerMainApp(std::string& error) {
  if (executablePath_.empty() || executablePath_[0] != '/') {
    error = "the program's own path is not known";
    return false;
  }
  // An Exec line may not name a program whose path holds an equals sign.
  if (executablePath_.find('=') != std::string::npos) {
    error = "the program's path contains '=': " + executablePath_;
    return false;
  }
  std::string folder = std::filesystem::path(entryPath_).parent_path().string();
  if (!fileSystem_.createDirectories(folder) ||
      !fileSystem_.writeFileAtomically(entryPath_, entryText(executablePath_))) {
    error = "cannot write " + entryPath_ + ": " + PosixFileSystem::lastError();
    return false;
  }
  return true;
}

bool XdgAutostartLoginItems::unregisterMainApp(std::string& error) {
  if (!fileSystem_.fileExists(entryPath_) || fileSystem_.removeFile(entryPath_)) return true;
  error = "cannot remove " + entryPath_ + ": " + PosixFileSystem::lastError();
  return false;
}

std::vector<std::string> XdgAutostartLoginItems::settingsLocations() const {
  std::filesystem::path folder = std::filesystem::path(entryPath_).parent_path();
  std::error_code error;
  while (folder.has_relative_path() && !std::filesystem::is_directory(folder, error))
    folder = folder.parent_path();
  return {folder.string()};
}

}  // namespace pelko::real
