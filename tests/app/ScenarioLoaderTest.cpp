#include "app/ScenarioLoader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "PelkoProcess.h"

#include "app/DisplayMirror.h"
#include "foundation/Subject.h"
#include "foundation/VirtualScheduler.h"
#include "platform/sim/SimulatedMac.h"

namespace pelko {
namespace {

bool inside(const Rect& outer, const Rect& inner) {
  return inner.minX() >= outer.minX() && inner.minY() >= outer.minY() && inner.maxX() <= outer.maxX() &&
         inner.maxY() <= outer.maxY();
}

TEST(ScenarioLoaderTest, TheBuiltInScenarioHasSeveralApplicationsWithWindows) {
  std::string error;
  auto scenario = ScenarioLoader::parse(ScenarioLoader::builtInJson(), error);
  ASSERT_TRUE(scenario) << error;
  EXPECT_GE(scenario->applications.size(), 5u);
  size_t windows = 0;
  for (const auto& app : scenario->applications) windows += app.windows.size();
  EXPECT_GE(windows, 8u);
  EXPECT_EQ(ScenarioLoader::builtIn(), *scenario);
}

TEST(ScenarioLoaderTest, ReadsEveryField) {
  std::string error;
  auto scenario = ScenarioLoader::parse(R"({
    "permissions": {"accessibility": false, "screenRecording": false},
    "frontmost": "com.example.a",
    "applications": [
      {"bundleID": "com.example.a", "name": "A", "iconColor": "#FF8000", "iconFile": "/icons/a.png",
       "policy": "accessory", "hidden": true,
       "windows": [{"title": "One", "frame": [1, 2, 300, 200], "display": 1, "minimized": true,
                    "fullScreen": true}, {}]}
    ]})",
                                        error);
  ASSERT_TRUE(scenario) << error;
  // clang-format off
  Scenario expected{{{"com.example.a", "A", {"/icons/a.png", Color{1, 128 / 255.0, 0, 1}},
                      platform::ActivationPolicy::accessory, true, {{"One", Rect(1, 2, 300, 200), 1, true, true}, {}}}},
                    "com.example.a", false, false};
  // clang-format on
  EXPECT_EQ(*scenario, expected);
}

TEST(ScenarioLoaderTest, RefusesABadScenarioWithAMessageNamingTheField) {
  // One application "a" with the given further fields, or one window of it.
  auto app = [](std::string fields) {
    return R"({"applications": [{"bundleID": "a", "name": "A", )" + fields + "}]}";
  };
  auto window = [&](std::string fields) { return app(R"("windows": [{)" + fields + "}]"); };
  // clang-format off
  for (const auto& [json, message] : std::vector<std::pair<std::string, std::string>>{
           {"{\"applications\": [", "not valid JSON at offset"},
           {"[1, 2]", "must be a JSON object"},
           {R"({"apps": []})", "apps is not a scenario field"},
           {R"({"applications": {}})", "applications must be a list"},
           {R"({"applications": [3]})", "applications[0] must be an object"},
           {R"({"applications": [{"name": "A"}]})", "applications[0].bundleID is required"},
           {R"({"applications": [{"bundleID": "a", "name": ""}]})", "applications[0].name is required"},
           {app(R"("iconColor": "red")"), "applications[0].iconColor must be a colour"},
           {app(R"("policy": "daemon")"), "applications[0].policy must be"},
           {app(R"("hidden": "yes")"), "applications[0].hidden must be true or false"},
           {window(R"("frame": [0, 0, 10])"), "applications[0].windows[0].frame must be [x, y, width, height]"},
           {window(R"("frame": [0, 0, -1, 5])"), "applications[0].windows[0].frame must be"},
           {window(R"("display": 0.5)"), "applications[0].windows[0].display must be a display index"},
           {window(R"("title": 7)"), "applications[0].windows[0].title must be a string"},
           {window(R"("zoomed": true)"), "applications[0].windows[0].zoomed is not a scenario field"},
           {R"({"frontmost": "b", "applications": [{"bundleID": "a", "name": "A"}]})", "frontmost names no application"},
           {R"({"permissions": {"accessibility": 1}})", "permissions.accessibility must be true or false"},
       }) {
    // clang-format on
    std::string error;
    EXPECT_FALSE(ScenarioLoader::parse(json, error)) << json;
    EXPECT_NE(error.find(message), std::string::npos) << json << ": " << error;
  }
}

