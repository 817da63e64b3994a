#pragma once

#include <ostream>

#include "foundation/Geometry.h"

namespace pelko {

// Readable rectangles in test failure messages.
inline void PrintTo(const Rect& r, std::ostream* os) {
  *os << "(" << r.origin.x << ", " << r.origin.y << ", " << r.size.width << " x " << r.size.height << ")";
}

}  // namespace pelko
