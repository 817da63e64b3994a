// The bar as a real X11 window. Started under a fresh X server at the same moment as a window manager,
// it must come up every time: mapped, typed as a dock, managed without decorations, carrying the
// program's icon and above a normal window. Each run has an X server of its own on a free display; a
// few run side by side.

#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstring>
#include <mutex>
#include <thread>

#include "PelkoProcess.h"
#include "XConnection.h"
#include "XTestServer.h"

namespace pelko::testing {
namespace {

constexpr int kRuns = 20;
constexpr int kLanes = 4;
constexpr double kBarDeadline = 8.0;

// What the test reads of the display, through a connection of its own.
class XView : public XConnection {
 public:
  using XConnection::XConnection;

  // Bottom to top.
  std::vector<xcb_window_t> children(xcb_window_t window) {
    auto* reply = xcb_query_tree_reply(connection(), xcb_query_tree(connection(), window), nullptr);
    std::vector<xcb_window_t> result;
    if (reply) {
      auto* first = xcb_query_tree_children(reply);
      result.assign(first, first + xcb_query_tree_children_length(reply));
    }
    std::free(reply);
    return result;
  }

  bool isViewable(xcb_window_t window) {
    auto* reply = xcb_get_window_attributes_reply(connection(),
                                                  xcb_get_window_attributes(connection(), window), nullptr);
    bool viewable = reply && reply->map_state == XCB_MAP_STATE_VIEWABLE;
    std::free(reply);
    return viewable;
  }

  // The client window whose WM_CLASS instance is `instance`, and the root's child that holds it (the
  // window manager's frame, or the window itself); none when there is no such window.
  struct Found {
    xcb_window_t client = XCB_WINDOW_NONE;
    xcb_window_t top = XCB_WINDOW_NONE;
  };
  Found find(const std::string& instance) {
    for (xcb_window_t top : children(root())) {
      std::vector<xcb_window_t> level{top};
      for (int depth = 0; depth < 4 && !level.empty(); ++depth) {
        std::vector<xcb_window_t> next;
        for (xcb_window_t window : level) {
          auto wmClass = property(window, "WM_CLASS");
          if (wmClass && wmClass->substr(0, wmClass->find('\0')) == instance) return {window, top};
          auto below = children(window);
          next.insert(next.end(), below.begin(), below.end());
        }
        level = std::move(next);
      }
    }
    return {};
  }
};

// One start of the bar together with the window manager; an empty text when all was well.
std::string oneRun(const std::string& xvfb, const std::string& openbox) {
  XServer server(xvfb);
  if (server.display().empty()) return "no X server came up on a free display";
  Sandbox sandbox;
  auto windowManager = startWindowManager(openbox, server.display(), sandbox.path("home"));
  if (auto trouble = windowManagerTrouble(*windowManager, server.display(), sandbox.path("home"));
      !trouble.empty())
    return server.display() + ": " + trouble;
  PelkoProcess pelko(sandbox, {}, {{"DISPLAY", server.display()}, {"QT_QPA_PLATFORM", "xcb"}});
  XView view(server.display());
  if (!view.isConnected()) return server.display() + ": cannot connect";
  const std::string where = server.display() + ": ";

  auto isManagedBar = [&](xcb_window_t bar) {
    return view.isViewable(bar) && view.property(bar, "WM_STATE") && view.property(bar, "_NET_FRAME_EXTENTS");
  };
  // A window is found before the window manager has put it in its frame: it is looked for again once
  // it is managed.
  XView::Found bar;
  if (waitUntil(
          pelko,
          [&] {
            bar = view.find("pelko");
            return bar.client && isManagedBar(bar.client);
          },
          kBarDeadline))
    bar = view.find("pelko");
  if (!bar.client) return where + "no bar window; output:\n" + pelko.output();
  if (!view.isViewable(bar.client)) return where + "the bar window is not mapped";
  if (!view.property(bar.client, "WM_STATE")) return where + "the window manager does not manage the bar";
  auto types = view.cardinals(bar.client, "_NET_WM_WINDOW_TYPE");
  if (types.empty() || types.front() != view.atom("_NET_WM_WINDOW_TYPE_DOCK"))
    return where + "the bar is not typed as a dock";
  auto extents = view.cardinals(bar.client, "_NET_FRAME_EXTENTS");
  if (extents != std::vector<uint32_t>{0, 0, 0, 0}) return where + "the bar has decorations";
  // The program's icon comes once the bar stands on screen, from 16 pixels up (the window manager puts
  // its own 48-pixel one on a window that has none).
  std::vector<uint32_t> icon;
  waitUntil(
      pelko,
      [&] {
        icon = view.cardinals(bar.client, "_NET_WM_ICON");
        return icon.size() >= 2 && icon[0] == 16;
      },
      kBarDeadline);
  if (icon.size() < 2 || icon[0] != 16 || icon[1] != 16)
    return where + "the bar does not carry the program's icon";

  view.openWindow("normal-window", 1280, 800);  // a plain application window covering the screen
  XView::Found normal;
  if (waitUntil(
          pelko,
          [&] {
            normal = view.find("normal-window");
            return normal.client && view.property(normal.client, "WM_STATE");
          },
          kBarDeadline))
    normal = view.find("normal-window");
  if (!normal.client) return where + "the normal window did not come up";
  auto stack = view.children(view.root());
  auto position = [&](xcb_window_t top) {
    return std::find(stack.begin(), stack.end(), top) - stack.begin();
  };
  if (position(bar.top) < position(normal.top)) return where + "a normal window covers the bar";

  if (const std::string ending = pelko.terminate(); !ending.empty())
    return where + "the program " + ending + "; output:\n" + pelko.output();
  return "";
}

TEST(BarWindowX11Test, ComesUpAsAnUndecoratedDockAboveNormalWindowsWhenStartedWithTheWindowManager) {
  const std::string xvfb = findProgram("Xvfb"), openbox = findProgram("openbox");
  if (xvfb.empty() || openbox.empty()) GTEST_SKIP() << "needs Xvfb and openbox (scripts/install-deps.sh)";

  std::vector<std::string> failures(kRuns);
  std::vector<std::thread> lanes;
  for (int lane = 0; lane < kLanes; ++lane) {
    lanes.emplace_back([&, lane] {
      for (int run = lane; run < kRuns; run += kLanes)
        failures[static_cast<size_t>(run)] = oneRun(xvfb, openbox);
    });
  }
  for (auto& lane : lanes) lane.join();
  int failed = 0;
  for (const auto& failure : failures) {
    if (failure.empty()) continue;
    ++failed;
    ADD_FAILURE() << failure;
  }
  EXPECT_EQ(failed, 0) << "of " << kRuns << " runs";
}

}  // namespace
}  // namespace pelko::testing