// Only a regular file of at most 16 MB is read; a FIFO without a writer or an endless device is refused
// at once instead of holding up the start.
TEST(ScenarioLoaderTest, ReadsOnlyARegularFileOfAtMostSixteenMegabytes) {
  testing::Sandbox sandbox;
  const std::string fifo = sandbox.path("fifo.json");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  auto sized = [&](const char* name, off_t size) {
    std::string path = sandbox.path(name);
    std::ofstream(path) << "";
    EXPECT_EQ(::truncate(path.c_str(), size), 0);
    return path;
  };
  for (const auto& [path, message] : std::vector<std::pair<std::string, std::string>>{
           {fifo, "cannot read the file: not a regular file"},
           {"/dev/zero", "cannot read the file: not a regular file"},
           {sandbox.path("home"), "cannot read the file: not a regular file"},
           {sandbox.path("missing.json"), "cannot read the file: No such file or directory"},
           {sized("large.json", 16 * 1024 * 1024 + 1), "cannot read the file: larger than 16 MB"},
           {sized("limit.json", 16 * 1024 * 1024), "not valid JSON"},  // read, and found to be zeros
       }) {
    std::string error;
    EXPECT_FALSE(ScenarioLoader::load(path, error)) << path;
    EXPECT_NE(error.find(message), std::string::npos) << path << ": " << error;
  }
  std::ofstream(sandbox.path("ok.json")) << R"({"applications": [{"bundleID": "a", "name": "A"}]})";
  std::string error;
  EXPECT_TRUE(ScenarioLoader::load(sandbox.path("ok.json"), error)) << error;
}

class ScenarioApplyTest : public ::testing::Test {
 protected:
  Scenario parse(const std::string& json) {
    std::string error;
    auto scenario = ScenarioLoader::parse(json, error);
    EXPECT_TRUE(scenario) << error;
    return scenario.value_or(Scenario{});
  }
  std::optional<int32_t> pidOf(const std::string& bundleID) {
    for (const auto& app : mac.workspace().runningApplications())
      if (app->bundleIdentifier() == bundleID) return app->processIdentifier();
    return std::nullopt;
  }

  VirtualScheduler scheduler;
  sim::SimulatedMac mac{scheduler};
};

TEST_F(ScenarioApplyTest, LaunchesTheApplicationsWithTheirWindowsAndLeavesTheFrontmostInFront) {
  mac.addDisplay({std::nullopt, Rect(1920, 0, 1280, 800), 1.0, "Side"});
  ScenarioLoader::apply(parse(R"({
    "frontmost": "com.example.a",
    "permissions": {"screenRecording": false},
    "applications": [
      {"bundleID": "com.example.a", "name": "A",
       "windows": [{"title": "A1", "frame": [10, 20, 300, 200]},
                   {"title": "A2", "frame": [5, 5, 100, 100], "display": 1},
                   {"title": "A3", "frame": [5, 5, 100, 100], "display": 7, "minimized": true}]},
      {"bundleID": "com.example.b", "name": "B", "hidden": true, "windows": [{"title": "B1"}]},
      {"bundleID": "com.example.c", "name": "C", "windows": [{"title": "C1", "fullScreen": true}]}
    ]})"),
                        mac);
  scheduler.runUntilIdle();

  auto a = pidOf("com.example.a");
  auto b = pidOf("com.example.b");
  auto c = pidOf("com.example.c");
  ASSERT_TRUE(a && b && c);
  EXPECT_EQ(mac.frontmostPID(), *a);
  EXPECT_TRUE(mac.isHidden(*b));
  EXPECT_FALSE(mac.permissions().screenCaptureGranted);
  EXPECT_TRUE(mac.permissions().accessibilityTrusted);

  std::map<std::string, sim::SimWindowState> windows;
  for (int32_t pid : {*a, *b, *c})
    for (auto number : mac.windowsOf(pid)) windows[mac.window(number)->title] = *mac.window(number);
  ASSERT_EQ(windows.size(), 5u);
  EXPECT_EQ(windows["A1"].bounds, Rect(10, 20, 300, 200));
  EXPECT_EQ(windows["A2"].bounds, Rect(1925, 5, 100, 100)) << "relative to its display";
  EXPECT_EQ(windows["A3"].bounds, Rect(5, 5, 100, 100)) << "a display that is not there means the main one";
  EXPECT_TRUE(windows["A3"].minimized);
  EXPECT_TRUE(windows["C1"].fullScreen);
  EXPECT_EQ(windows["C1"].bounds, Rect(0, 0, 1920, 1080));
  // A window without a frame cascades inside the main display.
  EXPECT_TRUE(inside(Rect(0, 0, 1920, 1080), windows["B1"].bounds));
}

// An application that puts its frame back undoes a resize on the next pass; the others keep it.
TEST_F(ScenarioApplyTest, AnApplicationMayPutItsFramesBack) {
  ScenarioLoader::apply(parse(R"({"applications": [
      {"bundleID": "com.example.a", "name": "A", "restoresFrame": true, "windows": [{"frame": [0, 0, 500, 400]}]},
      {"bundleID": "com.example.b", "name": "B", "windows": [{"frame": [0, 0, 500, 400]}]}]})"),
                        mac);
  for (const char* bundleID : {"com.example.a", "com.example.b"}) {
    auto window = mac.windowsOf(*pidOf(bundleID)).front();
    auto element = mac.accessibility().copyAttributeValue(
        mac.accessibility().createApplicationElement(*pidOf(bundleID)), platform::ax::kWindows);
    mac.accessibility().setAttributeValue(element.value->asElements()->front(), platform::ax::kSize,
                                          Size(300, 200));
    scheduler.runUntilIdle();
    EXPECT_EQ(mac.window(window)->bounds.size,
              std::string(bundleID) == "com.example.a" ? Size(500, 400) : Size(300, 200));
  }
}

