#include "ui/X11WindowType.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "ui/X11Connection.h"

namespace pelko {

namespace {

// Qt's X11 plugin reads this window property whenever it (re)writes the window's type.
constexpr const char* kXcbWindowTypeProperty = "_q_xcb_wm_window_type";
constexpr int kXcbWindowTypeDock = 0x4;
// Marks a widget whose window already keeps out of taskbars.
constexpr const char* kSkipStatesFilterProperty = "_pelko_keeps_out_of_taskbars";

struct SkipAtoms {
  xcb_atom_t state, skipTaskbar, skipPager;
};

// Asked of the server once: a thumbnail panel is a new window at every showing. The program keeps one
// display connection for its whole run.
const SkipAtoms& skipAtoms(xcb_connection_t* connection) {
  static const SkipAtoms atoms{internAtom(connection, "_NET_WM_STATE"),
                               internAtom(connection, "_NET_WM_STATE_SKIP_TASKBAR"),
                               internAtom(connection, "_NET_WM_STATE_SKIP_PAGER")};
  return atoms;
}

// Adds the two skip states to what the unmapped window's state already holds. Qt merges its own states
// (above, modal, ...) into the property in the same way when it maps the window, so neither loses the
// other's.
void addSkipStates(xcb_connection_t* connection, xcb_window_t window) {
  const SkipAtoms& names = skipAtoms(connection);
  const xcb_atom_t state = names.state;
  if (state == XCB_ATOM_NONE) return;
  std::vector<xcb_atom_t> atoms;
  auto* reply = xcb_get_property_reply(
      connection, xcb_get_property(connection, 0, window, state, XCB_ATOM_ATOM, 0, 1024), nullptr);
  if (reply && reply->format == 32 && reply->type == XCB_ATOM_ATOM) {
    const auto* first = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
    atoms.assign(first, first + xcb_get_property_value_length(reply) / 4);
  }
  std::free(reply);
  for (const xcb_atom_t atom : {names.skipTaskbar, names.skipPager}) {
    if (atom != XCB_ATOM_NONE && std::find(atoms.begin(), atoms.end(), atom) == atoms.end())
      atoms.push_back(atom);
  }
  xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, state, XCB_ATOM_ATOM, 32,
                      static_cast<uint32_t>(atoms.size()), atoms.data());
  xcb_flush(connection);
}

// Writes the skip states as the widget is about to be mapped: a widget gets its show event after its
// native window exists and before Qt maps it.
class SkipStatesOnShow final : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    // A spontaneous show is the window system's own (a window given back its place), not a new map.
    if (event->type() == QEvent::Show && !event->spontaneous()) {
      auto* widget = static_cast<QWidget*>(watched);
      xcb_connection_t* connection = x11Connection();
      if (connection && widget->internalWinId())
        addSkipStates(connection, static_cast<xcb_window_t>(widget->internalWinId()));
    }
    return false;
  }
};

}  // namespace

bool markAsDockWindow(QWidget& window) {
  xcb_connection_t* connection = x11Connection();
  if (!connection) return false;
  const auto id = static_cast<xcb_window_t>(window.winId());
  // Kept on the Qt window too, so that Qt keeps the dock type when it writes the window's type again.
  window.windowHandle()->setProperty(kXcbWindowTypeProperty, kXcbWindowTypeDock);
  const xcb_atom_t type = internAtom(connection, "_NET_WM_WINDOW_TYPE");
  const xcb_atom_t dock = internAtom(connection, "_NET_WM_WINDOW_TYPE_DOCK");
  if (type != XCB_ATOM_NONE && dock != XCB_ATOM_NONE) {
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, type, XCB_ATOM_ATOM, 32, 1, &dock);
    xcb_flush(connection);
  }
  return true;
}

bool keepOutOfTaskbars(QWidget& window) {
  if (!x11Connection()) return false;
  // One filter a window, however often it is asked for.
  if (window.property(kSkipStatesFilterProperty).toBool()) return true;
  window.setProperty(kSkipStatesFilterProperty, true);
  window.installEventFilter(new SkipStatesOnShow(&window));
  return true;
}

}  // namespace pelko
