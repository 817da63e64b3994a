#pragma once

#include <optional>
#include <vector>

#include "foundation/Geometry.h"
#include "settings/SettingEnumerations.h"

namespace pelko {

// Where the parts of a bar sit inside its root view, in the view's own coordinates (origin top left, y
// down, as the widgets are placed). Along the bar: the item stack from the start edge (left, or top),
// then the trash icon, then the tray at the far end (right, or bottom).
struct BarContentLayout {
  // The stack's frame: it starts 4 points in from the start edge and may reach to 4 points before the
  // trash, the tray or the far end; buttons that do not fit are squeezed (and clipped at its end).
  Rect stack;
  std::optional<Rect> trash;
  std::optional<Rect> tray;
};

struct BarContentOptions {
  TaskbarPosition position = TaskbarPosition::bottom;
  Size rootSize;
  double barThickness = 34;  // the trash icon is 8 points smaller
  bool showTrash = false;
  bool showTray = false;
  double trayLength = 0;  // the tray's own length along the bar; it never gets less than the minimum
  double minTrayLength = 80;
};

inline constexpr double kBarEndInset = 4;  // at each end of the bar and between its parts

BarContentLayout layoutBarContent(const BarContentOptions& options);

// Corners of a bar, as bits: min-x/min-y 1, max-x/min-y 2, min-x/max-y 4, max-x/max-y 8, with y growing
// upward (so 12 are the two top corners).
enum RoundedCorner : unsigned {
  kCornerBottomLeft = 1,
  kCornerBottomRight = 2,
  kCornerTopLeft = 4,
  kCornerTopRight = 8
};
inline constexpr unsigned kAllCorners = 15;

// Which corners of a bar are rounded: all four on a floating bar or one that stands off its screen edge
// (a margin), else only the two away from the edge it sits on.
unsigned roundedCorners(TaskbarPosition position, bool floatingBar, double marginHorizontal,
                        double marginVertical);

struct BorderEdges {
  bool top = false, bottom = false, left = false, right = false;
};
// The border lines of a bar of `size` drawn `width` thick inside its edges, in the order top, bottom,
// left, right; in the view's own coordinates (y down).
std::vector<Rect> borderRects(Size size, double width, BorderEdges edges);

// How far the item stack starts from the bar's start edge (left, or top) for the item alignment.
// `contentLength` is the stack's natural length; `room` the length from the start edge up to what follows
// the stack (the trash, else the tray, else the bar's end).
double stackOffset(ItemAlignment alignment, bool floatingBar, bool emptyStack, double contentLength,
                   double room);

}  // namespace pelko
