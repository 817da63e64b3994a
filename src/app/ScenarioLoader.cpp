#include "app/ScenarioLoader.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QSet>
#include <algorithm>
#include <cmath>

#include "platform/RegularFile.h"
#include "platform/sim/SimulatedMac.h"
#include "settings/ColorHex.h"

namespace pelko {

namespace {

// Reads one JSON object field by field; the first problem found is kept with the path of its field.
class Reader {
 public:
  Reader(const QJsonObject& object, std::string path, std::string& error, QSet<QString> known)
      : object_(object), path_(std::move(path)), error_(error) {
    for (auto it = object_.begin(); it != object_.end(); ++it) {
      if (!known.contains(it.key())) fail(it.key(), "is not a scenario field");
    }
  }

  bool ok() const { return error_.empty(); }

  std::optional<std::string> string(const char* key) {
    auto value = object_.value(key);
    if (value.isUndefined()) return std::nullopt;
    if (!value.isString()) return fail(key, "must be a string"), std::nullopt;
    return value.toString().toStdString();
  }
  std::optional<bool> boolean(const char* key) {
    auto value = object_.value(key);
    if (value.isUndefined()) return std::nullopt;
    if (!value.isBool()) return fail(key, "must be true or false"), std::nullopt;
    return value.toBool();
  }
  std::optional<double> number(const char* key) {
    auto value = object_.value(key);
    if (value.isUndefined()) return std::nullopt;
    if (!value.isDouble()) return fail(key, "must be a number"), std::nullopt;
    return value.toDouble();
  }
  std::optional<QJsonArray> array(const char* key) {
    auto value = object_.value(key);
    if (value.isUndefined()) return std::nullopt;
    if (!value.isArray()) return fail(key, "must be a list"), std::nullopt;
    return value.toArray();
  }
  std::optional<QJsonObject> object(const char* key) {
    auto value = object_.value(key);
    if (value.isUndefined()) return std::nullopt;
    if (!value.isObject()) return fail(key, "must be an object"), std::nullopt;
    return value.toObject();
  }

  std::string pathOf(const QString& key) const {
    return path_.empty() ? key.toStdString() : path_ + "." + key.toStdString();
  }

  void fail(const QString& key, const std::string& problem) {
    if (error_.empty()) error_ = pathOf(key) + " " + problem;
  }