TEST_F(ScenarioApplyTest, WithoutAFrontmostTheLastVisibleApplicationIsInFront) {
  ScenarioLoader::apply(parse(R"({"applications": [
      {"bundleID": "com.example.a", "name": "A"}, {"bundleID": "com.example.b", "name": "B"},
      {"bundleID": "com.example.c", "name": "C", "hidden": true}]})"),
                        mac);
  EXPECT_EQ(mac.frontmostPID(), pidOf("com.example.b"));
}

TEST_F(ScenarioApplyTest, ManyWindowsWithoutFramesStayOnTheirDisplay) {
  std::string windows;
  for (int i = 0; i < 40; ++i)
    windows += std::string(i ? "," : "") + "{\"title\": \"W" + std::to_string(i) + "\"}";
  ScenarioLoader::apply(
      parse(R"({"applications": [{"bundleID": "a", "name": "A", "windows": [)" + windows + "]}]}"), mac);
  auto pid = pidOf("a");
  ASSERT_TRUE(pid);
  ASSERT_EQ(mac.windowsOf(*pid).size(), 40u);
  for (auto number : mac.windowsOf(*pid))
    EXPECT_TRUE(inside(Rect(0, 0, 1920, 1080), mac.window(number)->bounds));
}

// ---- Displays follow the real screens ----

class FakeScreens final : public platform::Screens {
 public:
  std::vector<platform::ScreenInfo> screens() override { return list; }
  std::optional<platform::ScreenInfo> mainScreen() override {
    return list.empty() ? std::nullopt : std::optional(list.front());
  }
  Publisher<platform::ScreenParametersChange> screenParametersChanged() override {
    return changes.publisher();
  }

  std::vector<platform::ScreenInfo> list;
  Subject<platform::ScreenParametersChange> changes;
};

platform::ScreenInfo screen(platform::DisplayID id, Rect frame, double scale) {
  return {id, frame, frame, scale, "Screen " + std::to_string(id)};
}

TEST(DisplayMirrorTest, TheSimulatedDisplaysFollowTheScreensInTheWindowServersCoordinates) {
  VirtualScheduler scheduler;
  sim::SimulatedMac mac(scheduler);
  FakeScreens screens;
  // A main screen of 1440 x 900 and one above it, in screen coordinates (y up).
  screens.list = {screen(1, Rect(0, 0, 1440, 900), 2), screen(2, Rect(0, 900, 1920, 1080), 1)};
  DisplayMirror mirror(screens, mac);
  mirror.sync();
  auto displays = mac.displays();
  ASSERT_EQ(displays.size(), 2u);
  EXPECT_EQ(displays[0], (sim::SimDisplay{1, Rect(0, 0, 1440, 900), 2, "Screen 1"}));
  EXPECT_EQ(displays[1], (sim::SimDisplay{2, Rect(0, -1080, 1920, 1080), 1, "Screen 2"}));

  int32_t pid = mac.launchApp("com.example.a", "A");
  auto window = mac.openWindow(pid, {"W", Rect(100, 100, 400, 300)});
  auto above = mac.openWindow(pid, {"Above", Rect(200, -900, 400, 300)});

  // A third screen arrives and the second one is rearranged 100 points to the right: every window
  // keeps its place on its own display.
  screens.list[1].frame = Rect(100, 900, 1920, 1080);
  screens.list.push_back(screen(3, Rect(1440, 0, 800, 600), 1));
  screens.changes.send({});
  ASSERT_EQ(mac.displays().size(), 3u);
  EXPECT_EQ(mac.window(window)->bounds, Rect(100, 100, 400, 300));
  EXPECT_EQ(mac.window(above)->bounds, Rect(300, -900, 400, 300));

  // The second screen goes: its window moves onto the main screen, the other stays where it was.
  screens.list.erase(screens.list.begin() + 1);
  screens.changes.send({});
  ASSERT_EQ(mac.displays().size(), 2u);
  EXPECT_EQ(mac.displays()[0].id, 1u);
  EXPECT_EQ(mac.window(window)->bounds, Rect(100, 100, 400, 300));
  EXPECT_EQ(mac.window(above)->bounds, Rect(200, 180, 400, 300));

  // No screens at all (a moment during reconfiguration): the world keeps its display.
  screens.list.clear();
  mirror.sync();
  EXPECT_EQ(mac.displays().size(), 2u);
}

}  // namespace
}  // namespace pelko
