#include "ui/X11ActiveWindow.h"

#include <xcb/xcb.h>

#include <QWidget>
#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "ui/X11Connection.h"

namespace pelko {

namespace {

constexpr uint32_t kAllDesktops = 0xFFFFFFFF;
// The source of an activation request that a taskbar or pager makes on the user's behalf.
constexpr uint32_t kSourcePager = 2;

class Connection {
 public:
  explicit Connection(xcb_connection_t* connection)
      : connection_(connection), root_(xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root) {}

  xcb_window_t root() const { return root_; }

  // Each name is asked of the server once: the walk over the stacked windows tests the same few.
  xcb_atom_t atom(const char* name) {
    auto known = atoms_.find(name);
    if (known != atoms_.end()) return known->second;
    const xcb_atom_t atom = internAtom(connection_, name);
    atoms_.emplace(name, atom);
    return atom;
  }

  // A property of 32-bit values; empty when the window has none.
  std::vector<uint32_t> values(xcb_window_t window, const char* property, xcb_atom_t type) {
    std::vector<uint32_t> result;
    auto* reply = xcb_get_property_reply(
        connection_, xcb_get_property(connection_, 0, window, atom(property), type, 0, 4096), nullptr);
    if (reply && reply->format == 32) {
      const auto* first = static_cast<const uint32_t*>(xcb_get_property_value(reply));
      result.assign(first, first + xcb_get_property_value_length(reply) / 4);
    }
    std::free(reply);
    return result;
  }

  void requestActivation(xcb_window_t window, xcb_window_t currentlyActive) {
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = atom("_NET_ACTIVE_WINDOW");
    event.data.data32[0] = kSourcePager;
    event.data.data32[1] = XCB_CURRENT_TIME;
    event.data.data32[2] = currentlyActive;
    xcb_send_event(connection_, 0, root_,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(connection_);
  }

 private:
  xcb_connection_t* connection_;
  xcb_window_t root_;
  std::map<std::string, xcb_atom_t> atoms_;
};

// Whether a user works in `window`: a normal window or a dialog (a window without a type is a normal
// one), not minimized, on the desktop shown.
bool isWorkWindow(Connection& x, xcb_window_t window, uint32_t currentDesktop) {
  const auto types = x.values(window, "_NET_WM_WINDOW_TYPE", XCB_ATOM_ATOM);
  const xcb_atom_t normal = x.atom("_NET_WM_WINDOW_TYPE_NORMAL"),
                   dialog = x.atom("_NET_WM_WINDOW_TYPE_DIALOG");
  // The first type the window manager knows is the one it goes by; these two are known to all.
  if (!types.empty() && types.front() != normal && types.front() != dialog) return false;
  const auto states = x.values(window, "_NET_WM_STATE", XCB_ATOM_ATOM);
  if (std::find(states.begin(), states.end(), x.atom("_NET_WM_STATE_HIDDEN")) != states.end()) return false;
  const auto desktop = x.values(window, "_NET_WM_DESKTOP", XCB_ATOM_CARDINAL);
  return desktop.empty() || desktop.front() == kAllDesktops || desktop.front() == currentDesktop;
}

}  // namespace

bool activateWindowInFrontOf(QWidget& window) {
  xcb_connection_t* connection = x11Connection();
  if (!connection || !window.internalWinId()) return false;
  Connection x(connection);
  const auto own = static_cast<xcb_window_t>(window.internalWinId());
  const auto current = x.values(x.root(), "_NET_CURRENT_DESKTOP", XCB_ATOM_CARDINAL);
  const uint32_t currentDesktop = current.empty() ? 0 : current.front();
  // Bottom to top, as the window manager stacks its windows.
  const auto stacking = x.values(x.root(), "_NET_CLIENT_LIST_STACKING", XCB_ATOM_WINDOW);
  for (auto it = stacking.rbegin(); it != stacking.rend(); ++it) {
    if (*it == own || !isWorkWindow(x, *it, currentDesktop)) continue;
    x.requestActivation(*it, own);
    return true;
  }
  return false;
}

}  // namespace pelko
