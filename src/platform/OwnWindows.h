#pragma once

#include <string>

#include "foundation/Geometry.h"
#include "platform/WindowServer.h"

namespace pelko::platform {

// One of this process's own windows as the window server lists it.
struct OwnWindowDescription {
  std::string title;
  Rect bounds;  // window-server coordinates
  int layer = window_layer::kNormal;
};

// How this process's own windows reach the window server's list. On a Mac the window server learns of
// a window when the process orders it in; the simulated one has to be told. Main thread only.
class OwnWindows {
 public:
  virtual ~OwnWindows() = default;
  // Lists the window; answers its window number.
  virtual WindowID orderIn(const OwnWindowDescription& window) = 0;
  virtual void setBounds(WindowID window, const Rect& bounds) = 0;
  // Takes the window off the list; the number is not used again.
  virtual void orderOut(WindowID window) = 0;
};

}  // namespace pelko::platform
