#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/PlistXml.h"
#include "platform/real/PosixChildProcess.h"
#include "support/TempFolder.h"

namespace pelko::testing {

inline const std::string kSimDefaults = PELKO_SIM_DEFAULTS;
inline const std::string kSimKillall = PELKO_SIM_KILLALL;
inline const std::string kDockDriver = PELKO_DOCK_DRIVER;

// The domain as a hide leaves it: the user's other preferences untouched.
inline platform::PlistValue::Dictionary withHiddenConfiguration(platform::PlistValue::Dictionary domain) {
  domain["autohide"] = true;
  domain["autohide-delay"] = 1000000.0;
  domain["autohide-time-modifier"] = 0.0001;
  domain["mineffect"] = "scale";
  return domain;
}

// A fresh simulated Dock folder per test, removed afterwards, with helpers to plant and inspect the
// Dock's preference domain and the tools' logs.
class DockTestFolder {
 public:
  const std::string& path() const { return folder_.path(); }
  std::string file(const std::string& name) const { return folder_.file(name); }
  std::string domainFile() const { return file("com.apple.dock.plist"); }

  // A runner whose children see this folder, plus any fault-injection variables.
  real::PosixChildProcess::Options runnerOptions(std::map<std::string, std::string> extra = {}) const {
    real::PosixChildProcess::Options options;
    options.extraEnvironment = std::move(extra);
    options.extraEnvironment["PELKO_SIM_DOCK_DIR"] = path();
    options.terminateGraceSeconds = 0.2;
    return options;
  }

  void setDomain(const platform::PlistValue::Dictionary& values) const {
    std::ofstream(domainFile()) << platform::writePlistXml(platform::PlistValue(values));
  }
  // The domain as the file holds it; an empty dictionary when there is no file.
  platform::PlistValue::Dictionary domain() const { return dictionaryIn(domainFile()); }
  static platform::PlistValue::Dictionary dictionaryIn(const std::string& path) {
    std::string text = readText(path);
    if (text.empty()) return {};
    auto root = platform::parsePlistXml(text);
    if (!root || !root->isDictionary()) {
      ADD_FAILURE() << path << " is not a property list";
      return {};
    }
    return *root->asDictionary();
  }

  std::vector<std::string> commands() const { return lines(file("commands.log")); }
  void clearCommands() const { std::filesystem::remove(file("commands.log")); }
  size_t restarts() const { return lines(file("dock-restarts.log")).size(); }

  static std::string readText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

 private:
  static std::vector<std::string> lines(const std::string& path) {
    std::vector<std::string> result;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) result.push_back(line);
    return result;
  }

  TempFolder folder_;
};

}  // namespace pelko::testing