 private:
  QJsonObject object_;
  std::string path_;
  std::string& error_;
};

std::optional<QJsonObject> elementObject(const QJsonArray& list, int index, const std::string& path,
                                         std::string& error) {
  if (!list.at(index).isObject()) {
    if (error.empty()) error = path + "[" + std::to_string(index) + "] must be an object";
    return std::nullopt;
  }
  return list.at(index).toObject();
}

std::optional<Rect> readFrame(Reader& reader, const char* key) {
  auto list = reader.array(key);
  if (!list) return std::nullopt;
  bool valid = list->size() == 4;
  double values[4] = {0, 0, 0, 0};
  for (int i = 0; valid && i < 4; ++i) {
    valid = list->at(i).isDouble() && std::isfinite(list->at(i).toDouble());
    if (valid) values[i] = list->at(i).toDouble();
  }
  if (!valid || values[2] <= 0 || values[3] <= 0) {
    reader.fail(key, "must be [x, y, width, height] with a positive width and height");
    return std::nullopt;
  }
  return Rect(values[0], values[1], values[2], values[3]);
}

std::optional<Scenario::Window> readWindow(const QJsonObject& object, const std::string& path,
                                           std::string& error) {
  Reader reader(object, path, error, {"title", "frame", "display", "minimized", "fullScreen"});
  Scenario::Window window;
  window.title = reader.string("title").value_or("");
  window.frame = readFrame(reader, "frame");
  if (auto display = reader.number("display")) {
    if (*display < 0 || *display != std::floor(*display) || *display > 64) {
      reader.fail("display", "must be a display index: 0 for the main display, 1 for the next, ...");
    } else {
      window.display = static_cast<size_t>(*display);
    }
  }
  window.minimized = reader.boolean("minimized").value_or(false);
  window.fullScreen = reader.boolean("fullScreen").value_or(false);
  if (!reader.ok()) return std::nullopt;
  return window;
}

std::optional<platform::ActivationPolicy> policyNamed(const std::string& name) {
  if (name == "regular") return platform::ActivationPolicy::regular;
  if (name == "accessory") return platform::ActivationPolicy::accessory;
  if (name == "prohibited") return platform::ActivationPolicy::prohibited;
  return std::nullopt;
}

std::optional<Scenario::Application> readApplication(const QJsonObject& object, const std::string& path,
                                                     std::string& error) {
  Reader reader(
      object, path, error,
      {"bundleID", "name", "iconColor", "iconFile", "policy", "hidden", "restoresFrame", "windows"});
  Scenario::Application app;
  auto bundleID = reader.string("bundleID");
  if (reader.ok() && (!bundleID || bundleID->empty())) reader.fail("bundleID", "is required");
  app.bundleID = bundleID.value_or("");
  auto name = reader.string("name");
  if (reader.ok() && (!name || name->empty())) reader.fail("name", "is required");
  app.name = name.value_or("");

  app.icon.source = reader.string("iconFile").value_or("");
  if (auto hex = reader.string("iconColor")) {
    if (auto color = colorFromHex(*hex)) {
      app.icon.color = *color;
    } else {
      reader.fail("iconColor", "must be a colour written as \"#RRGGBB\"");
    }
  }
  if (auto policy = reader.string("policy")) {
    if (auto known = policyNamed(*policy)) {
      app.policy = *known;
    } else {
      reader.fail("policy", "must be \"regular\", \"accessory\" or \"prohibited\"");
    }
  }
  app.hidden = reader.boolean("hidden").value_or(false);
  app.restoresFrame = reader.boolean("restoresFrame").value_or(false);
  if (auto windows = reader.array("windows")) {
    std::string listPath = reader.pathOf("windows");
    for (int i = 0; i < windows->size() && reader.ok(); ++i) {
      std::string itemPath = listPath + "[" + std::to_string(i) + "]";
      auto item = elementObject(*windows, i, listPath, error);
      if (!item) break;
      auto window = readWindow(*item, itemPath, error);
      if (!window) break;
      app.windows.push_back(std::move(*window));
    }
  }
  if (!reader.ok()) return std::nullopt;
  return app;
}

// Where the n-th window without a frame of a display goes: down and to the right of the one before, and
// back to the top left when the next step would leave the display.
Rect cascadedFrame(size_t index, const Rect& display) {
  const Size size{std::min(900.0, display.width() * 0.7), std::min(620.0, display.height() * 0.7)};
  const double step = 36;
  const size_t fitting =
      std::max<size_t>(1, static_cast<size_t>(std::min((display.width() - size.width) / step,
                                                       (display.height() - size.height) / step)));
  const double offset = 60 + step * static_cast<double>(index % fitting);
  return Rect(display.minX() + offset, display.minY() + offset, size.width, size.height);
}

}  // namespace

std::optional<Scenario> ScenarioLoader::parse(const std::string& json, std::string& error) {
  error.clear();
  QJsonParseError parseError;
  QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(json), &parseError);
  if (parseError.error != QJsonParseError::NoError) {
    error = "not valid JSON at offset " + std::to_string(parseError.offset) + ": " +
            parseError.errorString().toStdString();
    return std::nullopt;
  }
  if (!document.isObject()) {
    error = "the scenario must be a JSON object";
    return std::nullopt;
  }

  Reader reader(document.object(), "", error, {"applications", "frontmost", "permissions"});
  Scenario scenario;
  if (auto permissions = reader.object("permissions")) {
    Reader permissionReader(*permissions, "permissions", error, {"accessibility", "screenRecording"});
    scenario.accessibilityTrusted = permissionReader.boolean("accessibility").value_or(true);
    scenario.screenRecordingGranted = permissionReader.boolean("screenRecording").value_or(true);
  }
  scenario.frontmost = reader.string("frontmost");
  if (auto applications = reader.array("applications")) {
    for (int i = 0; i < applications->size() && error.empty(); ++i) {
      std::string itemPath = "applications[" + std::to_string(i) + "]";
      auto item = elementObject(*applications, i, "applications", error);
      if (!item) break;
      auto app = readApplication(*item, itemPath, error);
      if (!app) break;
      scenario.applications.push_back(std::move(*app));
    }
  }
  if (error.empty() && scenario.frontmost &&
      std::none_of(scenario.applications.begin(), scenario.applications.end(),
                   [&](const auto& app) { return app.bundleID == *scenario.frontmost; })) {
    error = "frontmost names no application of the scenario";
  }
  if (!error.empty()) return std::nullopt;
  return scenario;
}

std::optional<Scenario> ScenarioLoader::load(const std::string& path, std::string& error) {
  platform::RegularFileRead file = platform::readRegularFile(path, kMaximumFileSize);
  if (!file.ok()) {
    error = "cannot read the file: " + file.error;
    return std::nullopt;
  }
  return parse(file.contents, error);
}

const char* ScenarioLoader::builtInJson() {
  return R"({
  "applications": [
    {"bundleID": "com.apple.finder", "name": "Finder", "iconColor": "#3D8BF2",
     "windows": [{"title": "Documents"}, {"title": "Downloads", "minimized": true}]},
    {"bundleID": "com.apple.Safari", "name": "Safari", "iconColor": "#1C9BF0",
     "windows": [{"title": "Start Page"}, {"title": "Release Notes"}]},
    {"bundleID": "com.apple.mail", "name": "Mail", "iconColor": "#4A90E2",
     "windows": [{"title": "Inbox – 3 messages"}]},
    {"bundleID": "com.apple.Notes", "name": "Notes", "iconColor": "#F5C542",
     "windows": [{"title": "Shopping list"}]},
    {"bundleID": "com.apple.Terminal", "name": "Terminal", "iconColor": "#2B2B2B",
     "windows": [{"title": "~ — zsh — 80×24"}, {"title": "build — ninja"}]},
    {"bundleID": "com.apple.Music", "name": "Music", "iconColor": "#FA3C5A", "hidden": true,
     "windows": [{"title": "Music"}]},
    {"bundleID": "com.apple.TextEdit", "name": "TextEdit", "iconColor": "#8E8E93",
     "windows": [{"title": "Untitled"}]}
  ],
  "frontmost": "com.apple.Safari"
})";
}

Scenario ScenarioLoader::builtIn() {
  std::string error;
  return parse(builtInJson(), error).value_or(Scenario{});
}

void ScenarioLoader::apply(const Scenario& scenario, sim::SimulatedMac& mac) {
  mac.permissions().accessibilityTrusted = scenario.accessibilityTrusted;
  mac.permissions().screenCaptureGranted = scenario.screenRecordingGranted;

  const auto displays = mac.displays();
  std::vector<size_t> cascadeCounts(displays.size(), 0);
  std::optional<int32_t> front;
  for (const auto& app : scenario.applications) {
    sim::SimAppSetup setup;
    setup.bundleID = app.bundleID;
    setup.name = app.name;
    setup.icon = app.icon;
    setup.bundlePath = "/Applications/" + app.name + ".app";
    setup.executablePath = *setup.bundlePath + "/Contents/MacOS/" + app.name;
    setup.policy = app.policy;
    setup.hidden = app.hidden;
    setup.activate = false;
    int32_t pid = mac.launchApp(setup);
    if (app.restoresFrame) mac.setRestoresFrameAfterWrite(pid, true);
    bool isFront = scenario.frontmost ? *scenario.frontmost == app.bundleID : true;
    if (isFront && !app.hidden && app.policy != platform::ActivationPolicy::prohibited) front = pid;

    for (const auto& window : app.windows) {
      if (displays.empty()) break;
      const size_t index = window.display < displays.size() ? window.display : 0;
      const Rect display = displays[index].bounds;
      sim::SimWindowSetup setup;
      setup.title = window.title;
      setup.bounds = window.frame
                         ? Rect(display.minX() + window.frame->minX(), display.minY() + window.frame->minY(),
                                window.frame->width(), window.frame->height())
                         : cascadedFrame(cascadeCounts[index]++, display);
      setup.minimized = window.minimized;
      platform::WindowID number = mac.openWindow(pid, setup);
      if (window.fullScreen) mac.setFullScreen(number, true);
    }
  }
  if (front) mac.activate(*front);
}

}  // namespace pelko
